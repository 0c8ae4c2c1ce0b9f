#include "Foundation/BVFileIdentity.h"

#include <sys/sysmacros.h>

#include <cerrno>

#include "Foundation/BVError.h"

BVFileIdentity BVFileIdentity::fromStatx(const struct statx& st) {
    BVFileIdentity id;
    id.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    id.inode = st.stx_ino;
    id.mountID = (st.stx_mask & STATX_MNT_ID) ? st.stx_mnt_id : 0;
    id.kind = st.stx_mode & S_IFMT;
    id.links = st.stx_nlink;
    id.allocatedBytes = uint64_t(st.stx_blocks) * 512;
    id.length = st.stx_size;
    if (st.stx_mask & STATX_BTIME) {
        id.birthSeconds = st.stx_btime.tv_sec;
        id.birthNanoseconds = st.stx_btime.tv_nsec;
    }
    if (st.stx_mask & STATX_MTIME) {
        id.modificationSeconds = st.stx_mtime.tv_sec;
        id.modificationNanoseconds = st.stx_mtime.tv_nsec;
    }
    return id;
}

std::string BVFileIdentity::kindDescription() const {
    switch (kind) {
    case S_IFDIR: return "a folder";
    case S_IFREG: return "a file";
    case S_IFLNK: return "a link";
    case S_IFIFO: return "a pipe";
    case S_IFSOCK: return "a socket";
    case S_IFCHR:
    case S_IFBLK: return "a device";
    default: return "something else";
    }
}

std::optional<BVFileIdentity> BVIdentityAt(int folderFd, const char* name) {
    struct statx st {};
    int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (name[0] == 0 ? AT_EMPTY_PATH : 0);
    if (::statx(folderFd, name, flags, BVFileIdentityStatxMask, &st) != 0) return std::nullopt;
    return BVFileIdentity::fromStatx(st);
}

BVError BVLinkRefusal(const std::string& path, const std::string& link) {
    return BVError::fromErrno(ELOOP, path, "not followed: " + link + " is a symbolic link");
}

BVError BVMountRefusal(const std::string& path, const std::string& mountPoint) {
    return BVError::fromErrno(EXDEV, path,
                              "left alone: another file system is mounted " + (mountPoint == path ? std::string("there") : "at " + mountPoint));
}

BVError BVChangedRefusal(const std::string& path, const BVFileIdentity& listed, const BVFileIdentity& now) {
    std::string what = listed.kind != now.kind ? "it is now " + now.kindDescription() : "another item is now in its place";
    return BVError::fromErrno(ESTALE, path, "left alone: it changed since it was listed (" + what + ")");
}
