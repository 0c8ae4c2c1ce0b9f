// BVProgramLocator: where a program that a start-up item names lies on this run's disk. A path
// inside the home is taken as it is; any other absolute path is a system place, so it is found
// under the root prefix (--root); a bare name is looked up in the given folders, in order, the
// way a shell or the service manager looks it up. Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

class BVPaths;

namespace BVProgramLocator {

// The on-disk place of an absolute program path.
std::string onDisk(const BVPaths& paths, const std::string& absolute);
// True when a file (links followed) is at the on-disk place.
bool exists(const std::string& onDiskPath);
// The on-disk path of the first folder holding `name`, or none.
std::optional<std::string> find(const BVPaths& paths, const std::string& name, const std::vector<std::string>& folders);
// True when the run works on the live system: no root prefix and the user's real home. Only
// then may the tools that change start-up items be run: on a fixture they would change the
// real items of the same names.
bool isLiveSystem(const BVPaths& paths);
// The folders of a PATH-style list ("a:b:c"), relative entries dropped.
std::vector<std::string> searchFolders(const std::string& list);

}  // namespace BVProgramLocator
