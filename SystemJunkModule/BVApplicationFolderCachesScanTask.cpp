#include "SystemJunkModule/BVApplicationFolderCachesScanTask.h"

#include <regex>

#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "SystemJunkModule/BVCachesContext.h"

namespace {

using Grouping = BVApplicationCachePlace::Grouping;

// The folders between an application's folder and its caches: a browser's profiles, and the
// service-worker folder that holds two of them.
bool isFolderAboveCaches(const std::string& name) {
    static const std::regex profile("Default|Profile [0-9]+|Guest Profile|System Profile|Service Worker");
    return std::regex_match(name, profile);
}

std::vector<std::string> components(const std::string& relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        if (slash > start) parts.push_back(relative.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

}  // namespace

BVApplicationFolderCachesScanTask::BVApplicationFolderCachesScanTask(std::shared_ptr<const BVPaths> paths,
                                                                     BVFileManagerPtr fileManager,
                                                                     BVJunkKnowledgeBasePtr knowledgeBase,
                                                                     std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : paths_(std::move(paths)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      performer_(std::move(performer)) {}

std::shared_ptr<BVApplicationFolderCachesScanTask> BVApplicationFolderCachesScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVApplicationFolderCachesScanTask>(
        environment.paths, environment.fileManager, BVEnvironmentServices::knowledgeBase(environment, BVScannerUserCaches),
        environment.performer);
}

const std::vector<BVApplicationCachePlace>& BVApplicationFolderCachesScanTask::places(BVLayout layout) {
    // Deep enough for "vendor/application/profile/Service Worker/CacheStorage".
    static const std::vector<BVApplicationCachePlace> linux{
        {".config", 5, Grouping::ApplicationFolder, nullptr},
        // A flatpak application's own configuration folder; grouped by the application's
        // identifier, as the caches of its sandbox are.
        {".var/app", 6, Grouping::FirstFolder, nullptr},
        {"snap", 3, Grouping::FirstFolder, nullptr},
        {".local/share/Steam", 2, Grouping::Fixed, "Steam"},
        {".java/deployment", 1, Grouping::Fixed, "java"},
        {".adobe/Flash_Player", 1, Grouping::Fixed, "Flash Player"},
        {".thumbnails", 0, Grouping::Fixed, "thumbnails"},
    };
    static const std::vector<BVApplicationCachePlace> macos{
        {"Library/Application Support", 5, Grouping::ApplicationFolder, nullptr},
    };
    return layout == BVLayout::linux ? linux : macos;
}

std::string BVApplicationFolderCachesScanTask::groupIdentifier(const BVApplicationCachePlace& where, const std::string& place,
                                                               const std::string& cache) {
    if (where.grouping == Grouping::Fixed) return where.group;
    auto parts = components(cache.size() > place.size() ? cache.substr(place.size()) : std::string());
    if (where.grouping == Grouping::FirstFolder) return parts.empty() ? BVFileIO::lastPathComponent(place) : parts.front();
    // The cache's own name, then the profile and service-worker folders, are not the application.
    if (!parts.empty()) parts.pop_back();
    while (!parts.empty() && isFolderAboveCaches(parts.back())) parts.pop_back();
    return parts.empty() ? BVFileIO::lastPathComponent(place) : parts.back();
}

BVScanResultPtr BVApplicationFolderCachesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVApplicationFolderCachesScanTask", identifier())) return canned;
    const auto& where = places(paths_->layout());
    progress_->addPendingUnitsCount(where.size());

    std::vector<std::shared_ptr<BVCacheGroupModel>> groups;
    for (const auto& place : where) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        std::string folder = BVFileIO::appendPathComponent(paths_->home(), place.subpath);
        for (const auto& cache : cacheFolders(place, folder)) {
            auto contents = cacheContents(cache);
            if (!contents) continue;
            std::string name = groupIdentifier(place, folder, cache);
            std::shared_ptr<BVCacheGroupModel> group;
            for (const auto& candidate : groups)
                if (candidate->identifier() == name) group = candidate;
            if (!group) {
                group = std::make_shared<BVCacheGroupModel>(name);
                groups.push_back(group);
            }
            group->addChild(contents);
        }
        progress_->addUnitsCount(1);
    }
    std::vector<BVEntityPtr> items(groups.begin(), groups.end());
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

std::vector<std::string> BVApplicationFolderCachesScanTask::cacheFolders(const BVApplicationCachePlace& where,
                                                                         const std::string& place) {
    std::vector<std::string> caches;
    if (!fileManager_->isDirectoryAtPath(place)) return caches;
    if (where.depth == 0) {
        if (knowledgeBase_->shouldPerformDeepSearchForItem(place)) caches.push_back(place);
        return caches;
    }
    // Breadth first, level by level: a cache is not searched further, nor is anything the
    // user put on the ignore list.
    auto ignore = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);
    std::vector<std::string> level{place};
    for (unsigned depth = 1; depth <= where.depth && !level.empty(); ++depth) {
        std::vector<std::string> next;
        for (const auto& folder : level) {
            progress_->sleepThreadWhilePaused();
            if (progress_->isCancelled()) return {};
            for (const auto& child : BVSystemJunk::searchedFolderContents(*fileManager_, folder, progress_)) {
                if (!fileManager_->isDirectoryAtPath(child) || ignore->shouldIgnoreObject(child)) continue;
                if (knowledgeBase_->shouldPerformDeepSearchForItem(child))
                    caches.push_back(child);
                else
                    next.push_back(child);
            }
        }
        level = std::move(next);
    }
    return caches;
}

BVEntityPtr BVApplicationFolderCachesScanTask::cacheContents(const std::string& cache) {
    auto filter = BVCompoundPredicate::orPredicateWithSubpredicates(
        {BVFileNamePredicate::dsStoreFileNamePredicate(), std::make_shared<BVFileIgnorePredicate>(knowledgeBase_)});
    if (filter->shouldIgnoreObject(cache)) return nullptr;
    return BVSystemJunk::folderContentsModel(*fileManager_, cache, filter, knowledgeBase_, performer_, progress_);
}
