// BVCleanPreparation: the step before a clean that deals with running applications. It finds,
// among the clean's removal dependencies, the applications that are running now; once the user
// agreed, it asks each to quit (SIGTERM through the workspace), waits until it has terminated
// or the wait times out, and fulfils every dependency on an application that terminated or that
// does not run at all. An application that refuses or outlives the wait (or that the user chose
// not to quit) keeps its dependencies unfulfilled, so the clean leaves its entities in place and
// reports them failed. After the clean, `relaunch` starts again
// what was quit. `quit` blocks its caller (the clean worker); the rest may run on any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRunningApplicationsTerminator.h"

class BVCleanPreparation : public std::enable_shared_from_this<BVCleanPreparation> {
public:
    static std::shared_ptr<BVCleanPreparation> create(BVWorkspacePtr workspace,
                                                      std::vector<std::shared_ptr<BVRemovalDependency>> dependencies);

    // One running application per bundle identifier named by an unfulfilled dependency, in
    // the order the dependencies name them.
    std::vector<BVRunningApplicationPtr> blockingApplications();
    // Asks the applications to quit and waits at most `timeout` for all of them to terminate.
    // Answers whether all did. Fulfils the dependencies of each one that terminated.
    bool quit(const std::vector<BVRunningApplicationPtr>& applications, std::chrono::milliseconds timeout);
    // Fulfils every dependency whose application has no running instance now: nothing stands in
    // the way of its items. Run right before the clean, after `quit`.
    void fulfilDependenciesOfApplicationsNotRunning();
    // Relaunches the applications `quit` stopped (without bringing them to the front).
    void relaunch();

    BVCleanPreparation(BVWorkspacePtr workspace, std::vector<std::shared_ptr<BVRemovalDependency>> dependencies);

private:
    void applicationTerminated(const BVRunningApplicationPtr& application);

    std::shared_ptr<BVRunningApplicationsTerminator> terminator_;
    std::vector<std::shared_ptr<BVRemovalDependency>> dependencies_;
    std::mutex mutex_;
    std::condition_variable terminated_;
    std::set<std::string> terminatedBundleIDs_;  // lower-cased
};
