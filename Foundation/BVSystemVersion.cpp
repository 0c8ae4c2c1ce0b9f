#include "Foundation/BVSystemVersion.h"

#include <mutex>
#include <optional>

namespace {
std::mutex& versionMutex() {
    static std::mutex m;
    return m;
}
std::optional<BVSystemVersion>& overridden() {
    static std::optional<BVSystemVersion> v;
    return v;
}
}  // namespace

BVSystemVersion BVSystemVersion::current() {
    std::lock_guard lock(versionMutex());
    return overridden().value_or(BVSystemVersion{});
}

void BVSystemVersion::setCurrent(const BVSystemVersion& version) {
    std::lock_guard lock(versionMutex());
    overridden() = version;
}

void BVSystemVersion::resetCurrent() {
    std::lock_guard lock(versionMutex());
    overridden().reset();
}
