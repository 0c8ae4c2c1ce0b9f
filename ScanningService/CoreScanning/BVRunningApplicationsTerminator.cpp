#include "ScanningService/CoreScanning/BVRunningApplicationsTerminator.h"

#include <algorithm>

#include "Foundation/BVASCIICase.h"

std::shared_ptr<BVRunningApplicationsTerminator> BVRunningApplicationsTerminator::create(BVWorkspacePtr workspace) {
    auto terminator = std::make_shared<BVRunningApplicationsTerminator>(std::move(workspace));
    terminator->terminationObserver_->setDelegate(terminator);
    return terminator;
}

BVRunningApplicationsTerminator::BVRunningApplicationsTerminator(BVWorkspacePtr workspace)
    : terminationObserver_(std::make_shared<BVRunningApplicationsTerminationObserver>()),
      workspace_(std::move(workspace)),
      workQueue_(BVDispatchQueue::serial("BVRunningApplicationsTerminator.WorkQueue")) {}

BVRunningApplicationPtr BVRunningApplicationsTerminator::runningApplicationWithBundleID(const std::string& bundleID) {
    std::string wanted = BVASCIILowercase(bundleID);
    for (const auto& app : workspace_->runningApplications())
        if (BVASCIILowercase(app->bundleIdentifier()) == wanted) return app;
    return nullptr;
}

void BVRunningApplicationsTerminator::terminateApplication(const BVRunningApplicationPtr& application, bool restartLater) {
    auto self = shared_from_this();
    workQueue_->async([self, application, restartLater] {
        if (application->terminate() && restartLater) self->restartList_.push_back(application);
    });
}

void BVRunningApplicationsTerminator::listenForTermination(const BVRunningApplicationPtr& application) {
    auto self = shared_from_this();
    workQueue_->async([self, application] {
        if (application->isTerminated()) {
            for (const auto& h : self->handlers_) h(application);
            return;
        }
        self->terminationObserver_->observeTerminationForApplication(application);
    });
}

void BVRunningApplicationsTerminator::addTerminationHandler(Handler handler) {
    auto self = shared_from_this();
    workQueue_->async([self, handler = std::move(handler)] { self->handlers_.push_back(handler); });
}

void BVRunningApplicationsTerminator::terminationObserver(BVRunningApplicationsTerminationObserver&,
                                                          const BVRunningApplicationPtr& application) {
    std::weak_ptr<BVRunningApplicationsTerminator> weak = weak_from_this();
    workQueue_->async([weak, application] {
        if (auto self = weak.lock())
            for (const auto& h : self->handlers_) h(application);
    });
}

void BVRunningApplicationsTerminator::restartTerminatedApplications() {
    auto self = shared_from_this();
    workQueue_->async([self] {
        for (const auto& app : self->restartList_) {
            auto url = app->bundleURL();
            if (app->isTerminated() && url) self->workspace_->launchApplicationAtURL(*url, BVWorkspaceLaunchWithoutActivation, nullptr);
        }
        self->restartList_.clear();
    });
}

void BVRunningApplicationsTerminator::waitForQueuedWork() { workQueue_->sync([] {}); }
