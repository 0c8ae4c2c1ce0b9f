#include "SystemJunkModule/BVLogsScanTask.h"

#include "Foundation/BVSystemVersion.h"
#include "Foundation/QLFileSizer.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "SystemJunkModule/BVSystemLogModels.h"

namespace {

constexpr uint64_t kSmallestOfferedLog = 10240;

std::shared_ptr<BVLogsScanTask> make(const BVEnvironment& environment, const char* identifier, BVScannerIdentifier scanner,
                                     BVLogsPathsProviderPtr provider, BVLogModelFactoryPtr factory,
                                     std::shared_ptr<BVPrivilegedOperationsPerformer> performer, BVPredicatePtr predicate) {
    return std::make_shared<BVLogsScanTask>(identifier, BVEnvironmentServices::knowledgeBase(environment, scanner), std::move(provider),
                                            std::move(factory), std::move(performer), std::move(predicate), environment.paths);
}

BVLogModelFactoryPtr plainLogs() { return std::make_shared<BVLogModelFactory>(); }

}  // namespace

BVLogsScanTask::BVLogsScanTask(std::string identifier, BVJunkKnowledgeBasePtr knowledgeBase, BVLogsPathsProviderPtr provider,
                               BVLogModelFactoryPtr modelFactory, std::shared_ptr<BVPrivilegedOperationsPerformer> performer,
                               BVPredicatePtr predicate, std::shared_ptr<const BVPaths> paths)
    : identifier_(std::move(identifier)),
      knowledgeBase_(std::move(knowledgeBase)),
      provider_(std::move(provider)),
      modelFactory_(modelFactory ? std::move(modelFactory) : plainLogs()),
      performer_(std::move(performer)),
      predicate_(std::move(predicate)),
      paths_(std::move(paths)) {}

BVPredicatePtr BVLogsScanTask::sizeFilter() {
    return BVCompoundPredicate::orPredicateWithSubpredicates(
        {BVFileNamePredicate::dsStoreFileNamePredicate(),
         BVCompoundPredicate::notPredicateWithSubpredicate(std::make_shared<BVFileSizePredicate>(kSmallestOfferedLog))});
}

BVPredicatePtr BVLogsScanTask::quarantineFilter() {
    return BVCompoundPredicate::notPredicateWithSubpredicate(BVCompoundPredicate::andPredicateWithSubpredicates(
        {std::make_shared<BVFileIsReachablePredicate>(), std::make_shared<BVFileSizePredicate>(0)}));
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::systemLogsScanTask(const BVEnvironment& environment) {
    return make(environment, "BVSystemJunkScanIdentifierLocalLogs", BVScannerSystemLogs,
                BVFolderLogsProvider::localLogsProvider(environment.paths, environment.fileManager), plainLogs(), nullptr,
                sizeFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::userLogsScanTask(const BVEnvironment& environment) {
    return make(environment, "BVSystemJunkScanIdentifierUserLogs", BVScannerUserLogs,
                BVFolderLogsProvider::userLogsProvider(environment.paths, environment.fileManager), plainLogs(), nullptr,
                sizeFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::sandboxLogsScanTask(const BVEnvironment& environment) {
    return make(environment, "BVSystemJunkScanIdentifierSandboxLogs", BVScannerUserLogs,
                std::make_shared<BVSandboxLogsProvider>(environment.paths, environment.fileManager), plainLogs(), nullptr,
                sizeFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::quarantineLogsScanTask(const BVEnvironment& environment) {
    return make(environment, "BVSystemJunkScanIdentifierQuarantineLogs", BVScannerUserLogs,
                std::make_shared<BVQuarantineLogsProvider>(environment.paths), plainLogs(), nullptr, quarantineFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::diagnosticLogsScanTask(const BVEnvironment& environment) {
    return make(environment, "BVSystemJunkScanIdentifierDiagnosticLogs", BVScannerSystemLogs,
                BVStoreLogsProvider::diagnosticLogsProvider(*environment.paths),
                std::make_shared<BVUnifiedLogModelFactory>(environment.performer), environment.performer, nullptr);
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::appleLogsScanTask(const BVEnvironment& environment) {
    return make(environment, "BVSystemJunkScanIdentifierAppleLogs", BVScannerSystemLogs,
                BVStoreLogsProvider::appleLogsProvider(*environment.paths),
                std::make_shared<BVASLogModelFactory>(environment.performer), nullptr, nullptr);
}

BVScanResultPtr BVLogsScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult(std::string("BVLogsScanTask-") + identifier_, identifier_)) return canned;
    auto ignoreFilter = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);
    std::vector<std::string> candidates;
    BVError error;
    if (!provider_->scanningPaths(candidates, &error) || progress_->isCancelled())
        return BVScanResult::emptyResultWithIdentifier(identifier_);

    auto quarantine = BVQuarantine(paths_).downloadsLogsURLs();
    progress_->addPendingUnitsCount(candidates.size());
    std::vector<BVEntityPtr> items;
    for (const auto& path : candidates) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        progress_->setPath(path);
        if ((predicate_ && predicate_->shouldIgnoreObject(path)) || ignoreFilter->shouldIgnoreObject(path)) continue;
        uint64_t size = performer_ && performer_->isAuthorized() ? performer_->fileSizeAtURL(path, progress_)
                                                                 : QLFileSizer::itemSizeAtURL(path);
        progress_->addSize(size);
        auto item = std::make_shared<BVLogItem>(path, *paths_, quarantine);
        auto model = modelFactory_->logModelWithItem(item, size, knowledgeBase_->shouldSelectItem(path));
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, path);
        model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, path));
        items.push_back(model);
    }
    return BVScanResult::resultWithIdentifier(identifier_, items);
}

namespace BVSystemLogsScanTask {
std::shared_ptr<BVCompoundScanTask> taskWithTasks(BVScanTaskPtr systemLogs, BVScanTaskPtr appleLogs, BVScanTaskPtr diagnosticLogs) {
    std::vector<BVScanTaskPtr> tasks{std::move(systemLogs), std::move(appleLogs)};
    auto version = BVSystemVersion::current();
    if (version.majorVersion > 10 || (version.majorVersion == 10 && version.minorVersion >= 12))
        tasks.push_back(std::move(diagnosticLogs));
    return std::make_shared<BVCompoundScanTask>("BVSystemJunkScanIdentifierSystemLogsCompound", tasks);
}

std::shared_ptr<BVCompoundScanTask> task(const BVEnvironment& environment) {
    return taskWithTasks(BVLogsScanTask::systemLogsScanTask(environment), BVLogsScanTask::appleLogsScanTask(environment),
                         BVLogsScanTask::diagnosticLogsScanTask(environment));
}
}  // namespace BVSystemLogsScanTask

namespace BVUserLogsScanTask {
std::shared_ptr<BVCompoundScanTask> task(const BVEnvironment& environment) {
    return std::make_shared<BVCompoundScanTask>(
        "BVSystemJunkScanIdentifierUserLogsCompound",
        std::vector<BVScanTaskPtr>{BVLogsScanTask::userLogsScanTask(environment), BVLogsScanTask::sandboxLogsScanTask(environment),
                                   BVLogsScanTask::quarantineLogsScanTask(environment)});
}
}  // namespace BVUserLogsScanTask
