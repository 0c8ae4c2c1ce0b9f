#include "ScanningService/CoreScanning/BVModelProlongedCleanTask.h"

#include <thread>

#include "Foundation/BVEnvironment.h"

BVModelProlongedCleanTask::BVModelProlongedCleanTask(BVCleanTaskPtr task, double minimumDuration)
    : originalTask_(std::move(task)),
      progress_(BVCompoundProgress::create()),
      minimumDuration_(BVEnvironment::brkHumanFriendlyDelaysDisabled() ? 0 : minimumDuration),
      fakeUnitsCount_(uint64_t(minimumDuration_ / fakeProgressUpdateInterval)),
      internalQueue_(QLBuildDispatchQueue("BVModelProlongedCleanTask.internal")) {
    state_->unprocessedFakeUnitsCount = fakeUnitsCount_;
    fakeProgress_ = BVComputableProgress::create(fakeUnitsCount_);
    // Nothing to fake: the fake part is complete from the start, so it does not hold the
    // combined fraction below 100 %.
    if (fakeUnitsCount_ == 0) fakeProgress_->forceComplete();
    progress_->attachProgress(originalTask_->progress());
    progress_->attachProgress(fakeProgress_);
    // The callbacks may fire on any thread; the flags are written on the queue.
    auto queue = internalQueue_;
    auto state = state_;
    progress_->onCancelled([queue, state](BVProgress&, bool cancelled) {
        queue->async([state, cancelled] { state->originalProgressWasCancelled = cancelled; });
    });
    progress_->onPaused([queue, state](BVProgress&, bool paused) {
        queue->async([state, paused] { state->originalProgressPaused = paused; });
    });
}

bool BVModelProlongedCleanTask::performingFakeProgress() {
    bool value = false;
    internalQueue_->sync([&] { value = state_->performingFakeProgress; });
    return value;
}

BVCleanTaskResultPtr BVModelProlongedCleanTask::perform() {
    auto start = std::chrono::steady_clock::now();
    internalQueue_->sync([&] { state_->performingFakeProgress = true; });
    auto self = shared_from_this();
    internalQueue_->async([self, start] { self->fakeProgressStep(start); });
    auto result = originalTask_->perform();
    while (performingFakeProgress()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    uint64_t unprocessed = 0;
    internalQueue_->sync([&] {
        unprocessed = state_->unprocessedFakeUnitsCount;
        state_->unprocessedFakeUnitsCount = 0;
    });
    if (unprocessed != 0) fakeProgress_->addUnitsCount(unprocessed);
    return result;
}

void BVModelProlongedCleanTask::fakeProgressStep(std::chrono::steady_clock::time_point start) {
    FakeState& st = *state_;
    auto again = [this, start] {
        auto self = shared_from_this();
        internalQueue_->after(std::chrono::duration<double>(fakeProgressUpdateInterval),
                              [self, start] { self->fakeProgressStep(start); });
    };
    if (st.originalProgressWasCancelled || st.unprocessedFakeUnitsCount == 0) {
        st.performingFakeProgress = false;
        return;
    }
    if (st.originalProgressPaused) {
        again();
        return;
    }
    double remaining = minimumDuration_ - std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (remaining < 0) {
        st.performingFakeProgress = false;
        return;
    }
    auto due = uint64_t(remaining / fakeProgressUpdateInterval);
    if (st.unprocessedFakeUnitsCount > due) {
        fakeProgress_->addUnitsCount(st.unprocessedFakeUnitsCount - due);
        st.unprocessedFakeUnitsCount = due;
    }
    again();
}
