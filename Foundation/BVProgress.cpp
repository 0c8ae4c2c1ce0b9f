#include "Foundation/BVProgress.h"

#include "Foundation/BVCompoundProgress.h"

void BVProgress::pause() { setPaused(true); }
void BVProgress::resume() { setPaused(false); }

void BVProgress::setPaused(bool paused) {
    FlagHandler handler;
    {
        std::lock_guard lock(mutex_);
        if (paused_ == paused) return;
        paused_ = paused;
        handler = pausedHandler_;
    }
    pauseChanged_.notify_all();
    if (handler) handler(*this, paused);
}

void BVProgress::cancel() {
    FlagHandler handler;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return;
        cancelled_ = true;
        handler = cancelledHandler_;
    }
    pauseChanged_.notify_all();
    if (handler) handler(*this, true);
}

bool BVProgress::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool BVProgress::isPaused() const {
    std::lock_guard lock(mutex_);
    return paused_;
}

void BVProgress::sleepThreadWhilePaused() {
    std::unique_lock lock(mutex_);
    if (!paused_ || cancelled_) return;
    ++held_;
    pauseChanged_.notify_all();
    pauseChanged_.wait(lock, [&] { return !paused_ || cancelled_; });
    --held_;
}

void BVProgress::waitUntilAThreadIsHeld() {
    std::unique_lock lock(mutex_);
    pauseChanged_.wait(lock, [&] { return held_ > 0 || !paused_ || cancelled_; });
}

void BVProgress::onCancelled(FlagHandler handler) {
    std::lock_guard lock(mutex_);
    cancelledHandler_ = std::move(handler);
}
void BVProgress::onPaused(FlagHandler handler) {
    std::lock_guard lock(mutex_);
    pausedHandler_ = std::move(handler);
}
void BVProgress::onFractionUpdate(FractionHandler handler) {
    std::lock_guard lock(mutex_);
    fractionHandler_ = std::move(handler);
}
void BVProgress::onSizeUpdate(SizeHandler handler) {
    std::lock_guard lock(mutex_);
    sizeHandler_ = std::move(handler);
}
void BVProgress::onPathUpdate(PathHandler handler) {
    std::lock_guard lock(mutex_);
    pathHandler_ = std::move(handler);
}

void BVProgress::addParent(const std::shared_ptr<BVCompoundProgress>& parent) {
    std::lock_guard lock(mutex_);
    parents_.push_back(parent);
}

std::vector<std::shared_ptr<BVCompoundProgress>> BVProgress::parents() const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<BVCompoundProgress>> alive;
    for (const auto& p : parents_)
        if (auto s = p.lock()) alive.push_back(std::move(s));
    return alive;
}

void BVProgress::fractionChanged() {
    FractionHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = fractionHandler_;
    }
    if (handler) handler(*this, fractionCompleted());
    for (const auto& parent : parents()) parent->fractionChanged();
}

void BVProgress::sizeChanged() {
    SizeHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = sizeHandler_;
    }
    if (handler) handler(*this, size());
    for (const auto& parent : parents()) parent->sizeChanged();
}

void BVProgress::pathChanged(const std::string& path) {
    PathHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = pathHandler_;
    }
    if (handler) handler(*this, path);
    for (const auto& parent : parents()) parent->childPathChanged(path);
}
