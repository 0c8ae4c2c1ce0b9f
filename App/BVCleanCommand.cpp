// `brenvik clean MODULE`: rescan, select, record, show, ask, quit blocking applications, remove,
// report, relaunch. What is removed is exactly what was shown: the identity of every listed path
// is recorded before the list is shown, and the remover leaves alone (and reports) a path that
// is no longer that item. Paths the user excluded or put on the ignore list stay, also inside an
// item that is removed (it is emptied around them).
#include <cstdio>
#include <optional>

#include "App/BVCleanPreparation.h"
#include "App/BVCleanPrinter.h"
#include "App/BVCleanSelection.h"
#include "App/BVCommands.h"
#include "App/BVConfirmation.h"
#include "App/BVInterruption.h"
#include "App/BVProgressDrawer.h"
#include "App/BVResultPrinter.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVThreadSafety.h"
#include "Foundation/BVProcWorkspace.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "KnowledgeBase/BVScannerIdentifiers.h"
#include "ScanningService/CoreScanning/BVCleanQueue.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
#include "ScanningService/CoreScanning/BVRemovalGuard.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

namespace {

// How long the preparation waits for the applications it asked to quit.
constexpr std::chrono::seconds kQuitTimeout{30};

// The identity every listed path has now, before anything is shown: what is removed later must
// still be that item (a folder swapped for a link or another folder meanwhile is left alone).
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
    if (!BVScannerIdentifiers::moduleIdentifierForName(module, identifier)) return {};
    BVKnowledgeBaseWrapper handle(kb, identifier, BVScannerIdentifiers::defaultScopeByIdentifier(identifier));
    std::vector<std::string> out;
    for (const auto& item : handle.fetchIgnoreItems())
        if (!item->isItemRegex())
            if (auto normal = BVFileIO::lexicallyNormalPath(paths.expandTilde(item->item()))) out.push_back(*normal);
    return out;
}

// What stays although it lies inside a chosen item: the excludes that name something inside
// one, and the ignore list's paths.
BVKeepRule keepRule(const BVCleanSelection& selection, std::vector<std::string> ignored) {
    std::vector<std::string> patterns;
    for (const auto& e : selection.excludesInside) {
        if (BVKeepRule::isPattern(e)) patterns.push_back(e);
        else ignored.push_back(e);
    }
    return BVKeepRule(std::move(ignored), std::move(patterns));
}

void warnUnmatched(const BVCleanSelection& selection, const BVFileManager& fileManager) {
    for (const auto& g : selection.unmatchedIncludes)
        std::fprintf(stderr, "brenvik: warning: --include %s matches nothing this scan found\n", g.c_str());
    for (const auto& g : selection.unmatchedExcludes)
        std::fprintf(stderr, "brenvik: warning: --exclude %s matches nothing that would be removed\n", g.c_str());
    for (const auto& g : selection.excludesInside)
        if (!BVKeepRule::isPattern(g) && !fileManager.fileExistsAtPath(g))
            std::fprintf(stderr, "brenvik: warning: --exclude %s names nothing that exists\n", g.c_str());
}

std::vector<BVCleanTaskPtr> cleanTasks(const BVModule& module, const BVEnvironment& environment,
                                       const std::vector<BVEntityPtr>& entities) {
    if (module.makeCleanTasks) return module.makeCleanTasks(environment, entities);
    return {std::make_shared<BVModelCleanTask>(entities)};
}

std::string applicationList(const std::vector<BVRunningApplicationPtr>& applications) {
    std::string text;
    for (const auto& a : applications)
        text += "  " + a->bundleIdentifier() + " (process " + std::to_string(a->processIdentifier()) + ")\n";
    return text;
}

// Runs the preparation (when there is one) and the clean tasks through one clean queue and
// collects the removal results in task order.
// A stop request (Ctrl-C) once the clean is decided: the queue is cancelled (the entity being
// removed is finished, the rest stay), or never started when the request comes first.
class CleanStop {
public:
    void request() {
        BVLockGuard lock(mutex_);
        requested_ = true;
        if (auto queue = queue_.lock()) queue->cancel();
    }
    // The queue the request cancels; false when a request came first.
    bool attach(const std::shared_ptr<BVCleanQueue>& queue) {
        BVLockGuard lock(mutex_);
        queue_ = queue;
        return !requested_;
    }
    bool requested() {
        BVLockGuard lock(mutex_);
        return requested_;
    }

private:
    BVMutex mutex_;
    bool requested_ BV_GUARDED_BY(mutex_) = false;
    std::weak_ptr<BVCleanQueue> queue_ BV_GUARDED_BY(mutex_);
};

std::vector<BVRemovalResultPtr> runClean(const BVEnvironment& environment, const std::vector<BVCleanTaskPtr>& tasks,
                                         BVOperationPtr preparation, BVProgressDrawer& drawer, CleanStop& stop) {
    auto queue = BVCleanQueue::create(environment.performer);
    if (!stop.attach(queue)) return {};
    std::map<BVCleanTask*, BVCleanTaskResultPtr> results;
    bool finished = false;
    queue->onTaskFinish([&](const BVCleanTaskPtr& task, const BVCleanTaskResultPtr& r) { results[task.get()] = r; });
    queue->onQueueFinish([&](BVCleanQueue&) { finished = true; });
    queue->onQueueProgressFractionChange([&](BVCleanQueue&, double f) { drawer.setFraction(f); });
    queue->onQueueProgressSizeChange([&](BVCleanQueue&, uint64_t s) { drawer.setBytes(s); });
    queue->onTaskWillRemoveEntity([&](BVCleanTask&, const BVEntityPtr& e) {
        std::string path = BVResultPrinter::entityPath(e);
        BVDispatchQueue::main()->async([&drawer, path] { drawer.setPath(path); });
    });
    drawer.begin("clean");
    queue->underlyingQueue().setSuspended(true);
    if (preparation) queue->addOperations({preparation});
    queue->addTasks(tasks);
    queue->underlyingQueue().setSuspended(false);
    BVRunLoop::runUntil([&] { return finished; }, std::chrono::hours(24 * 365));
    drawer.end();
    std::vector<BVRemovalResultPtr> out;
    for (const auto& t : tasks)
        if (auto it = results.find(t.get()); it != results.end() && it->second)
            out.insert(out.end(), it->second->results().begin(), it->second->results().end());
    return out;
}

}  // namespace

int BVCommandClean(const BVCommandContext& c) {
    auto choice = BVModuleChoiceOrExplain(c);
    const BVModule* module = choice.module;
    if (!module) return 2;
    // Asking needs a person at a terminal: what a pipe or a file holds is no answer.
    if (!c.options.dryRun && !c.options.yes && !BVConfirmation::inputIsTerminal()) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::abortedJSON(module->name, "no terminal"), 2) + "\n");
        std::fprintf(stderr, "brenvik: standard input is not a terminal, so there is no one to ask; use --yes to clean without asking\n");
        return 2;
    }
    auto kb = BVOpenKnowledgeBase(c);
    const BVEnvironment& env = c.environment;
    if (!kb) return 3;

    BVProgressDrawer drawer(BVProgressDrawer::shouldDraw(c.global.noProgress));
    BVScanRunner runner(&drawer, c.interruption);
    auto outcomes = runner.run(module->name, module->tasksWithKeys(env, choice.keys));
    if (runner.cancelled()) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::abortedJSON(module->name, "cancelled"), 2) + "\n");
        std::fprintf(stderr, "brenvik: the scan was stopped; nothing was removed\n");
        return 130;
    }
    // What the scan could not list cannot be chosen: say why (a browser holding its store, say).
    for (const auto& o : outcomes)
        if (o.result && o.result->error())
            std::fprintf(stderr, "brenvik: %s: %s\n", o.task->identifier().c_str(), o.result->error()->localizedDescription().c_str());
    // A module of the user's own files chooses nothing by itself: only --include does.
    auto selection = BVSelectEntities(outcomes, {c.options.include, c.options.exclude, !module->ownFiles}, c.paths);
    const auto& entities = selection.entities;
    warnUnmatched(selection, *env.fileManager);
    auto guard = std::make_shared<BVRemovalGuard>(keepRule(selection, ignoredPaths(kb, module->name, c.paths)));
    for (const auto& e : entities) recordIdentities(e, *guard, *env.fileManager);
    std::string ownFilesNote = module->ownFiles && c.options.include.empty()
                                   ? "These are your own files, so none is chosen for you: name what to remove with --include GLOB.\n"
                                   : std::string();
    std::string list = BVCleanPrinter::selectionText(entities, c.paths, c.style, c.options.sort, &guard->keepRule());

    if (c.options.dryRun) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::selectionJSON(module->name, entities), 2) + "\n");
        else BVWriteOutput(entities.empty() ? "Nothing to remove.\n" + ownFilesNote : "Would remove:\n" + list);
        return 0;
    }
    if (entities.empty()) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::cleanJSON({module->name, {}}), 2) + "\n");
        else BVWriteOutput("Nothing to remove.\n" + ownFilesNote);
        return 0;
    }
    // Ctrl-C stops the clean from the moment it is decided; until then (while a question waits)
    // it ends the program, nothing having been removed.
    CleanStop stop;
    std::optional<BVInterruption::Scope> stopScope;
    auto decided = [&] {
        if (!stopScope) stopScope.emplace(c.interruption, [&stop] { stop.request(); });
    };
    if (c.options.yes) decided();
    // The list goes to standard error with --json (uncoloured, as JSON output is), which keeps
    // standard output for the report.
    std::string listing = "Will remove:\n" + list;
    if (c.options.json) std::fputs(listing.c_str(), stderr);
    else BVWriteOutput(listing);
    if (!c.options.yes && !BVConfirmation::ask("Remove these items?")) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::abortedJSON(module->name, "declined"), 2) + "\n");
        std::fprintf(stderr, "Abort.\n");
        return 1;
    }
    const auto& remover = env.remover;
    remover->setRemovalGuard(guard);
    for (const auto& e : entities) useRemover(e, remover);

    auto tasks = cleanTasks(*module, env, entities);
    std::vector<std::shared_ptr<BVRemovalDependency>> dependencies;
    for (const auto& t : tasks) {
        auto more = t->dependencies();
        dependencies.insert(dependencies.end(), more.begin(), more.end());
    }
    auto preparation = BVCleanPreparation::create(env.workspace, dependencies);
    auto blocking = preparation->blockingApplications();
    bool quit = false;
    if (!blocking.empty()) {
        std::fprintf(stderr, "These applications are running and use items to be removed:\n%s", applicationList(blocking).c_str());
        quit = c.options.yes || BVConfirmation::ask("Quit them now? (their items are kept otherwise)");
    }
    decided();
    // Right before the clean: quit what the user agreed to, and release the items of every
    // application that is not running (an application that runs keeps its items).
    auto prepare = BVBlockOperation::blockOperationWithBlock([preparation, blocking, quit] {
        if (quit && !preparation->quit(blocking, kQuitTimeout))
            BVLogger::warning(fmt::format("Not every application quit within {} s; its items are kept", kQuitTimeout.count()));
        preparation->fulfilDependenciesOfApplicationsNotRunning();
    });

    BVModuleClean clean{module->name, runClean(env, tasks, prepare, drawer, stop)};
    clean.interrupted = stop.requested();
    remover->setRemovalGuard(nullptr);
    if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::cleanJSON(clean), 2) + "\n");
    else BVWriteOutput(BVCleanPrinter::cleanText(clean, c.paths, c.style));
    preparation->relaunch();
    if (clean.interrupted) return 130;
    return BVCleanPrinter::state(clean) == BVRemovalStateSucceeded ? 0 : 1;
}
