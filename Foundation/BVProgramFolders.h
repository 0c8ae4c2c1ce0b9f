// BVProgramFolders: brings the program's own files from the places earlier versions kept them
// on the linux layout (~/.config/com.quillon.Brenvik4.plist, ~/.local/share/Brenvik X/,
// ~/.local/state/com.quillon.Brenvik4/) to the current ones (~/.config/brenvik/,
// ~/.local/share/brenvik/, ~/.local/state/brenvik/). Each file or folder is moved with one
// rename that never replaces anything; where the new place already has an entry of that name
// the old one stays where it is, and an old folder is removed only once it is empty. Nothing
// is copied, so a move that would cross file systems is not made (and said). The macos layout
// keeps its names and has nothing to move. Called once at start-up, before the files are used.
#pragma once

#include <string>
#include <vector>

#include "Foundation/BVPaths.h"

struct BVProgramFolderMove {
    std::string from, to;
};

struct BVProgramFolderReport {
    std::vector<std::string> done, problems;
};

namespace BVProgramFolders {

// The moves of this layout, in order; empty on macos.
std::vector<BVProgramFolderMove> moves(const BVPaths& paths);
// Makes them. The report says what was done (for the log, which is not open yet) and, for the
// user, each entry that had to stay at its old place for a reason other than an entry of the
// same name at the new one.
BVProgramFolderReport moveToCurrentPlaces(const BVPaths& paths);

}  // namespace BVProgramFolders
