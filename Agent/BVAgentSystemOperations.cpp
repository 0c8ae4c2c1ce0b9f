#include "Agent/BVAgentSystemOperations.h"

#include <sys/stat.h>
#include <climits>
#include <cstdlib>
#include <unistd.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVProcess.h"
#include "Foundation/QLFileSizer.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

using Access = BVAgentPathPolicy::Access;

namespace {

bool isExecutable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

bool isFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

BVError unsupportedError(const std::string& what) {
    return BVAgentProtocol::makeError(BVPrivilegedAgentErrorUnsupported, what);
}

}  // namespace

BVAgentSystemOperations::BVAgentSystemOperations(BVAgentSystemContext context, const BVAgentPathPolicy& policy,
                                                 const BVAgentFileOperations& files)
    : context_(std::move(context)), policy_(policy), files_(files) {}

BVArray BVAgentSystemOperations::unsupported(const std::string& what) { return BVAgentFailure(unsupportedError(what)); }

std::optional<BVError> BVAgentSystemOperations::run(const std::string& tool, const std::vector<std::string>& arguments,
                                                    const BVProgressPtr& progress, const Output& output) const {
    BVProcess process(tool, arguments);
    std::string text;
    auto error = process.executeWithProgress(progress, BVStandardOutput{&text});
    text += process.outcome().standardError;
    if (!text.empty() && output) output(text);
    if (!error) return std::nullopt;
    return BVAgentProtocol::makeError(BVPrivilegedAgentErrorToolFailed,
                                      tool + " failed: " + (text.empty() ? error->localizedDescription() : text));
}

std::optional<BVAgentSystemOperations::JobFolder> BVAgentSystemOperations::jobFolderOf(const BVAgentPath& path,
                                                                                      BVError* error) const {
    const BVPaths& paths = *context_.paths;
    std::string extension = paths.layout() == BVLayout::linux ? "service" : "plist";
    const std::pair<std::optional<std::string>, JobFolder> folders[] = {
        {paths.launchAgentsPath(), JobFolder::UserAgents},
        {paths.systemLaunchAgentsPath(), JobFolder::AllUsersAgents},
        {paths.launchDaemonsPath(), JobFolder::Daemons}};
    if (BVFileIO::pathExtension(path.name) == extension) {
        for (const auto& [folder, kind] : folders) {
            if (!folder) continue;
            char real[PATH_MAX];
            if (::realpath(folder->c_str(), real) && path.parent == real) return kind;
        }
    }
    BVSetError(error, BVAgentProtocol::makeError(BVPrivilegedAgentErrorPathRefused,
                                                 path.full + ": not a ." + extension +
                                                     " job description in a launch-agent or launch-daemon folder."));
    return std::nullopt;
}

BVArray BVAgentSystemOperations::removeLaunchdAgent(const std::string& path) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Modify, &error);
    if (!p) return BVAgentFailure(error);
    auto own = policy_.canonicalize(context_.configFilePath, Access::Read, nullptr);
    if (own && p->full == own->full) {
        // Uninstalling the agent itself: its description and its tool go, then it stops.
        auto failure = files_.remove(p->full, false);
        if (!failure[0].boolValue()) return failure;
        files_.remove(context_.installedToolPath, false);
        if (context_.systemdRunning) run("systemctl", {"disable", BVFileIO::lastPathComponent(p->full)}, nullptr, nullptr);
        if (context_.terminateAfterReply) context_.terminateAfterReply();
        return BVAgentOk(true);
    }
    auto folder = jobFolderOf(*p, &error);
    if (!folder) return BVAgentFailure(error);
    bool unit = BVFileIO::pathExtension(p->name) == "service";
    if (unit && context_.systemdRunning) {
        // Disabled first, so that no link is left pointing at a removed file.
        if (*folder == JobFolder::Daemons) run("systemctl", {"disable", "--now", p->name}, nullptr, nullptr);
        if (*folder == JobFolder::AllUsersAgents) run("systemctl", {"--global", "disable", p->name}, nullptr, nullptr);
    }
    // No launchd here loads a property-list job, so removing its description removes the job.
    auto removed = files_.remove(p->full, false);
    if (unit && context_.systemdRunning && *folder == JobFolder::Daemons && removed[0].boolValue())
        run("systemctl", {"daemon-reload"}, nullptr, nullptr);
    return removed;
}

BVArray BVAgentSystemOperations::switchLaunchdAgent(const std::string& path, bool enable, const BVProgressPtr& progress,
                                                    const Output& output) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Read, &error);
    if (!p) return BVAgentFailure(error);
    auto folder = jobFolderOf(*p, &error);
    if (!folder) return BVAgentFailure(error);
    if (BVFileIO::pathExtension(p->name) != "service" || !context_.systemdRunning)
        return unsupported(path + ": this host has no service manager that loads this job.");
    if (*folder == JobFolder::UserAgents)
        return unsupported(path + ": the user's own units are switched by the user's own service manager.");
    std::vector<std::string> arguments = {enable ? "enable" : "disable"};
    if (*folder == JobFolder::Daemons) arguments.push_back("--now");
    else arguments.insert(arguments.begin(), "--global");  // every user's manager reads these links
    arguments.push_back(p->name);
    if (auto failure = run("systemctl", arguments, progress, output)) return BVAgentFailure(*failure);
    return BVAgentOk(true);
}

BVArray BVAgentSystemOperations::runPeriodicScript(const std::string& name, const BVProgressPtr& progress,
                                                   const Output& output) const {
    if (name != "daily" && name != "weekly" && name != "monthly")
        return BVAgentFailure(BVAgentProtocol::makeError(BVPrivilegedAgentErrorMalformedMessage,
                                                         "There is no periodic script named \"" + name + "\"."));
    std::optional<BVError> failure;
    if (context_.paths->layout() == BVLayout::macos && isExecutable("/usr/sbin/periodic")) {
        failure = run("/usr/sbin/periodic", {name}, progress, output);
    } else {
        std::string folder = context_.paths->systemPath("/etc/cron." + name);
        if (!isFolder(folder) || !isExecutable("/bin/run-parts"))
            return unsupported("This host has no " + folder + " scripts to run.");
        failure = run("/bin/run-parts", {folder}, progress, output);
    }
    return failure ? BVAgentFailure(*failure) : BVAgentOk(true);
}

BVArray BVAgentSystemOperations::flushDNS(const BVProgressPtr& progress, const Output& output) const {
    if (context_.paths->layout() == BVLayout::macos && isExecutable("/usr/bin/dscacheutil")) {
        if (auto failure = run("/usr/bin/dscacheutil", {"-flushcache"}, progress, output)) return BVAgentFailure(*failure);
        return BVAgentOk(true);
    }
    if (!isExecutable("/usr/bin/resolvectl") || !context_.paths->root().empty())
        return unsupported("This host has no DNS cache service to flush (resolvectl).");
    if (auto failure = run("/usr/bin/resolvectl", {"flush-caches"}, progress, output)) return BVAgentFailure(*failure);
    return BVAgentOk(true);
}

BVArray BVAgentSystemOperations::startSpotlightReindex(const BVProgressPtr& progress, const Output& output) const {
    if (context_.paths->layout() != BVLayout::macos || !isExecutable("/usr/bin/mdutil"))
        return unsupported("This host has no search index to rebuild.");
    if (auto failure = run("/usr/bin/mdutil", {"-E", "/"}, progress, output)) return BVAgentFailure(*failure);
    return BVAgentOk(true);
}

BVArray BVAgentSystemOperations::repairPermissions(const BVProgressPtr& progress, const Output& output) const {
    const std::string tool = "/usr/libexec/repair_packages";
    if (context_.paths->layout() != BVLayout::macos || !isExecutable(tool))
        return {BVValue(false), BVValue(int64_t(BVPrivilegedAgentErrorUnsupported)),
                BVValue("Repairing package permissions is not available on this host.")};
    auto failure = run(tool, {"--repair", "--standard-pkgs", "--volume", "/"}, progress, output);
    return {BVValue(!failure), BVValue(int64_t(failure ? failure->code() : 0)),
            BVValue(failure ? failure->localizedDescription() : std::string())};
}

BVArray BVAgentSystemOperations::removeASL() const {
    auto folder = context_.paths->aslLogs();
    if (!folder || !isFolder(*folder)) return unsupported("This host has no Apple System Log store.");
    if (auto failure = files_.removeContents(*folder)) return BVAgentFailure(*failure);
    return BVAgentOk(true);
}

BVArray BVAgentSystemOperations::removeDiagnosticLogs(const BVProgressPtr& progress, const Output& output) const {
    auto folder = context_.paths->diagnosticsLogs();
    auto fail = [&](const BVError& e) {
        return BVArray{BVValue(folder.value_or("")), BVValue(int64_t(0)), BVValue(""), BVAgentProtocol::encodeError(e)};
    };
    if (!folder || !isFolder(*folder)) return fail(unsupportedError("This host has no diagnostic log store."));
    uint64_t before = QLFileSizer::itemSizeAtPath(*folder);
    std::string text;
    Output collect = [&](const std::string& s) {
        text += s;
        if (output) output(s);
    };
    if (context_.paths->layout() == BVLayout::macos) {
        if (auto failure = files_.removeContents(*folder)) return fail(*failure);
    } else {
        // The journal is vacuumed by its own tool; its files are never deleted under journald.
        if (!context_.paths->root().empty() || !isExecutable("/usr/bin/journalctl"))
            return fail(unsupportedError("The journal in " + *folder + " can only be vacuumed by journalctl on the live system."));
        if (auto failure = run("/usr/bin/journalctl", {"--rotate"}, progress, collect)) return fail(*failure);
        if (auto failure = run("/usr/bin/journalctl", {"--vacuum-time=1s"}, progress, collect)) return fail(*failure);
    }
    uint64_t after = QLFileSizer::itemSizeAtPath(*folder);
    return {BVValue(*folder), BVValue(int64_t(before > after ? before - after : 0)), BVValue(text), BVValue()};
}
