// BVAgentOptions: the command line of brenvik-agent.
//
//   brenvik-agent install [--uid UID] [--layout L] [--home DIR] [--root DIR] [--socket-dir DIR] [--no-start]
//   brenvik-agent serve --allowed-uid UID [--layout L] [--home DIR] [--root DIR] [--socket-dir DIR]
//   brenvik-agent version
//
// `install` runs as root (through pkexec, whose PKEXEC_UID names the user when --uid is absent);
// in test mode it runs unprivileged with --root, --socket-dir and --no-start. A plain value.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "PrivilegedOperationsPerformer/BVAgentConfiguration.h"

struct BVAgentOptions {
    std::string command;
    uid_t uid = 0;
    BVLayout layout = BVPaths::hostLayout();
    std::string home;
    std::string root;
    std::string socketFolder;
    bool startsService = true;

    // None, with the reason in `error`, when the command line is wrong.
    static std::optional<BVAgentOptions> parse(int argc, char** argv, std::string* error);
    // The configuration these options describe, with `tool` as the agent's own copy.
    BVAgentConfiguration configuration(const std::string& tool) const;
};
