// BVAgentConfiguration: where the privileged agent is found, installed and reached.
//
// The installed tool is the layout's privileged-helper folder + the label; its launch-daemon
// description is "<label>.plist" in the launch-daemons folder (macos) or the systemd unit
// "<label>.service" in /etc/systemd/system (linux), both under the root prefix. The agent
// listens on "<socketFolder>/<label>.socket". In test mode the socket folder is a temporary
// folder and `startsService` is false, because the test starts the installed agent itself.
// A plain value; safe to copy between threads.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVPaths.h"

struct BVAgentConfiguration {
    std::string label;
    std::shared_ptr<const BVPaths> paths;
    std::string bundledToolPath;  // the application's own copy of the agent
    std::string socketFolder;
    bool startsService = true;

    // The host's configuration: the shared paths, "brenvik-agent" beside the running executable
    // (or in ../libexec/brenvik of an installed tree), the sockets folder of the host.
    static BVAgentConfiguration defaultConfiguration();
    // The same for the given paths (the agent's folders and the served home are theirs).
    static BVAgentConfiguration defaultConfiguration(std::shared_ptr<const BVPaths> paths);

    std::string installedToolPath() const;
    std::string configFilePath() const;
    std::string socketPath() const;
    // The arguments of "brenvik-agent install" for the user `uid`.
    std::vector<std::string> installArguments(uid_t uid) const;
    // The arguments the installed agent is started with ("serve ..."), recorded at install.
    std::vector<std::string> serveArguments(uid_t uid) const;
};
