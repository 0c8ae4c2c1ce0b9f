#include "Foundation/BVTreeRemoval.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLinuxDirent.h"

namespace {

// Folders kept open at once. Ancestors beyond this are closed and, on the way back up,
// reopened through ".." of their child and checked to be the same folder (device and inode),
// so that a folder moved during the walk is never mistaken for its old parent.
constexpr size_t kMaximumOpenFolders = 96;

// Workers that may take over a subtree. Removal is dominated by the file system freeing
// blocks, which proceeds in parallel across subtrees.
struct WorkerBudget {
    std::atomic<int> spare;
    bool tryTake() {
        int n = spare.load();
        while (n > 0)
            if (spare.compare_exchange_weak(n, n - 1)) return true;
        return false;
    }
    void give() { spare.fetch_add(1); }
};

// A subtree handed to another thread, joined before its parent folder is removed.
struct Helper {
    std::thread thread;
    std::shared_ptr<std::pair<bool, BVError>> outcome = std::make_shared<std::pair<bool, BVError>>(true, BVError());
};

struct Frame {
    int fd = -1;
    std::string name;                  // relative to the parent frame
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<std::string> folders;  // subfolders still to remove
    std::vector<Helper> helpers;       // subtrees other threads are removing
};

class Remover {
public:
    Remover(std::string root, BVTreeRemoval::Mode mode, BVError* error, WorkerBudget& budget)
        : root_(std::move(root)), mode_(mode), error_(error), budget_(budget) {}

    bool run(int parentFd, const std::string& name);
    // Removes the already opened folder `frame` (named in `parentFd`) on the item's device.
    bool runOpened(int parentFd, Frame frame, dev_t device);

private:
    std::string pathOf(size_t depth, const std::string& leaf = {}) const {
        std::string p = root_;
        for (size_t i = 1; i <= depth && i < stack_.size(); ++i) p = BVFileIO::appendPathComponent(p, stack_[i].name);
        return leaf.empty() ? p : BVFileIO::appendPathComponent(p, leaf);
    }

    void fail(int err, const std::string& path) { failWith(BVError::fromErrno(err, path)); }
    void failWith(const BVError& e) {
        if (!failed_) BVSetError(error_, e);
        failed_ = true;
    }

    // Opens a folder relative to a parent, never following a link.
    static int openFolder(int parentFd, const std::string& name) {
        return ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }

    // Opens a folder and records its identity.
    static bool openFrame(int parentFd, const std::string& name, Frame& frame) {
        frame.fd = openFolder(parentFd, name);
        if (frame.fd < 0) return false;
        struct stat st {};
        if (::fstat(frame.fd, &st) == 0) frame.device = st.st_dev, frame.inode = st.st_ino;
        frame.name = name;
        return true;
    }

    // Reopens a closed ancestor through its child's "..", refusing a different folder.
    static int reopenParent(int childFd, const Frame& parent) {
        int fd = ::openat(childFd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || st.st_dev != parent.device || st.st_ino != parent.inode) {
            ::close(fd);
            errno = ESTALE;
            return -1;
        }
        return fd;
    }

    // Reads the whole folder at the top of the stack, then unlinks its non-folders and notes its
    // subfolders, both in inode order: the file system frees inodes and blocks faster in the
    // order it allocated them, and nothing is unlinked while the listing is still being read.
    void readTop() {
        Frame& top = stack_.back();
        int fd = top.fd;
        struct Entry {
            uint64_t inode;
            unsigned char type;
            std::string name;
        };
        std::vector<Entry> entries;
        alignas(8) char buffer[32 * 1024];
        for (;;) {
            long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                fail(errno, pathOf(stack_.size() - 1));
                break;
            }
            if (n == 0) break;
            for (long offset = 0; offset < n;) {
                auto* d = reinterpret_cast<BVLinuxDirent64*>(buffer + offset);
                offset += d->d_reclen;
                const char* name = d->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
                entries.push_back({d->d_ino, d->d_type, name});
            }
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.inode < b.inode; });
        for (const auto& e : entries) {
            unsigned char type = e.type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(fd, e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
            }
            if (type == DT_DIR) continue;
            if (type == DT_REG && mode_ == BVTreeRemoval::Mode::Erase) {
                BVError reason;
                if (!BVTreeRemoval::overwriteFile(fd, e.name.c_str(), &reason, pathOf(stack_.size() - 1, e.name))) {
                    failWith(reason);
                    continue;  // a file that could not be erased is not unlinked either
                }
            }
            if (::unlinkat(fd, e.name.c_str(), 0) != 0 && errno != ENOENT) fail(errno, pathOf(stack_.size() - 1, e.name));
        }
        // Taken from the back: the lowest inode first.
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            bool folder = it->type == DT_DIR;
            if (it->type == DT_UNKNOWN) {
                struct stat st {};
                folder = ::fstatat(fd, it->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            }
            if (folder) top.folders.push_back(it->name);
        }
    }

    void joinHelpers(Frame& frame) {
        for (auto& h : frame.helpers) {
            h.thread.join();
            if (!h.outcome->first) failWith(h.outcome->second);
        }
        frame.helpers.clear();
    }

    // Hands the opened child folder to another thread when one is free.
    bool handOff(Frame& top, Frame& child, dev_t device) {
        if (!budget_.tryTake()) return false;
        int parent = ::fcntl(top.fd, F_DUPFD_CLOEXEC, 0);
        if (parent < 0) {
            budget_.give();
            return false;
        }
        Helper helper;
        auto outcome = helper.outcome;
        std::string path = pathOf(stack_.size() - 1, child.name);
        helper.thread = std::thread([this, parent, path, outcome, device, frame = std::move(child)]() mutable {
            Remover sub(path, mode_, &outcome->second, budget_);
            outcome->first = sub.runOpened(parent, std::move(frame), device);
            ::close(parent);
            budget_.give();
        });
        top.helpers.push_back(std::move(helper));
        return true;
    }

    std::string root_;
    BVTreeRemoval::Mode mode_;
    BVError* error_;
    WorkerBudget& budget_;
    bool failed_ = false;
    std::vector<Frame> stack_;
};

bool Remover::run(int parentFd, const std::string& name) {
    Frame root;
    if (!openFrame(parentFd, name, root)) {
        fail(errno, root_);
        return false;
    }
    dev_t device = root.device;
    return runOpened(parentFd, std::move(root), device);
}

bool Remover::runOpened(int parentFd, Frame root, dev_t device) {
    stack_.push_back(std::move(root));
    readTop();
    // The folder at the top of the stack is always open.
    while (!stack_.empty()) {
        Frame& top = stack_.back();
        if (!top.folders.empty()) {
            std::string child = std::move(top.folders.back());
            top.folders.pop_back();
            Frame frame;
            if (!openFrame(top.fd, child, frame)) {
                // A folder swapped for a link (or a file) since it was listed: remove that.
                if (errno == ENOTDIR || errno == ELOOP) {
                    if (::unlinkat(top.fd, child.c_str(), 0) != 0 && errno != ENOENT)
                        fail(errno, pathOf(stack_.size() - 1, child));
                } else if (errno != ENOENT) {
                    fail(errno, pathOf(stack_.size() - 1, child));
                }
                continue;
            }
            if (frame.device != device) {  // another file system is mounted here
                ::close(frame.fd);
                fail(EXDEV, pathOf(stack_.size() - 1, child));
                continue;
            }
            if (handOff(top, frame, device)) continue;
            if (stack_.size() >= kMaximumOpenFolders) {
                Frame& oldest = stack_[stack_.size() - kMaximumOpenFolders + 1];
                if (oldest.fd >= 0) ::close(oldest.fd), oldest.fd = -1;
            }
            stack_.push_back(std::move(frame));
            readTop();
            continue;
        }
        // Every child is handled (the subtrees handed off once their threads end): remove the
        // folder from its parent.
        joinHelpers(top);
        Frame done = std::move(top);
        stack_.pop_back();
        int parent = parentFd;
        if (!stack_.empty()) {
            Frame& up = stack_.back();
            if (up.fd < 0) up.fd = reopenParent(done.fd, up);
            parent = up.fd;
        }
        int reopenError = errno;
        ::close(done.fd);
        auto donePath = [&] { return stack_.empty() ? root_ : pathOf(stack_.size() - 1, done.name); };
        if (parent < 0) {
            // The parent cannot be reached safely any more: stop here, leaving the rest.
            fail(reopenError, donePath());
            for (auto& f : stack_) {
                joinHelpers(f);
                if (f.fd >= 0) ::close(f.fd);
            }
            stack_.clear();
            break;
        }
        if (::unlinkat(parent, done.name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) fail(errno, donePath());
    }
    return !failed_;
}

}  // namespace

namespace BVTreeRemoval {

bool overwriteFile(int directoryFd, const char* name, BVError* error, const std::string& pathForErrors) {
    int fd = ::openat(directoryFd, name, O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        BVSetError(error, BVError::fromErrno(errno, pathForErrors));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int e = errno ? errno : EINVAL;
        ::close(fd);
        BVSetError(error, BVError::fromErrno(e, pathForErrors));
        return false;
    }
    if (st.st_nlink > 1) {  // shared with another name: leave the content alone
        ::close(fd);
        return true;
    }
    static const std::vector<char> zeros(1 << 20, 0);
    off_t remaining = st.st_size, position = 0;
    while (remaining > 0) {
        size_t n = size_t(std::min<off_t>(remaining, off_t(zeros.size())));
        ssize_t w = ::pwrite(fd, zeros.data(), n, position);
        if (w < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            BVSetError(error, BVError::fromErrno(e, pathForErrors));
            return false;
        }
        position += w;
        remaining -= w;
    }
    bool ok = ::fsync(fd) == 0;
    int e = errno;
    ::close(fd);
    if (!ok) BVSetError(error, BVError::fromErrno(e, pathForErrors));
    return ok;
}

bool removeItemAt(int parentFd, const std::string& name, const std::string& path, Mode mode, BVError* error) {
    struct stat st {};
    if (::fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        WorkerBudget budget{int(std::max(1u, std::thread::hardware_concurrency())) - 1};
        return Remover(path, mode, error, budget).run(parentFd, name);
    }
    if (mode == Mode::Erase && S_ISREG(st.st_mode) && !overwriteFile(parentFd, name.c_str(), error, path)) return false;
    if (::unlinkat(parentFd, name.c_str(), 0) != 0) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return false;
    }
    return true;
}

bool removeItem(const std::string& path, Mode mode, BVError* error) {
    std::string parent = BVFileIO::parentPath(path), name = BVFileIO::lastPathComponent(path);
    if (path.empty() || name.empty() || name == "." || name == ".." || name == "/") {
        BVSetError(error, BVError::fromErrno(path.empty() ? ENOENT : EINVAL, path));
        return false;
    }
    int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return false;
    }
    bool ok = removeItemAt(parentFd, name, path, mode, error);
    ::close(parentFd);
    return ok;
}

}  // namespace BVTreeRemoval
