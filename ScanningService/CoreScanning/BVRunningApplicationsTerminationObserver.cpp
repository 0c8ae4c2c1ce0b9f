#include "ScanningService/CoreScanning/BVRunningApplicationsTerminationObserver.h"

BVRunningApplicationsTerminationObserver::BVRunningApplicationsTerminationObserver()
    : workingQueue_(BVDispatchQueue::serial("BVRunningApplicationsTerminationObserver.workingQueue")) {}

BVRunningApplicationsTerminationObserver::~BVRunningApplicationsTerminationObserver() {
    // Runs on whatever thread releases the observer; the queue may still hold blocks that
    // captured it weakly, so the registrations are dropped directly.
    for (auto& [application, token] : observedApplications_) application->removeTerminationObserver(token);
}

void BVRunningApplicationsTerminationObserver::setDelegate(
    std::weak_ptr<BVRunningApplicationsTerminationObserverDelegate> delegate) {
    workingQueue_->sync([&] { delegate_ = std::move(delegate); });
}

void BVRunningApplicationsTerminationObserver::observeTerminationForApplication(const BVRunningApplicationPtr& application) {
    std::weak_ptr<BVRunningApplicationsTerminationObserver> weak = weak_from_this();
    workingQueue_->async([weak, application] {
        auto self = weak.lock();
        if (!self || self->observedApplications_.count(application)) return;
        self->observedApplications_[application] = 0;
        uint64_t token = application->addTerminationObserver([weak, application] {
            auto observer = weak.lock();
            if (!observer) return;
            observer->workingQueue_->async([weak, application] {
                auto s = weak.lock();
                if (!s || !application->isTerminated()) return;
                if (auto delegate = s->delegate_.lock()) delegate->terminationObserver(*s, application);
                s->stopObserving(application);
            });
        });
        // Token 0: the application had already terminated and the callback has run.
        if (token != 0 && self->observedApplications_.count(application)) self->observedApplications_[application] = token;
    });
}

void BVRunningApplicationsTerminationObserver::cancelObserveTerminationForApplication(const BVRunningApplicationPtr& application) {
    std::weak_ptr<BVRunningApplicationsTerminationObserver> weak = weak_from_this();
    workingQueue_->async([weak, application] {
        if (auto self = weak.lock()) self->stopObserving(application);
    });
}

size_t BVRunningApplicationsTerminationObserver::observedCount() {
    size_t n = 0;
    workingQueue_->sync([&] { n = observedApplications_.size(); });
    return n;
}

void BVRunningApplicationsTerminationObserver::stopObserving(const BVRunningApplicationPtr& application) {
    auto it = observedApplications_.find(application);
    if (it == observedApplications_.end()) return;
    if (it->second != 0) application->removeTerminationObserver(it->second);
    observedApplications_.erase(it);
}
