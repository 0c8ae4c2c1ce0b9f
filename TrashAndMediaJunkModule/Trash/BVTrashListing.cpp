#include "TrashAndMediaJunkModule/Trash/BVTrashListing.h"

#include "ScanningService/CoreScanning/Predicates/BVURLIterator.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashedFileModel.h"

namespace BVTrashListing {

std::vector<BVURLPtr> contentsOfTrashFolders(const std::vector<std::string>& folders, const BVFileManager& fileManager,
                                             const std::shared_ptr<BVComputableProgress>& progress) {
    std::vector<BVURLPtr> urls;
    for (const auto& folder : folders) {
        if (progress->isCancelled()) break;
        // A trash folder that is a link is not listed: its items would be removed through the
        // link, wherever it points.
        if (!fileManager.isDirectoryAtPath(folder)) continue;
        for (const auto& path : fileManager.contentsOfDirectoryAtURL(folder, progress, BVDirectoryEnumerationNone))
            urls.push_back(BVURL::fileURLWithPath(path));
    }
    return urls;
}

std::shared_ptr<BVFileURLSequenceModel> sequenceOfItems(const std::string& groupPath, const std::vector<BVURLPtr>& items,
                                                        const std::shared_ptr<BVComputableProgress>& progress) {
    auto group = std::make_shared<BVFileURLSequenceModel>(BVURL::fileURLWithPath(groupPath, true), uint64_t(0), true);
    BVURLIterator(progress).enumerate(items, [&](const BVURLPtr& url, uint64_t size) {
        group->addChild(BVTrashedFileModel::modelWithPath(url->path(), size, true,
                                                          BVTrashedFileModel::infoRecordPathForItem(url->path())));
    });
    return group;
}

}  // namespace BVTrashListing
