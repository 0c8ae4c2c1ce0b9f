#include "Foundation/BVOperationQueue.h"

#include <algorithm>
#include <condition_variable>
#include <list>
#include <thread>

struct BVOperationQueue::State : std::enable_shared_from_this<BVOperationQueue::State> {
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::list<BVOperationPtr> waiting;
    std::vector<BVOperationPtr> running;
    int maxConcurrent = int(std::max(1u, std::thread::hardware_concurrency()));
    int workers = 0;
    int idleWorkers = 0;
    bool suspended = false;
    bool shuttingDown = false;
    bool manual = false;

    // Caller holds the lock.
    BVOperationPtr takeReady() {
        if (suspended) return nullptr;
        if (int(running.size()) >= maxConcurrent) return nullptr;
        for (auto it = waiting.begin(); it != waiting.end(); ++it) {
            if ((*it)->isReady()) {
                auto op = *it;
                waiting.erase(it);
                running.push_back(op);
                return op;
            }
        }
        return nullptr;
    }

    // Caller holds the lock.
    void wakeOrSpawn() {
        changed.notify_all();
        if (!manual && !waiting.empty() && idleWorkers == 0 && workers < maxConcurrent && !shuttingDown) {
            ++workers;
            auto self = shared_from_this();
            std::thread([self] { self->work(); }).detach();
        }
    }

    void work() {
        std::unique_lock lock(mutex);
        for (;;) {
            if (shuttingDown) break;
            auto op = takeReady();
            if (!op) {
                if (waiting.empty() && running.empty()) changed.notify_all();
                ++idleWorkers;
                changed.wait(lock);
                --idleWorkers;
                continue;
            }
            // Another ready operation may be waiting for a worker.
            wakeOrSpawn();
            lock.unlock();
            op->start();
            lock.lock();
            running.erase(std::find(running.begin(), running.end(), op));
            changed.notify_all();
        }
        --workers;
        changed.notify_all();
    }
};

BVOperationQueue::BVOperationQueue(std::string name) : state_(std::make_shared<State>()), name_(std::move(name)) {}

BVOperationQueue::~BVOperationQueue() {
    std::lock_guard lock(state_->mutex);
    // Operations that never started are dropped; running ones finish on their detached worker.
    state_->shuttingDown = true;
    state_->waiting.clear();
    state_->changed.notify_all();
}

void BVOperationQueue::addOperation(BVOperationPtr operation) { addOperations({std::move(operation)}); }

void BVOperationQueue::addOperations(const std::vector<BVOperationPtr>& operations, bool waitUntilFinished) {
    std::weak_ptr<State> weak = state_;
    auto poke = [weak] {
        if (auto s = weak.lock()) {
            std::lock_guard lock(s->mutex);
            s->wakeOrSpawn();
        }
    };
    for (const auto& op : operations) {
        // Dependencies may live on other queues: a finishing dependency wakes this queue.
        for (const auto& d : op->dependencies()) d->addFinishObserver(poke);
        {
            std::lock_guard lock(state_->mutex);
            state_->waiting.push_back(op);
            state_->wakeOrSpawn();
        }
    }
    if (waitUntilFinished) {
        std::unique_lock lock(state_->mutex);
        state_->changed.wait(lock, [&] {
            return std::all_of(operations.begin(), operations.end(), [](const auto& o) { return o->isFinished(); });
        });
    }
}

void BVOperationQueue::addOperationWithBlock(std::function<void()> block) {
    addOperation(BVBlockOperation::blockOperationWithBlock(std::move(block)));
}

std::vector<BVOperationPtr> BVOperationQueue::operations() const {
    std::lock_guard lock(state_->mutex);
    std::vector<BVOperationPtr> all(state_->running.begin(), state_->running.end());
    all.insert(all.end(), state_->waiting.begin(), state_->waiting.end());
    return all;
}

size_t BVOperationQueue::operationCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->running.size() + state_->waiting.size();
}

void BVOperationQueue::cancelAllOperations() {
    for (const auto& op : operations()) op->cancel();
    std::lock_guard lock(state_->mutex);
    state_->wakeOrSpawn();
}

void BVOperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return state_->waiting.empty() && state_->running.empty(); });
}

void BVOperationQueue::setSuspended(bool suspended) {
    std::lock_guard lock(state_->mutex);
    state_->suspended = suspended;
    state_->wakeOrSpawn();
}

bool BVOperationQueue::isSuspended() const {
    std::lock_guard lock(state_->mutex);
    return state_->suspended;
}

void BVOperationQueue::setMaxConcurrentOperationCount(int count) {
    std::lock_guard lock(state_->mutex);
    state_->maxConcurrent = count > 0 ? count : int(std::max(1u, std::thread::hardware_concurrency()));
    state_->wakeOrSpawn();
}

void BVOperationQueue::setManualExecution(bool manual) {
    std::lock_guard lock(state_->mutex);
    state_->manual = manual;
    state_->wakeOrSpawn();
}

bool BVOperationQueue::runNextReadyOperation() {
    std::unique_lock lock(state_->mutex);
    auto op = state_->takeReady();
    if (!op) return false;
    lock.unlock();
    op->start();
    lock.lock();
    state_->running.erase(std::find(state_->running.begin(), state_->running.end(), op));
    state_->changed.notify_all();
    return true;
}

int BVOperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->maxConcurrent;
}
