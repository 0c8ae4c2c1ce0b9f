// BVLanguagesUtilities: the translations inside applications and bundles, as language maps (a
// language code to its folders, in the order found).
//
// A resources folder's language folders are its direct child folders of one kind: named
// "CODE.lproj" in a macos bundle, named after a locale ("de", "pt_BR") in a linux `locale`
// folder. A resources folder whose every language would go gives nothing: an application never
// loses all of its translations, and each resources folder (an embedded framework's, a
// plug-in's, a bundled tool's) is judged on its own. Protected codes never enter a map. Links
// are never followed and no other mount is entered. Stateless; any thread.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"
#include "SystemJunkModule/BVAppLangPreferences.h"

using BVLanguageMap = std::map<std::string, std::vector<std::string>>;

enum class BVLanguageFolderKind { lproj, locale };

namespace BVLanguagesUtilities {
// Adds the language folders of one resources folder to `languages`, unless every one of them
// would go.
void scanResourcesForLanguages(const BVFileManager& fileManager, const std::string& resourcesFolder, BVLanguageFolderKind kind,
                               BVLanguageMap& languages, const BVAppLangPreferences& preferences,
                               const std::shared_ptr<BVComputableProgress>& progress);
// The language map of a macos bundle: a widget bundle (".wdgt") is one resources folder; in any
// other bundle every folder named "Resources" (in any case), at any depth, is one, and ".lproj"
// folders are not entered. Empty when cancelled or when the bundle cannot be opened.
BVLanguageMap languagesForBundleAtPath(const BVFileManager& fileManager, const std::string& bundle,
                                       const BVAppLangPreferences& preferences, const std::shared_ptr<BVComputableProgress>& progress);
// The language map of a linux application folder: its `locale` folders, at most a few levels
// down (they sit near the top; deeper walks would cost much in large /opt trees).
BVLanguageMap languagesForApplicationFolderAtPath(const BVFileManager& fileManager, const std::string& application,
                                                  const BVAppLangPreferences& preferences,
                                                  const std::shared_ptr<BVComputableProgress>& progress);
// The layout's kind of application: a bundle on macos, a folder on linux.
BVLanguageMap languagesForApplicationAtPath(const BVFileManager& fileManager, BVLayout layout, const std::string& application,
                                            const BVAppLangPreferences& preferences,
                                            const std::shared_ptr<BVComputableProgress>& progress);
}  // namespace BVLanguagesUtilities
