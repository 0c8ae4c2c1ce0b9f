// BVTaskRunner: runs an external tool and captures what it prints.
//
// The POSIX runner starts the tool with posix_spawn (standard input from /dev/null unless input
// is given), reads its standard output and error as they come, and ends it (SIGTERM, then
// SIGKILL after a grace period) when the time-out passes or `shouldCancel` answers true. The
// process identifier is handed to `onLaunch` as soon as the tool has started. Implementations
// are safe from any thread; one call runs one tool, synchronously.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct BVTaskRequest {
    std::string executable;          // an absolute path, or a name looked up in PATH
    std::vector<std::string> arguments;
    std::string standardInput;       // written to the tool, then closed
    double timeoutSeconds = 0;       // 0: no limit
    std::function<void(pid_t)> onLaunch;
    std::function<bool()> shouldCancel;  // polled while the tool runs
};

struct BVTaskOutcome {
    bool launched = false;
    int launchErrno = 0;          // why it could not start
    int exitStatus = -1;          // when it exited
    int terminatingSignal = 0;    // when a signal ended it
    bool timedOut = false;
    bool cancelled = false;
    std::string standardOutput;
    std::string standardError;
    bool succeeded() const { return launched && exitStatus == 0 && !timedOut && !cancelled; }
};

class BVTaskRunner {
public:
    static std::shared_ptr<BVTaskRunner> sharedRunner();
    virtual ~BVTaskRunner() = default;
    virtual BVTaskOutcome run(const BVTaskRequest& request) = 0;
};

using BVTaskRunnerPtr = std::shared_ptr<BVTaskRunner>;
