#include "Foundation/BVDirectoryWalker.h"
#include "Foundation/BVLinuxDirent.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct SharedWork {
    std::mutex mutex;
    std::condition_variable available;
    std::vector<std::string> folders;
    unsigned busy = 0;
    bool stop = false;
    std::atomic<uint64_t> unreadable{0};
};

void readFolder(const std::string& folder, unsigned worker, const BVDirectoryWalker::Visitor& visitor,
                std::vector<std::string>& subfolders, SharedWork& work) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        work.unreadable.fetch_add(1);
        return;
    }
    alignas(8) char buffer[64 * 1024];
    for (;;) {
        long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
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
            if (::statx(fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
                        BVDirectoryWalker::kStatxMask, &st) != 0) {
                continue;  // vanished since it was listed
            }
            BVWalkEntry entry{folder, name, st};
            bool descend = visitor(worker, entry);
            if (descend && S_ISDIR(st.stx_mode)) subfolders.push_back(entry.path());
        }
    }
    ::close(fd);
}

}  // namespace

std::string BVWalkEntry::path() const {
    std::string p;
    p.reserve(folder.size() + 1 + std::strlen(name));
    p = folder;
    if (p.empty() || p.back() != '/') p += '/';
    p += name;
    return p;
}

BVDirectoryWalker::BVDirectoryWalker(unsigned threads)
    : threads_(threads ? threads : std::max(1u, std::thread::hardware_concurrency())) {}

uint64_t BVDirectoryWalker::walk(const std::string& folder, const Visitor& visitor,
                                 const std::function<bool()>& shouldStop) const {
    SharedWork work;
    std::string start = folder;
    while (start.size() > 1 && start.back() == '/') start.pop_back();
    work.folders.push_back(start);

    auto run = [&](unsigned worker) {
        std::vector<std::string> subfolders;
        std::unique_lock lock(work.mutex);
        for (;;) {
            work.available.wait(lock, [&] { return work.stop || !work.folders.empty() || work.busy == 0; });
            if (work.stop || (work.folders.empty() && work.busy == 0)) break;
            std::string next = std::move(work.folders.back());
            work.folders.pop_back();
            ++work.busy;
            lock.unlock();
            subfolders.clear();
            readFolder(next, worker, visitor, subfolders, work);
            bool stopping = shouldStop && shouldStop();
            lock.lock();
            --work.busy;
            if (stopping) work.stop = true;
            for (auto& s : subfolders) work.folders.push_back(std::move(s));
            work.available.notify_all();
        }
        work.available.notify_all();
    };

    if (threads_ == 1) {
        run(0);
    } else {
        std::vector<std::thread> workers;
        for (unsigned i = 1; i < threads_; ++i) workers.emplace_back(run, i);
        run(0);
        for (auto& t : workers) t.join();
    }
    return work.unreadable.load();
}
