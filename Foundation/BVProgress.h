// BVProgress: the progress interface every scan and clean task reports through.
//
// Control (pause, resume, cancel) is cooperative: workers call `sleepThreadWhilePaused` and poll
// `isCancelled` at each step. A progress may be attached to compounds (BVCompoundProgress); a
// compound's pause, resume and cancel reach every attached child, and a child's changes reach
// the compound's callbacks. Every operation is safe from any thread; callbacks run on the thread
// that caused the change, never under the progress's lock, so they may call back into it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class BVCompoundProgress;

class BVProgress : public std::enable_shared_from_this<BVProgress> {
public:
    using FlagHandler = std::function<void(BVProgress&, bool)>;
    using FractionHandler = std::function<void(BVProgress&, double)>;
    using SizeHandler = std::function<void(BVProgress&, uint64_t)>;
    using PathHandler = std::function<void(BVProgress&, const std::string&)>;

    virtual ~BVProgress() = default;

    // Completed share of the work, 0 to 1.
    virtual double fractionCompleted() const = 0;
    // Bytes found (scan) or freed (clean) so far.
    virtual uint64_t size() const = 0;
    // The path examined last, empty before any.
    virtual std::string path() const = 0;

    virtual void pause();
    virtual void resume();
    virtual void cancel();
    bool isCancelled() const;
    bool isPaused() const;
    // Blocks while paused; returns at once when not paused or when cancelled.
    void sleepThreadWhilePaused();
    // Blocks until some thread is held in `sleepThreadWhilePaused` (or the progress is no
    // longer paused, or is cancelled): what a test waits for instead of sleeping and hoping the
    // worker got there.
    void waitUntilAThreadIsHeld();

    // Each registration replaces the previous handler of its kind.
    void onCancelled(FlagHandler handler);
    void onPaused(FlagHandler handler);
    void onFractionUpdate(FractionHandler handler);
    void onSizeUpdate(SizeHandler handler);
    void onPathUpdate(PathHandler handler);

protected:
    void fractionChanged();
    void sizeChanged();
    void pathChanged(const std::string& path);

    mutable std::mutex mutex_;

private:
    friend class BVCompoundProgress;
    void addParent(const std::shared_ptr<BVCompoundProgress>& parent);
    std::vector<std::shared_ptr<BVCompoundProgress>> parents() const;
    void setPaused(bool paused);

    std::condition_variable pauseChanged_;
    bool paused_ = false;
    int held_ = 0;  // threads waiting in sleepThreadWhilePaused
    bool cancelled_ = false;
    std::vector<std::weak_ptr<BVCompoundProgress>> parents_;
    FlagHandler cancelledHandler_, pausedHandler_;
    FractionHandler fractionHandler_;
    SizeHandler sizeHandler_;
    PathHandler pathHandler_;
};

using BVProgressPtr = std::shared_ptr<BVProgress>;

// A progress that can be driven to 100 % at once.
class BVProgressForceComplete {
public:
    virtual ~BVProgressForceComplete() = default;
    virtual void forceComplete() = 0;
};

// Implemented by tasks that report progress.
class BVProgressReporting {
public:
    virtual ~BVProgressReporting() = default;
    virtual BVProgressPtr progress() const = 0;
};
