#include "Foundation/BVLaunchctlLaunchdManager.h"

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLoginItemsManager.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVProgramLocator.h"
#include "Foundation/BVSafeFileIO.h"

namespace {

constexpr size_t kLargestJob = 4 * 1024 * 1024;

std::string labelOf(const BVValue& job, const std::string& path) {
    if (job["Label"].isString()) return job["Label"].stringValue();
    std::string name = BVFileIO::lastPathComponent(path);
    return name.substr(0, name.rfind('.'));
}

}  // namespace

BVLaunchctlLaunchdManager::BVLaunchctlLaunchdManager(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                     BVTaskRunnerPtr runner, std::optional<bool> live)
    : paths_(std::move(paths)),
      fileManager_(std::move(fileManager)),
      runner_(std::move(runner)),
      live_(live.value_or(BVProgramLocator::isLiveSystem(*paths_))) {}

BVTaskOutcome BVLaunchctlLaunchdManager::launchctl(const std::vector<std::string>& arguments) const {
    BVTaskRequest request;
    request.executable = "/bin/launchctl";
    request.arguments = arguments;
    request.timeoutSeconds = 30;
    return runner_->run(request);
}

bool BVLaunchctlLaunchdManager::fail(BVError error) {
    std::lock_guard lock(errorLock_);
    lastError_ = std::move(error);
    return false;
}

BVError BVLaunchctlLaunchdManager::lastError() const {
    std::lock_guard lock(errorLock_);
    return lastError_;
}

bool BVLaunchctlLaunchdManager::canSwitchAgents() const {
    return live_ && launchctl({"version"}).launched;
}

std::optional<BVValue> BVLaunchctlLaunchdManager::jobConfigurationAtPath(const std::string& path, BVError* error) {
    std::string bytes, reason;
    if (!BVSafeFileIO::readFile(paths_->resolver(), path, bytes, kLargestJob, error)) return std::nullopt;
    auto job = BVPlistCodec::decode(bytes, &reason);
    if (!job || !job->isDictionary()) {
        BVSetError(error, BVStartupServicesErrorWith(BVStartupServicesErrorNotParsed,
                                                     path + " is not a job description: " + (job ? "not a dictionary" : reason)));
        return std::nullopt;
    }
    return job;
}

BVJobState BVLaunchctlLaunchdManager::stateOfAgentAtPath(const std::string& path) {
    BVJobState state;
    auto job = jobConfigurationAtPath(path, nullptr);
    std::string label = labelOf(job.value_or(BVValue()), path);
    BVTaskOutcome listed = live_ ? launchctl({"list", label}) : BVTaskOutcome{};
    if (!listed.launched) {
        state.enabled = job && !(*job)["Disabled"].boolValue();
        state.detail = state.enabled ? "enabled (from the job's Disabled key)" : "disabled (from the job's Disabled key)";
        return state;
    }
    state.enabled = listed.exitStatus == 0;
    state.running = listed.standardOutput.find("\"PID\" = ") != std::string::npos;
    state.detail = state.enabled ? "loaded" : "not loaded";
    return state;
}

bool BVLaunchctlLaunchdManager::isLoadedLaunchAgentWithConfigPath(const std::string& path) {
    return stateOfAgentAtPath(path).enabled;
}

bool BVLaunchctlLaunchdManager::switchAgent(const std::string& path, bool enable) {
    if (!canSwitchAgents())
        return fail(BVStartupServicesErrorWith(BVStartupServicesErrorNoServiceManager,
                                               "launchctl cannot be run here: " + path + " was left as it was."));
    BVTaskOutcome outcome = launchctl({enable ? "load" : "unload", "-w", path});
    if (!outcome.succeeded() || !outcome.standardError.empty())
        return fail(BVStartupServicesErrorWith(BVStartupServicesErrorToolFailed,
                                               "launchctl " + std::string(enable ? "load" : "unload") + " " + path +
                                                   " failed: " + outcome.standardError));
    return true;
}

bool BVLaunchctlLaunchdManager::enableAgentAtPath(const std::string& path) { return switchAgent(path, true); }
bool BVLaunchctlLaunchdManager::disableAgentAtPath(const std::string& path) { return switchAgent(path, false); }

bool BVLaunchctlLaunchdManager::removeAgentAtPath(const std::string& path) {
    if (canSwitchAgents() && isLoadedLaunchAgentWithConfigPath(path) && !disableAgentAtPath(path)) return false;
    BVError error;
    BVRemovalOutcome outcome;
    if (!fileManager_->removeItemAtPath(path, BVRemovalRequest{}, outcome, &error) && !outcome.wasMissing) return fail(error);
    return true;
}

std::optional<std::string> BVLaunchctlLaunchdManager::programOf(const BVValue& job) const {
    std::string program;
    if (job["Program"].isString())
        program = job["Program"].stringValue();
    else if (!job["ProgramArguments"].arrayValue().empty() && job["ProgramArguments"].arrayValue()[0].isString())
        program = job["ProgramArguments"].arrayValue()[0].stringValue();
    if (program.empty()) return std::nullopt;
    if (job["WorkingDirectory"].isString() && program[0] != '/')
        program = BVFileIO::appendPathComponent(job["WorkingDirectory"].stringValue(), program);
    program = paths_->expandTilde(program);
    if (program[0] == '/') program = BVFileIO::lexicallyNormalPath(program).value_or(program);
    return program;
}

std::optional<std::string> BVLaunchctlLaunchdManager::lookUpProgram(const std::string& program, const BVValue&) {
    if (!program.empty() && program[0] == '/') {
        std::string onDisk = BVProgramLocator::onDisk(*paths_, program);
        if (BVProgramLocator::exists(onDisk)) return onDisk;
    }
    BVTaskRequest request;
    request.executable = "/usr/bin/whereis";
    request.arguments = {program};
    request.timeoutSeconds = 30;
    BVTaskOutcome outcome = runner_->run(request);
    std::string text = outcome.standardOutput;
    // Some whereis tools answer "name:" followed by what they found.
    std::string name = BVFileIO::lastPathComponent(program) + ":";
    if (text.compare(0, name.size(), name) == 0) text = text.substr(name.size());
    size_t start = text.find_first_not_of(" \t\n");
    if (start == std::string::npos) return std::nullopt;
    return text.substr(start, text.find_first_of(" \t\n", start) - start);
}

std::optional<std::string> BVLaunchctlLaunchdManager::startupApplicationPathFor(const std::string& path, bool& accurate) {
    auto job = jobConfigurationAtPath(path, nullptr);
    if (!job) return std::nullopt;
    auto program = programOf(*job);
    if (!program) return std::nullopt;
    accurate = (*job)["Program"].isString() || (!(*job)["WorkingDirectory"].isString() && (*program)[0] == '/');
    std::string onDisk = BVProgramLocator::onDisk(*paths_, *program);
    if ((*program)[0] == '/' && BVProgramLocator::exists(onDisk)) return onDisk;
    return std::nullopt;
}
