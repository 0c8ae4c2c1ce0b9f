#include "App/BVKnownDefaults.h"

#include "LargeAndOldFilesModule/BVLAOFScanTask.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

const std::vector<BVKnownDefault>& BVKnownDefaults() {
    static const std::vector<BVKnownDefault> known = {
        {BVDebugModeFakeScanningEmptyResults, BVDefaultKind::Boolean, "scans find nothing (a debugging switch)"},
        {BVDebugModeFakeScanningJSONResults, BVDefaultKind::Boolean, "scans answer canned results (a debugging switch)"},
        {BVDebugModeFakeRemove, BVDefaultKind::Boolean, "removals are reported but nothing is removed (a debugging switch)"},
        {BVDebugModeAllFailedRemove, BVDefaultKind::Boolean, "every removal fails (a debugging switch)"},
        {BVLAOFRemoveMethodDefaultsKey, BVDefaultKind::Integer, "how large files are removed: 0 at once, 1 overwritten first"},
        {"Migrated settings from BRK3", BVDefaultKind::Boolean, "the previous generation's ignore list was brought over"},
        {"Always Migrate settings from BRK3", BVDefaultKind::Boolean, "bring the previous generation's ignore list over at every start"},
    };
    return known;
}

const BVKnownDefault* BVKnownDefaultNamed(const std::string& key) {
    for (const auto& known : BVKnownDefaults())
        if (known.key == key) return &known;
    return nullptr;
}

std::string BVDefaultKindName(BVDefaultKind kind) {
    switch (kind) {
    case BVDefaultKind::Boolean: return "bool";
    case BVDefaultKind::Integer: return "int";
    case BVDefaultKind::Text: return "string";
    }
    return "string";
}
