// The clean queue end to end with real files: a preparation step that quits a real process
// the mapping names and fulfils the dependencies on it, the removals, callbacks on the right
// threads, the authorisation reset, and cancellation between entities.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <thread>

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVProcWorkspace.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVCleanQueue.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "ScanningService/CoreScanning/BVRunningApplicationsTerminator.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"
#include "tests/fixtures/BVMainQueueWaiter.h"

extern char** environ;
using namespace std::chrono_literals;

namespace {

class BVCleanQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = t.folder("home");
        paths = std::make_shared<BVPaths>(BVLayout::linux, home);
        BVPaths::setSharedInstance(paths);
        performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
        ASSERT_TRUE(performer);
        remover = std::make_shared<BVFileRemover>(performer, BVFileManager::defaultManager(), paths);
    }
    void TearDown() override { BVPaths::setSharedInstance(nullptr); }

    std::shared_ptr<BVFileModel> fileEntity(const std::string& relative) {
        auto e = BVFileModel::modelWithPath(t.file("home/" + relative, 2000), 4096, true);
        e->setRemover(remover);
        return e;
    }

    BVTemporaryFolder t;
    BVAgentEnvironment env;
    std::string home;
    std::shared_ptr<BVPaths> paths;
    std::shared_ptr<BVScriptedAuthorization::Script> script = std::make_shared<BVScriptedAuthorization::Script>();
    BVPrivilegedOperationsPerformerPtr performer;
    BVFileRemoverPtr remover;
};

}  // namespace

TEST_F(BVCleanQueueTest, QuitsTheBlockingApplicationThenRemovesAndReports) {
    // A running "browser": a copy of the stand-in application that the mapping names.
    std::string app = t / "example-browser";
    std::filesystem::copy_file(BRENVIK_TEST_APPLICATION, app);
    std::filesystem::permissions(app, std::filesystem::perms::owner_all);
    pid_t pid = 0;
    char* argv[] = {app.data(), nullptr};
    ASSERT_EQ(posix_spawn(&pid, app.c_str(), nullptr, nullptr, argv, environ), 0);
    auto workspace = std::make_shared<BVProcWorkspace>(std::vector<BVApplicationExecutables>{{"org.example.Browser", {app}}});
    auto terminator = BVRunningApplicationsTerminator::create(workspace);
    // The new process shows its executable once it has run exec; on a loaded machine that takes a while.
    for (int i = 0; i < 5000 && !terminator->runningApplicationWithBundleID("org.example.Browser"); ++i)
        std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(terminator->runningApplicationWithBundleID("org.example.Browser")) << "the stand-in application did not start";

    auto cache = fileEntity(".cache/browser/data");
    cache->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcher::fetcherWithBundleIDs({"org.example.Browser"}));
    auto plain = fileEntity(".cache/other/data");
    auto task = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{cache, plain});

    // The preparation step: quit what blocks the task's entities, wait until it has gone.
    auto dependencies = task->dependencies();
    auto prepare = BVBlockOperation::blockOperationWithBlock([&] {
        std::atomic<bool> gone{false};
        terminator->addTerminationHandler([&](const BVRunningApplicationPtr& a) {
            for (auto& d : dependencies)
                if (d->applicationBundleID() == a->bundleIdentifier()) d->fulfill();
            gone = true;
        });
        for (auto& d : dependencies)
            if (auto running = terminator->runningApplicationWithBundleID(d->applicationBundleID())) {
                terminator->terminateApplication(running, false);
                terminator->listenForTermination(running);
            }
        while (!gone) std::this_thread::sleep_for(1ms);
    });

    auto queue = BVCleanQueue::create(performer);
    performer->setShouldAskForAuthorization(false);  // as after a cancelled dialog in an earlier clean
    std::vector<std::string> events;
    bool finished = false, offMain = false;
    BVCleanTaskResultPtr result;
    std::thread::id worker;
    queue->onQueueStart([&](BVCleanQueue&) { events.push_back("queue-start"); });
    queue->onTaskStart([&](const BVCleanTaskPtr&) {
        offMain = offMain || !BVDispatchQueue::main()->isCurrent();
        events.push_back("task-start");
    });
    queue->onTaskWillRemoveEntity([&](BVCleanTask&, const BVEntityPtr&) { worker = std::this_thread::get_id(); });
    queue->onTaskFinish([&](const BVCleanTaskPtr&, const BVCleanTaskResultPtr& r) {
        offMain = offMain || !BVDispatchQueue::main()->isCurrent();
        events.push_back("task-finish");
        result = r;
    });
    queue->onQueueFinish([&](BVCleanQueue&) {
        events.push_back("queue-finish");
        finished = true;
    });
    queue->underlyingQueue().setSuspended(true);
    queue->addOperations({prepare});
    queue->addTasks({task});
    EXPECT_TRUE(performer->shouldAskForAuthorization());  // reset at the start of the clean
    queue->underlyingQueue().setSuspended(false);
    BVRunMainQueueUntil([&] { return finished; });
    ::waitpid(pid, nullptr, 0);

    EXPECT_EQ(events, (std::vector<std::string>{"queue-start", "task-start", "task-finish", "queue-finish"}));
    EXPECT_FALSE(offMain);
    EXPECT_NE(worker, std::this_thread::get_id());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(result->cleanedSize(), 8192u);
    EXPECT_FALSE(BVFileManager::defaultManager()->fileExistsAtPath(home + "/.cache/browser/data"));
    EXPECT_EQ(queue->progress(), nullptr);
}

TEST_F(BVCleanQueueTest, ABlockedEntityFailsAndCancellingStopsBetweenEntities) {
    auto blocked = fileEntity(".cache/mail/data");
    blocked->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcher::fetcherWithBundleIDs({"org.example.Mail"}));
    auto first = fileEntity(".cache/a"), second = fileEntity(".cache/b"), third = fileEntity(".cache/c");
    auto queue = BVCleanQueue::create(performer);
    std::vector<BVCleanTaskResultPtr> results;
    bool finished = false;
    queue->onTaskFinish([&](const BVCleanTaskPtr&, const BVCleanTaskResultPtr& r) { results.push_back(r); });
    queue->onQueueFinish([&](BVCleanQueue&) { finished = true; });
    // Cancel as the second entity of the second task is announced.
    queue->onTaskWillRemoveEntity([&](BVCleanTask&, const BVEntityPtr& e) {
        if (e == second) queue->cancel();
    });
    queue->addTasks({std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{blocked, first}),
                     std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{second, third})});
    BVRunMainQueueUntil([&] { return finished; });
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0]->state(), uint64_t(BVRemovalStatePartlySucceeded));  // refused + removed
    EXPECT_EQ(results[0]->results()[0]->errors().at(0).code(), -12);
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(home + "/.cache/mail/data"));
    EXPECT_TRUE(results[1]->results().empty());
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(home + "/.cache/b"));
    EXPECT_TRUE(BVFileManager::defaultManager()->fileExistsAtPath(home + "/.cache/c"));
}
