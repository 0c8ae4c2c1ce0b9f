// Progress objects: counting, aggregation, and cooperative control across threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Foundation/BVCompoundProgress.h"
#include "Foundation/BVComputableProgress.h"

using namespace std::chrono_literals;

TEST(BVComputableProgress, FractionIsDoneOverKnownUnits) {
    auto p = BVComputableProgress::create(4);
    EXPECT_EQ(p->fractionCompleted(), 0);
    p->addUnitsCount(1);
    EXPECT_DOUBLE_EQ(p->fractionCompleted(), 0.25);
    p->addPendingUnitsCount(4);
    EXPECT_DOUBLE_EQ(p->fractionCompleted(), 0.125);
    p->addUnitsCount(100);
    EXPECT_EQ(p->fractionCompleted(), 1);  // never past the end
    auto none = BVComputableProgress::create();
    EXPECT_EQ(none->fractionCompleted(), 0);
    none->forceComplete();
    EXPECT_EQ(none->fractionCompleted(), 1);
}

TEST(BVCompoundProgress, AggregatesSizePathAndFractionOfNestedChildren) {
    auto outer = BVCompoundProgress::create();
    auto inner = BVCompoundProgress::create();
    auto a = BVComputableProgress::create(2), b = BVComputableProgress::create(1);
    outer->attachProgress(inner);
    inner->attachProgress(a);
    outer->attachProgress(b);

    std::vector<double> fractions;
    std::vector<uint64_t> sizes;
    std::string lastPath;
    outer->onFractionUpdate([&](BVProgress&, double f) { fractions.push_back(f); });
    outer->onSizeUpdate([&](BVProgress&, uint64_t s) { sizes.push_back(s); });
    outer->onPathUpdate([&](BVProgress&, const std::string& p) { lastPath = p; });

    a->addUnitsCount(1);
    a->addSize(100);
    b->addSize(5);
    a->setPath("/x/y");
    EXPECT_EQ(outer->size(), 105u);
    EXPECT_EQ(lastPath, "/x/y");
    EXPECT_EQ(outer->path(), "/x/y");
    ASSERT_FALSE(fractions.empty());
    EXPECT_DOUBLE_EQ(fractions.back(), (0.5 + 0.0) / 2);  // each child weighs the same
    EXPECT_EQ(sizes.back(), 105u);
    outer->forceComplete();
    EXPECT_EQ(outer->fractionCompleted(), 1);
}

TEST(BVCompoundProgress, ControlReachesChildrenIncludingLateOnes) {
    auto compound = BVCompoundProgress::create();
    auto early = BVComputableProgress::create();
    compound->attachProgress(early);
    bool cancelledCallback = false;
    early->onCancelled([&](BVProgress&, bool c) { cancelledCallback = c; });
    compound->pause();
    EXPECT_TRUE(early->isPaused());
    auto late = BVComputableProgress::create();
    compound->attachProgress(late);
    EXPECT_TRUE(late->isPaused());
    compound->resume();
    EXPECT_FALSE(early->isPaused());
    EXPECT_FALSE(late->isPaused());
    compound->cancel();
    EXPECT_TRUE(early->isCancelled());
    EXPECT_TRUE(cancelledCallback);
    auto afterCancel = BVComputableProgress::create();
    compound->attachProgress(afterCancel);
    EXPECT_TRUE(afterCancel->isCancelled());
}

TEST(BVProgress, SleepBlocksAWorkerUntilResumeOrCancel) {
    for (bool endByCancel : {false, true}) {
        auto compound = BVCompoundProgress::create();
        auto task = BVComputableProgress::create(1000);
        compound->attachProgress(task);
        compound->pause();
        std::atomic<int> steps{0};
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            for (int i = 0; i < 1000 && !task->isCancelled(); ++i) {
                task->sleepThreadWhilePaused();
                task->addUnitsCount(1);
                ++steps;
            }
            returned = true;
        });
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(steps.load(), 0) << "a paused worker made progress";
        if (endByCancel) compound->cancel();
        else compound->resume();
        worker.join();
        EXPECT_TRUE(returned);
        if (endByCancel) EXPECT_LT(steps.load(), 1000);
        else EXPECT_EQ(steps.load(), 1000);
    }
}

TEST(BVProgress, UpdatesFromManyThreadsAddUp) {
    auto compound = BVCompoundProgress::create();
    std::vector<std::shared_ptr<BVComputableProgress>> children;
    for (int i = 0; i < 4; ++i) {
        children.push_back(BVComputableProgress::create(1000));
        compound->attachProgress(children.back());
    }
    std::atomic<uint64_t> seen{0};
    compound->onSizeUpdate([&](BVProgress&, uint64_t s) { seen = std::max<uint64_t>(seen, s); });
    std::vector<std::thread> threads;
    for (auto& c : children)
        threads.emplace_back([c] {
            for (int i = 0; i < 1000; ++i) {
                c->addSize(1);
                c->addUnitsCount(1);
                c->setPath("/p");
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(compound->size(), 4000u);
    EXPECT_EQ(compound->fractionCompleted(), 1);
    EXPECT_EQ(seen.load(), 4000u);
}
