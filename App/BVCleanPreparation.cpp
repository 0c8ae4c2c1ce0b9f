#include "App/BVCleanPreparation.h"

#include <algorithm>
#include <map>

#include "Foundation/BVASCIICase.h"

std::shared_ptr<BVCleanPreparation> BVCleanPreparation::create(BVWorkspacePtr workspace,
                                                               std::vector<std::shared_ptr<BVRemovalDependency>> dependencies) {
    auto preparation = std::make_shared<BVCleanPreparation>(std::move(workspace), std::move(dependencies));
    std::weak_ptr<BVCleanPreparation> weak = preparation;
    preparation->terminator_->addTerminationHandler([weak](const BVRunningApplicationPtr& application) {
        if (auto self = weak.lock()) self->applicationTerminated(application);
    });
    return preparation;
}

BVCleanPreparation::BVCleanPreparation(BVWorkspacePtr workspace, std::vector<std::shared_ptr<BVRemovalDependency>> dependencies)
    : terminator_(BVRunningApplicationsTerminator::create(std::move(workspace))), dependencies_(std::move(dependencies)) {}

std::vector<BVRunningApplicationPtr> BVCleanPreparation::blockingApplications() {
    std::vector<BVRunningApplicationPtr> applications;
    std::set<std::string> seen;
    for (const auto& d : dependencies_) {
        if (d->isFulfilled() || !seen.insert(BVASCIILowercase(d->applicationBundleID())).second) continue;
        if (auto running = terminator_->runningApplicationWithBundleID(d->applicationBundleID()))
            applications.push_back(running);
    }
    return applications;
}

void BVCleanPreparation::applicationTerminated(const BVRunningApplicationPtr& application) {
    std::string bundleID = BVASCIILowercase(application->bundleIdentifier());
    for (const auto& d : dependencies_)
        if (BVASCIILowercase(d->applicationBundleID()) == bundleID) d->fulfill();
    {
        std::lock_guard lock(mutex_);
        terminatedBundleIDs_.insert(bundleID);
    }
    terminated_.notify_all();
}

bool BVCleanPreparation::quit(const std::vector<BVRunningApplicationPtr>& applications, std::chrono::milliseconds timeout) {
    for (const auto& application : applications) {
        terminator_->terminateApplication(application, true);
        terminator_->listenForTermination(application);
    }
    std::unique_lock lock(mutex_);
    return terminated_.wait_for(lock, timeout, [&] {
        return std::all_of(applications.begin(), applications.end(), [&](const BVRunningApplicationPtr& a) {
            return terminatedBundleIDs_.count(BVASCIILowercase(a->bundleIdentifier())) > 0;
        });
    });
}

void BVCleanPreparation::fulfilDependenciesOfApplicationsNotRunning() {
    std::map<std::string, bool> running;  // lower-cased bundle identifier
    for (const auto& d : dependencies_) {
        if (d->isFulfilled()) continue;
        std::string id = BVASCIILowercase(d->applicationBundleID());
        auto it = running.find(id);
        if (it == running.end())
            it = running.emplace(id, terminator_->runningApplicationWithBundleID(d->applicationBundleID()) != nullptr).first;
        if (!it->second) d->fulfill();
    }
}

void BVCleanPreparation::relaunch() {
    terminator_->restartTerminatedApplications();
    terminator_->waitForQueuedWork();
}
