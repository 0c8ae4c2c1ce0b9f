// BVAgentPathPolicy: how the agent turns a path from a request into the place it acts on.
//
// A path must be absolute. Its parent is resolved (links, "." and ".." in the parent are
// followed to the real folder); its last component is kept as it is and never followed, so a
// link is acted on as a link. A path whose last component is empty, "." or ".." is refused.
// For requests that change something, the result must not be a protected folder of the layout
// (those of the real system and those under the test root, "/", the home and the layout's root
// folders) nor a folder that contains one. Immutable after construction; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVPaths.h"

struct BVAgentPath {
    std::string parent;  // resolved, no trailing slash ("/" for the root)
    std::string name;    // the last component, not followed
    std::string full;
};

class BVAgentPathPolicy {
public:
    enum class Access { Read, Modify };

    explicit BVAgentPathPolicy(const BVPaths& paths);

    std::optional<BVAgentPath> canonicalize(const std::string& path, Access access, BVError* error) const;
    bool isProtected(const std::string& canonicalPath) const;

private:
    std::vector<std::string> protected_;
};
