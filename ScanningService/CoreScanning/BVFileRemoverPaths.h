// Path resolution for removals: the parent folder resolved (links in it followed, "." and ".."
// folded), the last component kept as it is, so that the item itself is never followed.
#pragma once

#include <optional>
#include <string>

// The path with its parent resolved (the path as given, trimmed, when the parent does not
// resolve, so that the removal itself reports the missing item); none when the path names no
// item that could be removed ("", "/", a last component of "." or "..").
std::optional<std::string> BVResolvedRemovalPath(const std::string& path);
