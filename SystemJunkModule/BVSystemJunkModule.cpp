#include "SystemJunkModule/BVSystemJunkModule.h"

#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "SystemJunkModule/BVCachesCompoundTask.h"
#include "SystemJunkModule/BVLogsScanTask.h"

namespace BVSystemJunkModule {

std::vector<BVScanTaskPtr> scanTasks() {
    return {BVUserLogsScanTask::task(), BVSystemLogsScanTask::task(), BVSystemCachesCompoundTask::task(),
            BVUserCachesCompoundTask::task()};
}

void registerCannedClasses() {
    BVCannedEntityRegistry::shared().registerClass("BVLogModel", &BVLogModel::fromJSONDictionary);
}

}  // namespace BVSystemJunkModule
