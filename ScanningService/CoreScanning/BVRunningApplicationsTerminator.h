// BVRunningApplicationsTerminator: asks running applications to quit before a clean, learns
// when they have terminated, tells its handlers (which fulfil removal dependencies), and
// relaunches afterwards the ones it was asked to. All its state changes and every handler call
// happen on its serial work queue; public operations may be called from any thread.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVWorkspace.h"
#include "ScanningService/CoreScanning/BVRunningApplicationsTerminationObserver.h"

class BVRunningApplicationsTerminator : public BVRunningApplicationsTerminationObserverDelegate,
                                        public std::enable_shared_from_this<BVRunningApplicationsTerminator> {
public:
    using Handler = std::function<void(const BVRunningApplicationPtr&)>;

    static std::shared_ptr<BVRunningApplicationsTerminator> create(BVWorkspacePtr workspace);
    explicit BVRunningApplicationsTerminator(BVWorkspacePtr workspace);

    // The first running application whose bundle identifier equals `bundleID`, ignoring case.
    BVRunningApplicationPtr runningApplicationWithBundleID(const std::string& bundleID);
    void terminateApplication(const BVRunningApplicationPtr& application, bool restartLater);
    void listenForTermination(const BVRunningApplicationPtr& application);
    void addTerminationHandler(Handler handler);
    void restartTerminatedApplications();

    // Waits until every block queued so far on the work queue has run (for callers that must
    // know the requests went out, such as a preparation step or a test).
    void waitForQueuedWork();

    void terminationObserver(BVRunningApplicationsTerminationObserver& observer,
                             const BVRunningApplicationPtr& application) override;

private:
    std::shared_ptr<BVRunningApplicationsTerminationObserver> terminationObserver_;
    BVWorkspacePtr workspace_;
    std::vector<BVRunningApplicationPtr> restartList_;
    std::vector<Handler> handlers_;
    BVDispatchQueuePtr workQueue_;
};
