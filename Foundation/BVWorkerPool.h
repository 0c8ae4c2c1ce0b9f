// The process-wide pool of worker threads behind serial dispatch queues and timers.
//
// The pool grows when every worker is busy (a block may wait on another queue, so a fixed pool
// could starve itself) and idle workers end after a while. Timed blocks wait on one timer thread.
// Internal to Foundation; safe from any thread.
#pragma once

#include <chrono>
#include <functional>

class BVWorkerPool {
public:
    static BVWorkerPool& shared();
    void submit(std::function<void()> block);
    void submitAfter(std::chrono::duration<double> delay, std::function<void()> block);

private:
    BVWorkerPool() = default;
    struct State;
    State& state();
};
