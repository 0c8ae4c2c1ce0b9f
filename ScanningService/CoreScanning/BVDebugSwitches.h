// The debug switches: boolean user defaults read at the moment of use, so a switch written
// while the engine runs takes effect at the next task.
#pragma once

#include <string>

inline constexpr const char* BVDebugModeFakeScanningEmptyResults = "DebugModeFakeScanningEmptyResults";
inline constexpr const char* BVDebugModeFakeScanningJSONResults = "DebugModeFakeScanningJSONResults";
inline constexpr const char* BVDebugModeFakeRemove = "DebugModeFakeRemove";
inline constexpr const char* BVDebugModeAllFailedRemove = "DebugModeAllFailedRemove";

class BVUserDefaults;

namespace BVDebugSwitches {
// Reads the switch from the given defaults (those of the run's environment).
bool isOn(const BVUserDefaults& defaults, const std::string& key);
// Reads it from the standard user defaults, for code handed none.
bool isOn(const std::string& key);
}
