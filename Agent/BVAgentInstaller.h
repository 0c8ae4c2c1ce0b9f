// BVAgentInstaller: "brenvik-agent install": copies the running executable to the installed
// tool's place, writes its launch-daemon description (which records the user it serves and
// where it listens) and, on a live systemd host, enables and restarts the service and waits
// until it accepts connections. Each file is written beside its place and renamed over it, so a
// half-written tool is never installed. Runs once per process.
#pragma once

#include <string>

#include "PrivilegedOperationsPerformer/BVAgentConfiguration.h"

namespace BVAgentInstaller {
// Answers success; `error` says what failed.
bool install(const BVAgentConfiguration& configuration, uid_t uid, std::string* error);
}
