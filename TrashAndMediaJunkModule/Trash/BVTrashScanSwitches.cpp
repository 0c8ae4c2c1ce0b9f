#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"

#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

namespace BVTrashScanSwitches {

BVScanResultPtr earlyResult(const std::string& identifier, BVProgress& progress, const std::string& cannedName) {
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningJSONResults)) {
        auto canned = cannedName.empty() ? nullptr : brk_scanResultFromJSONIndentifier(cannedName);
        return canned ? canned : BVScanResult::emptyResultWithIdentifier(identifier);
    }
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningEmptyResults)) return BVScanResult::emptyResultWithIdentifier(identifier);
    progress.sleepThreadWhilePaused();
    if (progress.isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier);
    return nullptr;
}

}  // namespace BVTrashScanSwitches
