// BVDirectoryWalker: a parallel walk of a folder tree with getdents64 and statx.
//
// Workers share a stack of folders still to read; each folder is opened with O_NOFOLLOW and its
// entries are examined relative to the folder's descriptor, so a symbolic link is reported as
// the link itself and never followed. Order across folders is unspecified. The visitor runs
// concurrently on the workers and receives the worker's index, so it can keep per-worker
// totals without locks. Folders that cannot be read are counted and skipped.
#pragma once

#include <linux/stat.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct BVWalkEntry {
    const std::string& folder;  // the folder holding the entry, without a trailing slash
    const char* name;
    const struct statx& status;
    bool isDirectory() const { return S_ISDIR(status.stx_mode); }
    std::string path() const;
};

class BVDirectoryWalker {
public:
    // Answers whether to descend into the entry (asked for folders only; ignored otherwise).
    using Visitor = std::function<bool(unsigned worker, const BVWalkEntry& entry)>;

    // 0 threads means the processor count.
    explicit BVDirectoryWalker(unsigned threads = 0);
    unsigned threadCount() const { return threads_; }

    // Walks everything below `folder` (not `folder` itself). `shouldStop`, when given, is polled
    // between folders and ends the walk early. Answers the number of folders that could not be
    // read.
    uint64_t walk(const std::string& folder, const Visitor& visitor,
                  const std::function<bool()>& shouldStop = {}) const;

    // The statx fields every visitor may rely on.
    static constexpr unsigned kStatxMask = STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE |
                                           STATX_BLOCKS | STATX_ATIME | STATX_MTIME;

private:
    unsigned threads_;
};
