// The process-wide pool of worker threads behind serial dispatch queues, timers and the
// parallel walks (sizing, removing, searching).
//
// The pool grows when every worker is busy (a block may wait on another queue, so a fixed pool
// could starve itself) and idle workers end after a while. Timed blocks wait on one timer thread.
// Safe from any thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

class BVWorkerPool {
public:
    // A block running on the pool, to wait for.
    class Job {
    public:
        // Returns once the block has run.
        void wait();

    private:
        friend class BVWorkerPool;
        struct State;
        std::shared_ptr<State> state_;
    };

    static BVWorkerPool& shared();
    void submit(std::function<void()> block);
    void submitAfter(std::chrono::duration<double> delay, std::function<void()> block);
    // Runs `block` on a worker and answers what to wait on.
    Job run(std::function<void()> block);
    // Runs `body(i)` for every i below `count`, on the calling thread and `count - 1` workers,
    // and returns once all have.
    void runParallel(unsigned count, const std::function<void(unsigned)>& body);

private:
    BVWorkerPool() = default;
    struct State;
    State& state();
};
