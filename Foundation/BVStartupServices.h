// BVStartupServices: the services that know what starts by itself, for one layout: the login
// items, the launch agents and daemons, the helper registrations (macos layout only), the
// installed applications, the preferences daemon and the task runner behind them. `standard`
// makes the real ones for the run's paths and file system; tests fill the fields with fakes.
// Immutable once made; each service is safe from any thread.
#pragma once

#include "Foundation/BVFileManager.h"
#include "Foundation/BVLaunchdManager.h"
#include "Foundation/BVLoginItemsManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVPrefsdManager.h"
#include "Foundation/BVServiceManagement.h"
#include "Foundation/BVSystemInfo.h"
#include "Foundation/BVTaskRunner.h"

struct BVStartupServices {
    BVLoginItemsManagerPtr loginItems;
    BVLaunchdManagerPtr launchd;
    BVServiceManagementPtr serviceManagement;  // none on the linux layout
    BVSystemInfoPtr systemInfo;
    BVPrefsdManagerPtr prefsd;
    BVTaskRunnerPtr taskRunner;

    static std::shared_ptr<const BVStartupServices> standard(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                             BVTaskRunnerPtr runner = BVTaskRunner::sharedRunner());
};

using BVStartupServicesPtr = std::shared_ptr<const BVStartupServices>;
