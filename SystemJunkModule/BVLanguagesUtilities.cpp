#include "SystemJunkModule/BVLanguagesUtilities.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "Foundation/BVDirectoryWalker.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

namespace {

constexpr size_t kDeepestLocaleFolder = 6;

size_t depthBelow(const std::string& root, const std::string& path) {
    return size_t(std::count(path.begin() + std::min(path.size(), root.size()), path.end(), '/'));
}

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::optional<std::string> languageCode(const std::string& name, BVLanguageFolderKind kind) {
    if (kind == BVLanguageFolderKind::locale) return BVLanguageCodes::localeFolderCode(name);
    if (lowercased(BVFileIO::pathExtension(name)) != "lproj") return std::nullopt;
    return BVLanguageCodes::shortLanguageNameFromDirectoryTwoLetters(name);
}

bool pausedThenCancelled(const std::shared_ptr<BVComputableProgress>& progress) {
    if (!progress) return false;
    progress->sleepThreadWhilePaused();
    return progress->isCancelled();
}

// The folders of a walk below `root` that `isResources` names, not entering those that
// `isSealed` names nor any past `deepest` levels. None when the root cannot be opened.
std::optional<std::set<std::string>> foldersBelow(const std::string& root, const std::function<bool(const std::string&)>& isResources,
                                                  const std::function<bool(const std::string&)>& isSealed, size_t deepest,
                                                  const std::shared_ptr<BVComputableProgress>& progress) {
    std::mutex mutex;
    std::set<std::string> folders;
    BVDirectoryWalker walker(1);
    walker.setTypesOnly(true);
    BVDirectoryWalker::Summary summary;
    walker.walk(
        root,
        [&](unsigned, const BVWalkEntry& entry) {
            if (!entry.isDirectory()) return false;
            std::string name = entry.name;
            if (isResources(name)) {
                std::lock_guard lock(mutex);
                folders.insert(entry.path());
            }
            if (isSealed(name)) return false;
            return depthBelow(root, entry.path()) < deepest;
        },
        [&] { return progress && progress->isCancelled(); }, &summary);
    if (!summary.opened) return std::nullopt;
    return folders;
}

}  // namespace

namespace BVLanguagesUtilities {

void scanResourcesForLanguages(const BVFileManager& fileManager, const std::string& resourcesFolder, BVLanguageFolderKind kind,
                               BVLanguageMap& languages, const BVAppLangPreferences& preferences,
                               const std::shared_ptr<BVComputableProgress>& progress) {
    if (pausedThenCancelled(progress)) return;
    size_t counted = 0;
    BVLanguageMap found;
    for (const auto& entry : BVSystemJunk::searchedFolderContents(fileManager, resourcesFolder, progress)) {
        if (pausedThenCancelled(progress)) return;
        auto code = languageCode(BVFileIO::lastPathComponent(entry), kind);
        if (!code || !fileManager.isDirectoryAtPath(entry)) continue;
        ++counted;
        if (!preferences.isProtectedISOCode(*code)) found[*code].push_back(entry);
    }
    if (counted > 0 && counted == found.size()) {
        std::string codes;
        for (const auto& [code, paths] : found) codes += (codes.empty() ? "" : ", ") + code;
        BVLogger::debug("Won't remove all localizations of " + resourcesFolder + ". Localizations: [" + codes + "]");
        return;
    }
    for (auto& [code, paths] : found) {
        auto& into = languages[code];
        into.insert(into.end(), paths.begin(), paths.end());
    }
}

BVLanguageMap languagesForBundleAtPath(const BVFileManager& fileManager, const std::string& bundle,
                                       const BVAppLangPreferences& preferences, const std::shared_ptr<BVComputableProgress>& progress) {
    BVLanguageMap languages;
    if (lowercased(BVFileIO::pathExtension(bundle)) == "wdgt") {
        scanResourcesForLanguages(fileManager, bundle, BVLanguageFolderKind::lproj, languages, preferences, progress);
        return languages;
    }
    auto resources = foldersBelow(
        bundle, [](const std::string& name) { return lowercased(name) == "resources"; },
        [](const std::string& name) { return lowercased(BVFileIO::pathExtension(name)) == "lproj"; }, SIZE_MAX, progress);
    if (!resources) {
        BVLogger::error("languagesForApplicationAtPath error in fts_open: " + bundle);
        return languages;
    }
    for (const auto& folder : *resources) {
        scanResourcesForLanguages(fileManager, folder, BVLanguageFolderKind::lproj, languages, preferences, progress);
        if (pausedThenCancelled(progress)) return {};
    }
    return languages;
}

BVLanguageMap languagesForApplicationFolderAtPath(const BVFileManager& fileManager, const std::string& application,
                                                  const BVAppLangPreferences& preferences,
                                                  const std::shared_ptr<BVComputableProgress>& progress) {
    BVLanguageMap languages;
    auto isLocale = [](const std::string& name) { return name == "locale"; };
    auto localeFolders = foldersBelow(application, isLocale, isLocale, kDeepestLocaleFolder, progress);
    if (!localeFolders) return languages;
    for (const auto& folder : *localeFolders) {
        scanResourcesForLanguages(fileManager, folder, BVLanguageFolderKind::locale, languages, preferences, progress);
        if (progress && progress->isCancelled()) return {};
    }
    return languages;
}

BVLanguageMap languagesForApplicationAtPath(const BVFileManager& fileManager, BVLayout layout, const std::string& application,
                                            const BVAppLangPreferences& preferences,
                                            const std::shared_ptr<BVComputableProgress>& progress) {
    if (layout == BVLayout::macos) return languagesForBundleAtPath(fileManager, application, preferences, progress);
    return languagesForApplicationFolderAtPath(fileManager, application, preferences, progress);
}

}  // namespace BVLanguagesUtilities
