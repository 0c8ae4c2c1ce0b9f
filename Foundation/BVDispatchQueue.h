// Serial dispatch queues and the main queue.
//
// A serial queue runs its blocks one at a time in submission order on a shared pool of worker
// threads (a queue holds no thread of its own, so thousands of queues are cheap). `sync` waits
// until the block has run; calling `sync` on the queue one is already running on deadlocks, as
// with any serial queue. The main queue is drained only by the thread that runs `BVRunLoop`
// (the command-line shell's main thread, or a test). All operations are safe from any thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class BVDispatchQueue : public std::enable_shared_from_this<BVDispatchQueue> {
public:
    using Block = std::function<void()>;
    static std::shared_ptr<BVDispatchQueue> serial(std::string label);
    // The queue drained by the main thread's run loop.
    static std::shared_ptr<BVDispatchQueue> main();

    virtual ~BVDispatchQueue() = default;
    virtual void async(Block block) = 0;
    virtual void sync(const Block& block) = 0;
    // Runs `block` on this queue once `delay` has passed.
    virtual void after(std::chrono::duration<double> delay, Block block) = 0;
    virtual const std::string& label() const = 0;
    // True while the calling thread is running a block of this queue.
    virtual bool isCurrent() const = 0;
};

using BVDispatchQueuePtr = std::shared_ptr<BVDispatchQueue>;

// Quality-of-service classes are accepted for fidelity; this host schedules them alike.
enum class BVQualityOfService { Default, UserInitiated, Utility, Background };
BVDispatchQueuePtr QLBuildDispatchQueue(const std::string& label, BVQualityOfService qos = BVQualityOfService::Default);

// The main thread's run loop: drains the main queue.
namespace BVRunLoop {
// Runs main-queue blocks until `stop()` is called.
void run();
// Runs main-queue blocks until `done()` answers true (checked after every block and at least
// every 10 ms) or `timeout` passes; answers whether `done()` became true.
bool runUntil(const std::function<bool()>& done, std::chrono::duration<double> timeout);
// Runs every block already queued, then returns.
void drain();
void stop();
}  // namespace BVRunLoop
