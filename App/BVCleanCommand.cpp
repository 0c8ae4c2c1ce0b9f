// `brenvik clean MODULE`: rescan, select, record, show, ask, quit blocking applications, remove,
// report, relaunch. What is removed is exactly what was shown: the identity of every listed path
// is recorded before the list is shown, and the remover leaves alone (and reports) a path that
// is no longer that item. Paths the user excluded or put on the ignore list stay, also inside an
// item that is removed (it is emptied around them).
#include <cstdio>
#include <iostream>

#include "App/BVCleanPreparation.h"
#include "App/BVCleanPrinter.h"
#include "App/BVCleanSelection.h"
#include "App/BVCommands.h"
#include "App/BVProgressDrawer.h"
#include "App/BVResultPrinter.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVLogger.h"
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

// Asks a yes/no question on standard error; anything but "y"/"yes" (or the end of input) is no.
bool confirm(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::fprintf(stderr, "\n");
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
}

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
std::vector<BVRemovalResultPtr> runClean(const BVEnvironment& environment, const std::vector<BVCleanTaskPtr>& tasks,
                                         BVOperationPtr preparation,
                                         BVProgressDrawer& drawer) {
    auto queue = BVCleanQueue::create(environment.performer);
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
    const BVModule* module = BVModuleNamedOrExplain(c);
    if (!module) return 2;
    auto kb = BVOpenKnowledgeBase(c);
    const BVEnvironment& env = c.environment;
    if (!kb) return 3;

    BVProgressDrawer drawer(BVProgressDrawer::shouldDraw(c.global.noProgress));
    auto outcomes = BVScanRunner(&drawer).run(module->name, module->makeTasks(env));
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

    if (c.options.dryRun) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::selectionJSON(module->name, entities), 2) + "\n");
        else BVWriteOutput(entities.empty() ? "Nothing to remove.\n" + ownFilesNote
                                            : "Would remove:\n" + BVCleanPrinter::selectionText(entities, c.paths, &guard->keepRule()));
        return 0;
    }
    if (entities.empty()) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::cleanJSON({module->name, {}}), 2) + "\n");
        else BVWriteOutput("Nothing to remove.\n" + ownFilesNote);
        return 0;
    }
    // The list goes to standard error with --json, which keeps standard output for the report.
    std::string listing = "Will remove:\n" + BVCleanPrinter::selectionText(entities, c.paths, &guard->keepRule());
    if (c.options.json) std::fputs(listing.c_str(), stderr);
    else BVWriteOutput(listing);
    if (!c.options.yes && !confirm("Remove these items?")) {
        std::fprintf(stderr, "Nothing was removed.\n");
        return 0;
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
        quit = c.options.yes || confirm("Quit them now? (their items are kept otherwise)");
    }
    // Right before the clean: quit what the user agreed to, and release the items of every
    // application that is not running (an application that runs keeps its items).
    auto prepare = BVBlockOperation::blockOperationWithBlock([preparation, blocking, quit] {
        if (quit && !preparation->quit(blocking, kQuitTimeout))
            BVLogger::warning(fmt::format("Not every application quit within {} s; its items are kept", kQuitTimeout.count()));
        preparation->fulfilDependenciesOfApplicationsNotRunning();
    });

    BVModuleClean clean{module->name, runClean(env, tasks, prepare, drawer)};
    remover->setRemovalGuard(nullptr);
    if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::cleanJSON(clean), 2) + "\n");
    else BVWriteOutput(BVCleanPrinter::cleanText(clean, c.paths));
    preparation->relaunch();
    return BVCleanPrinter::state(clean) == BVRemovalStateSucceeded ? 0 : 1;
}
