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
        if (count_ > 1) {
            --count_;
            return;
        }
        ready.swap(notifications_);
    }
    // The notifications are queued before a waiter can see the group empty, so a waiter that
    // then goes to the same queue finds them ahead of it.
    for (auto& [queue, block] : ready) queue->async(std::move(block));
    std::vector<std::pair<BVDispatchQueuePtr, std::function<void()>>> late;  // added meanwhile
    {
        std::lock_guard lock(mutex_);
        if (--count_ == 0) late.swap(notifications_);
        emptied_.notify_all();
    }
    for (auto& [queue, block] : late) queue->async(std::move(block));
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
