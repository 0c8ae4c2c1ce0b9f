#include "Foundation/BVProcess.h"

#include <cstring>

BVProcess::BVProcess(std::string executable, std::vector<std::string> arguments, BVTaskRunnerPtr runner)
    : executable_(std::move(executable)), arguments_(std::move(arguments)), runner_(std::move(runner)) {}

std::optional<BVError> BVProcess::execute(const BVProgressPtr& progress) {
    BVTaskRequest request;
    request.executable = executable_;
    request.arguments = arguments_;
    request.standardInput = input_;
    request.timeoutSeconds = timeout_;
    request.onLaunch = [this](pid_t pid) {
        pid_ = pid;
        if (onLaunch_) onLaunch_(pid);
    };
    if (progress) request.shouldCancel = [progress] { return progress->isCancelled(); };
    if (progress && progress->isCancelled()) {
        return BVError::withDescription(BVProcessErrorDomain, BVProcessErrorCancelled, executable_ + " was cancelled");
    }
    outcome_ = runner_->run(request);
    if (!outcome_.launched) {
        return BVError::withDescription(BVProcessErrorDomain, BVProcessErrorLaunchFailed,
                                        "cannot start " + executable_ + ": " + std::strerror(outcome_.launchErrno));
    }
    if (outcome_.timedOut)
        return BVError::withDescription(BVProcessErrorDomain, BVProcessErrorTimedOut, executable_ + " timed out");
    if (outcome_.cancelled)
        return BVError::withDescription(BVProcessErrorDomain, BVProcessErrorCancelled, executable_ + " was cancelled");
    if (outcome_.exitStatus != 0) {
        std::string why = outcome_.terminatingSignal ? "ended by signal " + std::to_string(outcome_.terminatingSignal)
                                                     : "exited with status " + std::to_string(outcome_.exitStatus);
        return BVError::withDescription(BVProcessErrorDomain, BVProcessErrorUnsuccessfulTermination,
                                        executable_ + " " + why);
    }
    return std::nullopt;
}

std::optional<BVError> BVProcess::executeWithProgress(const BVProgressPtr& progress) { return execute(progress); }

std::optional<BVError> BVProcess::executeWithProgress(const BVProgressPtr& progress, BVStandardOutput output) {
    auto error = execute(progress);
    if (output.text) *output.text = outcome_.standardOutput;
    return error;
}

std::optional<BVError> BVProcess::executeWithProgress(const BVProgressPtr& progress, BVStandardError error) {
    auto result = execute(progress);
    if (error.text) *error.text = outcome_.standardError;
    return result;
}
