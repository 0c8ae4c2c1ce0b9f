// BVCleanRun: the part of a clean that the command line and the review window share, once the
// entities are chosen and shown. The chosen entities remove through the
// run's remover, under a guard holding the identity each listed path had when it was shown and
// the paths that stay inside them. Made, a run knows the applications that use the entities and
// run now, and has changed nothing. `run` puts the guard on the remover, quits those
// applications (when the user agreed), releases the items of applications that do not run,
// removes through one clean queue on the main thread, and reports the removal results in task
// order; `finish` relaunches what was quit and lifts the guard. A stop request
// (BVCleanStop, any thread) cancels the queue: the entity being removed is finished, the rest
// stay.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "App/BVCleanPrinter.h"
#include "App/BVCleanSelection.h"
#include "App/BVModuleRegistry.h"
#include "App/BVProgressDrawer.h"
#include "Foundation/BVThreadSafety.h"
#include "ScanningService/CoreScanning/BVCleanQueue.h"
#include "ScanningService/CoreScanning/BVRemovalGuard.h"
#include "ScanningService/CoreScanning/BVRunningApplicationsTerminator.h"

class BVCleanPreparation;
class BVKnowledgeBase;

class BVCleanStop {
public:
    void request();
    // The queue the request cancels; false when a request came first.
    bool attach(const std::shared_ptr<BVCleanQueue>& queue);
    bool requested();

private:
    BVMutex mutex_;
    bool requested_ BV_GUARDED_BY(mutex_) = false;
    std::weak_ptr<BVCleanQueue> queue_ BV_GUARDED_BY(mutex_);
};

// The identity every path of `entities` has now, and what stays inside them: the excludes that
// name something inside one (`excludesInside`) and the module's ignore list.
std::shared_ptr<BVRemovalGuard> BVRecordShownEntities(const std::vector<BVEntityPtr>& entities, const std::vector<std::string>& excludesInside,
                                                      const std::shared_ptr<BVKnowledgeBase>& knowledgeBase, const std::string& module,
                                                      const BVEnvironment& environment);

class BVCleanRun {
public:
    BVCleanRun(const BVEnvironment& environment, const BVModule& module, std::vector<BVEntityPtr> entities,
               std::shared_ptr<BVRemovalGuard> guard);
    // The running applications that use the entities (ask the user before `run` quits them).
    const std::vector<BVRunningApplicationPtr>& blockingApplications() const { return blocking_; }
    // Must be called on the main thread.
    BVModuleClean run(bool quitApplications, BVProgressSink& progress, BVCleanStop& stop);
    // After `run`: relaunches what was quit and lifts the guard (nothing when `run` never ran).
    void finish();
    const std::vector<BVEntityPtr>& entities() const { return entities_; }

private:
    const BVEnvironment& environment_;
    const BVModule& module_;
    std::vector<BVEntityPtr> entities_;
    std::shared_ptr<BVRemovalGuard> guard_;
    std::vector<BVCleanTaskPtr> tasks_;
    std::shared_ptr<BVCleanPreparation> preparation_;
    std::vector<BVRunningApplicationPtr> blocking_;
    bool started_ = false;
    bool finished_ = false;
};
