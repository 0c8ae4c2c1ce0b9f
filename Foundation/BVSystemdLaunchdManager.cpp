#include "Foundation/BVSystemdLaunchdManager.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLoginItemsManager.h"
#include "Foundation/BVProgramLocator.h"
#include "Foundation/BVSafeFileIO.h"

namespace {

constexpr size_t kLargestUnit = 1024 * 1024;
constexpr double kToolTimeout = 30;

std::string userName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    return std::to_string(getuid());
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    return line;
}

}  // namespace

BVSystemdLaunchdManager::BVSystemdLaunchdManager(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                 BVTaskRunnerPtr runner, std::optional<Managers> managers)
    : paths_(std::move(paths)), fileManager_(std::move(fileManager)), runner_(std::move(runner)) {
    if (managers) {
        managers_ = *managers;
        std::call_once(probed_, [] {});
    }
}

BVSystemdLaunchdManager::Managers BVSystemdLaunchdManager::managers() const {
    std::call_once(probed_, [this] {
        // A fixture (another home, a root prefix) is never what a running manager loads: asking
        // it would switch the real units of the same names.
        managers_.system = paths_->root().empty() && ::access("/run/systemd/system", F_OK) == 0;
        if (BVProgramLocator::isLiveSystem(*paths_)) {
            BVTaskRequest request;
            request.executable = "systemctl";
            request.arguments = {"--user", "show-environment"};
            request.timeoutSeconds = 10;
            managers_.user = runner_->run(request).succeeded();
        }
    });
    return managers_;
}

bool BVSystemdLaunchdManager::isLive(Scope scope) const {
    Managers m = managers();
    return scope == Scope::User ? m.user : m.system;
}

bool BVSystemdLaunchdManager::canSwitchAgents() const {
    Managers m = managers();
    return m.user || m.system;
}

std::vector<std::string> BVSystemdLaunchdManager::unitFolders(Scope scope) const {
    std::vector<std::string> folders;
    if (scope == Scope::User) {
        if (auto f = paths_->launchAgentsPath()) folders.push_back(*f);
        if (auto f = paths_->systemLaunchAgentsPath()) folders.push_back(*f);
    } else if (auto f = paths_->launchDaemonsPath()) {
        folders.push_back(*f);
    }
    return folders;
}

std::optional<BVSystemdLaunchdManager::Scope> BVSystemdLaunchdManager::scopeOf(const std::string& path) const {
    std::string folder = BVFileIO::parentPath(BVFileIO::lexicallyNormalPath(path).value_or(path));
    for (Scope scope : {Scope::User, Scope::System})
        for (const auto& f : unitFolders(scope))
            if (f == folder) return scope;
    return std::nullopt;
}

BVTaskOutcome BVSystemdLaunchdManager::systemctl(Scope scope, std::vector<std::string> arguments) const {
    BVTaskRequest request;
    request.executable = "systemctl";
    if (scope == Scope::User) arguments.insert(arguments.begin(), "--user");
    arguments.insert(arguments.begin(), "--no-ask-password");
    request.arguments = std::move(arguments);
    request.timeoutSeconds = kToolTimeout;
    return runner_->run(request);
}

bool BVSystemdLaunchdManager::fail(BVError error) {
    std::lock_guard lock(errorLock_);
    lastError_ = std::move(error);
    return false;
}

BVError BVSystemdLaunchdManager::lastError() const {
    std::lock_guard lock(errorLock_);
    return lastError_;
}

bool BVSystemdLaunchdManager::enabledByLinks(const std::string& unitName, Scope scope) const {
    for (const auto& folder : unitFolders(scope)) {
        // A mask in a folder of higher precedence wins over everything below it.
        std::string own = BVFileIO::appendPathComponent(folder, unitName);
        if (auto identity = fileManager_->identityAtPath(own, nullptr); identity && identity->isLink()) {
            char target[4096];
            ssize_t n = ::readlink(own.c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, size_t(n)) == "/dev/null") return false;
        }
        std::vector<std::string> children;
        if (!fileManager_->contentsOfDirectoryAtPath(folder, children, nullptr)) continue;
        for (const auto& child : children) {
            std::string name = BVFileIO::lastPathComponent(child);
            if ((name.ends_with(".wants") || name.ends_with(".requires")) && fileManager_->identityAtPath(BVFileIO::appendPathComponent(child, unitName), nullptr))
                return true;
        }
    }
    return false;
}

BVJobState BVSystemdLaunchdManager::stateOfAgentAtPath(const std::string& path) {
    BVJobState state;
    auto scope = scopeOf(path);
    if (!scope) return state;
    std::string unit = BVFileIO::lastPathComponent(path);
    if (!isLive(*scope)) {
        state.enabled = enabledByLinks(unit, *scope);
        state.detail = state.enabled ? "enabled (from the .wants links)" : "disabled (from the .wants links)";
        return state;
    }
    BVTaskOutcome enabled = systemctl(*scope, {"is-enabled", unit});
    state.detail = firstLine(enabled.standardOutput);
    state.enabled = state.detail == "enabled" || state.detail == "enabled-runtime";
    BVTaskOutcome shown = systemctl(*scope, {"show", "-p", "ActiveState,LoadState", unit});
    if (shown.succeeded()) {
        std::string active, load;
        size_t start = 0;
        const std::string& text = shown.standardOutput;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (line.rfind("ActiveState=", 0) == 0) active = line.substr(12);
            if (line.rfind("LoadState=", 0) == 0) load = line.substr(10);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        state.running = active == "active" || active == "activating" || active == "reloading";
        state.detail += ", " + active + "/" + load;
    }
    return state;
}

bool BVSystemdLaunchdManager::isLoadedLaunchAgentWithConfigPath(const std::string& path) {
    return stateOfAgentAtPath(path).enabled;
}

bool BVSystemdLaunchdManager::switchAgent(const std::string& path, bool enable) {
    auto scope = scopeOf(path);
    if (!scope)
        return fail(BVStartupServicesErrorWith(BVStartupServicesErrorUnknownItem, path + " is not in a unit folder."));
    if (!isLive(*scope))
        return fail(BVStartupServicesErrorWith(
            BVStartupServicesErrorNoServiceManager,
            "No service manager runs here for " + path +
                " (a container, a fixture home or a root prefix): it was left as it was."));
    std::string unit = BVFileIO::lastPathComponent(path);
    BVTaskOutcome outcome = systemctl(*scope, {enable ? "enable" : "disable", "--now", unit});
    if (!outcome.succeeded()) {
        std::string text = firstLine(outcome.standardError);
        return fail(BVStartupServicesErrorWith(BVStartupServicesErrorToolFailed,
                                               "systemctl " + std::string(enable ? "enable" : "disable") + " " + unit +
                                                   " failed" + (text.empty() ? "." : ": " + text)));
    }
    // A unit every user's manager loads may still be enabled for all users: that needs rights.
    if (!enable && *scope == Scope::User && stateOfAgentAtPath(path).enabled)
        return fail(BVStartupServicesErrorWith(BVStartupServicesErrorToolFailed,
                                               unit + " is enabled for every user; switching it off needs administrator rights."));
    return true;
}

bool BVSystemdLaunchdManager::enableAgentAtPath(const std::string& path) { return switchAgent(path, true); }
bool BVSystemdLaunchdManager::disableAgentAtPath(const std::string& path) { return switchAgent(path, false); }

bool BVSystemdLaunchdManager::removeAgentAtPath(const std::string& path) {
    auto scope = scopeOf(path);
    if (!scope)
        return fail(BVStartupServicesErrorWith(BVStartupServicesErrorUnknownItem, path + " is not in a unit folder."));
    std::string unit = BVFileIO::lastPathComponent(path);
    BVError error;
    BVRemovalOutcome outcome;
    if (isLive(*scope)) {
        BVTaskOutcome disabled = systemctl(*scope, {"disable", "--now", unit});
        if (!disabled.succeeded())
            return fail(BVStartupServicesErrorWith(BVStartupServicesErrorToolFailed,
                                                   "systemctl disable " + unit + " failed: " + firstLine(disabled.standardError)));
    } else {
        // No manager to disable it: its enablement links beside it go with it, as disabling
        // would remove them.
        std::string folder = BVFileIO::parentPath(path);
        std::vector<std::string> children;
        fileManager_->contentsOfDirectoryAtPath(folder, children, nullptr);
        for (const auto& child : children) {
            std::string name = BVFileIO::lastPathComponent(child);
            if (!(name.ends_with(".wants") || name.ends_with(".requires"))) continue;
            std::string link = BVFileIO::appendPathComponent(child, unit);
            auto identity = fileManager_->identityAtPath(link, nullptr);
            if (!identity || !identity->isLink()) continue;
            BVRemovalOutcome linkOutcome;
            if (!fileManager_->removeItemAtPath(link, BVRemovalRequest{}, linkOutcome, &error)) return fail(error);
        }
    }
    if (!fileManager_->removeItemAtPath(path, BVRemovalRequest{}, outcome, &error) && !outcome.wasMissing) return fail(error);
    if (isLive(*scope)) systemctl(*scope, {"daemon-reload"});
    return true;
}

std::optional<BVValue> BVSystemdLaunchdManager::jobConfigurationAtPath(const std::string& path, BVError* error) {
    std::string text, reason;
    if (!BVSafeFileIO::readFile(paths_->resolver(), path, text, kLargestUnit, error)) return std::nullopt;
    auto unit = BVSystemdUnitFile::parse(text, &reason);
    if (!unit) {
        BVSetError(error, BVStartupServicesErrorWith(BVStartupServicesErrorNotParsed, path + " does not parse: " + reason));
        return std::nullopt;
    }
    std::string name = BVFileIO::lastPathComponent(path);
    std::vector<std::string> dropIns;
    fileManager_->contentsOfDirectoryAtPath(path + ".d", dropIns, nullptr);
    for (const auto& dropIn : dropIns) {
        if (BVFileIO::pathExtension(dropIn) != "conf") continue;
        std::string dropInText;
        if (!BVSafeFileIO::readFile(paths_->resolver(), dropIn, dropInText, kLargestUnit, nullptr)) continue;
        if (auto parsed = BVSystemdUnitFile::parse(dropInText)) unit->append(*parsed);
    }
    BVDictionary job{{"Label", BVValue(name)}};
    BVArray folders;
    for (const auto& folder : BVSystemdSearchPath(*unit)) folders.push_back(BVValue(folder));
    job[BVJobSearchPathKey] = BVValue(std::move(folders));
    auto starts = unit->values("Service", "ExecStart");
    if (starts.empty()) {
        // Without ExecStart= the manager still runs a oneshot unit's other commands: nothing to judge.
        for (const char* other : {"ExecStop", "ExecStartPre", "ExecStartPost"})
            if (!unit->values("Service", other).empty()) job[BVJobProgramUnknownKey] = BVValue(true);
        return BVValue(std::move(job));
    }
    auto command = BVSystemdCommandFromExecLine(starts.front(), &reason);
    if (!command) return BVValue(std::move(job));
    BVSystemdSpecifiers specifiers;
    bool user = scopeOf(path) == Scope::User;
    specifiers.home = user ? paths_->home() : "/root";
    specifiers.userName = user ? userName() : "root";
    specifiers.uid = user ? std::to_string(getuid()) : "0";
    specifiers.unitName = name;
    auto program = BVSystemdExpandSpecifiers(command->program, specifiers);
    if (!program) job[BVJobProgramUnknownKey] = BVValue(true);
    BVArray arguments{BVValue(program.value_or(command->program))};
    for (const auto& a : command->arguments) arguments.push_back(BVValue(a));
    job["Program"] = BVValue(program.value_or(command->program));
    job["ProgramArguments"] = BVValue(std::move(arguments));
    return BVValue(std::move(job));
}

std::optional<std::string> BVSystemdLaunchdManager::lookUpProgram(const std::string& program, const BVValue& configuration) {
    if (!program.empty() && program[0] == '/') {
        std::string onDisk = BVProgramLocator::onDisk(*paths_, program);
        return BVProgramLocator::exists(onDisk) ? std::optional<std::string>(onDisk) : std::nullopt;
    }
    std::vector<std::string> folders;
    for (const auto& f : configuration[BVJobSearchPathKey].arrayValue()) folders.push_back(f.stringValue());
    return BVProgramLocator::find(*paths_, program, folders);
}

std::optional<std::string> BVSystemdLaunchdManager::startupApplicationPathFor(const std::string& path, bool& accurate) {
    auto job = jobConfigurationAtPath(path, nullptr);
    if (!job || !(*job)["Program"].isString() || (*job)[BVJobProgramUnknownKey].boolValue()) return std::nullopt;
    std::string program = (*job)["Program"].stringValue();
    accurate = !program.empty() && program[0] == '/';
    return lookUpProgram(program, *job);
}
