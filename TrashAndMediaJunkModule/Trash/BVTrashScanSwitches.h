// The start every trash scan shares: the debug switches' canned or empty result, then a wait
// while paused, and an empty result when cancelled. Safe from any thread.
#pragma once

#include "Foundation/BVProgress.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

namespace BVTrashScanSwitches {

// The result to answer before scanning, or null to go on. `cannedName` names the canned
// result file (the task's class name).
BVScanResultPtr earlyResult(const std::string& identifier, BVProgress& progress, const std::string& cannedName = {});

}  // namespace BVTrashScanSwitches
