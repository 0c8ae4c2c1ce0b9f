#include "Foundation/BVEnvironment.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
std::atomic<int>& delaysDisabled() {
    static std::atomic<int> value{-1};  // -1: not decided, read the environment on first use
    return value;
}
}  // namespace

bool BVEnvironment::brkHumanFriendlyDelaysDisabled() {
    int v = delaysDisabled().load();
    if (v < 0) {
        const char* e = std::getenv("BRENVIK_HUMAN_FRIENDLY_DELAYS_DISABLED");
        v = (e && std::strcmp(e, "1") == 0) ? 1 : 0;
        delaysDisabled().store(v);
    }
    return v == 1;
}
void BVEnvironment::setBrkHumanFriendlyDelaysDisabled(bool disabled) { delaysDisabled().store(disabled ? 1 : 0); }
