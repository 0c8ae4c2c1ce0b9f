#include "SystemJunkModule/BVSystemJunkModule.h"

#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "SystemJunkModule/BVCachesCompoundTask.h"
#include "SystemJunkModule/BVLogsScanTask.h"
#include "SystemJunkModule/BVBrokenPreferences.h"
#include "SystemJunkModule/BVBrokenUpdatesScanTask.h"
#include "SystemJunkModule/BVBrokenStartupItemsScanTasks.h"
#include "SystemJunkModule/BVDocumentVersionsScanTask.h"
#include "SystemJunkModule/BVUnusedDiskImagesScanTask.h"
#include "SystemJunkModule/BVPhotoSyncCachesScanTask.h"
#include "SystemJunkModule/BVApplicationLanguagesScanTask.h"
#include "SystemJunkModule/BVSystemLanguagesScanTask.h"
#include "SystemJunkModule/BVXcodeJunkTask.h"

namespace BVSystemJunkModule {

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment) {
    return scanTasks(environment, BVStartupServices::standard(environment.paths, environment.fileManager));
}

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const BVStartupServicesPtr& services) {
    std::vector<BVScanTaskPtr> tasks;
    // Only the macos layout keeps document versions and photo-sync caches (see their tasks).
    if (environment.paths->layout() == BVLayout::macos) tasks.push_back(BVDocumentVersionsScanTask::task(environment));
    tasks.push_back(BVSystemLanguagesScanTask::task(environment));
    tasks.push_back(BVXcodeJunkTask::task(environment));
    tasks.push_back(BVBrokenStartupItemsScanTask::task(environment, services));
    tasks.push_back(BVUnusedDiskImagesScanTask::task(environment));
    if (environment.paths->layout() == BVLayout::macos) tasks.push_back(BVPhotoSyncCachesScanTask::task(environment));
    tasks.push_back(BVUserLogsScanTask::task(environment));
    tasks.push_back(BVSystemLogsScanTask::task(environment));
    tasks.push_back(std::make_shared<BVBrokenPreferencesScanTask>(environment, services));
    tasks.push_back(std::make_shared<BVBrokenApplicationsUpdatesScanTask>(
        environment, BVBrokenUpdateSources::standard(environment.paths, environment.fileManager, services->systemInfo)));
    tasks.push_back(BVApplicationLanguagesScanTask::task(environment));
    tasks.push_back(BVSystemCachesCompoundTask::task(environment));
    tasks.push_back(BVUserCachesCompoundTask::task(environment));
    return tasks;
}

void registerCannedClasses() {
    BVCannedEntityRegistry::shared().registerClass("BVLogModel", &BVLogModel::fromJSONDictionary);
}

}  // namespace BVSystemJunkModule
