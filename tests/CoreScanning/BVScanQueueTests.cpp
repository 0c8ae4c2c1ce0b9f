// The scan queue with real worker threads: ordering of preparation, tasks, finish and
// follow-up; pause; cancel; reuse. The test thread plays the main thread.
#include <gtest/gtest.h>

#include <thread>

#include "Foundation/BVDispatchQueue.h"
#include "ScanningService/CoreScanning/BVScanQueue.h"
#include "tests/CoreScanning/BVScanTestTasks.h"
#include "tests/fixtures/BVMainQueueWaiter.h"

using namespace std::chrono_literals;

namespace {

// Records every callback, in arrival order, and checks it arrived on the main queue.
struct Recorder {
    std::vector<std::string> events;
    std::vector<BVScanResultPtr> results;
    bool finished = false, finishedCancelled = false, offMain = false;
    double lastFraction = 0;
    uint64_t lastSize = 0;

    void attach(BVScanQueue& q) {
        auto check = [this] { offMain = offMain || !BVDispatchQueue::main()->isCurrent(); };
        q.onQueueStart([this, check](BVScanQueue&) { check(), events.push_back("queue-start"); });
        q.onTaskStart([this, check](const BVScanTaskPtr& t) { check(), events.push_back("start " + t->identifier()); });
        q.onTaskCancel([this, check](const BVScanTaskPtr& t) { check(), events.push_back("cancel " + t->identifier()); });
        q.onTaskFinish([this, check](const BVScanTaskPtr& t, const BVScanResultPtr& r) {
            check(), events.push_back("finish " + t->identifier()), results.push_back(r);
        });
        q.onQueueProgressFractionChange([this, check](BVScanQueue&, double f) { check(), lastFraction = f; });
        q.onQueueProgressSizeChange([this, check](BVScanQueue&, uint64_t s) { check(), lastSize = s; });
        q.onQueueFinish([this, check](BVScanQueue&, bool cancelled) {
            check(), events.push_back("queue-finish"), finished = true, finishedCancelled = cancelled;
        });
    }
    size_t indexOf(const std::string& e) const {
        return size_t(std::find(events.begin(), events.end(), e) - events.begin());
    }
};

}  // namespace

TEST(BVScanQueue, ScanWithoutTasksStartsFinishesAndRunsFollowUps) {
    auto q = BVScanQueue::create("empty");
    Recorder r;
    r.attach(*q);
    std::atomic<bool> post{false};
    q->addTasks({}, {}, {BVBlockOperation::blockOperationWithBlock([&] { post = true; })});
    BVRunMainQueueUntil([&] { return r.finished && post; });
    EXPECT_EQ(r.events, (std::vector<std::string>{"queue-start", "queue-finish"}));
    EXPECT_FALSE(r.finishedCancelled);
    EXPECT_FALSE(r.offMain);
    EXPECT_EQ(q->progress(), nullptr);
}

TEST(BVScanQueue, PreparationRunsBeforeTasksAndFollowUpsAfterTheFinish) {
    auto q = BVScanQueue::create("ordered");
    Recorder r;
    r.attach(*q);
    auto a = std::make_shared<BVSteppingTask>("a", 20, 100), b = std::make_shared<BVSteppingTask>("b", 10, 1);
    auto plain = std::make_shared<BVPlainTask>("plain");
    std::atomic<bool> preparing{false}, taskStartedDuringPreparation{false}, postSawFinish{false};
    auto pre = BVBlockOperation::blockOperationWithBlock([&] {
        preparing = true;
        std::this_thread::sleep_for(50ms);
        taskStartedDuringPreparation = a->started || b->started;
        preparing = false;
    });
    std::atomic<bool> post{false};
    auto postOp = BVBlockOperation::blockOperationWithBlock([&] {
        postSawFinish = a->ran && b->ran && q->progress() == nullptr;
        post = true;
    });
    q->addTasks({a, b, plain}, {pre}, {postOp});
    BVRunMainQueueUntil([&] { return r.finished && post; });
    EXPECT_FALSE(taskStartedDuringPreparation);
    EXPECT_TRUE(postSawFinish);
    EXPECT_EQ(r.results.size(), 3u);
    EXPECT_LT(r.indexOf("start a"), r.indexOf("finish a"));
    EXPECT_LT(r.indexOf("finish a"), r.indexOf("queue-finish"));
    EXPECT_LT(r.indexOf("finish plain"), r.indexOf("queue-finish"));
    EXPECT_EQ(r.lastSize, 20u * 100 + 10 + 3);  // the plain task's result size counts too
    EXPECT_DOUBLE_EQ(r.lastFraction, 1.0);
    EXPECT_FALSE(r.offMain);
}

TEST(BVScanQueue, PauseBlocksTasksUntilResume) {
    auto q = BVScanQueue::create("paused");
    Recorder r;
    r.attach(*q);
    BVTestGate gate;
    auto task = std::make_shared<BVSteppingTask>("slow", 200, 1, &gate);
    q->addTasks({task});
    BVRunMainQueueUntil([&] { return task->started.load() && q->progress() != nullptr; });
    q->pause();
    EXPECT_TRUE(q->isPaused());
    gate.open();
    task->progress()->waitUntilAThreadIsHeld();  // the task reached its first step and is held
    EXPECT_EQ(task->stepsDone.load(), 0) << "a paused task made progress";
    q->resume();
    BVRunMainQueueUntil([&] { return r.finished; });
    EXPECT_EQ(task->stepsDone.load(), 200);
    EXPECT_FALSE(r.finishedCancelled);
}

TEST(BVScanQueue, CancelEndsRunningTasksSkipsWaitingOnesAndStillFinishes) {
    auto q = BVScanQueue::create("cancelled");
    q->queue().setMaxConcurrentOperationCount(1);  // so one task is surely still waiting
    Recorder r;
    r.attach(*q);
    BVTestGate gate;
    auto running = std::make_shared<BVSteppingTask>("running", 100000, 1, &gate);
    auto waiting = std::make_shared<BVSteppingTask>("waiting", 5);
    std::atomic<bool> post{false};
    q->addTasks({running, waiting}, {}, {BVBlockOperation::blockOperationWithBlock([&] { post = true; })});
    BVRunMainQueueUntil([&] { return running->started.load(); });
    gate.open();
    while (running->stepsDone.load() < 3) std::this_thread::sleep_for(1ms);
    q->cancel();
    BVRunMainQueueUntil([&] { return r.finished && post; });
    EXPECT_TRUE(r.finishedCancelled);
    EXPECT_LT(running->stepsDone.load(), 100000);
    EXPECT_FALSE(waiting->started);
    EXPECT_LT(r.indexOf("finish running"), r.events.size()) << "a running task still delivers its partial result";
    EXPECT_EQ(r.indexOf("start waiting"), r.events.size());
    EXPECT_LT(r.indexOf("cancel waiting"), r.events.size());
    ASSERT_EQ(r.results.size(), 1u);
    EXPECT_EQ(r.results[0]->items()->size(), size_t(running->stepsDone.load()));

    // The same queue scans again: the cancelled flag is cleared.
    Recorder second;
    second.attach(*q);
    q->addTasks({std::make_shared<BVSteppingTask>("again", 3)});
    BVRunMainQueueUntil([&] { return second.finished; });
    EXPECT_FALSE(second.finishedCancelled);
    EXPECT_FALSE(q->isCancelled());
}

TEST(BVScanQueue, CancelTaskCancelsOnlyThatTask) {
    auto q = BVScanQueue::create("one-task");
    q->queue().setMaxConcurrentOperationCount(1);
    Recorder r;
    r.attach(*q);
    BVTestGate gate;
    auto first = std::make_shared<BVSteppingTask>("first", 2, 1, &gate);
    auto second = std::make_shared<BVSteppingTask>("second", 2);
    q->addTasks({first, second});
    BVRunMainQueueUntil([&] { return first->started.load(); });
    q->cancelTask(second);
    gate.open();
    BVRunMainQueueUntil([&] { return r.finished; });
    EXPECT_TRUE(first->ran);
    EXPECT_FALSE(second->started);
    EXPECT_FALSE(r.finishedCancelled);
    EXPECT_EQ(r.results.size(), 1u);
}

TEST(BVScanQueue, AReleasedQueueStopsReporting) {
    Recorder r;
    {
        auto q = BVScanQueue::create("released");
        r.attach(*q);
        q->addTasks({std::make_shared<BVSteppingTask>("t", 50)});
    }
    // Nothing to assert on but absence: run the main queue a while and expect no crash and no
    // queue-level callbacks after the release.
    BVRunLoop::runUntil([] { return false; }, 100ms);
    EXPECT_FALSE(r.finished);
}
