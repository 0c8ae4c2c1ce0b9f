// BVExecutor and runSync: run a function that reports through a completion, and wait for it.
//
// `runSync` waits without a limit for the completion. A BVExecutor is bound to a progress: it
// answers the default value at once when the progress is already cancelled, and stops waiting
// (answering the default) when the progress is cancelled while the function is under way. The
// completion may be called from any thread, at most once counts; later calls are ignored.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "Foundation/BVProgress.h"

namespace BVExecutorDetail {
template <class T>
struct Slot {
    std::mutex mutex;
    std::condition_variable ready;
    std::optional<T> value;
    void set(T v) {
        std::lock_guard lock(mutex);
        if (value) return;
        value = std::move(v);
        ready.notify_all();
    }
};
}  // namespace BVExecutorDetail

// Runs `block`, handing it a completion, and waits until the completion has been called.
template <class T>
T runSync(const std::function<void(std::function<void(T)>)>& block) {
    auto slot = std::make_shared<BVExecutorDetail::Slot<T>>();
    block([slot](T value) { slot->set(std::move(value)); });
    std::unique_lock lock(slot->mutex);
    slot->ready.wait(lock, [&] { return slot->value.has_value(); });
    return std::move(*slot->value);
}

inline void runSync(const std::function<void(std::function<void()>)>& block) {
    runSync<bool>([&](std::function<void(bool)> done) { block([done] { done(true); }); });
}

class BVExecutor {
public:
    explicit BVExecutor(BVProgressPtr progress) : progress_(std::move(progress)) {}

    template <class T>
    T executeWithDefaultValue(T defaultValue, const std::function<void(std::function<void(T)>)>& handler) const {
        if (progress_ && progress_->isCancelled()) return defaultValue;
        auto slot = std::make_shared<BVExecutorDetail::Slot<T>>();
        handler([slot](T value) { slot->set(std::move(value)); });
        std::unique_lock lock(slot->mutex);
        while (!slot->value) {
            if (progress_ && progress_->isCancelled()) return defaultValue;
            slot->ready.wait_for(lock, std::chrono::milliseconds(50));
        }
        return std::move(*slot->value);
    }

private:
    BVProgressPtr progress_;
};
