#include "PrivilegedOperationsPerformer/BVAgentController.h"

#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/BVLogger.h"
#include "Foundation/BVSHA256.h"
#include "Foundation/BVVersionComparator.h"
#include "PrivilegedOperationsPerformer/BVAgentJobDescription.h"

namespace {
bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}
}  // namespace

BVAgentController::BVAgentController(BVAuthorizationPtr authRef, BVAgentConfiguration configuration)
    : authRef_(std::move(authRef)), configuration_(std::move(configuration)) {}

bool BVAgentController::isInstalled() const {
    return exists(configuration_.installedToolPath()) && exists(configFilePath());
}

bool BVAgentController::needsToBeUpdated() const {
    auto job = BVAgentJobDescription::read(configuration_.paths->layout(), agentLabel(), configFilePath());
    if (!job) return true;
    BVLogger::info(fmt::format("helperJobData: {}", BVValue(*job).description()));
    const std::string installedTool = job->at("ProgramArguments").arrayValue().front().stringValue();
    std::string installed = BVAgentJobDescription::bundleVersionOfToolAtPath(installedTool).value_or("");
    std::string current = BVAgentJobDescription::bundleVersionOfToolAtPath(configuration_.bundledToolPath).value_or("");
    bool needsUpdate = true;
    if (!installed.empty() && !current.empty() &&
        BVVersionComparator::compareVersion(installed, current) == BVComparisonResult::Same) {
        auto installedDigest = BVSHA256::hexDigestOfFile(installedTool);
        auto currentDigest = BVSHA256::hexDigestOfFile(configuration_.bundledToolPath);
        needsUpdate = !installedDigest || !currentDigest || *installedDigest != *currentDigest;
    }
    BVLogger::info(fmt::format("Agent installed version: {}, current version: {}. Needs update: {}.", installed,
                               current, int(needsUpdate)));
    return needsUpdate;
}

bool BVAgentController::install(BVOSStatus* status) {
    BVOSStatus result = errAuthorizationInternal;
    if (authRef_ && !agentLabel().empty())
        result = authRef_->executeWithPrivileges(configuration_.bundledToolPath, configuration_.installArguments(::getuid()));
    if (status) *status = result;
    if (result == errAuthorizationSuccess) {
        BVLogger::info(fmt::format("Agent {} is ready to serve you", agentLabel()));
        return true;
    }
    BVLogger::error(fmt::format("Failed to install agent {} with error {}", agentLabel(), result));
    return false;
}
