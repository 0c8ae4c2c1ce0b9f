#include "Foundation/BVDispatchQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "Foundation/BVWorkerPool.h"

namespace {

thread_local const BVDispatchQueue* tCurrentQueue = nullptr;

class SerialQueue final : public BVDispatchQueue {
public:
    explicit SerialQueue(std::string label) : label_(std::move(label)) {}

    void async(Block block) override {
        bool schedule = false;
        {
            std::lock_guard lock(mutex_);
            blocks_.push_back(std::move(block));
            if (!draining_) draining_ = schedule = true;
        }
        if (schedule) {
            auto self = std::static_pointer_cast<SerialQueue>(shared_from_this());
            BVWorkerPool::shared().submit([self] { self->drain(); });
        }
    }

    void sync(const Block& block) override {
        std::mutex doneMutex;
        std::condition_variable doneCondition;
        bool done = false;
        async([&] {
            block();
            std::lock_guard lock(doneMutex);
            done = true;
            doneCondition.notify_one();
        });
        std::unique_lock lock(doneMutex);
        doneCondition.wait(lock, [&] { return done; });
    }

    void after(std::chrono::duration<double> delay, Block block) override {
        auto self = shared_from_this();
        BVWorkerPool::shared().submitAfter(delay, [self, block = std::move(block)]() mutable {
            self->async(std::move(block));
        });
    }

    const std::string& label() const override { return label_; }
    bool isCurrent() const override { return tCurrentQueue == this; }

private:
    void drain() {
        const BVDispatchQueue* previous = tCurrentQueue;
        tCurrentQueue = this;
        for (;;) {
            Block block;
            {
                std::lock_guard lock(mutex_);
                if (blocks_.empty()) {
                    draining_ = false;
                    break;
                }
                block = std::move(blocks_.front());
                blocks_.pop_front();
            }
            block();
        }
        tCurrentQueue = previous;
    }

    std::string label_;
    std::mutex mutex_;
    std::deque<Block> blocks_;
    bool draining_ = false;
};

class MainQueue final : public BVDispatchQueue {
public:
    void async(Block block) override {
        std::lock_guard lock(mutex_);
        blocks_.push_back(std::move(block));
        condition_.notify_all();
    }
    void sync(const Block& block) override {
        if (isCurrent()) {
            block();
            return;
        }
        std::mutex doneMutex;
        std::condition_variable doneCondition;
        bool done = false;
        async([&] {
            block();
            std::lock_guard lock(doneMutex);
            done = true;
            doneCondition.notify_one();
        });
        std::unique_lock lock(doneMutex);
        doneCondition.wait(lock, [&] { return done; });
    }
    void after(std::chrono::duration<double> delay, Block block) override {
        BVWorkerPool::shared().submitAfter(delay, [this, block = std::move(block)]() mutable { async(std::move(block)); });
    }
    const std::string& label() const override { return label_; }
    bool isCurrent() const override { return tCurrentQueue == this; }

    // Runs blocks until `done` or the deadline; `done` may be empty (then only stop() ends it).
    bool run(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline, bool drainOnly) {
        const BVDispatchQueue* previous = tCurrentQueue;
        tCurrentQueue = this;
        bool satisfied = false;
        for (;;) {
            if (done && done()) {
                satisfied = true;
                break;
            }
            Block block;
            {
                std::unique_lock lock(mutex_);
                if (stopRequested_) {
                    stopRequested_ = false;
                    break;
                }
                if (blocks_.empty()) {
                    if (drainOnly) break;
                    if (std::chrono::steady_clock::now() >= deadline) break;
                    auto wake = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
                    condition_.wait_until(lock, wake);
                    continue;
                }
                block = std::move(blocks_.front());
                blocks_.pop_front();
            }
            block();
        }
        tCurrentQueue = previous;
        return satisfied;
    }

    void stop() {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
        condition_.notify_all();
    }

private:
    std::string label_ = "com.quillon.Brenvik4.main-thread";
    std::mutex mutex_;
    std::condition_variable condition_;
    std::deque<Block> blocks_;
    bool stopRequested_ = false;
};

std::shared_ptr<MainQueue> mainQueue() {
    static std::shared_ptr<MainQueue> queue = std::make_shared<MainQueue>();
    return queue;
}

}  // namespace

std::shared_ptr<BVDispatchQueue> BVDispatchQueue::serial(std::string label) {
    return std::make_shared<SerialQueue>(std::move(label));
}

std::shared_ptr<BVDispatchQueue> BVDispatchQueue::main() { return mainQueue(); }

BVDispatchQueuePtr QLBuildDispatchQueue(const std::string& label, BVQualityOfService) {
    return BVDispatchQueue::serial(label);
}

namespace BVRunLoop {
void run() { mainQueue()->run({}, std::chrono::steady_clock::time_point::max(), false); }
bool runUntil(const std::function<bool()>& done, std::chrono::duration<double> timeout) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(timeout);
    return mainQueue()->run(done, deadline, false);
}
void drain() { mainQueue()->run({}, std::chrono::steady_clock::now(), true); }
void stop() { mainQueue()->stop(); }
}  // namespace BVRunLoop
