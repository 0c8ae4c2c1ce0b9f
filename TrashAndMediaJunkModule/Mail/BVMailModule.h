// The Mail module's assembly: the one attachments task, on the macos layout (the mail store
// and its downloads folders); the linux layout has no mail application keeping such copies.
#pragma once

#include <vector>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVMailBox.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

namespace BVMailModule {
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, std::shared_ptr<BVMailInfo> mailInfo = nullptr);
}
