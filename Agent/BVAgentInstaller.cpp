#include "Agent/BVAgentInstaller.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVProcess.h"
#include "PrivilegedOperationsPerformer/BVAgentJobDescription.h"

namespace {

constexpr size_t kMaximumToolBytes = 256u << 20;

bool writeFile(const std::string& path, const std::string& bytes, mode_t mode, std::string* error) {
    if (!BVFileIO::createDirectories(BVFileIO::parentPath(path), error)) return false;
    std::string temporary = path + ".installing";
    if (!BVFileIO::writeFileAtomically(temporary, bytes, error)) return false;
    if (::chmod(temporary.c_str(), mode) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool accepts(const std::string& socketPath) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

bool systemctl(const std::vector<std::string>& arguments, std::string* error) {
    BVProcess process("systemctl", arguments);
    if (auto failure = process.executeWithProgress(nullptr)) {
        if (error) *error = "systemctl " + arguments.front() + ": " + process.outcome().standardError;
        return false;
    }
    return true;
}

}  // namespace

namespace BVAgentInstaller {

bool install(const BVAgentConfiguration& configuration, uid_t uid, std::string* error) {
    std::string tool;
    if (!BVFileIO::readFile(configuration.bundledToolPath, tool, kMaximumToolBytes, error)) return false;
    const std::string installed = configuration.installedToolPath();
    if (!writeFile(installed, tool, 0755, error)) return false;
    std::vector<std::string> program = {installed};
    auto serve = configuration.serveArguments(uid);
    program.insert(program.end(), serve.begin(), serve.end());
    const BVLayout layout = configuration.paths->layout();
    std::string description =
        BVAgentJobDescription::encode(layout, BVAgentJobDescription::jobDictionary(configuration.label, program));
    if (!writeFile(configuration.configFilePath(), description, 0644, error)) return false;

    struct stat st;
    bool liveSystemd = layout == BVLayout::linux && configuration.paths->root().empty() &&
                       ::stat("/run/systemd/system", &st) == 0;
    if (!configuration.startsService || !liveSystemd) return true;
    const std::string unit = configuration.label + ".service";
    if (!systemctl({"daemon-reload"}, error) || !systemctl({"enable", unit}, error) || !systemctl({"restart", unit}, error))
        return false;
    for (int i = 0; i < 50; ++i) {
        if (accepts(configuration.socketPath())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (error) *error = "the agent did not start listening on " + configuration.socketPath();
    return false;
}

}  // namespace BVAgentInstaller
