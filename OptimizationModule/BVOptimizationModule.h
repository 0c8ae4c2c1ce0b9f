// The optimization module's assembly (Smart Scan: speed): the login-items compound (login
// items, then, on the macos layout, the helpers applications register), then the launch agents
// and daemons. The services behind them are the layout's real ones unless a caller gives its own.
#pragma once

#include <vector>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVStartupServices.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

namespace BVOptimizationModule {
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment);
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const BVStartupServicesPtr& services);
// The real services of the environment's layout, paths and file system.
BVStartupServicesPtr standardServices(const BVEnvironment& environment);
}  // namespace BVOptimizationModule
