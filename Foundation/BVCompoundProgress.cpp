#include "Foundation/BVCompoundProgress.h"

std::shared_ptr<BVCompoundProgress> BVCompoundProgress::create() { return std::make_shared<BVCompoundProgress>(); }

void BVCompoundProgress::attachProgress(const BVProgressPtr& child) {
    if (!child || child.get() == this) return;
    {
        std::lock_guard lock(mutex_);
        children_.push_back(child);
    }
    child->addParent(std::static_pointer_cast<BVCompoundProgress>(shared_from_this()));
    if (isPaused()) child->pause();
    if (isCancelled()) child->cancel();
    fractionChanged();
    if (child->size() > 0) sizeChanged();
}

std::vector<BVProgressPtr> BVCompoundProgress::children() const {
    std::lock_guard lock(mutex_);
    return children_;
}

double BVCompoundProgress::fractionCompleted() const {
    auto all = children();
    if (all.empty()) return 0;
    double sum = 0;
    for (const auto& c : all) sum += c->fractionCompleted();
    return sum / double(all.size());
}

uint64_t BVCompoundProgress::size() const {
    uint64_t sum = 0;
    for (const auto& c : children()) sum += c->size();
    return sum;
}

std::string BVCompoundProgress::path() const {
    std::lock_guard lock(mutex_);
    return path_;
}

void BVCompoundProgress::pause() {
    BVProgress::pause();
    for (const auto& c : children()) c->pause();
}

void BVCompoundProgress::resume() {
    BVProgress::resume();
    for (const auto& c : children()) c->resume();
}

void BVCompoundProgress::cancel() {
    BVProgress::cancel();
    for (const auto& c : children()) c->cancel();
}

void BVCompoundProgress::forceComplete() {
    for (const auto& c : children())
        if (auto f = std::dynamic_pointer_cast<BVProgressForceComplete>(c)) f->forceComplete();
}

void BVCompoundProgress::childPathChanged(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        path_ = path;
    }
    pathChanged(path);
}
