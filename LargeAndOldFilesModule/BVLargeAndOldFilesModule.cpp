#include "LargeAndOldFilesModule/BVLargeAndOldFilesModule.h"

#include "LargeAndOldFilesModule/BVLAOFFileModel.h"
#include "LargeAndOldFilesModule/BVLAOFScanTask.h"
#include "ScanningService/CoreScanning/BVCannedResults.h"

std::vector<BVScanTaskPtr> BVLargeAndOldFilesScanTasks() {
    BVCannedEntityRegistry::shared().registerClass(BVLAOFFileModel::kClassName, [](const BVValue& d) -> BVEntityPtr {
        return BVLAOFFileModel::brk_fromJSONDictionary(d);
    });
    return {std::make_shared<BVLAOFScanTask>()};
}
