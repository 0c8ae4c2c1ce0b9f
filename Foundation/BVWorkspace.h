// BVWorkspace: the running applications of this session and launching applications.
//
// A running application is a process whose executable belongs to a known application; which
// executables belong to which bundle identifier is data the caller supplies (the knowledge
// base holds it). Implementations are safe from any thread; termination callbacks may arrive
// on any thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"

class BVRunningApplication {
public:
    using TerminationObserver = std::function<void()>;
    virtual ~BVRunningApplication() = default;

    virtual std::string bundleIdentifier() const = 0;
    // What relaunches the application: its executable (or bundle) path.
    virtual std::optional<std::string> bundleURL() const = 0;
    virtual pid_t processIdentifier() const = 0;
    virtual bool isTerminated() const = 0;
    // The polite request to quit; answers whether it was delivered.
    virtual bool terminate() = 0;
    // Calls `observer` once, on any thread, when the application has terminated (at once when it
    // already has). Answers a token for `removeTerminationObserver`.
    virtual uint64_t addTerminationObserver(TerminationObserver observer) = 0;
    virtual void removeTerminationObserver(uint64_t token) = 0;
};

using BVRunningApplicationPtr = std::shared_ptr<BVRunningApplication>;

// Launch option: start without bringing the application to the front.
inline constexpr uint64_t BVWorkspaceLaunchWithoutActivation = 512;

class BVWorkspace {
public:
    virtual ~BVWorkspace() = default;
    virtual std::vector<BVRunningApplicationPtr> runningApplications() = 0;
    // Starts the application at `url` again, detached from this process.
    virtual bool launchApplicationAtURL(const std::string& url, uint64_t options, BVError* error) = 0;
};

using BVWorkspacePtr = std::shared_ptr<BVWorkspace>;

// One known application: its bundle identifier and the executables that are it.
struct BVApplicationExecutables {
    std::string bundleIdentifier;
    std::vector<std::string> executables;  // absolute paths, or bare names matched by file name
};
