#include "TrashAndMediaJunkModule/Trash/BVTrashesScanTask.h"

#include "TrashAndMediaJunkModule/Trash/BVTrashListing.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"


BVTrashesScanTask::BVTrashesScanTask(BVFileManagerPtr fileManager, std::shared_ptr<const BVPaths> paths)
    : fileManager_(std::move(fileManager)), paths_(std::move(paths)) {}

std::vector<std::string> BVTrashesScanTask::trashFolders() const {
    std::vector<std::string> folders;
    if (auto t = paths_->systemTrash()) folders.push_back(*t);
    if (auto t = paths_->iCloudTrash()) folders.push_back(*t);
    if (auto documents = paths_->mobileDocuments()) {
        for (const auto& entry : fileManager_->contentsOfDirectoryAtURL(*documents, nullptr, BVDirectoryEnumerationNone)) {
            if (progress_->isCancelled()) break;
            std::string trash = entry + "/Documents/.Trash";
            if (fileManager_->isDirectoryAtPath(trash)) folders.push_back(trash);
        }
    }
    return folders;
}

BVScanResultPtr BVTrashesScanTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_)) return early;
    auto items = BVTrashListing::contentsOfTrashFolders(trashFolders(), *fileManager_, progress_);
    return BVScanResult::resultWithIdentifier(identifier(),
                                              std::vector<BVEntityPtr>{BVTrashListing::sequenceOfItems("/", items, progress_)});
}
