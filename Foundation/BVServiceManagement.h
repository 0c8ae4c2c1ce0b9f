// BVServiceManagement: the helper login items that applications register with the system's
// service-management facility (macos layout only; the linux layout has no such facility and
// lists no such items). The real one asks "launchctl" about the user's session domain
// ("print gui/UID/ID" answers whether the helper is registered; "enable" and "disable" switch
// it), through the task runner, which tests replace. Safe from any thread.
#pragma once

#include <memory>
#include <string>

#include "Foundation/BVTaskRunner.h"

class BVServiceManagement {
public:
    virtual ~BVServiceManagement() = default;
    virtual bool isLoginItemWithBundleIDEnabled(const std::string& bundleID) = 0;
    // `helperURL` is the helper bundle; answers success.
    virtual bool setLoginItemWithBundleURL(const std::string& helperURL, bool enabled) = 0;
};

using BVServiceManagementPtr = std::shared_ptr<BVServiceManagement>;

class BVLaunchctlServiceManagement : public BVServiceManagement {
public:
    explicit BVLaunchctlServiceManagement(BVTaskRunnerPtr runner) : runner_(std::move(runner)) {}
    bool isLoginItemWithBundleIDEnabled(const std::string& bundleID) override;
    bool setLoginItemWithBundleURL(const std::string& helperURL, bool enabled) override;

private:
    BVTaskOutcome launchctl(const std::vector<std::string>& arguments) const;
    BVTaskRunnerPtr runner_;
};
