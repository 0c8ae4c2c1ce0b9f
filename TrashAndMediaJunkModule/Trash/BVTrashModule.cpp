#include "TrashAndMediaJunkModule/Trash/BVTrashModule.h"

#include <unistd.h>

#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "TrashAndMediaJunkModule/Trash/BVMailTrashScanTask.h"
#include "TrashAndMediaJunkModule/Trash/BVMountedTrashesScanTask.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosItemModel.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosTrashCleanTasks.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosTrashScanTasks.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashesScanTask.h"

std::vector<BVScanTaskPtr> BVTrashScanTasks(const BVEnvironment& environment, BVPhotosPtr photos) {
    std::vector<BVScanTaskPtr> tasks{std::make_shared<BVTrashesScanTask>(environment.fileManager, environment.paths)};
    BVMountedTrashesScanTasksFactory mounted(environment.volumes, environment.paths, BVMountedTrashesScanTasksFactory::currentUserName(),
                                             ::getuid(), environment.fileManager);
    for (auto& t : mounted.tasks()) tasks.push_back(t);
    for (auto& t : BVMailTrashScanTasksFactory().tasks()) tasks.push_back(t);
    if (photos) {
        tasks.push_back(std::make_shared<BVPhotosTrashScanTask>(photos));
        tasks.push_back(std::make_shared<BVTwinaraTrashScanTask>(photos));
    }
    return tasks;
}

std::vector<BVCleanTaskPtr> BVTrashCleanTasks(const std::vector<BVEntityPtr>& entities, BVPhotosPtr photos) {
    std::vector<BVEntityPtr> files;
    std::vector<std::shared_ptr<BVPhotosItemModel>> trashed, album;
    for (const auto& e : entities) {
        auto photo = std::dynamic_pointer_cast<BVPhotosItemModel>(e);
        if (!photo) files.push_back(e);
        else if (photo->type() == BVPhotosItemTypeTwinaraAlbum) album.push_back(photo);
        else trashed.push_back(photo);
    }
    std::vector<BVCleanTaskPtr> tasks;
    if (!files.empty()) tasks.push_back(std::make_shared<BVModelCleanTask>(files));
    if (!trashed.empty()) tasks.push_back(std::make_shared<BVPhotosTrashCleanTask>(trashed, photos));
    if (!album.empty()) tasks.push_back(std::make_shared<BVTwinaraTrashCleanTask>(album, photos));
    return tasks;
}
