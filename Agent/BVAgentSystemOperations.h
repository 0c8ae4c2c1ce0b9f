// BVAgentSystemOperations: the agent's requests on the system: launch-daemon descriptions,
// periodic maintenance scripts, the DNS cache, the search index, the system log stores, package
// permissions, and the requests this host has no counterpart for, which answer a
// BVPrivilegedAgentErrorUnsupported error naming what is missing, never a success.
// Each operation answers its reply values (Agent/PROTOCOL.md). Safe from any thread.
#pragma once

#include <functional>
#include <string>

#include "Agent/BVAgentFileOperations.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVProgress.h"

struct BVAgentSystemContext {
    const BVPaths* paths = nullptr;
    std::string configFilePath;     // the agent's own launch-daemon description
    std::string installedToolPath;
    bool systemdRunning = false;    // units can be switched with systemctl
    std::function<void()> terminateAfterReply;  // the agent uninstalled itself
};

class BVAgentSystemOperations {
public:
    using Output = std::function<void(const std::string&)>;

    BVAgentSystemOperations(BVAgentSystemContext context, const BVAgentPathPolicy& policy,
                            const BVAgentFileOperations& files);

    BVArray removeLaunchdAgent(const std::string& path) const;
    BVArray switchLaunchdAgent(const std::string& path, bool enable, const BVProgressPtr& progress, const Output& output) const;
    BVArray runPeriodicScript(const std::string& name, const BVProgressPtr& progress, const Output& output) const;
    BVArray flushDNS(const BVProgressPtr& progress, const Output& output) const;
    BVArray startSpotlightReindex(const BVProgressPtr& progress, const Output& output) const;
    BVArray repairPermissions(const BVProgressPtr& progress, const Output& output) const;
    BVArray removeASL() const;
    BVArray removeDiagnosticLogs(const BVProgressPtr& progress, const Output& output) const;
    // A request with the [ok, error] reply that this host cannot perform.
    static BVArray unsupported(const std::string& what);

private:
    // The folders job descriptions may be changed in: the user's launch agents, every user's,
    // and the launch daemons (on linux the three systemd unit folders).
    enum class JobFolder { UserAgents, AllUsersAgents, Daemons };
    // The folder of a job description of the layout's kind, or the refusal for any other file.
    std::optional<JobFolder> jobFolderOf(const BVAgentPath& path, BVError* error) const;
    // Runs a tool; none on success, else the error (its output goes to `output` as well).
    std::optional<BVError> run(const std::string& tool, const std::vector<std::string>& arguments,
                               const BVProgressPtr& progress, const Output& output) const;

    BVAgentSystemContext context_;
    const BVAgentPathPolicy& policy_;
    const BVAgentFileOperations& files_;
};
