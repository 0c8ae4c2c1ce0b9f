// The System Junk module's assembly: its scan tasks in the order they run and report, and the
// canned entity classes its debug results may hold. The tasks of later system junk scanners
// are inserted at their places in this order: broken application updates, document versions,
// system languages, developer junk, broken startup items, unused disk images, user logs,
// system logs, broken preferences, application languages, system caches, user caches.
#pragma once

#include <vector>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVStartupServices.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

namespace BVSystemJunkModule {
// Fresh tasks for one scan, on the environment's paths, file system and knowledge base.
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment);
// The same with the given start-up services (the layout's real ones above).
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const BVStartupServicesPtr& services);
// Registers the canned entity classes (once is enough; again is harmless).
void registerCannedClasses();
}  // namespace BVSystemJunkModule
