// BVProcWorkspace: running applications read from /proc. A process is an application when
// its executable (/proc/PID/exe) is one of a known application's executables, by full path or
// by file name, and its parent does not run the same executable (a helper process a browser
// starts from its own program belongs to its parent application). Terminating sends SIGTERM; termination is observed through a pidfd, woken by
// the kernel (no polling), so a reused process number is never mistaken for the application.
// Relaunching starts the executable again in a new session, detached. Safe from any thread.
#pragma once

#include <functional>
#include <mutex>

#include "Foundation/BVWorkspace.h"

class BVProcWorkspace : public BVWorkspace {
public:
    explicit BVProcWorkspace(std::vector<BVApplicationExecutables> applications, std::string procRoot = "/proc");
    // The applications are asked for on first use (they come from the knowledge base, which
    // need not be opened before an application is looked for).
    explicit BVProcWorkspace(std::function<std::vector<BVApplicationExecutables>()> applications,
                             std::string procRoot = "/proc");

    std::vector<BVRunningApplicationPtr> runningApplications() override;
    bool launchApplicationAtURL(const std::string& url, uint64_t options, BVError* error) override;

private:
    const std::vector<BVApplicationExecutables>& applications();

    std::function<std::vector<BVApplicationExecutables>()> source_;
    std::once_flag loaded_;
    std::vector<BVApplicationExecutables> applications_;
    std::string procRoot_;
};
