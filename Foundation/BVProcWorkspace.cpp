#include "Foundation/BVProcWorkspace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVProcessExitWatcher.h"

extern char** environ;

namespace {

class ProcApplication : public BVRunningApplication, public std::enable_shared_from_this<ProcApplication> {
public:
    ProcApplication(std::string bundleID, std::string executable, pid_t pid, int pidfd)
        : bundleID_(std::move(bundleID)), executable_(std::move(executable)), pid_(pid), pidfd_(pidfd) {}
    ~ProcApplication() override {
        BVProcessExitWatcher::shared().forget(pidfd_);
        ::close(pidfd_);
    }

    std::string bundleIdentifier() const override { return bundleID_; }
    std::optional<std::string> bundleURL() const override { return executable_; }
    pid_t processIdentifier() const override { return pid_; }
    bool isTerminated() const override { return BVProcessExitWatcher::hasExited(pidfd_); }

    bool terminate() override {
#ifdef SYS_pidfd_send_signal
        if (::syscall(SYS_pidfd_send_signal, pidfd_, SIGTERM, nullptr, 0) == 0) return true;
        if (errno != ENOSYS) return false;
#endif
        return ::kill(pid_, SIGTERM) == 0;
    }

    uint64_t addTerminationObserver(TerminationObserver observer) override {
        return BVProcessExitWatcher::shared().watch(pidfd_, std::move(observer));
    }
    void removeTerminationObserver(uint64_t token) override { BVProcessExitWatcher::shared().unwatch(token); }

private:
    std::string bundleID_, executable_;
    pid_t pid_;
    int pidfd_;
};

std::string readLink(const std::string& path) {
    char buffer[4096];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    std::string target(buffer, size_t(n));
    const std::string deleted = " (deleted)";
    if (target.size() > deleted.size() && target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
        target.resize(target.size() - deleted.size());
    return target;
}

// The parent's process number from /proc/PID/stat ("PID (COMM) STATE PPID ..."; the name may
// hold spaces and parentheses, so the fields are counted after its last ")"); 0 when unknown.
long parentOf(const std::string& procRoot, const char* pid) {
    std::ifstream file(procRoot + "/" + pid + "/stat");
    std::string stat;
    std::getline(file, stat);
    size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 > stat.size()) return 0;
    const char* fields = stat.c_str() + close + 2;  // the state letter
    char* end = nullptr;
    long ppid = std::strtol(fields + 1, &end, 10);
    return end == fields + 1 ? 0 : ppid;
}

}  // namespace

BVProcWorkspace::BVProcWorkspace(std::vector<BVApplicationExecutables> applications, std::string procRoot)
    : applications_(std::move(applications)), procRoot_(std::move(procRoot)) {}

BVProcWorkspace::BVProcWorkspace(std::function<std::vector<BVApplicationExecutables>()> applications, std::string procRoot)
    : source_(std::move(applications)), procRoot_(std::move(procRoot)) {}

const std::vector<BVApplicationExecutables>& BVProcWorkspace::applications() {
    std::call_once(loaded_, [this] {
        if (source_) applications_ = source_();
    });
    return applications_;
}

std::vector<BVRunningApplicationPtr> BVProcWorkspace::runningApplications() {
    std::vector<BVRunningApplicationPtr> out;
    DIR* proc = ::opendir(procRoot_.c_str());
    if (!proc) return out;
    while (dirent* d = ::readdir(proc)) {
        char* end = nullptr;
        long pid = std::strtol(d->d_name, &end, 10);
        if (*end || pid <= 0) continue;
        std::string executable = readLink(procRoot_ + "/" + d->d_name + "/exe");
        if (executable.empty()) continue;
        std::string name = BVFileIO::lastPathComponent(executable);
        // A helper the application started from its own program (a browser's content and
        // renderer processes) is part of it, not an application of its own: it goes when its
        // parent goes, and relaunching it would start the application once per helper.
        if (long parent = parentOf(procRoot_, d->d_name); parent > 0 && readLink(procRoot_ + "/" + std::to_string(parent) + "/exe") == executable)
            continue;
        for (const auto& app : applications()) {
            bool matches = false;
            for (const auto& e : app.executables)
                matches = matches || (e.find('/') != std::string::npos ? e == executable : e == name);
            if (!matches) continue;
            // The pidfd pins this very process: if it exits and the number is reused, the
            // descriptor still refers to the one that exited.
            int pidfd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
            if (pidfd < 0) break;
            if (readLink(procRoot_ + "/" + d->d_name + "/exe") != executable) {  // replaced meanwhile
                ::close(pidfd);
                break;
            }
            out.push_back(std::make_shared<ProcApplication>(app.bundleIdentifier, executable, pid_t(pid), pidfd));
            break;
        }
    }
    ::closedir(proc);
    return out;
}

bool BVProcWorkspace::launchApplicationAtURL(const std::string& url, uint64_t, BVError* error) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;  // a relaunched application gets no blocked signal from us
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, url.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        BVSetError(error, BVError::fromErrno(rc, url));
        return false;
    }
    // Reaped by the exit watcher, so the relaunched application never lingers as a zombie of
    // ours once it quits.
    BVProcessExitWatcher::shared().reapWhenExited(pid);
    return true;
}
