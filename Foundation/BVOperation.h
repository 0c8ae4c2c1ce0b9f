// BVOperation: a unit of work for BVOperationQueue, with dependencies and cancellation.
//
// An operation runs at most once. It becomes ready when every dependency has finished, or at
// once when it is cancelled (a cancelled operation is then finished without running `main`).
// `cancel` only sets a flag: running work polls `isCancelled`. State reads and `cancel` are safe
// from any thread; `addDependency` must happen before the operation is added to a queue.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class BVOperation : public std::enable_shared_from_this<BVOperation> {
public:
    virtual ~BVOperation() = default;

    // Run by the queue on one of its workers.
    void start();
    virtual void cancel();

    bool isCancelled() const { return cancelled_.load(); }
    bool isExecuting() const { return executing_.load(); }
    bool isFinished() const { return finished_.load(); }
    bool isReady() const;

    void addDependency(const std::shared_ptr<BVOperation>& operation);
    std::vector<std::shared_ptr<BVOperation>> dependencies() const;

    // Called once, on the finishing thread, after the operation has finished.
    void addFinishObserver(std::function<void()> observer);

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

protected:
    virtual void main() = 0;

private:
    void finish();

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> executing_{false};
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<BVOperation>> dependencies_;
    std::vector<std::function<void()>> finishObservers_;
    std::string name_;
};

using BVOperationPtr = std::shared_ptr<BVOperation>;

// An operation that runs one function.
class BVBlockOperation : public BVOperation {
public:
    static std::shared_ptr<BVBlockOperation> blockOperationWithBlock(std::function<void()> block);
    explicit BVBlockOperation(std::function<void()> block) : block_(std::move(block)) {}

protected:
    void main() override;

private:
    std::function<void()> block_;
};
