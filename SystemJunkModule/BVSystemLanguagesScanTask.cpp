#include "SystemJunkModule/BVSystemLanguagesScanTask.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>

#include "Foundation/BVDirectoryWalker.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVSystemVersion.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "ScanningService/CoreScanning/Predicates/BVMojaveProtectedPathPredicate.h"

namespace {

size_t depthBelow(const std::string& root, const std::string& path) {
    return size_t(std::count(path.begin() + std::min(path.size(), root.size()), path.end(), '/'));
}

// A bundle folder named without an extension: it has "Contents/Info.plist". Looked up beside
// the walk's open folder, as this is asked of every folder of the library folders.
bool isPackageWithoutExtension(const BVWalkEntry& entry) {
    struct stat status {};
    std::string info = std::string(entry.name) + "/Contents/Info.plist";
    return ::fstatat(entry.folderFd, info.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

BVSystemLanguagesScanTask::BVSystemLanguagesScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                     BVJunkKnowledgeBasePtr knowledgeBase, BVAppLangPreferences preferences,
                                                     std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : paths_(std::move(paths)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      preferences_(std::move(preferences)),
      performer_(std::move(performer)) {}

std::shared_ptr<BVSystemLanguagesScanTask> BVSystemLanguagesScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVSystemLanguagesScanTask>(
        environment.paths, environment.fileManager, BVEnvironmentServices::knowledgeBase(environment, BVScannerSystemLocalizations),
        BVAppLangPreferences::forLayout(*environment.paths), environment.performer);
}

const std::vector<std::string>& BVSystemLanguagesScanTask::scanLocations() {
    if (scanLocations_) return *scanLocations_;
    scanLocations_.emplace();
    if (paths_->layout() == BVLayout::linux) {
        for (const char* place : {"/usr/share/locale", "/usr/share/man", "/usr/share/help"})
            scanLocations_->push_back(paths_->systemPath(place));
        return *scanLocations_;
    }
    std::vector<std::string> roots = {paths_->systemPath("/Library"), paths_->home() + "/Library"};
    auto version = BVSystemVersion::current();
    if (!(version.majorVersion == 10 && version.minorVersion > 10)) roots.push_back(paths_->systemPath("/System"));
    BVFileIgnorePredicate ignored(knowledgeBase_);
    BVMojaveProtectedPathPredicate protectedPaths;
    for (const auto& root : roots) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        for (const auto& entry : fileManager_->contentsOfDirectoryAtURL(root, nullptr, BVDirectoryEnumerationSkipsHiddenFiles))
            if (!ignored.shouldIgnoreObject(entry) && !protectedPaths.shouldIgnoreObject(entry)) scanLocations_->push_back(entry);
    }
    return *scanLocations_;
}

BVLanguageMap BVSystemLanguagesScanTask::linuxLanguages(const BVPredicatePtr& filter) {
    BVLanguageMap languages;
    for (const auto& location : scanLocations()) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (!fileManager_->isDirectoryAtPath(location) || filter->shouldIgnoreObject(location)) continue;
        for (const auto& entry : BVSystemJunk::searchedFolderContents(*fileManager_, location, progress_)) {
            auto code = BVLanguageCodes::localeFolderCode(BVFileIO::lastPathComponent(entry));
            if (!code || preferences_.isProtectedISOCode(*code)) continue;
            if (!fileManager_->isDirectoryAtPath(entry) || filter->shouldIgnoreObject(entry)) continue;
            languages[*code].push_back(entry);
        }
    }
    return languages;
}

BVLanguageMap BVSystemLanguagesScanTask::macosLanguages(const BVPredicatePtr& filter) {
    BVMojaveProtectedPathPredicate protectedPaths;
    const auto& locations = scanLocations();
    uint64_t pending = 0;
    for (const auto& location : locations)
        for (const auto& child : fileManager_->contentsOfDirectoryAtURL(location, nullptr, BVDirectoryEnumerationSkipsHiddenFiles))
            if (!protectedPaths.shouldIgnoreObject(child))
                pending += fileManager_->contentsOfDirectoryAtURL(child, nullptr, BVDirectoryEnumerationSkipsHiddenFiles).size();
    progress_->addPendingUnitsCount(pending);

    BVLanguageMap languages;
    for (const auto& location : locations) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (BVSystemJunk::isSystemIntegrityProtected(*paths_, location)) continue;
        // The bundles below the location; their maps are read after the walk, in path order.
        std::mutex mutex;
        std::vector<std::string> bundles;
        BVDirectoryWalker walker;
        walker.setTypesOnly(true);
        walker.walk(
            location,
            [&](unsigned, const BVWalkEntry& entry) {
                progress_->sleepThreadWhilePaused();
                if (entry.name[0] == '.' || !entry.isDirectory()) return false;
                std::string path = entry.path();
                if (protectedPaths.shouldIgnoreObject(path)) return false;
                if (depthBelow(location, path) == 2) {
                    progress_->addUnitsCount(1);
                    progress_->setPath(path);
                }
                if (BVSystemJunk::isSystemIntegrityProtected(*paths_, path) || filter->shouldIgnoreObject(path)) return false;
                if (!BVFileIO::pathExtension(entry.name).empty() || isPackageWithoutExtension(entry)) {
                    std::lock_guard lock(mutex);
                    bundles.push_back(path);
                    return false;
                }
                return true;
            },
            [&] { return progress_->isCancelled(); });
        std::sort(bundles.begin(), bundles.end());
        for (const auto& bundle : bundles) {
            if (progress_->isCancelled()) break;
            for (auto& [code, folders] : BVLanguagesUtilities::languagesForBundleAtPath(*fileManager_, bundle, preferences_, progress_)) {
                auto& into = languages[code];
                into.insert(into.end(), folders.begin(), folders.end());
            }
        }
    }
    return languages;
}

BVScanResultPtr BVSystemLanguagesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVSystemLanguagesScanTask", identifier())) return canned;
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    if (!preferences_.known()) {
        BVLogger::info("[Languages] The user's languages are unknown: no system languages are offered");
        return BVScanResult::emptyResultWithIdentifier(identifier());
    }
    bool macos = paths_->layout() == BVLayout::macos;
    auto filter = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);
    auto languages = macos ? macosLanguages(filter) : linuxLanguages(filter);

    std::vector<BVEntityPtr> items;
    for (const auto& [code, folders] : languages) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (knowledgeBase_->isIgnoreItem(code) || preferences_.shouldKeepLanguageWithCode(code)) continue;
        std::vector<std::string> kept;
        for (const auto& folder : folders)
            if (!filter->shouldIgnoreObject(folder)) kept.push_back(folder);
        if (!macos) progress_->addPendingUnitsCount(kept.size());
        auto sizes = BVSystemJunk::itemSizes(*fileManager_, kept, performer_, progress_, !macos);
        // Package files on linux: the user decides, knowing that an upgrade brings them back.
        bool selected = macos && knowledgeBase_->shouldSelectItem(code);
        auto language = std::make_shared<BVLocalizationLanguageModel>(code, selected);
        BVSystemJunk::attachIgnoreStrategy(language, knowledgeBase_, code);
        for (size_t i = 0; i < kept.size(); ++i)
            if (sizes[i] && *sizes[i] > 0) language->addChild(BVSystemJunk::fileModel(kept[i], *sizes[i], knowledgeBase_, selected));
        if (language->size() == 0) continue;
        items.push_back(language);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
