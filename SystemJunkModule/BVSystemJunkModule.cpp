#include "SystemJunkModule/BVSystemJunkModule.h"

#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "SystemJunkModule/BVCachesCompoundTask.h"
#include "SystemJunkModule/BVLogsScanTask.h"

namespace BVSystemJunkModule {

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment) {
    return {BVUserLogsScanTask::task(environment), BVSystemLogsScanTask::task(environment),
            BVSystemCachesCompoundTask::task(environment), BVUserCachesCompoundTask::task(environment)};
}

void registerCannedClasses() {
    BVCannedEntityRegistry::shared().registerClass("BVLogModel", &BVLogModel::fromJSONDictionary);
}

}  // namespace BVSystemJunkModule
