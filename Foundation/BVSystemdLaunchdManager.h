// BVSystemdLaunchdManager: launch agents and daemons on the linux layout: systemd units, the
// user's ("~/.config/systemd/user"), every user's ("/etc/systemd/user", loaded by each user's
// manager) and the system's ("/etc/systemd/system"), ".service" files only.
//
// Where a manager runs and may be asked (the system's when this is the live system, the user's
// when the run's home is the user's real home and `systemctl --user` answers), the state is
// `systemctl [--user] is-enabled` (enabled) and `show -p ActiveState,LoadState` (running);
// switching is `enable|disable --now`; removing is disable, removing the file, `daemon-reload`.
// Where none runs (a container, CI, a fixture home or --root), the state is read from the files:
// a unit is enabled when a link of its name is in a ".wants/" or ".requires/" folder of its
// scope (and not masked by a link to /dev/null); switching then fails with a clear error
// instead of pretending, and removing removes the unit's own enablement links beside it and the
// file. The program is the first word of the last ExecStart= (drop-ins "NAME.d/*.conf" in the
// same folder applied), after its prefixes, with the specifiers that do not depend on the
// running manager expanded; a bare name is looked up on the unit's PATH or the manager's fixed
// search path. Links in the unit folders (aliases, masks) are not units of their own and are
// never offered. Safe from any thread.
#pragma once

#include <mutex>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVLaunchdManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVSystemdUnitFile.h"
#include "Foundation/BVTaskRunner.h"

class BVSystemdLaunchdManager : public BVLaunchdManager {
public:
    enum class Scope { User, System };
    // Which managers may be asked; unset: found out on first use.
    struct Managers {
        bool user = false;
        bool system = false;
    };

    BVSystemdLaunchdManager(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager, BVTaskRunnerPtr runner,
                            std::optional<Managers> managers = std::nullopt);

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

    // The scope a unit file belongs to by its folder; none outside the unit folders.
    std::optional<Scope> scopeOf(const std::string& path) const;
    Managers managers() const;
    // The unit folders of a scope, in the manager's order of precedence.
    std::vector<std::string> unitFolders(Scope scope) const;

private:
    bool isLive(Scope scope) const;
    BVTaskOutcome systemctl(Scope scope, std::vector<std::string> arguments) const;
    bool switchAgent(const std::string& path, bool enable);
    bool fail(BVError error);
    bool enabledByLinks(const std::string& unitName, Scope scope) const;

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVTaskRunnerPtr runner_;
    mutable std::once_flag probed_;
    mutable Managers managers_;
    mutable std::mutex errorLock_;
    BVError lastError_;
};
