// Test support for the performer and the agent: a scripted authorisation, an agent environment
// (a temporary root, home and socket folder; the test plays the service manager and starts the
// installed agent from its launch-daemon description), and a raw line client for the socket.
#pragma once

#include <sys/types.h>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "PrivilegedOperationsPerformer/BVAgentConfiguration.h"
#include "PrivilegedOperationsPerformer/BVAuthorization.h"
#include "tests/fixtures/BVTemporaryFolder.h"

// Answers scripted statuses (success once a script runs out). A privileged run that is
// answered with success really runs the tool, unprivileged, and records it.
class BVScriptedAuthorization final : public BVAuthorization {
public:
    struct Script {
        std::mutex mutex;
        std::deque<BVOSStatus> copyRights, execute;
        std::vector<std::string> rightsAsked;            // every right requested, in order
        std::vector<std::vector<std::string>> runs;      // every privileged run: tool, arguments...
    };
    explicit BVScriptedAuthorization(std::shared_ptr<Script> script) : script_(std::move(script)) {}
    static BVAuthorizationFactory factory(const std::shared_ptr<Script>& script);

    BVOSStatus create(uint32_t) override { return errAuthorizationSuccess; }
    BVOSStatus copyRights(const std::string& right, const std::string& prompt, uint32_t flags) override;
    BVOSStatus executeWithPrivileges(const std::string& tool, const std::vector<std::string>& arguments) override;
    BVOSStatus free(bool) override { return errAuthorizationSuccess; }

private:
    std::shared_ptr<Script> script_;
};

class BVAgentEnvironment {
public:
    BVAgentEnvironment();
    ~BVAgentEnvironment();

    const BVTemporaryFolder& folder() const { return folder_; }
    const BVAgentConfiguration& configuration() const { return configuration_; }
    std::string rootPath(const std::string& relative) const { return folder_ / ("root/" + relative); }

    // Installs with the built agent directly (as the privileged run would).
    void install(uid_t allowedUid) const;
    // Starts the installed agent as its description says, extra arguments appended, and waits
    // until it accepts connections.
    void startInstalledAgent(const std::vector<std::string>& extra = {});
    void killAgent(int signal);
    // Waits for the agent to exit by itself; its exit status, none after `seconds`.
    std::optional<int> waitForExit(double seconds);
    pid_t agentPid() const { return pid_; }

private:
    BVTemporaryFolder folder_;
    BVAgentConfiguration configuration_;
    pid_t pid_ = 0;
};

// A connection that writes lines and reads lines, with a time limit.
class BVRawAgentClient {
public:
    explicit BVRawAgentClient(const std::string& socketPath);
    ~BVRawAgentClient();
    bool isConnected() const { return fd_ >= 0; }
    bool send(const std::string& line);
    // The next line, none on end of stream or after `seconds`.
    std::optional<std::string> readLine(double seconds = 10);

private:
    int fd_ = -1;
    std::string buffer_;
};

// Runs a tool and answers its exit status.
int BVRunTool(const std::vector<std::string>& arguments);
