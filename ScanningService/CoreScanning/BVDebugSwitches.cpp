#include "ScanningService/CoreScanning/BVDebugSwitches.h"

#include "Foundation/BVUserDefaults.h"

namespace BVDebugSwitches {
bool isOn(const std::string& key) { return BVUserDefaults::standardUserDefaults()->boolForKey(key); }
}  // namespace BVDebugSwitches
