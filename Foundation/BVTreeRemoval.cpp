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
#include "Foundation/BVKeepRule.h"
#include "Foundation/BVLinuxDirent.h"
#include "Foundation/BVWorkerPool.h"

namespace {

// Folders kept open at once. Ancestors beyond this are closed and, on the way back up,
// reopened through ".." of their child and checked to be the same folder (device and inode),
// so that a folder moved during the walk is never mistaken for its old parent.
constexpr size_t kMaximumOpenFolders = 96;

bool isPermissionFailure(int e) { return e == EACCES || e == EPERM; }

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

// What a subtree handed to another thread did, read once its thread is joined.
struct HelperOutcome {
    bool ok = true;
    bool remains = false;
    BVError error;
    BVRemovalOutcome removal;
};

struct Helper {
    BVWorkerPool::Job job;
    std::shared_ptr<HelperOutcome> outcome = std::make_shared<HelperOutcome>();
};

struct Frame {
    int fd = -1;
    std::string name;  // relative to the parent frame
    BVFileIdentity identity;
    bool mayHoldKept = false;          // the keep rule may name something below
    bool remains = false;              // something below stays (kept, or not removable)
    std::vector<std::string> folders;  // subfolders still to remove
    std::vector<Helper> helpers;       // subtrees other threads are removing
};

bool overwriteFile(int directoryFd, const char* name, const BVFileIdentity& listed, BVError* error,
                   const std::string& pathForErrors) {
    int fd = ::openat(directoryFd, name, O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        BVSetError(error, BVError::fromErrno(errno, pathForErrors));
        return false;
    }
    auto id = BVIdentityAt(fd, "");
    if (!id || !id->isSameItem(listed) || !id->isRegularFile()) {
        ::close(fd);
        BVSetError(error, id ? BVChangedRefusal(pathForErrors, listed, *id) : BVError::fromErrno(errno, pathForErrors));
        return false;
    }
    if (id->links > 1) {  // shared with another name: leave the content alone
        ::close(fd);
        return true;
    }
    static const std::vector<char> zeros(1 << 20, 0);
    off_t remaining = off_t(id->length), position = 0;
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

class Remover {
public:
    // `mount` is the removed item's identity: nothing on another mount is touched.
    Remover(std::string root, const BVRemovalRequest& request, const BVFileIdentity& mount, BVError* error,
            BVRemovalOutcome& outcome, WorkerBudget& budget)
        : root_(std::move(root)), request_(request), mount_(mount), error_(error), outcome_(outcome), budget_(budget) {}

    // Removes the already opened folder `frame`, an entry of `parentFd`.
    bool runOpened(int parentFd, Frame frame);
    bool remains() const { return rootRemains_; }

private:
    std::string pathOf(size_t depth, const std::string& leaf = {}) const {
        std::string p = root_;
        for (size_t i = 1; i <= depth && i < stack_.size(); ++i) p = BVFileIO::appendPathComponent(p, stack_[i].name);
        return leaf.empty() ? p : BVFileIO::appendPathComponent(p, leaf);
    }
    std::string pathOfTop(const std::string& leaf) const { return pathOf(stack_.size() - 1, leaf); }

    void fail(int err, const std::string& path) { failWith(BVError::fromErrno(err, path)); }
    void failWith(const BVError& e) {
        if (!failed_) BVSetError(error_, e);
        failed_ = true;
        if (isPermissionFailure(e.posixCode())) outcome_.permissionDenied = true;
    }
    bool keeps(const Frame& frame, const std::string& leaf) const {
        return frame.mayHoldKept && request_.keep->keeps(pathOfTop(leaf));
    }

    // Opens a folder relative to its parent, never following a link, and records its identity.
    static bool openFrame(int parentFd, const std::string& name, Frame& frame) {
        frame.fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (frame.fd < 0) return false;
        auto id = BVIdentityAt(frame.fd, "");
        if (!id) {
            int e = errno;
            ::close(frame.fd);
            frame.fd = -1;
            errno = e;
            return false;
        }
        frame.identity = *id;
        frame.name = name;
        return true;
    }

    // Reopens a closed ancestor through its child's "..", refusing a different folder.
    static int reopenParent(int childFd, const Frame& parent) {
        int fd = ::openat(childFd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        auto id = BVIdentityAt(fd, "");
        if (!id || id->device != parent.identity.device || id->inode != parent.identity.inode) {
            ::close(fd);
            errno = ESTALE;
            return -1;
        }
        return fd;
    }

    // Unlinks one entry that is not a folder, counting what it frees.
    void unlinkEntry(Frame& top, const std::string& name, const BVFileIdentity& id) {
        if (keeps(top, name)) {
            ++outcome_.keptItems;
            top.remains = true;
            return;
        }
        if (id.isOtherMountThan(mount_)) {  // a file bind-mounted here
            failWith(BVMountRefusal(pathOfTop(name), pathOfTop(name)));
            top.remains = true;
            return;
        }
        if (request_.mode == BVRemovalMode::Erase && id.isRegularFile()) {
            BVError reason;
            if (!overwriteFile(top.fd, name.c_str(), id, &reason, pathOfTop(name))) {
                failWith(reason);  // a file that could not be erased is not unlinked either
                top.remains = true;
                return;
            }
        }
        if (::unlinkat(top.fd, name.c_str(), 0) != 0) {
            if (errno == ENOENT) return;
            fail(errno, pathOfTop(name));
            top.remains = true;
            return;
        }
        if (id.links <= 1) outcome_.freedBytes += id.allocatedBytes;
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
                top.remains = true;
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
        std::vector<std::string> folders;
        for (auto& e : entries) {
            if (e.type == DT_DIR) {
                folders.push_back(std::move(e.name));
                continue;
            }
            auto id = BVIdentityAt(fd, e.name.c_str());
            if (!id) {
                if (errno != ENOENT) fail(errno, pathOfTop(e.name)), top.remains = true;
                continue;
            }
            if (id->isDirectory()) folders.push_back(std::move(e.name));
            else unlinkEntry(top, e.name, *id);
        }
        // Taken from the back: the lowest inode first.
        top.folders.assign(std::make_move_iterator(folders.rbegin()), std::make_move_iterator(folders.rend()));
    }

    void joinHelpers(Frame& frame) {
        for (auto& h : frame.helpers) {
            h.job.wait();
            outcome_.add(h.outcome->removal);
            if (!h.outcome->ok) failWith(h.outcome->error);
            if (h.outcome->remains) frame.remains = true;
        }
        frame.helpers.clear();
    }

    // Hands the opened child folder to another thread when one is free.
    bool handOff(Frame& top, Frame& child) {
        if (!budget_.tryTake()) return false;
        int parent = ::fcntl(top.fd, F_DUPFD_CLOEXEC, 0);
        if (parent < 0) {
            budget_.give();
            return false;
        }
        Helper helper;
        auto outcome = helper.outcome;
        std::string path = pathOfTop(child.name);
        helper.job = BVWorkerPool::shared().run([this, parent, path, outcome, frame = std::move(child)]() mutable {
            Remover sub(path, request_, mount_, &outcome->error, outcome->removal, budget_);
            outcome->ok = sub.runOpened(parent, std::move(frame));
            outcome->remains = sub.remains();
            ::close(parent);
            budget_.give();
        });
        top.helpers.push_back(std::move(helper));
        return true;
    }

    // Takes the next subfolder of the top frame: unlinks what is no longer a folder, leaves what
    // is kept or on another mount, and opens the rest.
    void descend() {
        Frame& top = stack_.back();
        std::string child = std::move(top.folders.back());
        top.folders.pop_back();
        if (keeps(top, child)) {
            ++outcome_.keptItems;
            top.remains = true;
            return;
        }
        Frame frame;
        if (!openFrame(top.fd, child, frame)) {
            if (errno == ENOENT) return;
            if (errno == ENOTDIR || errno == ELOOP) {
                // A folder swapped for a link (or a file) since it was listed: remove that.
                if (auto id = BVIdentityAt(top.fd, child.c_str()); id && !id->isDirectory()) unlinkEntry(top, child, *id);
                return;
            }
            fail(errno, pathOfTop(child));
            top.remains = true;
            return;
        }
        if (frame.identity.isOtherMountThan(mount_)) {
            ::close(frame.fd);
            failWith(BVMountRefusal(pathOfTop(child), pathOfTop(child)));
            top.remains = true;
            return;
        }
        frame.mayHoldKept = top.mayHoldKept && request_.keep->mayHoldKept(pathOfTop(child));
        if (handOff(top, frame)) return;
        if (stack_.size() >= kMaximumOpenFolders) {
            Frame& oldest = stack_[stack_.size() - kMaximumOpenFolders + 1];
            if (oldest.fd >= 0) ::close(oldest.fd), oldest.fd = -1;
        }
        stack_.push_back(std::move(frame));
        readTop();
    }

    std::string root_;
    const BVRemovalRequest& request_;
    BVFileIdentity mount_;
    BVError* error_;
    BVRemovalOutcome& outcome_;
    WorkerBudget& budget_;
    bool failed_ = false;
    bool rootRemains_ = false;
    std::vector<Frame> stack_;
};

bool Remover::runOpened(int parentFd, Frame root) {
    stack_.push_back(std::move(root));
    readTop();
    // The folder at the top of the stack is always open.
    while (!stack_.empty()) {
        if (!stack_.back().folders.empty()) {
            descend();
            continue;
        }
        // Every child is handled (the subtrees handed off once their threads end): remove the
        // folder from its parent, unless something below stays.
        Frame& top = stack_.back();
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
        auto donePath = [&] { return stack_.empty() ? root_ : pathOfTop(done.name); };
        if (parent < 0) {
            // The parent cannot be reached safely any more: stop here, leaving the rest.
            fail(reopenError, donePath());
            for (auto& f : stack_) {
                joinHelpers(f);
                if (f.fd >= 0) ::close(f.fd);
            }
            stack_.clear();
            rootRemains_ = true;
            break;
        }
        bool removed = false;
        if (!done.remains) {
            if (::unlinkat(parent, done.name.c_str(), AT_REMOVEDIR) == 0) {
                removed = true;
                outcome_.freedBytes += done.identity.allocatedBytes;
            } else if (errno == ENOENT) {
                removed = true;
            } else {
                fail(errno, donePath());
            }
        }
        if (!removed) {
            if (stack_.empty()) rootRemains_ = true;
            else stack_.back().remains = true;
        }
    }
    return !failed_;
}

}  // namespace

namespace BVTreeRemoval {

bool isEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool removeChild(int folderFd, const BVFileIdentity& folder, const std::string& folderPath, const std::string& name,
                 const BVRemovalRequest& request, BVRemovalOutcome& outcome, BVError* error) {
    std::string path = BVFileIO::appendPathComponent(folderPath, name);
    if (!isEntryName(name)) {
        BVSetError(error, BVError::fromErrno(EINVAL, path, "names no item that can be removed"));
        return false;
    }
    if (request.keep && request.keep->keeps(path)) {
        ++outcome.keptItems;
        return true;
    }
    auto id = BVIdentityAt(folderFd, name.c_str());
    if (!id) {
        int e = errno;
        outcome.wasMissing = e == ENOENT;
        outcome.permissionDenied = isPermissionFailure(e);
        BVSetError(error, BVError::fromErrno(e, path));
        return false;
    }
    if (id->isOtherMountThan(folder)) {
        BVSetError(error, BVMountRefusal(path, path));
        return false;
    }
    if (request.expected && !request.expected->isSameItem(*id)) {
        BVSetError(error, BVChangedRefusal(path, *request.expected, *id));
        return false;
    }
    if (id->isDirectory()) {
        Frame root;
        root.fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (root.fd < 0) {
            int e = errno;
            outcome.permissionDenied = isPermissionFailure(e);
            BVSetError(error, e == ELOOP || e == ENOTDIR ? BVError::fromErrno(ESTALE, path, "left alone: it changed while it was being removed")
                                                          : BVError::fromErrno(e, path));
            return false;
        }
        auto opened = BVIdentityAt(root.fd, "");
        if (!opened || !opened->isSameItem(*id)) {
            ::close(root.fd);
            BVSetError(error, opened ? BVChangedRefusal(path, *id, *opened) : BVError::fromErrno(errno, path));
            return false;
        }
        root.identity = *opened;
        root.name = name;
        root.mayHoldKept = request.keep && request.keep->mayHoldKept(path);
        WorkerBudget budget{int(std::max(1u, std::thread::hardware_concurrency())) - 1};
        Remover remover(path, request, *opened, error, outcome, budget);
        return remover.runOpened(folderFd, std::move(root));
    }
    if (request.mode == BVRemovalMode::Erase && id->isRegularFile() && !overwriteFile(folderFd, name.c_str(), *id, error, path))
        return false;
    if (::unlinkat(folderFd, name.c_str(), 0) != 0) {
        int e = errno;
        outcome.wasMissing = e == ENOENT;
        outcome.permissionDenied = isPermissionFailure(e);
        BVSetError(error, BVError::fromErrno(e, path));
        return false;
    }
    if (id->links <= 1) outcome.freedBytes += id->allocatedBytes;
    return true;
}

bool emptyChild(int folderFd, const BVFileIdentity& folder, const std::string& folderPath, const std::string& name,
                const BVRemovalRequest& request, BVRemovalOutcome& outcome, BVError* error) {
    std::string path = BVFileIO::appendPathComponent(folderPath, name);
    if (!isEntryName(name)) {
        BVSetError(error, BVError::fromErrno(EINVAL, path, "names no file that can be emptied"));
        return false;
    }
    if (request.keep && request.keep->keeps(path)) {
        ++outcome.keptItems;
        return true;
    }
    // Never blocks on a pipe, never becomes a controlling terminal, never follows a link.
    int fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        int e = errno;
        outcome.wasMissing = e == ENOENT;
        outcome.permissionDenied = isPermissionFailure(e);
        if (e == ELOOP) BVSetError(error, BVError::fromErrno(ELOOP, path, "not emptied: it is a symbolic link"));
        else if (e == EISDIR) BVSetError(error, BVError::fromErrno(EISDIR, path, "not emptied: it is a folder"));
        else BVSetError(error, BVError::fromErrno(e, path));
        return false;
    }
    auto id = BVIdentityAt(fd, "");
    int failure = 0;
    BVError refusal;
    if (!id) failure = errno, refusal = BVError::fromErrno(failure, path);
    else if (!id->isRegularFile()) failure = EINVAL, refusal = BVError::fromErrno(EINVAL, path, "not emptied: it is not a regular file");
    else if (id->isOtherMountThan(folder)) failure = EXDEV, refusal = BVMountRefusal(path, path);
    else if (request.expected && !request.expected->isSameItem(*id)) failure = ESTALE, refusal = BVChangedRefusal(path, *request.expected, *id);
    if (!failure && id->links > 1) {
        // Cutting it would empty its other names too: only this name goes.
        ::close(fd);
        if (::unlinkat(folderFd, name.c_str(), 0) != 0) {
            int e = errno;
            outcome.permissionDenied = isPermissionFailure(e);
            BVSetError(error, BVError::fromErrno(e, path));
            return false;
        }
        outcome.unlinkedInstead = true;
        return true;
    }
    if (!failure && ::ftruncate(fd, 0) != 0) failure = errno, refusal = BVError::fromErrno(failure, path);
    ::close(fd);
    if (failure) {
        outcome.permissionDenied = isPermissionFailure(failure);
        BVSetError(error, refusal);
        return false;
    }
    outcome.freedBytes += id->allocatedBytes;
    return true;
}

}  // namespace BVTreeRemoval
