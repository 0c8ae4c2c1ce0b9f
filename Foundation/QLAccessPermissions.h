// QLAccessPermissions: the status of the operating system's privacy permissions (calendars 0,
// reminders 1, contacts 2, photos 3). This host has no such permissions: every status is
// granted (2). Tests may set statuses. Safe from any thread.
#pragma once

#include <cstdint>

namespace QLAccessPermissions {
inline constexpr uint64_t kGranted = 2;
uint64_t authorizationStatusForPermissionType(uint64_t type);
void setAuthorizationStatusForPermissionType(uint64_t type, uint64_t status);
void reset();
}  // namespace QLAccessPermissions
