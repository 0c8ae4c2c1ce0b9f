#include "Foundation/BVWorkerPool.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

struct BVWorkerPool::State {
    std::mutex mutex;
    std::condition_variable workAvailable;
    std::deque<std::function<void()>> blocks;
    size_t workers = 0;
    size_t idle = 0;

    std::mutex timerMutex;
    std::condition_variable timerChanged;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> timers;
    bool timerThreadStarted = false;
};

BVWorkerPool& BVWorkerPool::shared() {
    // Never destroyed: workers may still be running blocks while the process exits.
    static BVWorkerPool* pool = new BVWorkerPool();
    return *pool;
}

BVWorkerPool::State& BVWorkerPool::state() {
    static State* s = new State();
    return *s;
}

void BVWorkerPool::submit(std::function<void()> block) {
    State& s = state();
    std::unique_lock lock(s.mutex);
    s.blocks.push_back(std::move(block));
    // Every queued block needs a worker of its own: one that is running may be waiting for it.
    if (s.blocks.size() <= s.idle) {
        s.workAvailable.notify_one();
        return;
    }
    ++s.workers;
    lock.unlock();
    std::thread([&s] {
        std::unique_lock lock(s.mutex);
        for (;;) {
            if (s.blocks.empty()) {
                ++s.idle;
                bool woke = s.workAvailable.wait_for(lock, std::chrono::seconds(5), [&] { return !s.blocks.empty(); });
                --s.idle;
                if (!woke) break;
            }
            auto block = std::move(s.blocks.front());
            s.blocks.pop_front();
            lock.unlock();
            block();
            block = nullptr;
            lock.lock();
        }
        --s.workers;
    }).detach();
}

struct BVWorkerPool::Job::State {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
};

void BVWorkerPool::Job::wait() {
    if (!state_) return;
    std::unique_lock lock(state_->mutex);
    state_->done.wait(lock, [&] { return state_->finished; });
}

BVWorkerPool::Job BVWorkerPool::run(std::function<void()> block) {
    Job job;
    job.state_ = std::make_shared<Job::State>();
    submit([state = job.state_, block = std::move(block)] {
        block();
        std::lock_guard lock(state->mutex);
        state->finished = true;
        state->done.notify_all();
    });
    return job;
}

void BVWorkerPool::runParallel(unsigned count, const std::function<void(unsigned)>& body) {
    std::vector<Job> jobs;
    for (unsigned i = 1; i < count; ++i) jobs.push_back(run([&body, i] { body(i); }));
    if (count > 0) body(0);
    for (auto& j : jobs) j.wait();
}

void BVWorkerPool::submitAfter(std::chrono::duration<double> delay, std::function<void()> block) {
    State& s = state();
    auto when = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(delay);
    std::lock_guard lock(s.timerMutex);
    s.timers.emplace(when, std::move(block));
    s.timerChanged.notify_all();
    if (s.timerThreadStarted) return;
    s.timerThreadStarted = true;
    std::thread([this, &s] {
        std::unique_lock lock(s.timerMutex);
        for (;;) {
            if (s.timers.empty()) {
                s.timerChanged.wait(lock);
                continue;
            }
            auto first = s.timers.begin();
            if (std::chrono::steady_clock::now() < first->first) {
                s.timerChanged.wait_until(lock, first->first);
                continue;
            }
            auto block = std::move(first->second);
            s.timers.erase(first);
            lock.unlock();
            submit(std::move(block));
            lock.lock();
        }
    }).detach();
}
