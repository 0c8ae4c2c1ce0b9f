#include "Foundation/QLAccessPermissions.h"

#include <map>
#include <mutex>

namespace {
std::mutex& permissionsMutex() {
    static std::mutex m;
    return m;
}
std::map<uint64_t, uint64_t>& overridden() {
    static std::map<uint64_t, uint64_t> m;
    return m;
}
}  // namespace

namespace QLAccessPermissions {
uint64_t authorizationStatusForPermissionType(uint64_t type) {
    std::lock_guard lock(permissionsMutex());
    auto it = overridden().find(type);
    return it == overridden().end() ? kGranted : it->second;
}
void setAuthorizationStatusForPermissionType(uint64_t type, uint64_t status) {
    std::lock_guard lock(permissionsMutex());
    overridden()[type] = status;
}
void reset() {
    std::lock_guard lock(permissionsMutex());
    overridden().clear();
}
}  // namespace QLAccessPermissions
