#include "SystemJunkModule/BVLogsScanTask.h"

#include "Foundation/BVSystemVersion.h"
#include "Foundation/QLFileSizer.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "SystemJunkModule/BVSystemLogModels.h"

namespace {

constexpr BVScannerIdentifier kSystemLogScanner = 26;
constexpr BVScannerIdentifier kUserLogScanner = 27;
constexpr uint64_t kSmallestOfferedLog = 10240;

std::shared_ptr<BVLogsScanTask> make(const char* identifier, BVScannerIdentifier scanner,
                                     BVLogsPathsProviderPtr provider, BVLogModelFactoryPtr factory,
                                     std::shared_ptr<BVPrivilegedOperationsPerformer> performer, BVPredicatePtr predicate) {
    return std::make_shared<BVLogsScanTask>(identifier, BVKnowledgeBaseProvider::baseWithIdentifier(scanner), std::move(provider),
                                            std::move(factory), std::move(performer), std::move(predicate),
                                            BVPaths::sharedInstance());
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

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::systemLogsScanTask() {
    return make("BVSystemJunkScanIdentifierLocalLogs", kSystemLogScanner,
                BVFolderLogsProvider::localLogsProvider(BVPaths::sharedInstance()), plainLogs(), nullptr, sizeFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::userLogsScanTask() {
    return make("BVSystemJunkScanIdentifierUserLogs", kUserLogScanner,
                BVFolderLogsProvider::userLogsProvider(BVPaths::sharedInstance()), plainLogs(), nullptr, sizeFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::sandboxLogsScanTask() {
    return make("BVSystemJunkScanIdentifierSandboxLogs", kUserLogScanner,
                std::make_shared<BVSandboxLogsProvider>(BVPaths::sharedInstance(), BVFileManager::defaultManager()), plainLogs(),
                nullptr, sizeFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::quarantineLogsScanTask() {
    return make("BVSystemJunkScanIdentifierQuarantineLogs", kUserLogScanner,
                std::make_shared<BVQuarantineLogsProvider>(BVPaths::sharedInstance()), plainLogs(), nullptr, quarantineFilter());
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::diagnosticLogsScanTask() {
    auto performer = BVPrivilegedOperationsPerformer::sharedInstance();
    return make("BVSystemJunkScanIdentifierDiagnosticLogs", kSystemLogScanner,
                BVStoreLogsProvider::diagnosticLogsProvider(*BVPaths::sharedInstance()),
                std::make_shared<BVUnifiedLogModelFactory>(performer), performer, nullptr);
}

std::shared_ptr<BVLogsScanTask> BVLogsScanTask::appleLogsScanTask() {
    return make("BVSystemJunkScanIdentifierAppleLogs", kSystemLogScanner,
                BVStoreLogsProvider::appleLogsProvider(*BVPaths::sharedInstance()),
                std::make_shared<BVASLogModelFactory>(BVPrivilegedOperationsPerformer::sharedInstance()), nullptr, nullptr);
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

std::shared_ptr<BVCompoundScanTask> task() {
    return taskWithTasks(BVLogsScanTask::systemLogsScanTask(), BVLogsScanTask::appleLogsScanTask(),
                         BVLogsScanTask::diagnosticLogsScanTask());
}
}  // namespace BVSystemLogsScanTask

namespace BVUserLogsScanTask {
std::shared_ptr<BVCompoundScanTask> task() {
    return std::make_shared<BVCompoundScanTask>(
        "BVSystemJunkScanIdentifierUserLogsCompound",
        std::vector<BVScanTaskPtr>{BVLogsScanTask::userLogsScanTask(), BVLogsScanTask::sandboxLogsScanTask(),
                                   BVLogsScanTask::quarantineLogsScanTask()});
}
}  // namespace BVUserLogsScanTask
