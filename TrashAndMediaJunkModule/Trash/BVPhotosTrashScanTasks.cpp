#include "TrashAndMediaJunkModule/Trash/BVPhotosTrashScanTasks.h"

#include "Foundation/QLFileSizer.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosItemModel.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"

const std::vector<std::string>& BVTwinaraAlbumNames() {
    static const std::vector<std::string> names = {
        "Twinara Duplicates",    "Doublons Twinara",  "Дублікати Twinara", "Twinara-duplicaten", "Twinara 重复项",
        "Duplicatas do Twinara", "Duplicati Twinara", "Duplicados Twinara", "Twinara Duplikate", "Дубликаты Twinara",
        "Twinara の重複項目",    "Duplikaty Twinara",
    };
    return names;
}

BVScanResultPtr BVPhotosLibraryScanTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_, cannedName())) return early;
    BVError error;
    if (!photos_ || !photos_->openLibraryWithTimeout(BVPhotosLibraryOpenTimeout, &error))
        return BVScanResult::emptyResultWithIdentifier(identifier());
    auto system = BVSystemVersion::current();
    std::vector<BVDictionary> photos;
    for (const auto& version : fetchVersions()) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        photos.push_back(BVPhotosVersionSerializer::serializePhotosVersion(version, *photos_, system));
    }
    progress_->addPendingUnitsCount(photos.size());
    std::vector<BVEntityPtr> models;
    bool selected = BVPhotosItemsAutoselected(system);
    for (const auto& photo : photos) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        std::string master = BVValue(photo)["masterPath"].stringValue();
        progress_->setPath(master);
        progress_->addSize(QLFileSizer::itemSizeAtPath(master));
        progress_->addUnitsCount(1);
        models.push_back(BVPhotosItemModel::modelWithPhoto(photo, itemType(), photos_->libraryURL(), selected));
    }
    photos_->closeLibrary();
    return BVScanResult::resultWithIdentifier(identifier(), models);
}

std::vector<BVPhotosVersion> BVPhotosTrashScanTask::fetchVersions() {
    auto versions = photos_->executeRequest(BVPhotosLibraryRequest::trashedModelsRequest()).versions;
    if (!BVPhotosUsesProxyFolderThumbnails(BVSystemVersion::current()))
        for (auto& v : versions) {
            if (progress_->isCancelled()) break;
            photos_->loadImageProxyState(v);
        }
    return versions;
}

BVPhotosPredicatePtr BVTwinaraTrashScanTask::albumPredicate() {
    std::vector<BVPhotosPredicatePtr> names;
    for (const auto& n : BVTwinaraAlbumNames()) names.push_back(BVPhotosPredicate::predicateWithProperty("name", BVValue(n)));
    return BVPhotosPredicate::andPredicate({BVPhotosPredicate::orPredicate(std::move(names)),
                                            BVPhotosPredicate::predicateWithProperty("isHidden", BVValue(false)),
                                            BVPhotosPredicate::predicateWithProperty("isInTrash", BVValue(false))});
}

std::vector<BVPhotosVersion> BVTwinaraTrashScanTask::fetchVersions() {
    std::vector<BVPhotosVersion> versions;
    for (const auto& album : photos_->executeRequest(BVPhotosLibraryRequest::albumsRequest(albumPredicate())).albums) {
        if (progress_->isCancelled()) break;
        versions.insert(versions.end(), album.versions.begin(), album.versions.end());
    }
    if (!BVPhotosUsesProxyFolderThumbnails(BVSystemVersion::current()))
        for (auto& v : versions) {
            if (progress_->isCancelled()) break;
            photos_->loadImageProxyState(v);
        }
    return versions;
}
