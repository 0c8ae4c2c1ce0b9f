// BVAgentController: installs the privileged agent and tells whether the installed one is the
// application's own copy.
//
// `isInstalled`: both the installed tool and its launch-daemon description exist.
// `needsToBeUpdated`: the description is missing or names no program, or the installed tool's
// embedded version differs from the application's copy, or, with equal versions, the two files'
// SHA-256 digests differ (this host has no code signature to check). `install` runs
// "brenvik-agent install ..." through the authorisation, which asks the user.
// Not shared between threads: the performer calls it under its own lock.
#pragma once

#include <memory>
#include <string>

#include "PrivilegedOperationsPerformer/BVAgentConfiguration.h"
#include "PrivilegedOperationsPerformer/BVAuthorization.h"

class BVAgentController {
public:
    BVAgentController(BVAuthorizationPtr authRef, BVAgentConfiguration configuration);

    const std::string& agentLabel() const { return configuration_.label; }
    void setAuthRef(BVAuthorizationPtr authRef) { authRef_ = std::move(authRef); }
    std::string configFilePath() const { return configuration_.configFilePath(); }
    bool isInstalled() const;
    bool needsToBeUpdated() const;
    // Answers success; `status` receives the authorisation's status of the privileged run.
    bool install(BVOSStatus* status = nullptr);

private:
    BVAuthorizationPtr authRef_;
    BVAgentConfiguration configuration_;
};
