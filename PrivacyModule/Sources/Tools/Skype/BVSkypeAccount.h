// Finding the chat client's account in use: its folder holds one folder per account, each with
// a "config.xml" whose root element carries the time the account was last used ("timestamp").
// The account is the folder of the "config.xml" with the largest positive timestamp; of equal
// ones the first met in the walk (names in sorted order, hidden ones skipped) wins. Reads files
// only; any thread.
#pragma once

#include <optional>
#include <string>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"

namespace BVSkypeAccount {
// The account folder, or none (no client folder, no account with a timestamp).
std::optional<std::string> skypeAccountPath(const BVPaths& paths, const BVFileManager& fileManager);
}
