// BVOperationQueue: runs operations on worker threads of its own, at most
// `maxConcurrentOperationCount` at a time, each once it is ready, in the order added among the
// ready ones. It can be suspended (running operations go on; no new one starts) and can cancel
// everything it holds. Workers are started on demand and end with the queue. A queue set to
// manual execution starts no worker: a test runs its ready operations one at a time on its own
// thread (`runNextReadyOperation`), so order, suspension and cancellation are checked without
// sleeping. Safe from any thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVOperation.h"

class BVOperationQueue {
public:
    explicit BVOperationQueue(std::string name = {});
    ~BVOperationQueue();
    BVOperationQueue(const BVOperationQueue&) = delete;
    BVOperationQueue& operator=(const BVOperationQueue&) = delete;

    void addOperation(BVOperationPtr operation);
    void addOperations(const std::vector<BVOperationPtr>& operations, bool waitUntilFinished = false);
    void addOperationWithBlock(std::function<void()> block);

    // Operations not yet finished (waiting or running), in the order added.
    std::vector<BVOperationPtr> operations() const;
    size_t operationCount() const;
    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();

    void setSuspended(bool suspended);
    bool isSuspended() const;
    // 0 or a negative number means the processor count.
    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;

    // Manual execution, for tests: no worker threads; see runNextReadyOperation.
    void setManualExecution(bool manual);
    // Starts the first ready operation on the calling thread and answers whether there was one
    // (none while suspended, or while the concurrency limit is reached).
    bool runNextReadyOperation();

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

private:
    struct State;
    std::shared_ptr<State> state_;
    std::string name_;
};
