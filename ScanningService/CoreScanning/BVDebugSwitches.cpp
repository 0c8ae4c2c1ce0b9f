#include "ScanningService/CoreScanning/BVDebugSwitches.h"

#include "Foundation/BVUserDefaults.h"

namespace BVDebugSwitches {
bool isOn(const std::string& key) { return BVUserDefaults::standardUserDefaults()->boolForKey(key); }
bool isOn(const BVUserDefaults& defaults, const std::string& key) { return defaults.boolForKey(key); }
}  // namespace BVDebugSwitches
