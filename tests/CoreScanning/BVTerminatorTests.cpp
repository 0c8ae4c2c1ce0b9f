// Quitting, observing and relaunching real processes found through /proc.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "Foundation/BVProcWorkspace.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRunningApplicationsTerminator.h"
#include "tests/fixtures/BVTestApplicationProcess.h"

using namespace std::chrono_literals;
extern char** environ;

using Application = BVTestApplicationProcess;

TEST(BVRunningApplicationsTerminator, QuitsFulfilsDependenciesAndRelaunchesOnce) {
    BVTemporaryFolder t;
    Application browser(t, "example-browser", false), other(t, "example-mail", false);
    auto workspace = std::make_shared<BVProcWorkspace>(std::vector<BVApplicationExecutables>{
        {"org.example.Browser", {browser.path}}, {"org.example.Mail", {"example-mail"}}});
    auto terminator = BVRunningApplicationsTerminator::create(workspace);

    auto app = terminator->runningApplicationWithBundleID("ORG.EXAMPLE.browser");  // case does not matter
    ASSERT_TRUE(app);
    EXPECT_EQ(app->processIdentifier(), browser.pid);
    ASSERT_TRUE(terminator->runningApplicationWithBundleID("org.example.mail"));  // matched by file name
    EXPECT_FALSE(terminator->runningApplicationWithBundleID("org.example.none"));

    // The preparation step: a handler fulfils the dependencies on the terminated application.
    auto dependency = BVRemovalDependency::dependencyOnApplication("org.example.Browser");
    auto unrelated = BVRemovalDependency::dependencyOnApplication("org.example.Mail");
    std::atomic<int> calls{0};
    terminator->addTerminationHandler([&](const BVRunningApplicationPtr& gone) {
        ++calls;
        for (auto& d : {dependency, unrelated})
            if (d->applicationBundleID() == gone->bundleIdentifier()) d->fulfill();
    });
    terminator->terminateApplication(app, true);
    terminator->listenForTermination(app);
    ASSERT_TRUE(BVEventually([&] { return dependency->isFulfilled(); }));
    EXPECT_FALSE(unrelated->isFulfilled());
    EXPECT_TRUE(app->isTerminated());
    ::waitpid(browser.pid, nullptr, 0);

    terminator->restartTerminatedApplications();
    ASSERT_TRUE(BVEventually([&] { return browser.launches() == 2; }));
    terminator->restartTerminatedApplications();  // the list was emptied: no second relaunch
    terminator->waitForQueuedWork();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(browser.launches(), 2u);
    EXPECT_EQ(calls.load(), 1);
    // Stop the relaunched copy.
    for (const auto& a : workspace->runningApplications())
        if (a->bundleIdentifier() == "org.example.Browser") a->terminate();
}

TEST(BVRunningApplicationsTerminator, ARefusedQuitCallsNoHandlerAndIsNotRelaunched) {
    BVTemporaryFolder t;
    Application stubborn(t, "stubborn", true);
    auto workspace = std::make_shared<BVProcWorkspace>(std::vector<BVApplicationExecutables>{{"org.example.Stubborn", {"stubborn"}}});
    auto terminator = BVRunningApplicationsTerminator::create(workspace);
    auto app = terminator->runningApplicationWithBundleID("org.example.stubborn");
    ASSERT_TRUE(app);
    std::atomic<int> calls{0};
    terminator->addTerminationHandler([&](const BVRunningApplicationPtr&) { ++calls; });
    terminator->terminateApplication(app, false);
    terminator->listenForTermination(app);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(calls.load(), 0);
    EXPECT_FALSE(app->isTerminated());

    // Once it really ends (here: killed), the handler runs; quit without restartLater, it is
    // not relaunched.
    ::kill(stubborn.pid, SIGKILL);
    ASSERT_TRUE(BVEventually([&] { return calls.load() == 1; }));
    terminator->restartTerminatedApplications();
    terminator->waitForQueuedWork();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(stubborn.launches(), 1u);
}

TEST(BVRunningApplicationsTerminator, AnApplicationAlreadyGoneIsReportedAtOnce) {
    BVTemporaryFolder t;
    auto* application = new Application(t, "short-lived", false);
    auto workspace = std::make_shared<BVProcWorkspace>(std::vector<BVApplicationExecutables>{{"org.example.Short", {"short-lived"}}});
    auto terminator = BVRunningApplicationsTerminator::create(workspace);
    auto app = terminator->runningApplicationWithBundleID("org.example.Short");
    ASSERT_TRUE(app);
    delete application;  // killed and reaped before anyone listens
    std::atomic<int> calls{0};
    terminator->addTerminationHandler([&](const BVRunningApplicationPtr&) { ++calls; });
    terminator->listenForTermination(app);
    terminator->waitForQueuedWork();
    EXPECT_EQ(calls.load(), 1);  // called on the queue, without observing

    BVRunningApplicationsTerminationObserver observer;
    observer.cancelObserveTerminationForApplication(app);  // not observed: nothing changes
    EXPECT_EQ(observer.observedCount(), 0u);
}
