#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "Foundation/BVTaskRunner.h"
#include "PrivilegedOperationsPerformer/BVAgentJobDescription.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

extern char** environ;

BVAuthorizationFactory BVScriptedAuthorization::factory(const std::shared_ptr<Script>& script) {
    return [script] { return std::make_shared<BVScriptedAuthorization>(script); };
}

BVOSStatus BVScriptedAuthorization::copyRights(const std::string& right, const std::string&, uint32_t) {
    std::lock_guard lock(script_->mutex);
    script_->rightsAsked.push_back(right);
    if (script_->copyRights.empty()) return errAuthorizationSuccess;
    BVOSStatus s = script_->copyRights.front();
    script_->copyRights.pop_front();
    return s;
}

BVOSStatus BVScriptedAuthorization::executeWithPrivileges(const std::string& tool, const std::vector<std::string>& arguments) {
    BVOSStatus status = errAuthorizationSuccess;
    {
        std::lock_guard lock(script_->mutex);
        std::vector<std::string> run = {tool};
        run.insert(run.end(), arguments.begin(), arguments.end());
        script_->runs.push_back(run);
        if (!script_->execute.empty()) {
            status = script_->execute.front();
            script_->execute.pop_front();
        }
    }
    if (status != errAuthorizationSuccess) return status;
    std::vector<std::string> run = {tool};
    run.insert(run.end(), arguments.begin(), arguments.end());
    return BVRunTool(run) == 0 ? errAuthorizationSuccess : errAuthorizationToolExecuteFailure;
}

int BVRunTool(const std::vector<std::string>& arguments) {
    BVTaskRequest request;
    request.executable = arguments.front();
    request.arguments.assign(arguments.begin() + 1, arguments.end());
    BVTaskOutcome outcome = BVTaskRunner::sharedRunner()->run(request);
    return outcome.launched ? outcome.exitStatus : -1;
}

BVAgentEnvironment::BVAgentEnvironment() {
    folder_.folder("root/var/log");
    folder_.folder("home/.local/share/Trash/files");
    folder_.folder("run");
    configuration_.label = BVPrivilegedAgentLabel;
    configuration_.paths = std::make_shared<BVPaths>(BVLayout::linux, folder_ / "home", folder_ / "root");
    configuration_.bundledToolPath = BRENVIK_AGENT_PATH;
    configuration_.socketFolder = folder_ / "run";
    configuration_.startsService = false;
}

BVAgentEnvironment::~BVAgentEnvironment() {
    if (pid_ > 0) killAgent(SIGKILL);
}

void BVAgentEnvironment::install(uid_t allowedUid) const {
    std::vector<std::string> run = {configuration_.bundledToolPath};
    auto arguments = configuration_.installArguments(allowedUid);
    run.insert(run.end(), arguments.begin(), arguments.end());
    ASSERT_EQ(BVRunTool(run), 0);
}

void BVAgentEnvironment::startInstalledAgent(const std::vector<std::string>& extra) {
    auto job = BVAgentJobDescription::read(BVLayout::linux, configuration_.label, configuration_.configFilePath());
    ASSERT_TRUE(job.has_value()) << "no launch-daemon description at " << configuration_.configFilePath();
    std::vector<std::string> arguments;
    for (const auto& a : job->at("ProgramArguments").arrayValue()) arguments.push_back(a.stringValue());
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    ASSERT_EQ(::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    for (int i = 0; i < 100; ++i) {
        if (BVRawAgentClient(configuration_.socketPath()).isConnected()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FAIL() << "the agent did not start listening";
}

void BVAgentEnvironment::killAgent(int signal) {
    if (pid_ <= 0) return;
    ::kill(pid_, signal);
    int status;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
}

std::optional<int> BVAgentEnvironment::waitForExit(double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        int status;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

BVRawAgentClient::BVRawAgentClient(const std::string& socketPath) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

BVRawAgentClient::~BVRawAgentClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool BVRawAgentClient::send(const std::string& line) {
    std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::optional<std::string> BVRawAgentClient::readLine(double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (size_t at = buffer_.find('\n'); at != std::string::npos) {
            std::string line = buffer_.substr(0, at);
            buffer_.erase(0, at + 1);
            return line;
        }
        int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
        pollfd p{fd_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0) return std::nullopt;
        char chunk[4096];
        ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n <= 0) return std::nullopt;
        buffer_.append(chunk, size_t(n));
    }
}
