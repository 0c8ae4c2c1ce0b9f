// Dispatch queues, groups, the main queue and the operation queue.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVDispatchGroup.h"
#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVExecutor.h"
#include "Foundation/BVOperationQueue.h"
#include "tests/fixtures/BVMainQueueWaiter.h"

using namespace std::chrono_literals;

TEST(BVDispatchQueue, SerialQueueRunsInOrderOneAtATime) {
    auto q = BVDispatchQueue::serial("test.serial");
    std::vector<int> order;
    std::atomic<int> running{0};
    bool overlapped = false;
    for (int i = 0; i < 200; ++i)
        q->async([&, i] {
            if (running.fetch_add(1) != 0) overlapped = true;
            order.push_back(i);
            running.fetch_sub(1);
        });
    bool onQueue = false;
    q->sync([&] { onQueue = q->isCurrent(); });  // sees every earlier block
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[size_t(i)], i);
    EXPECT_FALSE(overlapped);
    EXPECT_TRUE(onQueue);
    EXPECT_FALSE(q->isCurrent());
}

TEST(BVDispatchQueue, NestedSyncAcrossManyQueuesDoesNotStarve) {
    // Each block waits on the next queue: a fixed-size pool would deadlock here.
    std::vector<BVDispatchQueuePtr> queues;
    for (int i = 0; i < 40; ++i) queues.push_back(BVDispatchQueue::serial("test.chain"));
    std::function<void(size_t)> step = [&](size_t i) {
        if (i == queues.size()) return;
        queues[i]->sync([&, i] { step(i + 1); });
    };
    step(0);
    SUCCEED();
}

TEST(BVDispatchQueue, MainQueueAndAfterAreDrainedByTheRunLoop) {
    std::atomic<bool> ran{false};
    bool onMain = false;
    auto q = BVDispatchQueue::serial("test.after");
    auto start = std::chrono::steady_clock::now();
    q->after(30ms, [&] {
        BVDispatchQueue::main()->async([&] {
            onMain = BVDispatchQueue::main()->isCurrent();
            ran = true;
        });
    });
    BVRunMainQueueUntil([&] { return ran.load(); });
    EXPECT_TRUE(onMain);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

TEST(BVDispatchGroup, WaitsForEveryMemberAndNotifiesOnce) {
    BVDispatchGroup group;
    auto q = BVDispatchQueue::serial("test.group");
    std::atomic<int> done{0};
    for (int i = 0; i < 10; ++i) group.async(q, [&] { ++done; });
    std::atomic<int> notified{0};
    group.notify(q, [&] { ++notified; });
    group.wait();
    EXPECT_EQ(done.load(), 10);
    q->sync([] {});
    EXPECT_EQ(notified.load(), 1);
    BVDispatchGroup empty;
    EXPECT_TRUE(empty.waitFor(1ms));
    empty.enter();
    EXPECT_FALSE(empty.waitFor(10ms));
    empty.leave();
    empty.leave();  // an extra leave is ignored
    EXPECT_TRUE(empty.waitFor(1ms));
}

TEST(BVOperationQueue, RunsOperationsAfterTheirDependenciesWithinTheLimit) {
    BVOperationQueue queue("test.ops");
    queue.setMaxConcurrentOperationCount(2);
    std::mutex m;
    std::vector<std::string> log;
    std::atomic<int> running{0}, peak{0};
    auto op = [&](std::string name) {
        return BVBlockOperation::blockOperationWithBlock([&, name] {
            int now = ++running;
            int p = peak;
            while (now > p && !peak.compare_exchange_weak(p, now)) {
            }
            std::this_thread::sleep_for(5ms);
            {
                std::lock_guard lock(m);
                log.push_back(name);
            }
            --running;
        });
    };
    auto first = op("first");
    std::vector<BVOperationPtr> middle;
    for (int i = 0; i < 6; ++i) {
        auto o = op("middle");
        o->addDependency(first);
        middle.push_back(o);
    }
    auto last = op("last");
    for (auto& o : middle) last->addDependency(o);
    queue.addOperation(last);  // added first, runs last
    queue.addOperations(middle);
    queue.addOperation(first);
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(log.front(), "first");
    EXPECT_EQ(log.back(), "last");
    EXPECT_LE(peak.load(), 2);
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(BVOperationQueue, SuspensionHoldsAndCancellationSkipsWork) {
    // Stepped by hand: whether anything may start is asked of the queue, not of the clock.
    BVOperationQueue queue("test.suspend");
    queue.setManualExecution(true);
    queue.setSuspended(true);
    std::atomic<int> ran{0};
    auto a = BVBlockOperation::blockOperationWithBlock([&] { ++ran; });
    auto b = BVBlockOperation::blockOperationWithBlock([&] { ++ran; });
    auto blocker = BVBlockOperation::blockOperationWithBlock([] {});
    b->addDependency(blocker);  // never added: only cancellation can make b ready
    queue.addOperations({a, b});
    EXPECT_FALSE(queue.runNextReadyOperation());  // suspended
    EXPECT_EQ(ran.load(), 0);
    queue.setSuspended(false);
    EXPECT_TRUE(queue.runNextReadyOperation());   // a
    EXPECT_FALSE(queue.runNextReadyOperation());  // b waits for its dependency
    b->cancel();
    EXPECT_TRUE(queue.runNextReadyOperation());   // b finishes cancelled without running
    EXPECT_EQ(ran.load(), 1);
    EXPECT_TRUE(b->isFinished());
    EXPECT_TRUE(b->isCancelled());
    EXPECT_EQ(queue.operationCount(), 0u);

    // With workers, resuming starts what was held.
    BVOperationQueue threaded("test.suspend.threads");
    threaded.setSuspended(true);
    auto c = BVBlockOperation::blockOperationWithBlock([&] { ++ran; });
    threaded.addOperations({c});
    threaded.setSuspended(false);
    threaded.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 2);
}

TEST(BVOperationQueue, DependencyOnAnotherQueueWakesThisOne) {
    BVOperationQueue one("test.one"), two("test.two");
    std::atomic<bool> firstDone{false}, sawFirst{false};
    auto first = BVBlockOperation::blockOperationWithBlock([&] {
        std::this_thread::sleep_for(20ms);
        firstDone = true;
    });
    auto second = BVBlockOperation::blockOperationWithBlock([&] { sawFirst = firstDone.load(); });
    second->addDependency(first);
    two.addOperation(second);
    one.addOperation(first);
    two.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(sawFirst);
}

TEST(BVExecutor, RunSyncWaitsAndTheExecutorGivesUpOnCancel) {
    int answer = runSync<int>([](std::function<void(int)> done) {
        std::thread([done] {
            std::this_thread::sleep_for(10ms);
            done(7);
            done(8);  // only the first completion counts
        }).detach();
    });
    EXPECT_EQ(answer, 7);

    auto progress = BVComputableProgress::create();
    BVExecutor executor(progress);
    std::thread canceller([&] {
        std::this_thread::sleep_for(30ms);
        progress->cancel();
    });
    // The handler never completes; the cancellation ends the wait with the default.
    std::function<void(int)> kept;
    int value = executor.executeWithDefaultValue<int>(-1, [&](std::function<void(int)> done) { kept = done; });
    canceller.join();
    EXPECT_EQ(value, -1);
    EXPECT_EQ(executor.executeWithDefaultValue<int>(-2, [](auto done) { done(5); }), -2);  // already cancelled
}
