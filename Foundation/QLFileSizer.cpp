#include "Foundation/QLFileSizer.h"

#include <fcntl.h>

#include <cstdio>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "Foundation/BVDirectoryWalker.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVSafeResolver.h"

namespace {

struct InodeKey {
    uint64_t device, inode;
    bool operator==(const InodeKey&) const = default;
};
struct InodeHash {
    size_t operator()(const InodeKey& k) const { return std::hash<uint64_t>{}(k.inode * 31 + k.device); }
};

// The folder's own blocks and everything below it, each hard-linked inode once.
uint64_t folderSize(BVFd fd, const BVFileIdentity& folder, const std::string& path, unsigned threads) {
    BVDirectoryWalker walker(threads);
    // Padded per-worker totals, so workers do not share a cache line.
    struct alignas(64) Total {
        uint64_t bytes = 0;
    };
    std::vector<Total> totals(walker.threadCount());
    std::mutex linksMutex;
    std::unordered_set<InodeKey, InodeHash> seenLinks;
    walker.walkOpened(std::move(fd), folder, path, [&](unsigned worker, const BVWalkEntry& e) {
        const struct statx& st = e.status;
        if (!S_ISDIR(st.stx_mode) && st.stx_nlink > 1) {
            InodeKey key{(uint64_t(st.stx_dev_major) << 32) | st.stx_dev_minor, st.stx_ino};
            std::lock_guard lock(linksMutex);
            if (!seenLinks.insert(key).second) return true;
        }
        totals[worker].bytes += st.stx_blocks * 512;
        return true;
    });
    uint64_t sum = folder.allocatedBytes;
    for (const auto& t : totals) sum += t.bytes;
    return sum;
}

}  // namespace

namespace QLFileSizer {

uint64_t itemSizeAtPath(const std::string& path) { return itemSizeAtPath(path, 0); }

uint64_t itemSizeAtPath(const std::string& path, unsigned threads) {
    return BVFileManager::defaultManager()->itemSizeAtPath(path, threads);
}

uint64_t itemSizeInFolder(int folderFd, const BVFileIdentity& folder, const std::string& folderPath,
                          const std::string& name, unsigned threads) {
    auto item = BVIdentityAt(folderFd, name.c_str());
    if (!item || item->isOtherMountThan(folder)) return 0;
    if (!item->isDirectory()) return item->allocatedBytes;
    BVFd fd(::openat(folderFd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    auto opened = fd ? BVIdentityAt(fd.get(), "") : std::nullopt;
    if (!opened || !opened->isSameItem(*item)) return 0;
    return folderSize(std::move(fd), *opened, BVFileIO::appendPathComponent(folderPath, name), threads);
}

std::string nonLocalizedDisplayItemSizeFromSize(uint64_t size) {
    if (size == 0) return "Zero KB";
    if (size < 1000) return std::to_string(size) + " bytes";
    static const char* units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(size);
    int unit = -1;
    while (value >= 1000 && unit < 5) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    if (value >= 100 || unit == 0) std::snprintf(text, sizeof text, "%.0f %s", value, units[unit]);
    else std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

}  // namespace QLFileSizer
