#include "LargeAndOldFilesModule/BVLargeAndOldFilesModule.h"

#include "LargeAndOldFilesModule/BVLAOFFileModel.h"
#include "LargeAndOldFilesModule/BVLAOFScanTask.h"
#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"

std::vector<BVScanTaskPtr> BVLargeAndOldFilesScanTasks(const BVEnvironment& environment) {
    BVCannedEntityRegistry::shared().registerClass(BVLAOFFileModel::kClassName, [](const BVValue& d) -> BVEntityPtr {
        return BVLAOFFileModel::brk_fromJSONDictionary(d);
    });
    return {std::make_shared<BVLAOFScanTask>(BVEnvironmentServices::knowledgeBase(environment, BVScannerLargeAndOldFiles),
                                             environment.paths, environment.defaults)};
}
