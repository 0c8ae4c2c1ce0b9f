// BVAgentJobDescription: the launch-daemon description of the installed agent and the version
// embedded in an agent executable.
//
// The description is a property list with "Label" and "ProgramArguments" (macos layout) or a
// systemd unit whose ExecStart line holds the program and its arguments (linux layout); both are
// written and read here, so the installer and the performer agree on them. The version is the
// text after the marker "BVAgentBundleVersion=" that every agent executable carries, read from
// the file without running it. Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVPaths.h"

namespace BVAgentJobDescription {

// The job dictionary: "Label" and "ProgramArguments".
BVDictionary jobDictionary(const std::string& label, const std::vector<std::string>& programArguments);
// The file's bytes for the layout.
std::string encode(BVLayout layout, const BVDictionary& job);
// The job dictionary read back from `path`; none when it is missing or unreadable.
std::optional<BVDictionary> read(BVLayout layout, const std::string& label, const std::string& path);

std::optional<std::string> bundleVersionOfToolAtPath(const std::string& path);

}  // namespace BVAgentJobDescription
