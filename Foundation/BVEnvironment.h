// BVEnvironment: process-wide switches of the running environment. The command line turns the
// human-friendly delays off (`brkHumanFriendlyDelaysDisabled`) so that minimum durations meant
// for a watching user do not slow scripted runs; the environment variable
// "BRENVIK_HUMAN_FRIENDLY_DELAYS_DISABLED=1" does the same for any caller. Safe from any thread.
#pragma once

namespace BVEnvironment {
bool brkHumanFriendlyDelaysDisabled();
void setBrkHumanFriendlyDelaysDisabled(bool disabled);
}  // namespace BVEnvironment
