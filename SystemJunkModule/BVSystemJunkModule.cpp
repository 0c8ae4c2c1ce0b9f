#include "SystemJunkModule/BVSystemJunkModule.h"

#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "SystemJunkModule/BVCachesCompoundTask.h"
#include "SystemJunkModule/BVLogsScanTask.h"
#include "SystemJunkModule/BVBrokenPreferences.h"
#include "SystemJunkModule/BVBrokenStartupItemsScanTasks.h"

namespace BVSystemJunkModule {

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment) {
    return scanTasks(environment, BVStartupServices::standard(environment.paths, environment.fileManager));
}

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const BVStartupServicesPtr& services) {
    std::vector<BVScanTaskPtr> tasks;
    tasks.push_back(BVBrokenStartupItemsScanTask::task(environment, services));
    tasks.push_back(BVUserLogsScanTask::task(environment));
    tasks.push_back(BVSystemLogsScanTask::task(environment));
    tasks.push_back(std::make_shared<BVBrokenPreferencesScanTask>(environment, services));
    tasks.push_back(BVSystemCachesCompoundTask::task(environment));
    tasks.push_back(BVUserCachesCompoundTask::task(environment));
    return tasks;
}

void registerCannedClasses() {
    BVCannedEntityRegistry::shared().registerClass("BVLogModel", &BVLogModel::fromJSONDictionary);
}

}  // namespace BVSystemJunkModule
