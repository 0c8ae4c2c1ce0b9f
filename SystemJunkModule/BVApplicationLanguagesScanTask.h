// The application languages: translations inside applications that the user does not read,
// grouped by language, then by application. On the linux layout the applications are the
// self-contained application folders (extracted AppImages, vendors' bundles) directly in
// `~/Applications` and in `/opt` (a vendor folder such as `/opt/vendor` counts as one); their
// translations are the language folders of every `locale` folder inside them. An application
// never loses all of its translations: a `locale` folder whose every language would go is left
// as it is (each `locale` folder on its own, so a bundled tool's folder is judged apart from the
// application's). Nothing is preselected: `/opt` holds packages' files, which an upgrade brings
// back, and self-contained folders rarely name their own language. The macos layout's `.lproj`
// folders are not scanned yet. A task is built for one scan and runs once on one scan-queue
// thread; its progress may be read from any thread.
#pragma once

#include <map>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "SystemJunkModule/BVAppLangPreferences.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

// An application as the language entities name it. Immutable; any thread.
class BVApplicationInfo final : public BVObject {
public:
    BVApplicationInfo(std::string name, std::string path) : name_(std::move(name)), path_(std::move(path)) {}
    const std::string& name() const { return name_; }
    const std::string& path() const { return path_; }
    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(path_); }
    std::string description() const override { return name_; }

private:
    std::string name_;
    std::string path_;
};

// One language (the value is its code) in several applications.
class BVApplicationLanguageModel : public BVGroupedSequenceModel {
    BV_ENTITY_CLASS(BVApplicationLanguageModel)
public:
    BVApplicationLanguageModel(const std::string& code, bool autoselected)
        : BVGroupedSequenceModel(BVValueObject::with(BVValue(code)), 0, autoselected), code_(code) {}
    const std::string& languageISOCode() const { return code_; }
    std::vector<BVEntityPtr> applications() const { return children(); }

private:
    std::string code_;
};

// One application's folders of one language.
class BVLocalizedApplicationFilesModel : public BVGroupedSequenceModel {
    BV_ENTITY_CLASS(BVLocalizedApplicationFilesModel)
public:
    BVLocalizedApplicationFilesModel(std::shared_ptr<const BVApplicationInfo> info, bool autoselected)
        : BVGroupedSequenceModel(info, 0, autoselected), info_(std::move(info)) {}
    const std::shared_ptr<const BVApplicationInfo>& applicationInfo() const { return info_; }
    std::vector<BVEntityPtr> files() const { return children(); }

private:
    std::shared_ptr<const BVApplicationInfo> info_;
};

namespace BVLanguagesUtilities {
// Adds the language folders of one `locale` folder to `languages` (code -> paths), unless every
// one of them would go; protected codes are never added.
void scanResourcesForLanguages(const BVFileManager& fileManager, const std::string& localeFolder,
                               std::map<std::string, std::vector<std::string>>& languages,
                               const BVAppLangPreferences& preferences, const std::shared_ptr<BVComputableProgress>& progress);
// The language map of one application folder: its `locale` folders, found without following a
// link or entering a mount, at most a few levels down.
std::map<std::string, std::vector<std::string>> languagesForApplicationAtPath(
    const BVFileManager& fileManager, const std::string& application, const BVAppLangPreferences& preferences,
    const std::shared_ptr<BVComputableProgress>& progress);
}  // namespace BVLanguagesUtilities

class BVApplicationLanguagesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVApplicationLanguagesScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                   BVJunkKnowledgeBasePtr knowledgeBase, BVAppLangPreferences preferences,
                                   std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    static std::shared_ptr<BVApplicationLanguagesScanTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierApplicationLanguages"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;
    // The application folders of the layout: the folders directly in each applications folder.
    std::vector<std::string> userApplications() const;

private:
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    BVAppLangPreferences preferences_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

namespace BVLanguageIgnoreItems {
std::string ignoreItemForAnyApplication(const std::string& code);                   // "de-ANY"
std::string ignoreItemForName(const std::string& code, const std::string& name);    // "de-Name"
std::string ignoreItemRegex(const std::string& code);                               // "^de-.*$"
}  // namespace BVLanguageIgnoreItems
