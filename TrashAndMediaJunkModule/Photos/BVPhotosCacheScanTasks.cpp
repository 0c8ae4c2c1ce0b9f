#include "TrashAndMediaJunkModule/Photos/BVPhotosCacheScanTasks.h"

#include <set>

#include "Foundation/BVASCIICase.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVSystemVersion.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVCompoundScanTask.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosCacheModel.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"

namespace {

constexpr double kLibraryOpenTimeout = 60;

std::shared_ptr<BVPhotosCacheModel> cacheModel(const std::string& key, const std::string& libraryURL,
                                               const BVPhotosKnowledgeBasePtr& knowledgeBase) {
    auto model = std::make_shared<BVPhotosCacheModel>(key, libraryURL);
    BVBaseIgnoreStrategy::attach(model, knowledgeBase, key);
    return model;
}

void addFile(BVPhotosCacheModel& model, const std::string& path, uint64_t size, const BVPhotosKnowledgeBasePtr& knowledgeBase) {
    auto file = BVFileModel::modelWithPath(path, size, true);
    BVBaseIgnoreStrategy::attach(file, knowledgeBase, path);
    model.addChild(file);
}

// The legacy task under the compound's identifier, keeping its error: a library that does not
// open is reported on the task, not shown as an empty cache.
class LegacyCompound final : public BVScanTask, public BVProgressReporting {
public:
    explicit LegacyCompound(std::shared_ptr<BVPhotosCacheLegacyScanTask> task) : task_(std::move(task)) {}
    std::string identifier() const override { return BVPhotosScanIdentifierCacheCompound; }
    BVProgressPtr progress() const override { return task_->progress(); }
    BVScanResultPtr scan() override {
        auto result = task_->scan();
        if (result->error()) return BVScanResult::resultWithIdentifier(identifier(), *result->error());
        return BVScanResult::resultWithIdentifier(identifier(), result->items().value_or(std::vector<BVEntityPtr>{}));
    }

private:
    std::shared_ptr<BVPhotosCacheLegacyScanTask> task_;
};

}  // namespace

BVPhotosFolderCacheScanTask::BVPhotosFolderCacheScanTask(std::string libraryURL, BVFileManagerPtr fileManager,
                                                         BVPhotosKnowledgeBasePtr knowledgeBase)
    : libraryURL_(std::move(libraryURL)), fileManager_(std::move(fileManager)), knowledgeBase_(std::move(knowledgeBase)) {}

// Every file below `folder` that the task keeps, with its allocated size. Each folder is opened
// once and its entries measured in it; a link is listed as itself and never entered (what it
// points to may be anything outside the library), and neither is another mount.
void BVPhotosFolderCacheScanTask::collect(const std::string& folder, std::vector<std::pair<std::string, uint64_t>>& files) const {
    auto handle = fileManager_->openFolder(folder, std::nullopt, nullptr);
    std::vector<std::string> names;
    if (!handle || !handle->childNames(names, nullptr)) return;
    progress_->setPath(folder);
    uint64_t kept = 0, bytes = 0;
    for (const auto& name : names) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) return;
        auto identity = handle->childIdentity(name, nullptr);
        if (!identity) continue;
        std::string path = handle->childPath(name);
        if (identity->isDirectory()) {
            if (!identity->isOtherMountThan(handle->identity())) collect(path, files);
            continue;
        }
        if (!keeps(path) || knowledgeBase_->isIgnoreItem(path)) continue;
        files.emplace_back(path, identity->allocatedBytes);
        ++kept;
        bytes += identity->allocatedBytes;
    }
    // One report per folder: a report per file would cost more than the walk.
    progress_->addPendingUnitsCount(kept);
    progress_->addUnitsCount(kept);
    progress_->addSize(bytes);
}

BVScanResultPtr BVPhotosFolderCacheScanTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_)) return early;
    if (knowledgeBase_->isIgnoreItem(key())) return BVScanResult::emptyResultWithIdentifier(identifier());
    std::vector<std::pair<std::string, uint64_t>> files;
    for (const auto& folder : folders()) collect(libraryURL_ + "/" + folder, files);
    auto model = cacheModel(key(), libraryURL_, knowledgeBase_);
    for (const auto& [path, size] : files) addFile(*model, path, size, knowledgeBase_);
    return BVScanResult::resultWithIdentifier(identifier(), {model});
}

std::string BVPhotosCacheScanTask::key() const { return BVPhotosCacheKeyPhotos; }

bool BVPhotosCacheScanTask::keeps(const std::string& path) const { return BVASCIILowercase(BVFileIO::pathExtension(path)) != "mov"; }

std::string BVPhotosFacesCacheScanTask::key() const { return BVPhotosCacheKeyFaces; }

BVPhotosCacheLegacyScanTask::BVPhotosCacheLegacyScanTask(BVPhotosPtr photos, BVFileManagerPtr fileManager,
                                                         BVPhotosKnowledgeBasePtr knowledgeBase)
    : photos_(std::move(photos)), fileManager_(std::move(fileManager)), knowledgeBase_(std::move(knowledgeBase)) {}

BVPhotosPredicatePtr BVPhotosCacheLegacyScanTask::facesPredicate() {
    return BVPhotosPredicate::andPredicate(
        {BVPhotosPredicate::predicateWithProperty("attachedModelType", BVValue(int64_t(5))),
         BVPhotosPredicate::orPredicate({BVPhotosPredicate::predicateWithProperty("resourceTag", BVValue("UNADJUSTEDRAW")),
                                         BVPhotosPredicate::predicateWithProperty("resourceTag", BVValue("UNADJUSTEDNONRAW"))})});
}

BVPhotosPredicatePtr BVPhotosCacheLegacyScanTask::versionsPredicate() {
    return BVPhotosPredicate::predicateWithProperty("resourceType", BVValue(int64_t(4)));
}

BVPhotosPredicatePtr BVPhotosCacheLegacyScanTask::mastersPredicate() {
    return BVPhotosPredicate::predicateWithProperty("resourceType", BVValue(int64_t(5)));
}

BVScanResultPtr BVPhotosCacheLegacyScanTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_)) return early;
    BVError error;
    if (!photos_->openLibraryWithTimeout(kLibraryOpenTimeout, &error)) return BVScanResult::resultWithIdentifier(identifier(), error);

    auto faces = cacheModel(BVPhotosCacheKeyFaces, photos_->libraryURL(), knowledgeBase_);
    auto cache = cacheModel(photos_->hasCloudResources() ? BVPhotosCacheKeyCloud : BVPhotosCacheKeyPhotos, photos_->libraryURL(),
                            knowledgeBase_);
    std::vector<std::pair<std::shared_ptr<BVPhotosCacheModel>, BVPhotosResource>> resources;
    if (!knowledgeBase_->isIgnoreItem(faces->key()))
        for (auto& r : photos_->modelResources(facesPredicate())) resources.emplace_back(faces, std::move(r));
    if (!knowledgeBase_->isIgnoreItem(cache->key()))
        for (const auto& predicate : {versionsPredicate(), mastersPredicate()})
            for (auto& r : photos_->modelResources(predicate)) resources.emplace_back(cache, std::move(r));

    progress_->addPendingUnitsCount(resources.size());
    // A file the requests answer twice (a face crop that is also a master) is offered once, in
    // the first cache that has it: listed twice it would count twice and be removed twice.
    std::set<std::string> seen;
    for (const auto& [model, resource] : resources) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        BVError failure;
        auto path = photos_->fileURLForResource(resource, 0, &failure);
        if (!path) {
            BVLogger::error("Cannot obtain URL for resource: " + resource.identifier + "; Error: " + failure.localizedDescription());
            continue;
        }
        if (knowledgeBase_->isIgnoreItem(*path) || !seen.insert(*path).second) continue;
        uint64_t size = fileManager_->itemSizeAtPath(*path, 1);
        progress_->setPath(*path);
        progress_->addSize(size);
        addFile(*model, *path, size, knowledgeBase_);
    }
    photos_->closeLibrary();
    return BVScanResult::resultWithIdentifier(identifier(), {faces, cache});
}

namespace BVPhotosCompoundScanTask {

BVScanTaskPtr make(const std::string& libraryURL, BVFileManagerPtr fileManager, BVPhotosKnowledgeBasePtr knowledgeBase,
                   BVPhotosPtr photos) {
    if (BVSystemVersion::current().majorVersion < 12) {
        if (!photos) return nullptr;
        return std::make_shared<LegacyCompound>(std::make_shared<BVPhotosCacheLegacyScanTask>(photos, fileManager, knowledgeBase));
    }
    return std::make_shared<BVCompoundScanTask>(
        BVPhotosScanIdentifierCacheCompound,
        std::vector<BVScanTaskPtr>{std::make_shared<BVPhotosFacesCacheScanTask>(libraryURL, fileManager, knowledgeBase),
                                   std::make_shared<BVPhotosCacheScanTask>(libraryURL, fileManager, knowledgeBase)});
}

BVScanTaskPtr makeInOpenedLibrary(const std::string& libraryURL, BVFileManagerPtr fileManager,
                                  BVPhotosKnowledgeBasePtr knowledgeBase, BVPhotosPtr photos) {
    return std::make_shared<BVPhotosLibraryCompoundScanTask>(
        BVPhotosScanIdentifierCacheCompound,
        std::vector<BVScanTaskPtr>{std::make_shared<BVPhotosFacesCacheScanTask>(libraryURL, fileManager, knowledgeBase),
                                   std::make_shared<BVPhotosCacheScanTask>(libraryURL, fileManager, knowledgeBase)},
        std::move(photos));
}

}  // namespace BVPhotosCompoundScanTask
