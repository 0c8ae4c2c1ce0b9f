#include "App/BVCleanRun.h"

#include <map>

#include "App/BVCleanPreparation.h"
#include "App/BVResultPrinter.h"
#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "KnowledgeBase/BVScannerIdentifiers.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

namespace {

// How long the preparation waits for the applications it asked to quit.
constexpr std::chrono::seconds kQuitTimeout{30};

// What is removed later must still be the item that was shown (a folder swapped for a link or
// another folder meanwhile is left alone).
void recordIdentities(const BVEntityPtr& entity, BVRemovalGuard& guard, const BVFileManager& fileManager) {
    std::string path = BVResultPrinter::entityPath(entity);
    if (!path.empty()) guard.recordIdentity(path, fileManager);
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(entity))
        for (const auto& child : tree->children()) recordIdentities(child, guard, fileManager);
}

// Every entity of the clean removes itself through the run's remover.
void useRemover(const BVEntityPtr& entity, const BVFileRemoverPtr& remover) {
    entity->setRemover(remover);
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(entity))
        for (const auto& child : tree->children()) useRemover(child, remover);
}

// The paths the module's ignore list names, which stay even inside an item that is removed.
std::vector<std::string> ignoredPaths(const std::shared_ptr<BVKnowledgeBase>& kb, const std::string& module, const BVPaths& paths) {
    BVScannerIdentifier identifier = 0;
    if (!kb || !BVScannerIdentifiers::moduleIdentifierForName(module, identifier)) return {};
    BVKnowledgeBaseWrapper handle(kb, identifier, BVScannerIdentifiers::defaultScopeByIdentifier(identifier));
    std::vector<std::string> out;
    for (const auto& item : handle.fetchIgnoreItems())
        if (!item->isItemRegex())
            if (auto normal = BVFileIO::lexicallyNormalPath(paths.expandTilde(item->item()))) out.push_back(*normal);
    return out;
}

}  // namespace

void BVCleanStop::request() {
    BVLockGuard lock(mutex_);
    requested_ = true;
    if (auto queue = queue_.lock()) queue->cancel();
}

bool BVCleanStop::attach(const std::shared_ptr<BVCleanQueue>& queue) {
    BVLockGuard lock(mutex_);
    queue_ = queue;
    return !requested_;
}

bool BVCleanStop::requested() {
    BVLockGuard lock(mutex_);
    return requested_;
}

std::shared_ptr<BVRemovalGuard> BVRecordShownEntities(const std::vector<BVEntityPtr>& entities, const std::vector<std::string>& excludesInside,
                                                      const std::shared_ptr<BVKnowledgeBase>& knowledgeBase, const std::string& module,
                                                      const BVEnvironment& environment) {
    auto kept = ignoredPaths(knowledgeBase, module, *environment.paths);
    std::vector<std::string> patterns;
    for (const auto& e : excludesInside) {
        if (BVKeepRule::isPattern(e)) patterns.push_back(e);
        else kept.push_back(e);
    }
    auto guard = std::make_shared<BVRemovalGuard>(BVKeepRule(std::move(kept), std::move(patterns)));
    for (const auto& e : entities) recordIdentities(e, *guard, *environment.fileManager);
    return guard;
}

BVCleanRun::BVCleanRun(const BVEnvironment& environment, const BVModule& module, std::vector<BVEntityPtr> entities,
                       std::shared_ptr<BVRemovalGuard> guard)
    : environment_(environment), module_(module), entities_(std::move(entities)), guard_(std::move(guard)) {
    tasks_ = module_.makeCleanTasks ? module_.makeCleanTasks(environment_, entities_)
                                    : std::vector<BVCleanTaskPtr>{std::make_shared<BVModelCleanTask>(entities_)};
    std::vector<std::shared_ptr<BVRemovalDependency>> dependencies;
    for (const auto& t : tasks_) {
        auto more = t->dependencies();
        dependencies.insert(dependencies.end(), more.begin(), more.end());
    }
    preparation_ = BVCleanPreparation::create(environment_.workspace, dependencies);
    blocking_ = preparation_->blockingApplications();
}

BVModuleClean BVCleanRun::run(bool quitApplications, BVProgressSink& progress, BVCleanStop& stop) {
    BVModuleClean clean{module_.name, {}};
    started_ = true;
    environment_.remover->setRemovalGuard(guard_);
    for (const auto& e : entities_) useRemover(e, environment_.remover);
    auto queue = BVCleanQueue::create(environment_.performer);
    if (!stop.attach(queue)) {
        clean.interrupted = true;
        return clean;
    }
    // Right before the removals: quit what the user agreed to, and release the items of every
    // application that is not running (an application that runs keeps its items).
    auto preparation = preparation_;
    auto blocking = blocking_;
    bool quit = quitApplications && !blocking.empty();
    auto prepare = BVBlockOperation::blockOperationWithBlock([preparation, blocking, quit] {
        if (quit && !preparation->quit(blocking, kQuitTimeout))
            BVLogger::warning(fmt::format("Not every application quit within {} s; its items are kept", kQuitTimeout.count()));
        preparation->fulfilDependenciesOfApplicationsNotRunning();
    });
    std::map<BVCleanTask*, BVCleanTaskResultPtr> results;
    bool finished = false;
    queue->onTaskFinish([&](const BVCleanTaskPtr& task, const BVCleanTaskResultPtr& r) { results[task.get()] = r; });
    queue->onQueueFinish([&](BVCleanQueue&) { finished = true; });
    queue->onQueueProgressFractionChange([&](BVCleanQueue&, double f) { progress.setFraction(f); });
    queue->onQueueProgressSizeChange([&](BVCleanQueue&, uint64_t s) { progress.setBytes(s); });
    queue->onTaskWillRemoveEntity([&](BVCleanTask&, const BVEntityPtr& e) {
        std::string path = BVResultPrinter::entityPath(e);
        BVDispatchQueue::main()->async([&progress, path] { progress.setPath(path); });
    });
    progress.begin("clean");
    queue->underlyingQueue().setSuspended(true);
    queue->addOperations({prepare});
    queue->addTasks(tasks_);
    queue->underlyingQueue().setSuspended(false);
    BVRunLoop::runUntil([&] { return finished; }, std::chrono::hours(24 * 365));
    // The path updates queued behind the last removal refer to `progress`: deliver them now.
    BVRunLoop::drain();
    progress.end();
    for (const auto& t : tasks_)
        if (auto it = results.find(t.get()); it != results.end() && it->second)
            clean.results.insert(clean.results.end(), it->second->results().begin(), it->second->results().end());
    clean.interrupted = stop.requested();
    return clean;
}

void BVCleanRun::finish() {
    if (!started_ || finished_) return;
    finished_ = true;
    environment_.remover->setRemovalGuard(nullptr);
    preparation_->relaunch();
}
