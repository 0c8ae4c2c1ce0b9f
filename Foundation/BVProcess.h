// BVProcess: one run of an external tool, built from an executable and its arguments, driven
// by a progress (cancelling the progress ends the tool). Errors are in BVProcessErrorDomain:
// 0 the tool ended unsuccessfully (non-zero status or a signal), 1 it could not be started,
// 2 it ran past its time-out, 3 it was cancelled. Use one object per run; not for sharing
// between threads while it runs.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVProgress.h"
#include "Foundation/BVTaskRunner.h"

inline constexpr const char* BVProcessErrorDomain = "BVProcessErrorDomain";
enum BVProcessErrorCode : int64_t {
    BVProcessErrorUnsuccessfulTermination = 0,
    BVProcessErrorLaunchFailed = 1,
    BVProcessErrorTimedOut = 2,
    BVProcessErrorCancelled = 3,
};

// Tags that tell the capturing forms of `executeWithProgress` apart.
struct BVStandardOutput {
    std::string* text;
};
struct BVStandardError {
    std::string* text;
};

class BVProcess {
public:
    BVProcess(std::string executable, std::vector<std::string> arguments,
              BVTaskRunnerPtr runner = BVTaskRunner::sharedRunner());

    // 0 means no limit.
    void setTimeout(double seconds) { timeout_ = seconds; }
    void setStandardInput(std::string input) { input_ = std::move(input); }
    void onLaunch(std::function<void(pid_t)> handler) { onLaunch_ = std::move(handler); }

    // Each answers the error, or none when the tool exited with status 0.
    std::optional<BVError> executeWithProgress(const BVProgressPtr& progress);
    std::optional<BVError> executeWithProgress(const BVProgressPtr& progress, BVStandardOutput output);
    std::optional<BVError> executeWithProgress(const BVProgressPtr& progress, BVStandardError error);

    const std::string& executable() const { return executable_; }
    const std::vector<std::string>& arguments() const { return arguments_; }
    // The process identifier of the last run, 0 before any.
    pid_t actualID() const { return pid_; }
    // The outcome of the last run.
    const BVTaskOutcome& outcome() const { return outcome_; }

private:
    std::optional<BVError> execute(const BVProgressPtr& progress);

    std::string executable_;
    std::vector<std::string> arguments_;
    BVTaskRunnerPtr runner_;
    double timeout_ = 0;
    std::string input_;
    std::function<void(pid_t)> onLaunch_;
    pid_t pid_ = 0;
    BVTaskOutcome outcome_;
};
