// BVLaunchdManager: the jobs the service manager starts by itself: launch agents and daemons.
// On the linux layout they are systemd units, ".service" files (BVSystemdLaunchdManager); on the
// macos layout property-list job descriptions (BVLaunchctlLaunchdManager); tests use a recording
// fake. A job is named by the path of its description file.
//
// What the callers rely on: whether a job is loaded (enabled), switching it and removing it
// with the user's own rights (false when that is not enough or not possible here, with the
// reason in `lastError`), the program it starts, and its description as a dictionary
// ("Program", "ProgramArguments", "WorkingDirectory", the keys of a property-list job) for the
// test of a broken job. Implementations are safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVValue.h"

// Keys a unit's description adds to the job keys: the folders a bare program name is looked up
// in, and a flag for a program that cannot be judged without the running manager.
inline constexpr const char* BVJobSearchPathKey = "BVJobSearchPath";
inline constexpr const char* BVJobProgramUnknownKey = "BVJobProgramUnknown";

// How a job stands, for the command line: whether it starts by itself and whether it runs.
struct BVJobState {
    bool enabled = false;
    std::optional<bool> running;  // none when no service manager can be asked
    std::string detail;           // the manager's words ("enabled", "static", "active/loaded", ...)
};

class BVLaunchdManager {
public:
    virtual ~BVLaunchdManager() = default;

    virtual bool isLoadedLaunchAgentWithConfigPath(const std::string& path) = 0;
    virtual BVJobState stateOfAgentAtPath(const std::string& path) = 0;
    virtual bool enableAgentAtPath(const std::string& path) = 0;
    virtual bool disableAgentAtPath(const std::string& path) = 0;
    virtual bool removeAgentAtPath(const std::string& path) = 0;
    // The reason of the last failed switch or removal (callers switch and remove one job at a time).
    virtual BVError lastError() const = 0;
    // The program the job starts, on disk; `accurate` is false when it was derived (looked up by
    // name, joined to a working folder) rather than given as a path.
    virtual std::optional<std::string> startupApplicationPathFor(const std::string& path, bool& accurate) = 0;
    // The job's description, or none with the reason when it cannot be read or parsed.
    virtual std::optional<BVValue> jobConfigurationAtPath(const std::string& path, BVError* error) = 0;
    // The on-disk path of a program the job names by a bare name or a path the manager would
    // find it by; none when it is nowhere ("whereis" on macos, the unit's PATH on linux).
    virtual std::optional<std::string> lookUpProgram(const std::string& program, const BVValue& configuration) = 0;
    // Whether switching can work at all here (a service manager runs and may be asked).
    virtual bool canSwitchAgents() const = 0;
};

using BVLaunchdManagerPtr = std::shared_ptr<BVLaunchdManager>;
