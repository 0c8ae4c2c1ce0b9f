// BVTreeRemoval: deletes, erases or empties one entry of an open folder with openat/unlinkat.
//
// Nothing is followed: the entry is examined without following a link (a link is removed as a
// link, even one that points at a folder), and every folder below is opened relative to its
// parent with O_NOFOLLOW, so a folder swapped for a link during the walk is removed as a link
// and what it points to is untouched. Nothing on another mount is entered or removed: the
// entry must sit on its folder's mount and so must everything below it, compared by mount id,
// so a bind mount of the same file system is left alone as well as another file system. When
// the request names the identity the entry had when it was listed, an entry that is no longer
// that item is left alone (ESTALE). Paths the request's keep rule names stay, with the folders
// that hold them. The walk keeps an explicit stack (no recursion) and a bounded number of open
// folders, so depth is unlimited. Entries that cannot be removed are left and the walk goes on
// with the rest; the first failure is reported. The outcome counts the space freed: an inode
// counts when its last name goes, so a name with other hard links frees nothing.
// Stateless; safe from any thread.
#pragma once

#include <string>

#include "Foundation/BVError.h"
#include "Foundation/BVRemoval.h"

namespace BVTreeRemoval {

// Removes the entry `name` of the open folder `folderFd` (identity `folder`, path `folderPath`
// for messages). Answers false with the first failure in `error`; a missing entry fails with
// ENOENT and `outcome.wasMissing`.
bool removeChild(int folderFd, const BVFileIdentity& folder, const std::string& folderPath, const std::string& name,
                 const BVRemovalRequest& request, BVRemovalOutcome& outcome, BVError* error);

// Cuts the regular file `name` to length 0 through a descriptor opened without following a
// link. A file with other hard links is unlinked instead (`outcome.unlinkedInstead`): cutting
// it would empty its other names too.
bool emptyChild(int folderFd, const BVFileIdentity& folder, const std::string& folderPath, const std::string& name,
                const BVRemovalRequest& request, BVRemovalOutcome& outcome, BVError* error);

// A name that can be an entry of a folder: not empty, no "/", not "." or "..".
bool isEntryName(const std::string& name);

}  // namespace BVTreeRemoval
