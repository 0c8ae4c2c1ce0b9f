// BVTrashesScanTask: the user's own trashes: the user's trash, the cloud trash and the trash of
// every per-application cloud document folder ("Mobile Documents/*/Documents/.Trash"), those
// the layout has. The result is one group entity (value "/") holding every item found in them,
// each autoselected. `scan` runs on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

inline constexpr const char* BVTrashBinScanIdentifierTrashes = "BVTrashBinScanIdentifierTrashes";

class BVTrashesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVTrashesScanTask(BVFileManagerPtr fileManager, std::shared_ptr<const BVPaths> paths);

    std::string identifier() const override { return BVTrashBinScanIdentifierTrashes; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    // The trash folders in the order they are listed (existing or not).
    std::vector<std::string> trashFolders() const;

private:
    BVFileManagerPtr fileManager_;
    std::shared_ptr<const BVPaths> paths_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
