// QLFileSizer: the space an item occupies, in bytes: allocated blocks of the item and, for a
// folder, of everything below it on the same mount (what removing it could give back). Links
// are measured as links and never followed; a file with several hard links inside one
// measurement counts once. A missing or unreadable item, one reached through a link, and one
// that is a mount point measure 0 (unreadable folders inside a readable tree contribute only
// what could be read). Folders are walked in parallel, to any depth. Stateless; safe from any
// thread.
#pragma once

#include <cstdint>
#include <string>

#include "Foundation/BVFileIdentity.h"

namespace QLFileSizer {

uint64_t itemSizeAtPath(const std::string& path);
// A file URL's path; the same measure.
inline uint64_t itemSizeAtURL(const std::string& path) { return itemSizeAtPath(path); }

// Walks with a chosen number of threads (benchmarks compare one and two).
uint64_t itemSizeAtPath(const std::string& path, unsigned threads);
// The entry `name` of an open folder (identity `folder`, path `folderPath`), the same measure.
uint64_t itemSizeInFolder(int folderFd, const BVFileIdentity& folder, const std::string& folderPath,
                          const std::string& name, unsigned threads = 0);

// A size as an unlocalised text in decimal units, as log lines write it: "Zero KB",
// "512 bytes", "1 KB" (kilobytes are whole), "12.3 MB", "123 MB", "1.5 GB".
std::string nonLocalizedDisplayItemSizeFromSize(uint64_t size);

}  // namespace QLFileSizer
