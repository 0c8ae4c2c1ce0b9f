#include "PrivilegedOperationsPerformer/BVAgentConfiguration.h"

#include <unistd.h>

#include <climits>

#include "Foundation/BVFileIO.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

BVAgentConfiguration BVAgentConfiguration::defaultConfiguration() { return defaultConfiguration(BVPaths::sharedInstance()); }

BVAgentConfiguration BVAgentConfiguration::defaultConfiguration(std::shared_ptr<const BVPaths> paths) {
    BVAgentConfiguration c;
    c.label = BVPrivilegedAgentLabel;
    c.paths = std::move(paths);
    char self[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = n > 0 ? BVFileIO::parentPath(std::string(self, size_t(n))) : std::string(".");
    // Beside the executable in a build; in an installed tree, in PREFIX/libexec/brenvik.
    c.bundledToolPath = BVFileIO::appendPathComponent(folder, "brenvik-agent");
    std::string installed = BVFileIO::appendPathComponent(BVFileIO::parentPath(folder), "libexec/brenvik/brenvik-agent");
    if (::access(c.bundledToolPath.c_str(), X_OK) != 0 && ::access(installed.c_str(), X_OK) == 0) c.bundledToolPath = installed;
    c.socketFolder = c.paths->layout() == BVLayout::macos ? "/var/run" : "/run";
    return c;
}

std::string BVAgentConfiguration::installedToolPath() const {
    return BVFileIO::appendPathComponent(paths->privilegedHelperTools().value_or(paths->systemPath("/usr/local/libexec")),
                                         label);
}

std::string BVAgentConfiguration::configFilePath() const {
    if (paths->layout() == BVLayout::macos)
        return BVFileIO::appendPathComponent(*paths->launchDaemonsPath(), label + ".plist");
    return BVFileIO::appendPathComponent(paths->systemPath("/etc/systemd/system"), label + ".service");
}

std::string BVAgentConfiguration::socketPath() const {
    return BVFileIO::appendPathComponent(socketFolder, label + ".socket");
}

std::vector<std::string> BVAgentConfiguration::serveArguments(uid_t uid) const {
    std::vector<std::string> a = {"serve", "--allowed-uid", std::to_string(uid), "--layout",
                                  BVPaths::layoutName(paths->layout()), "--home", paths->home(),
                                  "--socket-dir", socketFolder};
    if (!paths->root().empty()) a.insert(a.end(), {"--root", paths->root()});
    return a;
}

std::vector<std::string> BVAgentConfiguration::installArguments(uid_t uid) const {
    std::vector<std::string> a = serveArguments(uid);
    a[0] = "install";
    a[1] = "--uid";
    if (!startsService) a.push_back("--no-start");
    return a;
}
