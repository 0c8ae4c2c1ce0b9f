// What a removal on disk is asked to do and what it did, shared by the file manager, the tree
// removal and the agent. Plain values.
#pragma once

#include <cstdint>
#include <optional>

#include "Foundation/BVFileIdentity.h"

class BVKeepRule;

enum class BVRemovalMode {
    Delete,
    // Every regular file's content is overwritten with zeros and flushed before it is unlinked;
    // a file with other hard links is only unlinked (its content is still the other names').
    Erase,
};

// How a removal treats what it meets; by default everything as it is.
struct BVRemovalFlags {
    // Folders inside the item (the item itself among them) that lack their owner's write
    // permission get it before their entries are removed. Some stores make their trees
    // read-only on purpose (Go's module cache) and say so in their own clean command; the
    // folder holding the item is never changed.
    bool makeFoldersWritable = false;
    // A folder is removed only when it is empty (ENOTEMPTY otherwise), never with what it holds.
    bool onlyIfEmpty = false;
};

struct BVRemovalRequest {
    BVRemovalMode mode = BVRemovalMode::Delete;
    // The item must still be this one (device, inode, mount, kind), else it is left alone.
    std::optional<BVFileIdentity> expected;
    // Paths inside the item that must stay; the item is then emptied around them. Not owned.
    const BVKeepRule* keep = nullptr;
    BVRemovalFlags flags;
};

struct BVRemovalOutcome {
    // Space given back: the allocated bytes of every inode whose last name went, and of the
    // folders removed. A name whose file has other links frees nothing.
    uint64_t freedBytes = 0;
    // Nothing was at the path (reported as ENOENT by the call).
    bool wasMissing = false;
    // Items left in place because the keep rule names them (their folders stay too).
    uint64_t keptItems = 0;
    // Emptying a file with other links unlinked this name instead (the others keep the content).
    bool unlinkedInstead = false;
    // Some failure was a lack of rights (EACCES, EPERM): the only kind worth retrying with
    // administrator rights.
    bool permissionDenied = false;

    void add(const BVRemovalOutcome& other) {
        freedBytes += other.freedBytes;
        keptItems += other.keptItems;
        permissionDenied = permissionDenied || other.permissionDenied;
    }
};
