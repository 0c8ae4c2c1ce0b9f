// The performer against the real agent: installing through a scripted authorisation into a
// temporary root, the test starting the installed agent as the service manager would.
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "Foundation/BVExecutor.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVNotificationCenter.h"
#include "PrivilegedOperationsPerformer/BVAgentJobDescription.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedReplyWaiter.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"

namespace {

// Counts the notifications of one name while it lives.
class NotificationCounter {
public:
    explicit NotificationCounter(const std::string& name)
        : token_(BVNotificationCenter::defaultCenter().addObserver(name, [this](const BVNotification&) { ++count_; })) {}
    ~NotificationCounter() { BVNotificationCenter::defaultCenter().removeObserver(token_); }
    int count() const { return count_; }

private:
    std::atomic<int> count_{0};
    BVNotificationCenter::Token token_;
};

class BVPrivilegedOperationsPerformerTest : public ::testing::Test {
protected:
    BVPrivilegedOperationsPerformerPtr makePerformer() {
        auto p = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env().configuration());
        EXPECT_TRUE(p);
        return p;
    }
    size_t installRuns() {
        std::lock_guard lock(script->mutex);
        size_t n = 0;
        for (const auto& run : script->runs) n += run.size() > 1 && run[1] == "install";
        return n;
    }

    // A fresh environment and script, for tests that run several cases.
    void reset() {
        environment_ = std::make_unique<BVAgentEnvironment>();
        script = std::make_shared<BVScriptedAuthorization::Script>();
    }
    BVAgentEnvironment& env() { return *environment_; }

    std::unique_ptr<BVAgentEnvironment> environment_ = std::make_unique<BVAgentEnvironment>();
    std::shared_ptr<BVScriptedAuthorization::Script> script = std::make_shared<BVScriptedAuthorization::Script>();
};

}  // namespace

TEST_F(BVPrivilegedOperationsPerformerTest, FirstUseAsksOnceInstallsAndServes) {
    auto performer = makePerformer();
    NotificationCounter started(BVPrivilegedOperationStartedAuthenticating), authorized(BVPrivilegedOperationAuthorized);
    EXPECT_FALSE(performer->agentController()->isInstalled());
    EXPECT_FALSE(performer->isAuthorized());
    EXPECT_EQ(performer->authorizationStatus(), BVAuthorizationStatusNotAuthorized);

    performer->authorizeIfNeeded();
    EXPECT_EQ(installRuns(), 1u);
    EXPECT_EQ(performer->authorizationStatus(), BVAuthorizationStatusAuthorized);
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(authorized.count(), 1);
    performer->authorizeIfNeeded();
    EXPECT_EQ(installRuns(), 1u);  // authorised: no second dialog
    EXPECT_TRUE(performer->agentController()->isInstalled());

    // A later start finds the installed agent up to date and asks nothing.
    env().startInstalledAgent();
    auto later = makePerformer();
    EXPECT_FALSE(later->agentController()->needsToBeUpdated());
    EXPECT_TRUE(later->isAuthorized());
    auto reply = runSync<std::string>([&](std::function<void(std::string)> done) {
        later->remoteObjectProxy()->echo("ping", [done](std::string text, BVOptionalError) { done(text); });
    });
    EXPECT_EQ(reply, "ping");
}

TEST_F(BVPrivilegedOperationsPerformerTest, AUserWhoCancelsIsNotAskedAgainUntilTheNextClean) {
    // The cancel comes from the rights dialog or, on polkit, from the privileged install run.
    for (bool atInstall : {false, true}) {
        SCOPED_TRACE(atInstall ? "cancelled at install" : "cancelled at the rights dialog");
        reset();
        (atInstall ? script->execute : script->copyRights).push_back(errAuthorizationCanceled);
        auto performer = makePerformer();
        NotificationCounter deauthenticated(BVPrivilegedOperationDeauthenticated);
        performer->authorizeIfNeeded();
        EXPECT_FALSE(performer->isAuthorized());
        EXPECT_EQ(performer->authorizationStatus(), BVAuthorizationStatusNotAuthorized);
        EXPECT_FALSE(performer->shouldAskForAuthorization());
        EXPECT_EQ(performer->lastErrorCode(), errAuthorizationCanceled);
        EXPECT_GE(deauthenticated.count(), 1);
        size_t asked = script->rightsAsked.size();
        performer->authorizeIfNeeded();
        EXPECT_EQ(script->rightsAsked.size(), asked);  // no second dialog within the clean
        EXPECT_EQ(installRuns(), atInstall ? 1u : 0u);

        performer->setShouldAskForAuthorization(true);  // the next clean starts
        performer->authorizeIfNeeded();
        EXPECT_TRUE(performer->isAuthorized());
        EXPECT_EQ(installRuns(), atInstall ? 2u : 1u);
    }
}

TEST_F(BVPrivilegedOperationsPerformerTest, AnInstalledAgentThatIsNotOurCopyIsReinstalled) {
    struct Case {
        const char* name;
        std::function<void(std::string&)> change;
    };
    const std::vector<Case> cases = {
        {"another version", [](std::string& bytes) {
             size_t at = bytes.find(std::string("BVAgentBundleVersion=") + BRENVIK_PROJECT_VERSION);
             ASSERT_NE(at, std::string::npos);
             bytes[at + 21] = bytes[at + 21] == '9' ? '8' : '9';
         }},
        {"same version, other bytes", [](std::string& bytes) { bytes += "tampered"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env().install(::getuid());
        const std::string tool = env().configuration().installedToolPath();
        std::string bytes;
        ASSERT_TRUE(BVFileIO::readFile(tool, bytes, 1u << 28));
        c.change(bytes);
        ASSERT_TRUE(BVFileIO::writeFileAtomically(tool, bytes));

        auto performer = makePerformer();
        EXPECT_TRUE(performer->agentController()->isInstalled());
        EXPECT_TRUE(performer->agentController()->needsToBeUpdated());
        EXPECT_FALSE(performer->isAuthorized());
        size_t before = installRuns();
        performer->authorizeIfNeeded();
        EXPECT_EQ(installRuns(), before + 1);
        EXPECT_TRUE(performer->isAuthorized());
        EXPECT_FALSE(makePerformer()->agentController()->needsToBeUpdated());
    }
}

TEST_F(BVPrivilegedOperationsPerformerTest, AFailedInstallIsRetriedOnceAfterAForcedUninstall) {
    for (bool retrySucceeds : {true, false}) {
        SCOPED_TRACE(retrySucceeds ? "retry succeeds" : "retry fails");
        reset();
        script->execute = {errAuthorizationToolExecuteFailure, errAuthorizationSuccess,
                           retrySucceeds ? errAuthorizationSuccess : errAuthorizationToolExecuteFailure};
        auto performer = makePerformer();
        NotificationCounter authorized(BVPrivilegedOperationAuthorized);
        performer->authorizeIfNeeded();
        ASSERT_EQ(script->runs.size(), 3u);
        EXPECT_EQ(script->runs[1], (std::vector<std::string>{"/bin/rm", "-rf", env().configuration().configFilePath(),
                                                             env().configuration().installedToolPath()}));
        EXPECT_EQ(script->rightsAsked.back(), kBVAdministratorRight);
        EXPECT_EQ(performer->isAuthorized(), retrySucceeds);
        EXPECT_EQ(performer->authorizationStatus(), retrySucceeds ? BVAuthorizationStatusAuthorized : BVAuthorizationStatusBroken);
        EXPECT_EQ(authorized.count(), retrySucceeds ? 1 : 0);
    }
}

TEST_F(BVPrivilegedOperationsPerformerTest, AWaiterReturnsFailureWhenTheAgentDiesMidRequest) {
    env().folder().fileWithText("root/etc/cron.daily/slow",
                              "#!/bin/sh\necho started\ntouch \"" + env().folder() / "started" + "\"\nexec sleep 3\n");
    ::chmod((env().folder() / "root/etc/cron.daily/slow").c_str(), 0755);
    env().install(::getuid());
    env().startInstalledAgent();
    auto performer = makePerformer();
    ASSERT_TRUE(performer->isAuthorized());
    NotificationCounter interrupted(BVPrivilegedAgentHasInterrupted);

    std::atomic<int> answer{-1};
    std::thread worker([&] {
        auto proxy = performer->remoteObjectProxy();
        answer = BVPrivilegedReplyWaiter::wait<bool>(BVPrivilegedReplyWaiter::connectionOf(proxy), false, [&](auto done) {
            proxy->runPeriodicScript("daily", [done](bool ok, BVOptionalError) { done(ok); });
        });
    });
    // The file remover waits with runSync, for the reply only: the reply must come all the same.
    std::atomic<int> runSyncAnswer{-1};
    std::thread remover([&] {
        auto proxy = performer->remoteObjectProxy();
        runSyncAnswer = runSync<bool>([&](std::function<void(bool)> done) {
            proxy->runPeriodicScript("daily", [done](bool ok, BVOptionalError) { done(ok); });
        });
    });
    for (int i = 0; i < 200 && !std::ifstream(env().folder() / "started").good(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(answer, -1);  // still waiting while the script runs
    env().killAgent(SIGKILL);
    worker.join();
    remover.join();
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(runSyncAnswer, 0);
    EXPECT_EQ(interrupted.count(), 2);

    // With no agent listening the connection is invalid: sizes are 0 and the performer is broken.
    EXPECT_EQ(performer->fileSizeAtURL(env().rootPath("var/log"), nullptr), 0u);
    EXPECT_EQ(performer->authorizationStatus(), BVAuthorizationStatusBroken);
    EXPECT_FALSE(performer->isAuthorized());
}

TEST_F(BVPrivilegedOperationsPerformerTest, DeauthorizingWithUninstallRemovesTheAgent) {
    env().install(::getuid());
    env().startInstalledAgent();
    auto performer = makePerformer();
    ASSERT_TRUE(performer->isAuthorized());
    NotificationCounter deauthenticated(BVPrivilegedOperationDeauthenticated);
    performer->toggleAuthorization(true);
    EXPECT_EQ(env().waitForExit(10), 0);
    struct stat st;
    EXPECT_NE(::lstat(env().configuration().configFilePath().c_str(), &st), 0);
    EXPECT_NE(::lstat(env().configuration().installedToolPath().c_str(), &st), 0);
    EXPECT_EQ(performer->authorizationStatus(), BVAuthorizationStatusNotAuthorized);
    EXPECT_EQ(deauthenticated.count(), 1);
}

TEST_F(BVPrivilegedOperationsPerformerTest, AnAgentServingAnotherUserFailsRequestsAndMarksTheAgentBroken) {
    env().install(::getuid());
    env().startInstalledAgent({"--allowed-uid", std::to_string(::getuid() + 1)});
    auto performer = makePerformer();
    ASSERT_TRUE(performer->isAuthorized());
    NotificationCounter interrupted(BVPrivilegedAgentHasInterrupted);
    struct Echo {
        std::string text;
        BVOptionalError error;
    };
    Echo echo = runSync<Echo>([&](std::function<void(Echo)> done) {
        performer->remoteObjectProxy()->echo("hello", [done](std::string t, BVOptionalError e) { done(Echo{t, e}); });
    });
    EXPECT_EQ(echo.text, "");
    ASSERT_TRUE(echo.error);
    EXPECT_EQ(echo.error->code(), BVPrivilegedAgentErrorNotPermitted);
    EXPECT_EQ(interrupted.count(), 1);
    EXPECT_EQ(performer->authorizationStatus(), BVAuthorizationStatusBroken);
}
