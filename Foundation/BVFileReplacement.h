// BVFileReplacement: reads and replaces another application's file (a browser's saved logins,
// its preferences, the recent-documents list) through the safe layer.
//
// The file's folder is reached through the safe resolver (no link below the anchor followed, no
// mount crossed) and the file is acted on by its name in that open folder. Reading refuses a
// link or anything but a plain file. Replacing writes the new content to a new file in the same
// folder, with the old file's permissions (a file of saved passwords stays readable by its owner
// only), flushes it, checks that the name still holds the file that was there, and renames the
// new file over it: a reader sees the old file or the new one, never half of either. A file
// with other hard links is refused, as their names would keep the old content. Stateless; any
// thread.
#pragma once

#include <string>

#include "Foundation/BVError.h"

class BVSafeResolver;

namespace BVFileReplacement {

// The whole content of the plain file at `path` (at most `maximumBytes`); false with the reason.
bool readFile(const BVSafeResolver& resolver, const std::string& path, std::string& contents, size_t maximumBytes,
              BVError* error);

// Replaces the plain file at `path` with `contents`; false with the reason, the old file intact.
bool replaceFile(const BVSafeResolver& resolver, const std::string& path, const std::string& contents, BVError* error);

}  // namespace BVFileReplacement
