// BVDirectoryWalker: a parallel walk of a folder tree with getdents64 and statx.
//
// Workers share a stack of folders still to read. The walk's folder is opened through
// BVSafeResolver, and every folder below it from there without following a link or leaving the
// folder's mount (openat2 beneath a descriptor; paths longer than the kernel takes in one call
// are continued from a descriptor of an ancestor, so depth is unlimited). Entries are examined
// relative to their folder's descriptor, so a symbolic link is reported as the link itself and
// never followed. Entries on another mount (a mount point, a bind-mounted file) are neither
// reported nor entered: what the walk sees is one file system's part of the tree, as a removal
// would touch it. Order across folders is unspecified. The visitor runs concurrently on the
// workers and receives the worker's index, so it can keep per-worker totals without locks.
// Folders that cannot be read are counted and skipped.
//
// A walk that looks only at names (`setTypesOnly`) skips the statx of every entry: an entry's
// status then holds only its type, from the listing (statx only where the file system gives no
// type). A folder on another mount is then still reported, but never entered (opening it is
// refused). The visitor may statx an entry itself, relative to `folderFd`.
#pragma once

#include <linux/stat.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Foundation/BVFd.h"
#include "Foundation/BVFileIdentity.h"

class BVSafeResolver;

struct BVWalkEntry {
    const std::string& folder;  // the folder holding the entry, without a trailing slash
    const char* name;
    const struct statx& status;
    int folderFd = -1;          // the open folder holding the entry, valid during the visit
    bool isDirectory() const { return S_ISDIR(status.stx_mode); }
    std::string path() const;
};

class BVDirectoryWalker {
public:
    // Answers whether to descend into the entry (asked for folders only; ignored otherwise).
    using Visitor = std::function<bool(unsigned worker, const BVWalkEntry& entry)>;

    // 0 threads means the processor count. Without a resolver, the process-wide paths' one.
    explicit BVDirectoryWalker(unsigned threads = 0, std::shared_ptr<const BVSafeResolver> resolver = nullptr);
    unsigned threadCount() const { return threads_; }
    // Entries are reported with their type alone (see above).
    void setTypesOnly(bool typesOnly) { typesOnly_ = typesOnly; }

    struct Summary {
        uint64_t unreadableFolders = 0;
        uint64_t otherMounts = 0;  // entries left out because another mount is there
        bool opened = false;       // the walk's folder itself could be opened
    };

    // Walks everything below `folder` (not `folder` itself). `shouldStop`, when given, is polled
    // between folders and ends the walk early. Answers the number of folders that could not be
    // read (the walk's folder among them).
    uint64_t walk(const std::string& folder, const Visitor& visitor, const std::function<bool()>& shouldStop = {},
                  Summary* summary = nullptr) const;
    // The same below a folder the caller opened (any flags; `identity` is its identity, `path`
    // names it to the visitor).
    uint64_t walkOpened(BVFd folder, const BVFileIdentity& identity, const std::string& path, const Visitor& visitor,
                        const std::function<bool()>& shouldStop = {}, Summary* summary = nullptr) const;

    // The statx fields every visitor may rely on.
    static constexpr unsigned kStatxMask = STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE |
                                           STATX_BLOCKS | STATX_ATIME | STATX_MTIME | STATX_MNT_ID;

private:
    unsigned threads_;
    bool typesOnly_ = false;
    std::shared_ptr<const BVSafeResolver> resolver_;
};
