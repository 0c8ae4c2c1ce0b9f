#include "Foundation/BVPrefsdManager.h"

#include <unistd.h>

#include "Foundation/BVLogger.h"

void BVSystemPrefsdManager::relaunchIfNeeded() {
    if (!needsRelaunch_.exchange(false)) return;
    BVTaskRequest request;
    request.executable = "/usr/bin/killall";
    request.arguments = {"-u", std::to_string(getuid()), "cfprefsd"};
    request.timeoutSeconds = 10;
    BVTaskOutcome outcome = runner_->run(request);
    if (!outcome.succeeded()) BVLogger::info("[system junk] the preferences daemon was not restarted: " + outcome.standardError);
}
