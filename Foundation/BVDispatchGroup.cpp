#include "Foundation/BVDispatchGroup.h"

void BVDispatchGroup::enter() {
    std::lock_guard lock(mutex_);
    ++count_;
}

void BVDispatchGroup::leave() {
    std::vector<std::pair<BVDispatchQueuePtr, std::function<void()>>> ready;
    {
        std::lock_guard lock(mutex_);
        if (count_ == 0) return;
        if (--count_ > 0) return;
        ready.swap(notifications_);
        emptied_.notify_all();
    }
    for (auto& [queue, block] : ready) queue->async(std::move(block));
}

void BVDispatchGroup::wait() {
    std::unique_lock lock(mutex_);
    emptied_.wait(lock, [&] { return count_ == 0; });
}

bool BVDispatchGroup::waitFor(std::chrono::duration<double> timeout) {
    std::unique_lock lock(mutex_);
    return emptied_.wait_for(lock, timeout, [&] { return count_ == 0; });
}

void BVDispatchGroup::notify(BVDispatchQueuePtr queue, std::function<void()> block) {
    {
        std::lock_guard lock(mutex_);
        if (count_ > 0) {
            notifications_.emplace_back(std::move(queue), std::move(block));
            return;
        }
    }
    queue->async(std::move(block));
}

void BVDispatchGroup::async(const BVDispatchQueuePtr& queue, std::function<void()> block) {
    enter();
    queue->async([this, block = std::move(block)] {
        block();
        leave();
    });
}
