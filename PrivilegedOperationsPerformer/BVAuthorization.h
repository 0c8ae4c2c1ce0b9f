// BVAuthorization: the platform authorisation the performer asks for administrator rights
// through. It answers the platform's status codes: 0 success, -60006 the user cancelled the
// dialog, -60005 denied, -60008 an internal failure, -60031 a privileged tool failed.
//
// `executeWithPrivileges` runs a tool as the administrator and waits for it; where the platform
// asks the user at that moment (polkit's pkexec), its cancel and denial come back from there.
// One object per authorisation reference; not shared between threads without the caller's lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using BVOSStatus = int32_t;

inline constexpr BVOSStatus errAuthorizationSuccess = 0;
inline constexpr BVOSStatus errAuthorizationDenied = -60005;
inline constexpr BVOSStatus errAuthorizationCanceled = -60006;
inline constexpr BVOSStatus errAuthorizationInternal = -60008;
inline constexpr BVOSStatus errAuthorizationToolExecuteFailure = -60031;

// Interaction allowed, extend rights, pre-authorise.
inline constexpr uint32_t kBVAuthorizationFlags = 19;
inline constexpr const char* kBVBlessHelperRight = "com.apple.ServiceManagement.blesshelper";
inline constexpr const char* kBVAdministratorRight = "system.privilege.admin";

class BVAuthorization {
public:
    virtual ~BVAuthorization() = default;
    virtual BVOSStatus create(uint32_t flags) = 0;
    virtual BVOSStatus copyRights(const std::string& right, const std::string& prompt, uint32_t flags) = 0;
    virtual BVOSStatus executeWithPrivileges(const std::string& tool, const std::vector<std::string>& arguments) = 0;
    virtual BVOSStatus free(bool destroyRights) = 0;
};

using BVAuthorizationPtr = std::shared_ptr<BVAuthorization>;
// Makes a fresh, not yet created authorisation.
using BVAuthorizationFactory = std::function<BVAuthorizationPtr()>;
