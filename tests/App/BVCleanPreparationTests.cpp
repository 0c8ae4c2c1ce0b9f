// The step before a clean, on real processes found through /proc: it names the running
// applications that block the clean, quits them and fulfils their dependencies, relaunches
// them afterwards, and leaves the dependencies of one that refuses unfulfilled.
#include <gtest/gtest.h>

#include "App/BVCleanPreparation.h"
#include "Foundation/BVProcWorkspace.h"
#include "tests/fixtures/BVTestApplicationProcess.h"

using namespace std::chrono_literals;

TEST(BVCleanPreparation, QuitsWhatBlocksTheCleanAndRelaunchesIt) {
    BVTemporaryFolder t;
    BVTestApplicationProcess browser(t, "example-browser", false);
    auto workspace = std::make_shared<BVProcWorkspace>(std::vector<BVApplicationExecutables>{
        {"org.example.Browser", {"example-browser"}}, {"org.example.Absent", {"not-running"}}});
    auto onBrowser = BVRemovalDependency::dependencyOnApplication("org.example.browser");  // case differs
    auto again = BVRemovalDependency::dependencyOnApplication("org.example.Browser");
    auto onAbsent = BVRemovalDependency::dependencyOnApplication("org.example.Absent");
    auto preparation = BVCleanPreparation::create(workspace, {onBrowser, again, onAbsent});

    auto blocking = preparation->blockingApplications();
    ASSERT_EQ(blocking.size(), 1u);  // once, and nothing for the application that is not running
    EXPECT_EQ(blocking[0]->processIdentifier(), browser.pid);

    EXPECT_TRUE(preparation->quit(blocking, 10s));
    EXPECT_TRUE(onBrowser->isFulfilled());
    EXPECT_TRUE(again->isFulfilled());
    EXPECT_FALSE(onAbsent->isFulfilled());
    EXPECT_TRUE(preparation->blockingApplications().empty());

    preparation->relaunch();
    ASSERT_TRUE(BVEventually([&] { return browser.launches() == 2; }));
    for (const auto& a : workspace->runningApplications()) a->terminate();
}

TEST(BVCleanPreparation, HelpersStartedFromTheApplicationsProgramGoWithItAndItIsRelaunchedOnce) {
    BVTemporaryFolder t;
    BVTestApplicationProcess browser(t, "example-tabbed-browser", false, true);
    ASSERT_EQ(browser.helpers().size(), 1u);
    pid_t helper = browser.helpers()[0];
    auto workspace = std::make_shared<BVProcWorkspace>(std::vector<BVApplicationExecutables>{{"org.example.Tabbed", {"example-tabbed-browser"}}});
    auto preparation = BVCleanPreparation::create(workspace, {BVRemovalDependency::dependencyOnApplication("org.example.Tabbed")});

    auto blocking = preparation->blockingApplications();
    ASSERT_EQ(blocking.size(), 1u);  // the helper runs the same program but is no application of its own
    EXPECT_EQ(blocking[0]->processIdentifier(), browser.pid);
    EXPECT_TRUE(preparation->quit(blocking, 10s));
    EXPECT_TRUE(BVEventually([&] { return ::kill(helper, 0) != 0; })) << "the helper ends with its application";

    preparation->relaunch();
    ASSERT_TRUE(BVEventually([&] { return browser.launches() == 2; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(browser.launches(), 2u);  // once, not once per process that ran the program
    for (const auto& a : workspace->runningApplications()) a->terminate();
}

TEST(BVCleanPreparation, AnApplicationThatRefusesKeepsItsDependencies) {
    BVTemporaryFolder t;
    BVTestApplicationProcess stubborn(t, "stubborn-mail", true);
    auto workspace = std::make_shared<BVProcWorkspace>(std::vector<BVApplicationExecutables>{{"org.example.Mail", {stubborn.path}}});
    auto dependency = BVRemovalDependency::dependencyOnApplication("org.example.Mail");
    auto preparation = BVCleanPreparation::create(workspace, {dependency});
    auto blocking = preparation->blockingApplications();
    ASSERT_EQ(blocking.size(), 1u);
    EXPECT_FALSE(preparation->quit(blocking, 300ms));
    EXPECT_FALSE(dependency->isFulfilled());
    preparation->relaunch();  // it never quit, so nothing is started again
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(stubborn.launches(), 1u);
}
