// BVLogsScanTask: offers the logs one provider names, each as the log entity its factory makes
// (plain logs, or one of the two system stores), sized by the agent when one is given and
// authorised. The six configurations and the two compounds (system logs, user logs) are made
// by the factories below. A task is built for one scan and runs once on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/BVCompoundScanTask.h"
#include "ScanningService/CoreScanning/Predicates/BVPredicate.h"
#include "SystemJunkModule/BVLogModel.h"
#include "SystemJunkModule/BVLogsProviders.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVLogsScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVLogsScanTask(std::string identifier, BVJunkKnowledgeBasePtr knowledgeBase, BVLogsPathsProviderPtr provider,
                   BVLogModelFactoryPtr modelFactory, std::shared_ptr<BVPrivilegedOperationsPerformer> performer,
                   BVPredicatePtr predicate, std::shared_ptr<const BVPaths> paths);

    // The system-logs or user-logs scanner's tasks on the environment's knowledge base and paths.
    static std::shared_ptr<BVLogsScanTask> systemLogsScanTask(const BVEnvironment& environment);
    static std::shared_ptr<BVLogsScanTask> userLogsScanTask(const BVEnvironment& environment);
    static std::shared_ptr<BVLogsScanTask> sandboxLogsScanTask(const BVEnvironment& environment);
    static std::shared_ptr<BVLogsScanTask> quarantineLogsScanTask(const BVEnvironment& environment);
    static std::shared_ptr<BVLogsScanTask> diagnosticLogsScanTask(const BVEnvironment& environment);
    static std::shared_ptr<BVLogsScanTask> appleLogsScanTask(const BVEnvironment& environment);

    // Entries of 10240 bytes or less, and ".DS_Store" files, are not worth offering.
    static BVPredicatePtr sizeFilter();
    // A quarantine store is offered only when it can be reached and is not empty.
    static BVPredicatePtr quarantineFilter();

    std::string identifier() const override { return identifier_; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    std::string identifier_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    BVLogsPathsProviderPtr provider_;
    BVLogModelFactoryPtr modelFactory_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    BVPredicatePtr predicate_;
    std::shared_ptr<const BVPaths> paths_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

// System logs, Apple System Log store and (on system version 10.12 or later) the
// diagnostics store.
namespace BVSystemLogsScanTask {
std::shared_ptr<BVCompoundScanTask> task(const BVEnvironment& environment);
std::shared_ptr<BVCompoundScanTask> taskWithTasks(BVScanTaskPtr systemLogs, BVScanTaskPtr appleLogs, BVScanTaskPtr diagnosticLogs);
}

// User logs, sandbox logs, quarantine stores.
namespace BVUserLogsScanTask {
std::shared_ptr<BVCompoundScanTask> task(const BVEnvironment& environment);
}
