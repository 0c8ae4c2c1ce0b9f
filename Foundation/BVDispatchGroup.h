// BVDispatchGroup: counts work in flight; `wait` blocks until every `enter` has been matched by
// a `leave`, and `notify` runs a block on a queue once that happens. Safe from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "Foundation/BVDispatchQueue.h"

class BVDispatchGroup {
public:
    void enter();
    // Leaving more often than entering is a programming error and is ignored.
    void leave();
    void wait();
    // Answers false when the time ran out before the group emptied.
    bool waitFor(std::chrono::duration<double> timeout);
    void notify(BVDispatchQueuePtr queue, std::function<void()> block);
    // Runs `block` on `queue` as a member of the group.
    void async(const BVDispatchQueuePtr& queue, std::function<void()> block);

private:
    std::mutex mutex_;
    std::condition_variable emptied_;
    long count_ = 0;
    std::vector<std::pair<BVDispatchQueuePtr, std::function<void()>>> notifications_;
};
