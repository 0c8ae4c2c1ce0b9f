// Whole-file reads and writes of other programs' small configuration files (autostart entries,
// unit files) through the safe layer: the folder is reached from its anchor with no link
// followed and no mount crossed (BVSafeResolver), and the file is opened relative to it without
// following a link in its name. A write goes to a new file beside the old one, which is then
// renamed over it, so a reader never sees half a file and a failed write leaves the old one.
// Stateless; safe from any thread.
#pragma once

#include <string>

#include "Foundation/BVError.h"

class BVSafeResolver;

namespace BVSafeFileIO {

// Reads a regular file of at most `maximumBytes`; fails with the reason (ELOOP for a link).
bool readFile(const BVSafeResolver& resolver, const std::string& path, std::string& contents, size_t maximumBytes,
              BVError* error);
// Replaces (or creates) the file at `path` with `contents`, mode 0644. Its folder is created
// when missing, one level below an existing folder.
bool writeFileAtomically(const BVSafeResolver& resolver, const std::string& path, const std::string& contents,
                         BVError* error);

// True when the regular file at `path` carries the immutable attribute (nothing may change it).
bool isImmutable(const BVSafeResolver& resolver, const std::string& path);

}  // namespace BVSafeFileIO
