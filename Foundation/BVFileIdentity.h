// BVFileIdentity: what an item on disk is, as far as removal cares: the device and inode that
// name it, the mount it sits on, its kind, its number of links and the space it occupies.
// Recorded when an item is listed and compared with what is opened when it is removed, so a
// path that now names something else (a folder swapped for a link, another folder renamed into
// its place, a mount put over it) is recognised. Plain value; safe to copy between threads.
#pragma once

#include <fcntl.h>
#include <linux/stat.h>
#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

struct BVFileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    // The mount's identifier (statx STATX_MNT_ID). Bind mounts of one file system share the
    // device but not the mount. 0 where the kernel does not report it; then the device decides.
    uint64_t mountID = 0;
    uint32_t kind = 0;  // the S_IFMT bits
    uint32_t links = 0;
    uint64_t allocatedBytes = 0;
    uint64_t length = 0;
    // When the inode was made, where the file system records it (0 otherwise): an inode number
    // reused by a new item of the same name is told apart by it.
    int64_t birthSeconds = 0;
    uint32_t birthNanoseconds = 0;
    // When the content last changed.
    int64_t modificationSeconds = 0;
    uint32_t modificationNanoseconds = 0;

    bool isDirectory() const { return kind == S_IFDIR; }
    bool isRegularFile() const { return kind == S_IFREG; }
    bool isLink() const { return kind == S_IFLNK; }
    // The same item: device, inode, mount and kind agree (links and sizes may change).
    bool isSameItem(const BVFileIdentity& other) const {
        bool sameBirth = birthSeconds == 0 || other.birthSeconds == 0 ||
                         (birthSeconds == other.birthSeconds && birthNanoseconds == other.birthNanoseconds);
        return device == other.device && inode == other.inode && kind == other.kind && mountID == other.mountID && sameBirth;
    }
    // True when `child`, met inside this folder, lies on another mount (it is a mount point, or
    // a file bind-mounted there).
    bool isOtherMountThan(const BVFileIdentity& folder) const {
        return device != folder.device || (mountID != 0 && folder.mountID != 0 && mountID != folder.mountID);
    }
    // "a folder", "a file", "a link", ...: for messages.
    std::string kindDescription() const;

    static BVFileIdentity fromStatx(const struct statx& st);
};

// The statx fields every identity is made of.
inline constexpr unsigned BVFileIdentityStatxMask =
    STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_BLOCKS | STATX_MNT_ID | STATX_BTIME | STATX_MTIME;

// The refusals of the safe file layer, as POSIX-domain errors that name the path and say why:
// a link met on the way (ELOOP), a mount met on the way or at the item (EXDEV), an item that is
// no longer the one listed (ESTALE).
class BVError;
BVError BVLinkRefusal(const std::string& path, const std::string& link);
BVError BVMountRefusal(const std::string& path, const std::string& mountPoint);
BVError BVChangedRefusal(const std::string& path, const BVFileIdentity& listed, const BVFileIdentity& now);

// The identity of `name` in the folder `folderFd` (the folder itself when `name` is empty),
// never following a link; none with errno set when it cannot be read.
std::optional<BVFileIdentity> BVIdentityAt(int folderFd, const char* name);
