#include "Foundation/BVDirectoryWalker.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "Foundation/BVLinuxDirent.h"
#include "Foundation/BVSafeResolver.h"
#include "Foundation/BVWorkerPool.h"

namespace {

// Relative paths are continued from a new base folder before they reach this length, so every
// open stays well within what the kernel takes in one path.
constexpr size_t kLongestRelativePath = 3000;

// A folder descriptor that the pending folders below it are opened from.
struct Base {
    BVFd fd;
    std::string path;
};

struct Pending {
    std::shared_ptr<const Base> base;
    std::string relative;  // below the base; empty for the base itself
    std::string path;
};

struct SharedWork {
    std::mutex mutex;
    std::condition_variable available;
    std::vector<Pending> folders;
    unsigned busy = 0;
    bool stop = false;
    std::atomic<uint64_t> unreadable{0};
    std::atomic<uint64_t> otherMounts{0};
};

struct Walk {
    const BVSafeResolver& resolver;
    const BVFileIdentity& root;  // every entry must be on the root's mount
    const BVDirectoryWalker::Visitor& visitor;
    SharedWork& work;

    BVFd open(const Pending& p) const {
        if (p.relative.empty()) return BVFd(::openat(p.base->fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return resolver.openBeneath(p.base->fd.get(), root, p.base->path, p.relative, O_RDONLY, nullptr, nullptr);
    }

    void read(const Pending& folder, unsigned worker, std::vector<Pending>& subfolders) const {
        BVFd fd = open(folder);
        if (!fd) {
            work.unreadable.fetch_add(1);
            return;
        }
        std::shared_ptr<const Base> rebase;  // made when the relative paths grow too long
        alignas(8) char buffer[64 * 1024];
        for (;;) {
            long n = ::syscall(SYS_getdents64, fd.get(), buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                work.unreadable.fetch_add(1);
                break;
            }
            if (n == 0) break;
            for (long offset = 0; offset < n;) {
                auto* d = reinterpret_cast<BVLinuxDirent64*>(buffer + offset);
                offset += d->d_reclen;
                const char* name = d->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
                struct statx st {};
                if (::statx(fd.get(), name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
                            BVDirectoryWalker::kStatxMask, &st) != 0) {
                    continue;  // vanished since it was listed
                }
                if (BVFileIdentity::fromStatx(st).isOtherMountThan(root)) {
                    work.otherMounts.fetch_add(1);
                    continue;
                }
                BVWalkEntry entry{folder.path, name, st};
                bool descend = visitor(worker, entry);
                if (!descend || !S_ISDIR(st.stx_mode)) continue;
                size_t length = folder.relative.size() + 1 + std::strlen(name);
                if (length < kLongestRelativePath) {
                    std::string relative = folder.relative.empty() ? std::string(name) : folder.relative + "/" + name;
                    subfolders.push_back({folder.base, std::move(relative), entry.path()});
                } else {
                    if (!rebase) {
                        BVFd copy(::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0));
                        if (!copy) {
                            work.unreadable.fetch_add(1);
                            continue;
                        }
                        rebase = std::make_shared<const Base>(Base{std::move(copy), folder.path});
                    }
                    subfolders.push_back({rebase, name, entry.path()});
                }
            }
        }
    }
};

}  // namespace

std::string BVWalkEntry::path() const {
    std::string p;
    p.reserve(folder.size() + 1 + std::strlen(name));
    p = folder;
    if (p.empty() || p.back() != '/') p += '/';
    p += name;
    return p;
}

BVDirectoryWalker::BVDirectoryWalker(unsigned threads, std::shared_ptr<const BVSafeResolver> resolver)
    : threads_(threads ? threads : std::max(1u, std::thread::hardware_concurrency())), resolver_(std::move(resolver)) {}

uint64_t BVDirectoryWalker::walk(const std::string& folder, const Visitor& visitor, const std::function<bool()>& shouldStop,
                                 Summary* summary) const {
    auto resolver = resolver_ ? resolver_ : BVSafeResolver::standard();
    BVFileIdentity root;
    BVFd rootFd = resolver->openFolder(folder, O_PATH, &root, nullptr);
    if (!rootFd) {
        if (summary) *summary = {1, 0, false};
        return 1;
    }
    return walkOpened(std::move(rootFd), root, *BVSafeResolver::candidatePath(folder, nullptr), visitor, shouldStop,
                      summary);
}

uint64_t BVDirectoryWalker::walkOpened(BVFd folder, const BVFileIdentity& root, const std::string& path,
                                       const Visitor& visitor, const std::function<bool()>& shouldStop,
                                       Summary* summary) const {
    auto resolver = resolver_ ? resolver_ : BVSafeResolver::standard();
    SharedWork work;
    work.folders.push_back({std::make_shared<const Base>(Base{std::move(folder), path}), "", path});
    Walk walkState{*resolver, root, visitor, work};

    auto run = [&](unsigned worker) {
        std::vector<Pending> subfolders;
        std::unique_lock lock(work.mutex);
        for (;;) {
            work.available.wait(lock, [&] { return work.stop || !work.folders.empty() || work.busy == 0; });
            if (work.stop || (work.folders.empty() && work.busy == 0)) break;
            Pending next = std::move(work.folders.back());
            work.folders.pop_back();
            ++work.busy;
            lock.unlock();
            subfolders.clear();
            walkState.read(next, worker, subfolders);
            next = {};  // lets go of its base folder outside the lock
            bool stopping = shouldStop && shouldStop();
            lock.lock();
            --work.busy;
            if (stopping) work.stop = true;
            for (auto& s : subfolders) work.folders.push_back(std::move(s));
            work.available.notify_all();
        }
        work.available.notify_all();
    };

    BVWorkerPool::shared().runParallel(threads_, run);
    if (summary) *summary = {work.unreadable.load(), work.otherMounts.load(), true};
    return work.unreadable.load();
}
