// brenvik-agent: the privileged agent (see BVAgentOptions.h for its command line and
// PROTOCOL.md for what it serves).
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <thread>

#include "Agent/BVAgentInstaller.h"
#include "Agent/BVAgentOptions.h"
#include "Agent/BVAgentServer.h"
#include "Foundation/BVLogger.h"

// The version the performer reads from the executable without running it.
extern "C" __attribute__((used)) const char BVAgentBundleInfo[] = "BVAgentBundleVersion=" BRENVIK_AGENT_VERSION;

namespace {

std::string ownExecutable() {
    char self[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    return n > 0 ? std::string(self, size_t(n)) : std::string();
}

int serve(const BVAgentOptions& options) {
    BVAgentConfiguration configuration = options.configuration(ownExecutable());
    // SIGTERM and SIGINT end the agent like pleaseTerminate; a thread waits for them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    BVAgentSystemContext context;
    context.configFilePath = configuration.configFilePath();
    context.installedToolPath = configuration.installedToolPath();
    context.systemdRunning = options.layout == BVLayout::linux && options.root.empty() && ::access("/run/systemd/system", F_OK) == 0;
    BVAgentServer* serverPointer = nullptr;
    context.terminateAfterReply = [&serverPointer] {
        if (serverPointer) serverPointer->terminate();
    };
    auto handler = std::make_shared<BVAgentRequestHandler>(configuration.paths, context);
    BVAgentServer server(configuration.socketPath(), options.uid, handler);
    serverPointer = &server;
    BVError error;
    if (!server.listen(&error)) {
        std::fprintf(stderr, "brenvik-agent: %s\n", error.localizedDescription().c_str());
        return 1;
    }
    std::thread([&server, signals] {
        int received = 0;
        sigwait(&signals, &received);
        server.terminate();
    }).detach();
    BVLogger::info(fmt::format("brenvik-agent {} serving uid {} on {}", BRENVIK_AGENT_VERSION, options.uid,
                               configuration.socketPath()));
    return server.run();
}

}  // namespace

int main(int argc, char** argv) {
    std::string reason;
    auto options = BVAgentOptions::parse(argc, argv, &reason);
    if (!options) {
        std::fprintf(stderr, "brenvik-agent: %s\n", reason.c_str());
        return 2;
    }
    if (options->command == "version") {
        std::printf("%s\n", BRENVIK_AGENT_VERSION);
        return 0;
    }
    if (options->command == "install") {
        if (!BVAgentInstaller::install(options->configuration(ownExecutable()), options->uid, &reason)) {
            std::fprintf(stderr, "brenvik-agent: install failed: %s\n", reason.c_str());
            return 1;
        }
        return 0;
    }
    return serve(*options);
}
