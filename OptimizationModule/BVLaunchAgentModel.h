// BVLaunchAgentModel: one launch agent or daemon (a job description file; on linux a systemd
// unit) as the optimization module lists it: its program, whether it starts by itself, and the
// switch and removal that go through the service manager with the user's rights first and then,
// when that fails, through the privileged agent after administrator rights were granted.
// BVLaunchAgentExecutable is the program a job starts. Built on a scan thread, switched from the
// command line, removed on the clean worker (the privileged agent may block the caller).
#pragma once

#include <optional>

#include "Foundation/BVLaunchdManager.h"
#include "ScanningService/CoreScanning/BVEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

class BVPrivilegedOperationsPerformer;

inline constexpr const char* BVLaunchAgentModelErrorDomain = "kBVLaunchAgentModel";
enum BVLaunchAgentModelError : int64_t {
    BVLaunchAgentModelErrorDebug = -100,
    BVLaunchAgentModelErrorNotAuthorized = 101,
    BVLaunchAgentModelErrorPrivilegedRemoval = 102,
};

struct BVLaunchAgentExecutable {
    std::string url;
    bool isHelper = false;  // the service manager did not report the path as accurate
    bool operator==(const BVLaunchAgentExecutable&) const = default;
    size_t hash() const { return std::hash<std::string>{}(url) ^ size_t(isHelper); }
};

class BVLaunchAgentModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVLaunchAgentModel)
public:
    BVLaunchAgentModel(const std::string& specificationURL, std::optional<BVLaunchAgentExecutable> executable,
                       bool isAutoselected, std::shared_ptr<BVPrivilegedOperationsPerformer> performer,
                       BVLaunchdManagerPtr launchdManager, std::shared_ptr<class BVUserDefaults> defaults = nullptr);

    const std::string& specificationURL() const { return specificationURL_; }
    const std::optional<BVLaunchAgentExecutable>& executable() const { return executable_; }
    // The file name without its extension.
    std::string identifier() const;
    bool isEnabled() const { return isEnabled_; }
    // Switches the job (nothing when the value is unchanged); `prompt` is shown when
    // administrator rights are asked for. Answers whether it has the asked state now; the
    // reason of a failure is in `lastError`.
    bool setEnabled(bool enabled, const std::optional<std::string>& prompt);
    const BVError& lastError() const { return lastError_; }
    BVRemovalResultPtr remove() override;
    BVURLPtr fileURL() const override;
    const BVLaunchdManagerPtr& launchdManager() const { return launchdManager_; }

private:
    std::string specificationURL_;
    std::optional<BVLaunchAgentExecutable> executable_;
    bool isEnabled_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    BVLaunchdManagerPtr launchdManager_;
    std::shared_ptr<BVUserDefaults> defaults_;
    BVError lastError_;
};
