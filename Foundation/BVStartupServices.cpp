#include "Foundation/BVStartupServices.h"

#include "Foundation/BVLaunchctlLaunchdManager.h"
#include "Foundation/BVMacLoginItemsManager.h"
#include "Foundation/BVSystemdLaunchdManager.h"
#include "Foundation/BVXDGAutostartManager.h"

std::shared_ptr<const BVStartupServices> BVStartupServices::standard(std::shared_ptr<const BVPaths> paths,
                                                                     BVFileManagerPtr fileManager, BVTaskRunnerPtr runner) {
    auto services = std::make_shared<BVStartupServices>();
    services->taskRunner = runner;
    services->systemInfo = std::make_shared<BVBundleSystemInfo>(paths, fileManager);
    services->prefsd = std::make_shared<BVSystemPrefsdManager>(paths->layout(), runner);
    if (paths->layout() == BVLayout::linux) {
        services->loginItems = std::make_shared<BVXDGAutostartManager>(paths, fileManager, BVXDGAutostartManager::hostOptions());
        services->launchd = std::make_shared<BVSystemdLaunchdManager>(paths, fileManager, runner);
    } else {
        services->loginItems = std::make_shared<BVMacLoginItemsManager>(paths, runner);
        services->launchd = std::make_shared<BVLaunchctlLaunchdManager>(paths, fileManager, runner);
        services->serviceManagement = std::make_shared<BVLaunchctlServiceManagement>(runner);
    }
    return services;
}
