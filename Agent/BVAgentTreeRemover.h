// BVAgentTreeRemover: removes an item and, for a folder, everything below it, without ever
// following a link (a link is removed as a link) and without crossing into another mounted file
// system. With `overwrite`, each regular file is overwritten with zeros and synced before it is
// unlinked, except files with other hard links, whose data other names still hold.
// Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>

#include "Foundation/BVError.h"

namespace BVAgentTreeRemover {

// Removes `name` inside the open folder `parentFd`; `path` names it in errors. Keeps going past
// a child that fails and answers the first error.
std::optional<BVError> removeAt(int parentFd, const std::string& name, const std::string& path, bool overwrite);
// Opens a resolved folder for the *at calls; -1 with `error` set when it cannot.
int openFolder(const std::string& path, BVError* error);

}  // namespace BVAgentTreeRemover
