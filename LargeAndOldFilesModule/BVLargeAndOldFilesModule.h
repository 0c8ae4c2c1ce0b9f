// The Large & Old Files module's assembly: its one scan task, and the canned entity class its
// debug results use. Called by the shell's module registration; safe to call more than once.
#pragma once

#include <vector>

#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

std::vector<BVScanTaskPtr> BVLargeAndOldFilesScanTasks(const BVEnvironment& environment);
