// BVInterruption: Ctrl-C (SIGINT) and SIGTERM as a request to stop. Made first thing at
// start-up, before any other thread exists: both signals are blocked in every thread (threads
// inherit the mask) and a thread of its own waits for them. The first signal runs the handler
// set at that moment on that thread (a scan or a clean cancels its queue and the command then
// ends with status 130) or, when none is set, ends the program at once with status 130 since
// nothing has started that must finish; a second signal always ends it at once. Programs
// started later get the default mask back (the spawners reset it). Its members are safe from
// any thread.
#pragma once

#include <pthread.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "Foundation/BVThreadSafety.h"

class BVInterruption {
public:
    BVInterruption();
    ~BVInterruption();
    BVInterruption(const BVInterruption&) = delete;
    BVInterruption& operator=(const BVInterruption&) = delete;

    bool requested() const { return signals_.load() > 0; }

    // The handler of an operation for as long as the scope lives.
    class Scope {
    public:
        Scope(BVInterruption* interruption, std::function<void()> handler);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        BVInterruption* interruption_;
    };

private:
    void wait();
    void setHandler(std::function<void()> handler);

    std::atomic<int> signals_{0};
    std::atomic<bool> stopping_{false};
    BVMutex mutex_;
    std::function<void()> handler_ BV_GUARDED_BY(mutex_);
    std::thread thread_;
};
