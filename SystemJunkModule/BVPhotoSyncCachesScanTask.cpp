#include "SystemJunkModule/BVPhotoSyncCachesScanTask.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "Foundation/BVDirectoryWalker.h"
#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/BVIgnoreStrategyType.h"

namespace {

constexpr unsigned kImageFolders = 50;  // "F00" to "F49"

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// A folder where a cache was found, and which kind.
struct Candidate {
    std::string folder;
    bool library = false;  // a photo library's "iPod Photo Cache"; else a bare cache's image folders
};

}  // namespace

BVPhotoSyncCachesScanTask::BVPhotoSyncCachesScanTask(BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                                                     std::optional<std::string> picturesURL,
                                                     std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      picturesURL_(std::move(picturesURL)),
      performer_(std::move(performer)) {}

std::shared_ptr<BVPhotoSyncCachesScanTask> BVPhotoSyncCachesScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVPhotoSyncCachesScanTask>(environment.fileManager,
                                                       BVEnvironmentServices::knowledgeBase(environment, BVScannerPhotoSyncCaches),
                                                       environment.paths->picturesURL(), environment.performer);
}

bool BVPhotoSyncCachesScanTask::isPhotoLibraryExtension(const std::string& extension) {
    for (const char* known : {"photoslibrary", "photolibrary", "migratedphotolibrary", "aplibrary", "migratedaplibrary"})
        if (extension == known) return true;
    return false;
}

BVScanResultPtr BVPhotoSyncCachesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVPhotoSyncCachesScanTask", identifier())) return canned;
    if (!picturesURL_ || !fileManager_->isDirectoryAtPath(*picturesURL_)) return BVScanResult::emptyResultWithIdentifier(identifier());
    const std::string& pictures = *picturesURL_;
    progress_->addPendingUnitsCount(
        fileManager_->contentsOfDirectoryAtURL(pictures, nullptr, BVDirectoryEnumerationSkipsHiddenFiles).size());

    std::mutex mutex;
    std::vector<Candidate> candidates;
    BVDirectoryWalker walker(1);
    walker.setTypesOnly(true);
    walker.walk(
        pictures,
        [&](unsigned, const BVWalkEntry& entry) {
            progress_->sleepThreadWhilePaused();
            if (entry.name[0] == '.') return false;
            std::string path = entry.path();
            if (entry.folder == pictures) {
                progress_->addUnitsCount(1);
                progress_->setPath(path);
            }
            if (!entry.isDirectory()) return false;
            std::string extension = lowercased(BVFileIO::pathExtension(entry.name));
            bool package = !extension.empty();
            if (package && isPhotoLibraryExtension(extension) && fileManager_->isDirectoryAtPath(path + "/iPod Photo Cache")) {
                std::lock_guard lock(mutex);
                candidates.push_back({path, true});
                return false;
            }
            if (!package && fileManager_->fileExistsAtPath(path + "/Photo Database")) {
                std::lock_guard lock(mutex);
                candidates.push_back({path, false});
                return false;
            }
            return !package;
        },
        [&] { return progress_->isCancelled(); });
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) { return a.folder < b.folder; });

    std::vector<BVEntityPtr> items;
    for (const auto& candidate : candidates) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        std::vector<std::string> folders;
        if (candidate.library) {
            folders.push_back(candidate.folder + "/iPod Photo Cache");
        } else {
            for (unsigned i = 0; i < kImageFolders; ++i) {
                char name[8];
                std::snprintf(name, sizeof name, "F%02u", i);
                std::string folder = candidate.folder + "/" + name;
                if (fileManager_->isDirectoryAtPath(folder)) folders.push_back(folder);
            }
        }
        std::erase_if(folders, [&](const std::string& folder) { return knowledgeBase_->isIgnoreItem(folder); });
        if (folders.empty()) continue;
        auto sizes = BVSystemJunk::itemSizes(*fileManager_, folders, performer_, progress_, false);
        std::vector<std::shared_ptr<BVFileModel>> models;
        for (size_t i = 0; i < folders.size(); ++i)
            if (sizes[i] && *sizes[i] > 0) models.push_back(BVSystemJunk::fileModel(folders[i], *sizes[i], knowledgeBase_, false));
        if (models.empty()) continue;
        if (candidate.library) {
            models[0]->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, candidate.folder));
            items.push_back(models[0]);
            continue;
        }
        // Named by the cache's folder, which stays: only its image folders go.
        auto sequence = BVFileURLSequenceModel::sequenceWithPath(candidate.folder, false);
        sequence->setIgnoreStrategy(std::make_shared<BVTreeIgnoreStrategy>(sequence));
        sequence->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, candidate.folder));
        for (const auto& model : models) sequence->addChild(model);
        items.push_back(sequence);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
