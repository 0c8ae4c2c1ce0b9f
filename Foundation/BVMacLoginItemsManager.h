// BVMacLoginItemsManager: the login items of the macos layout: the applications in the user's
// login-item list, which the session's scripting service reads and edits ("osascript" with the
// System Events login items). A switched-off item leaves that list; this manager remembers it in
// "com.quillon.Brenvik4.DisabledLoginItems.plist" in the user's preferences, so that it stays
// listed (off) and can be switched on again. The tool runs through the task runner, which tests
// replace; where it cannot run, the list is empty and changes fail. Safe from any thread.
#pragma once

#include <mutex>
#include <optional>

#include "Foundation/BVLoginItemsManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVTaskRunner.h"

class BVMacLoginItemsManager : public BVLoginItemsManager {
public:
    // `live`: whether the tool may be run (by default only on the live system, see
    // BVProgramLocator::isLiveSystem; tests that play the tool say true).
    BVMacLoginItemsManager(std::shared_ptr<const BVPaths> paths, BVTaskRunnerPtr runner, std::optional<bool> live = std::nullopt);

    std::vector<std::string> validLoginItemsList() override;
    std::vector<BVInvalidLoginItem> invalidLoginItems() override { return {}; }
    std::vector<BVDictionary> loginItemInfos() override;
    bool loginItemIsDisabled(const std::string& path) override;
    bool setLoginItemAtPath(const std::string& path, bool enabled, BVError* error) override;
    bool removeLoginItemAtPath(const std::string& path, BVError* error) override;
    std::string displayNameAtPath(const std::string& path) override;

    std::string disabledListPath() const;

private:
    // The items of the list, none (with the reason) when it cannot be read.
    std::optional<std::vector<std::string>> activeItems(BVError* error = nullptr) const;
    std::vector<std::string> disabledItems() const;
    bool storeDisabledItems(const std::vector<std::string>& items, BVError* error) const;
    bool script(const std::string& text, std::string* output, BVError* error) const;

    std::shared_ptr<const BVPaths> paths_;
    BVTaskRunnerPtr runner_;
    bool live_;
    std::mutex changes_;
};
