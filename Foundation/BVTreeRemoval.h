// BVTreeRemoval: deletes a file, a link or a whole folder tree with openat/unlinkat.
//
// Nothing is followed: the item itself is examined without following a link (a link is
// removed as a link, even one that points at a folder), and every folder below is opened
// relative to its parent with O_NOFOLLOW, so a folder swapped for a link during the walk is
// removed as a link and what it points to is untouched. The walk keeps an explicit stack (no
// recursion) and a bounded number of open folders, so depth is unlimited. The walk stays on
// the item's file system: a folder with another file system mounted on it is left alone
// (EXDEV). Entries that cannot be removed are left and the walk goes on with the rest; the
// first failure is reported.
// Stateless; safe from any thread.
#pragma once

#include <string>

#include "Foundation/BVError.h"

namespace BVTreeRemoval {

enum class Mode {
    Delete,
    // Overwrite every regular file's content with zeros (flushed to the device) before it is
    // unlinked. A file that has other hard links is unlinked without being overwritten: its
    // content is still someone else's file.
    Erase,
};

// Answers false with the first failure in `error`; a missing item is a failure (ENOENT).
bool removeItem(const std::string& path, Mode mode, BVError* error);

// The same for the entry `name` of the open folder `parentFd`; `path` names it in errors.
bool removeItemAt(int parentFd, const std::string& name, const std::string& path, Mode mode, BVError* error);

// Overwrites a regular file's content in place with zeros and flushes it.
bool overwriteFile(int directoryFd, const char* name, BVError* error, const std::string& pathForErrors);

}  // namespace BVTreeRemoval
