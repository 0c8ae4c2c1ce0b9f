// Clean tasks: order and announcements, dependencies, cancellation, compound and prolonged
// tasks, and the debug switches' results.
#include <gtest/gtest.h>

#include <thread>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVUserDefaults.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVCompoundCleanTask.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "ScanningService/CoreScanning/BVModelProlongedCleanTask.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"
#include "tests/fixtures/BVTemporaryFolder.h"

using namespace std::chrono_literals;

namespace {

// A file-like entity whose removal succeeds or fails as told and is counted.
class CountedEntity : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(CountedEntity)
public:
    CountedEntity(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    BVURLPtr fileURL() const override { return std::dynamic_pointer_cast<const BVURL>(value()); }
    BVRemovalResultPtr remove() override {
        ++removals;
        if (fail) return BVRemovalResult::failedResultWithModel(shared_from_this(), BVError("Test", 1));
        return BVRemovalResult::successfulResultWithModel(shared_from_this());
    }
    std::atomic<int> removals{0};
    bool fail = false;
};

std::shared_ptr<CountedEntity> entity(const std::string& path, uint64_t size) {
    return BVEntity::model<CountedEntity>(BVURL::fileURLWithPath(path), size, true);
}

// Records announcements and can cancel the task's progress when an entity is announced.
class Recorder : public BVCleanTaskDelegate {
public:
    std::vector<std::string> events;
    std::string cancelAt;
    BVProgressPtr progress;
    void cleanTask(BVCleanTask&, const BVEntityPtr& e) override {
        events.push_back("will " + e->value()->description());
        if (progress && e->value()->description() == cancelAt) progress->cancel();
    }
    void cleanTask(BVCleanTask&, const BVEntityPtr& e, const BVRemovalResultPtr&) override {
        events.push_back("did " + e->value()->description());
    }
};

}  // namespace

TEST(BVModelCleanTask, RemovesInOrderAndRefusesEntitiesWithUnfulfilledDependencies) {
    auto a = entity("/c/a", 10), blocked = entity("/c/blocked", 20), c = entity("/c/c", 30);
    auto dependency = BVRemovalDependency::dependencyOnApplication("org.example.Browser");
    blocked->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcher::fetcherWithBlock([dependency] {
        return std::vector<BVRemovalDependencyPtr>{dependency};
    }));
    auto task = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{a, blocked, c});
    auto recorder = std::make_shared<Recorder>();
    task->setDelegate(recorder);
    EXPECT_EQ(task->remainingSize(), 60u);
    EXPECT_EQ(task->dependencies().size(), 1u);

    auto result = task->perform();
    EXPECT_EQ(result->state(), uint64_t(BVRemovalStatePartlySucceeded));
    EXPECT_EQ(result->cleanedSize(), 40u);
    EXPECT_EQ(blocked->removals.load(), 0);
    ASSERT_EQ(result->results().size(), 3u);
    auto error = result->results()[1]->errors().at(0);
    EXPECT_EQ(error.domain(), BVEntityErrorDomain);
    EXPECT_EQ(error.code(), -12);
    EXPECT_NE(error.localizedDescription().find("/c/blocked"), std::string::npos);
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"will /c/a", "did /c/a", "will /c/blocked", "did /c/blocked",
                                                          "will /c/c", "did /c/c"}));
    EXPECT_EQ(task->progress()->size(), 40u);
    EXPECT_EQ(task->progress()->fractionCompleted(), 1);

    // Once the application has quit, the same entity goes.
    dependency->fulfill();
    auto again = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{blocked});
    EXPECT_EQ(again->perform()->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(blocked->removals.load(), 1);

    auto empty = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{});
    auto none = empty->perform();
    EXPECT_EQ(none->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(none->cleanedSize(), 0u);
}

TEST(BVModelCleanTask, CancellingBetweenEntitiesLeavesTheRestInPlace) {
    auto a = entity("/c/a", 1), b = entity("/c/b", 1), c = entity("/c/c", 1);
    auto task = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{a, b, c});
    auto recorder = std::make_shared<Recorder>();
    recorder->progress = task->progress();
    recorder->cancelAt = "/c/b";
    task->setDelegate(recorder);
    auto result = task->perform();
    EXPECT_EQ(result->results().size(), 1u);
    EXPECT_EQ(b->removals.load(), 0);
    EXPECT_EQ(c->removals.load(), 0);
    // The next entity was announced but not reported removed.
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"will /c/a", "did /c/a", "will /c/b"}));
}

TEST(BVCompoundCleanTask, ConcatenatesSubTasksAndStopsOnCancel) {
    auto first = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{entity("/a", 5), entity("/b", 6)});
    auto failing = entity("/f", 7);
    failing->fail = true;
    auto second = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{failing});
    BVCompoundCleanTask compound({first, second});
    auto recorder = std::make_shared<Recorder>();
    compound.setDelegate(recorder);
    EXPECT_EQ(compound.models().size(), 3u);
    EXPECT_EQ(compound.remainingSize(), 18u);
    auto result = compound.perform();
    EXPECT_EQ(result->results().size(), 3u);
    EXPECT_EQ(result->cleanedSize(), 11u);
    EXPECT_EQ(result->state(), uint64_t(BVRemovalStatePartlySucceeded));
    EXPECT_EQ(recorder->events.size(), 6u);

    auto untouched = entity("/u", 1);
    BVCompoundCleanTask cancelled({std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{untouched})});
    cancelled.progress()->cancel();
    EXPECT_TRUE(cancelled.perform()->results().empty());
    EXPECT_EQ(untouched->removals.load(), 0);
}

TEST(BVModelProlongedCleanTask, LastsTheMinimumDurationUnlessDelaysAreOff) {
    auto inner = std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{entity("/p", 3)});
    auto prolonged = std::make_shared<BVModelProlongedCleanTask>(inner, 0.5);
    EXPECT_EQ(prolonged->fakeUnitsCount(), 10u);
    auto start = std::chrono::steady_clock::now();
    auto result = prolonged->perform();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 450ms);
    EXPECT_EQ(prolonged->fakeProgress()->completedUnitsCount(), 10u);
    EXPECT_EQ(prolonged->progress()->fractionCompleted(), 1);
    EXPECT_EQ(result->cleanedSize(), 3u);
    EXPECT_EQ(BVModelProlongedCleanTask(inner).fakeUnitsCount(), 40u);  // 2 seconds by default

    BVEnvironment::setBrkHumanFriendlyDelaysDisabled(true);
    auto quick = std::make_shared<BVModelProlongedCleanTask>(
        std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{entity("/q", 1)}));
    EXPECT_EQ(quick->minimumDuration(), 0);
    start = std::chrono::steady_clock::now();
    quick->perform();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_EQ(quick->progress()->fractionCompleted(), 1);
    BVEnvironment::setBrkHumanFriendlyDelaysDisabled(false);
}

TEST(BVModelProlongedCleanTask, PausingHoldsTheFakeProgressAndResumeCatchesUp) {
    auto prolonged = std::make_shared<BVModelProlongedCleanTask>(
        std::make_shared<BVModelCleanTask>(std::vector<BVEntityPtr>{}), 1.0);
    std::thread worker([&] { prolonged->perform(); });
    std::this_thread::sleep_for(200ms);
    prolonged->progress()->pause();
    std::this_thread::sleep_for(100ms);  // let a step see the pause
    uint64_t atPause = prolonged->fakeProgress()->completedUnitsCount();
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(prolonged->fakeProgress()->completedUnitsCount(), atPause + 1);
    EXPECT_LT(atPause, 20u);
    prolonged->progress()->resume();
    worker.join();  // the minimum duration has passed: the remaining units are added at the end
    EXPECT_EQ(prolonged->fakeProgress()->completedUnitsCount(), 20u);
}

TEST(BVCleanTaskResult, DebugSwitchesFakeTheResult) {
    BVTemporaryFolder home;
    BVPaths::setSharedInstance(std::make_shared<BVPaths>(BVLayout::linux, home.path()));
    auto defaults = BVUserDefaults::standardUserDefaults();
    BVModelCleanTask task({entity("/a", 4), entity("/b", 5)});
    EXPECT_EQ(BVCleanTaskResult::fakeResultForModelsTask(task), nullptr);
    defaults->setObject(BVDebugModeFakeRemove, BVValue(true));
    auto fake = BVCleanTaskResult::fakeResultForModelsTask(task);
    ASSERT_TRUE(fake);
    EXPECT_EQ(fake->cleanedSize(), 9u);
    EXPECT_EQ(fake->state(), uint64_t(BVRemovalStateSucceeded));
    defaults->setObject(BVDebugModeAllFailedRemove, BVValue(true));
    auto failed = BVCleanTaskResult::fakeResultForModelsTask(task);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->state(), uint64_t(BVRemovalStateFailed));
    EXPECT_EQ(failed->results()[0]->errors()[0].code(), 404);
    EXPECT_EQ(failed->results()[0]->errors()[0].domain(), BVOSStatusErrorDomain);
    BVPaths::setSharedInstance(nullptr);
}
