// BVMountedTrashesScanTask: the user's trash on one mounted volume: ".Trashes/UID" on the macos
// layout, ".Trash-UID/files" (the freedesktop per-volume trash) on the linux layout. The result
// is one group entity whose value is the volume, holding every item of that trash
// (autoselected). BVMountedTrashesScanTasksFactory makes one task per cleanable volume: a
// volume that is browsable, local and writable, mounted where the layout mounts removable
// volumes ("/Volumes/" on macos, compared ignoring case; "/media/USER/" and "/run/media/USER/"
// on linux, under the root prefix). `scan` runs on one scan-queue thread; the factory may be
// used from any thread.
#pragma once

#include <sys/types.h>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVMountedVolumes.h"
#include "Foundation/BVPaths.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

inline constexpr const char* BVTrashBinScanIdentifierMounted = "BVTrashBinScanIdentifierMounted";

class BVMountedTrashesScanTask : public BVScanTask, public BVProgressReporting {
public:
    // The default file manager, the shared paths' layout and this process's user.
    BVMountedTrashesScanTask(std::string volumeURL, BVFileManagerPtr fileManager, BVLayout layout, uid_t uid);

    const std::string& volumeURL() const { return volumeURL_; }
    std::string identifier() const override { return BVTrashBinScanIdentifierMounted; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;
    std::string trashFolder() const;

private:
    std::string volumeURL_;
    BVFileManagerPtr fileManager_;
    BVLayout layout_;
    uid_t uid_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

class BVMountedTrashesScanTasksFactory {
public:
    BVMountedTrashesScanTasksFactory(std::shared_ptr<BVMountedVolumes> volumes, std::shared_ptr<const BVPaths> paths,
                                     std::string userName, uid_t uid, BVFileManagerPtr fileManager = nullptr);

    // The name of the user this process runs as (the volume folders are named after it).
    static std::string currentUserName();
    bool isCleanableVolume(const BVVolume& volume) const;
    std::vector<BVScanTaskPtr> tasks() const;

private:
    std::shared_ptr<BVMountedVolumes> volumes_;
    std::shared_ptr<const BVPaths> paths_;
    std::string userName_;
    uid_t uid_;
    BVFileManagerPtr fileManager_;
};
