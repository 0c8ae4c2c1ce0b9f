// BVRunningApplicationsTerminationObserver: watches running applications for the moment they
// terminate and tells its delegate, once per application. All its state changes happen on its
// serial working queue; termination news may come from any thread and is moved there at once.
#pragma once

#include <map>
#include <memory>

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVWorkspace.h"

class BVRunningApplicationsTerminationObserver;

class BVRunningApplicationsTerminationObserverDelegate {
public:
    virtual ~BVRunningApplicationsTerminationObserverDelegate() = default;
    virtual void terminationObserver(BVRunningApplicationsTerminationObserver& observer,
                                     const BVRunningApplicationPtr& didHandleApplicationTermination) = 0;
};

class BVRunningApplicationsTerminationObserver
    : public std::enable_shared_from_this<BVRunningApplicationsTerminationObserver> {
public:
    BVRunningApplicationsTerminationObserver();
    ~BVRunningApplicationsTerminationObserver();

    void setDelegate(std::weak_ptr<BVRunningApplicationsTerminationObserverDelegate> delegate);
    void observeTerminationForApplication(const BVRunningApplicationPtr& application);
    void cancelObserveTerminationForApplication(const BVRunningApplicationPtr& application);
    // The applications still observed (read on the working queue).
    size_t observedCount();

private:
    void stopObserving(const BVRunningApplicationPtr& application);

    std::weak_ptr<BVRunningApplicationsTerminationObserverDelegate> delegate_;
    std::map<BVRunningApplicationPtr, uint64_t> observedApplications_;  // with their registration
    BVDispatchQueuePtr workingQueue_;
};
