// BVLaunchctlLaunchdManager: launch agents and daemons on the macos layout: property-list job
// descriptions in the LaunchAgents and LaunchDaemons folders, loaded and unloaded with
// "launchctl" (`list LABEL` answers whether a job is loaded, `load -w` and `unload -w` switch
// it). Where "launchctl" cannot be run (a fixture of the layout on another system), the state is
// read from the job's own "Disabled" key and switching fails with a clear error. The program is
// "Program", else the first of "ProgramArguments", joined to "WorkingDirectory" when relative; a
// bare name is looked up with "/usr/bin/whereis". The tools run through the task runner, which
// tests replace. Safe from any thread.
#pragma once

#include <mutex>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVLaunchdManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVTaskRunner.h"

class BVLaunchctlLaunchdManager : public BVLaunchdManager {
public:
    // `live`: whether launchctl may be run (by default only on the live system, see
    // BVProgramLocator::isLiveSystem; tests that play the tool say true).
    BVLaunchctlLaunchdManager(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager, BVTaskRunnerPtr runner,
                              std::optional<bool> live = std::nullopt);

    bool isLoadedLaunchAgentWithConfigPath(const std::string& path) override;
    BVJobState stateOfAgentAtPath(const std::string& path) override;
    bool enableAgentAtPath(const std::string& path) override;
    bool disableAgentAtPath(const std::string& path) override;
    bool removeAgentAtPath(const std::string& path) override;
    BVError lastError() const override;
    std::optional<std::string> startupApplicationPathFor(const std::string& path, bool& accurate) override;
    std::optional<BVValue> jobConfigurationAtPath(const std::string& path, BVError* error) override;
    std::optional<std::string> lookUpProgram(const std::string& program, const BVValue& configuration) override;
    bool canSwitchAgents() const override;

    // The program a job description names, as written with its working folder and "~" applied;
    // none when it names none.
    std::optional<std::string> programOf(const BVValue& job) const;

private:
    BVTaskOutcome launchctl(const std::vector<std::string>& arguments) const;
    bool fail(BVError error);
    bool switchAgent(const std::string& path, bool enable);

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVTaskRunnerPtr runner_;
    bool live_;
    mutable std::mutex errorLock_;
    BVError lastError_;
};
