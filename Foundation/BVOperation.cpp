#include "Foundation/BVOperation.h"

void BVOperation::start() {
    if (finished_.load() || executing_.exchange(true)) return;
    if (!cancelled_.load()) main();
    finish();
}

void BVOperation::cancel() { cancelled_.store(true); }

bool BVOperation::isReady() const {
    if (cancelled_.load()) return true;
    std::lock_guard lock(mutex_);
    for (const auto& d : dependencies_)
        if (!d->isFinished()) return false;
    return true;
}

void BVOperation::addDependency(const std::shared_ptr<BVOperation>& operation) {
    std::lock_guard lock(mutex_);
    dependencies_.push_back(operation);
}

std::vector<std::shared_ptr<BVOperation>> BVOperation::dependencies() const {
    std::lock_guard lock(mutex_);
    return dependencies_;
}

void BVOperation::addFinishObserver(std::function<void()> observer) {
    {
        std::lock_guard lock(mutex_);
        if (!finished_.load()) {
            finishObservers_.push_back(std::move(observer));
            return;
        }
    }
    observer();
}

void BVOperation::finish() {
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(mutex_);
        executing_.store(false);
        finished_.store(true);
        observers.swap(finishObservers_);
        // Finished operations keep no graph alive.
        dependencies_.clear();
    }
    for (auto& o : observers) o();
}

std::shared_ptr<BVBlockOperation> BVBlockOperation::blockOperationWithBlock(std::function<void()> block) {
    return std::make_shared<BVBlockOperation>(std::move(block));
}

void BVBlockOperation::main() {
    if (block_) block_();
}
