#include "OptimizationModule/BVOptimizationModule.h"

#include "OptimizationModule/BVLaunchAgentsScanTask.h"
#include "OptimizationModule/BVLoginItemsScanTasks.h"
#include "OptimizationModule/BVStartupKnowledgeBase.h"

namespace BVOptimizationModule {

BVStartupServicesPtr standardServices(const BVEnvironment& environment) {
    return BVStartupServices::standard(environment.paths, environment.fileManager);
}

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment) { return scanTasks(environment, standardServices(environment)); }

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const BVStartupServicesPtr& services) {
    return {BVLoginItemsScanTask::task(services, BVStartupKnowledgeBase(environment, BVScannerLoginItems),
                                       environment.defaults),
            BVLaunchAgentsScanTask::task(environment, services)};
}

}  // namespace BVOptimizationModule
