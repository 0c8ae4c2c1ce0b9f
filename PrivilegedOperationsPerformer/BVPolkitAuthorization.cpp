#include "PrivilegedOperationsPerformer/BVPolkitAuthorization.h"

#include <unistd.h>

#include "Foundation/BVLogger.h"
#include "Foundation/BVTaskRunner.h"

BVPolkitAuthorization::BVPolkitAuthorization(std::string pkexecPath) : pkexec_(std::move(pkexecPath)) {}

BVOSStatus BVPolkitAuthorization::create(uint32_t) { return errAuthorizationSuccess; }

BVOSStatus BVPolkitAuthorization::copyRights(const std::string&, const std::string&, uint32_t) {
    return ::access(pkexec_.c_str(), X_OK) == 0 ? errAuthorizationSuccess : errAuthorizationInternal;
}

BVOSStatus BVPolkitAuthorization::executeWithPrivileges(const std::string& tool,
                                                        const std::vector<std::string>& arguments) {
    BVTaskRequest request;
    request.executable = pkexec_;
    request.arguments.push_back(tool);
    request.arguments.insert(request.arguments.end(), arguments.begin(), arguments.end());
    BVTaskOutcome outcome = BVTaskRunner::sharedRunner()->run(request);
    if (!outcome.launched) return errAuthorizationInternal;
    if (outcome.succeeded()) return errAuthorizationSuccess;
    if (outcome.exitStatus == 126) return errAuthorizationCanceled;
    if (outcome.exitStatus == 127) return errAuthorizationDenied;
    BVLogger::warning(fmt::format("{} {} ended with status {}: {}", pkexec_, tool, outcome.exitStatus,
                                  outcome.standardError));
    return errAuthorizationToolExecuteFailure;
}

BVOSStatus BVPolkitAuthorization::free(bool) { return errAuthorizationSuccess; }
