#include "TrashAndMediaJunkModule/Trash/BVMountedTrashesScanTask.h"

#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include "TrashAndMediaJunkModule/Trash/BVTrashListing.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"

namespace {

bool beginsWith(const std::string& path, const std::string& prefix, bool ignoringCase) {
    if (path.size() <= prefix.size()) return false;  // the folder itself is not a volume of it
    return ignoringCase ? ::strncasecmp(path.c_str(), prefix.c_str(), prefix.size()) == 0
                        : path.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

BVMountedTrashesScanTask::BVMountedTrashesScanTask(std::string volumeURL, BVFileManagerPtr fileManager, BVLayout layout,
                                                   uid_t uid)
    : volumeURL_(std::move(volumeURL)), fileManager_(std::move(fileManager)), layout_(layout), uid_(uid) {}

std::string BVMountedTrashesScanTask::trashFolder() const {
    if (layout_ == BVLayout::macos) return volumeURL_ + "/.Trashes/" + std::to_string(uid_);
    return volumeURL_ + "/.Trash-" + std::to_string(uid_) + "/files";
}

BVScanResultPtr BVMountedTrashesScanTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_)) return early;
    auto items = BVTrashListing::contentsOfTrashFolders({trashFolder()}, *fileManager_, progress_);
    return BVScanResult::resultWithIdentifier(
        identifier(), std::vector<BVEntityPtr>{BVTrashListing::sequenceOfItems(volumeURL_, items, progress_)});
}

std::string BVMountedTrashesScanTasksFactory::currentUserName() {
    if (const passwd* pw = ::getpwuid(::getuid())) return pw->pw_name;
    return {};
}

BVMountedTrashesScanTasksFactory::BVMountedTrashesScanTasksFactory(std::shared_ptr<BVMountedVolumes> volumes,
                                                                   std::shared_ptr<const BVPaths> paths,
                                                                   std::string userName, uid_t uid,
                                                                   BVFileManagerPtr fileManager)
    : volumes_(std::move(volumes)),
      paths_(std::move(paths)),
      userName_(std::move(userName)),
      uid_(uid),
      fileManager_(fileManager ? std::move(fileManager) : BVFileManager::defaultManager()) {}

bool BVMountedTrashesScanTasksFactory::isCleanableVolume(const BVVolume& v) const {
    if (v.isHidden || !v.isBrowsable || !v.isLocal || v.isReadOnly) return false;
    if (paths_->layout() == BVLayout::macos) return beginsWith(v.path, paths_->systemPath("/Volumes") + "/", true);
    if (userName_.empty()) return false;
    return beginsWith(v.path, paths_->systemPath("/media/" + userName_) + "/", false) ||
           beginsWith(v.path, paths_->systemPath("/run/media/" + userName_) + "/", false);
}

std::vector<BVScanTaskPtr> BVMountedTrashesScanTasksFactory::tasks() const {
    std::vector<BVScanTaskPtr> tasks;
    for (const auto& v : volumes_->mountedVolumes())
        if (isCleanableVolume(v))
            tasks.push_back(std::make_shared<BVMountedTrashesScanTask>(v.path, fileManager_, paths_->layout(), uid_));
    return tasks;
}
