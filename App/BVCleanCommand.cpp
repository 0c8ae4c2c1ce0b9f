// `brenvik clean MODULE`: rescan, select, show, ask, quit blocking applications, remove,
// report, relaunch. What is removed is exactly what was shown: the listed entities, each
// checked again just before its removal (a path whose kind changed since it was listed is
// left alone and reported).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "App/BVCleanPreparation.h"
#include "App/BVCleanPrinter.h"
#include "App/BVCleanSelection.h"
#include "App/BVCommands.h"
#include "App/BVProgressDrawer.h"
#include "App/BVResultPrinter.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVProcWorkspace.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "ScanningService/CoreScanning/BVCleanQueue.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"
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

// The kind of every listed path as it is now, so the remover can refuse a path that became
// something else (a folder swapped for a link) by the time it is removed.
void recordKinds(const BVEntityPtr& entity, std::map<std::string, unsigned>& kinds) {
    std::string path = BVResultPrinter::entityPath(entity);
    struct stat st {};
    if (!path.empty() && ::lstat(path.c_str(), &st) == 0) kinds[path] = st.st_mode & S_IFMT;
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(entity))
        for (const auto& child : tree->children()) recordKinds(child, kinds);
}

std::vector<BVCleanTaskPtr> cleanTasks(const BVModule& module, const std::vector<BVEntityPtr>& entities) {
    if (module.makeCleanTasks) return module.makeCleanTasks(entities);
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
std::vector<BVRemovalResultPtr> runClean(const std::vector<BVCleanTaskPtr>& tasks, BVOperationPtr preparation,
                                         BVProgressDrawer& drawer) {
    auto queue = BVCleanQueue::create();
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
    auto kb = BVOpenKnowledgeBase();
    if (!kb) return 3;

    BVProgressDrawer drawer(BVProgressDrawer::shouldDraw(c.global.noProgress));
    auto outcomes = BVScanRunner(&drawer).run(module->name, module->makeTasks());
    auto entities = BVSelectEntities(outcomes, {c.options.include, c.options.exclude}, c.paths);

    if (c.options.dryRun) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::selectionJSON(module->name, entities), 2) + "\n");
        else BVWriteOutput("Would remove:\n" + BVCleanPrinter::selectionText(entities, c.paths));
        return 0;
    }
    if (entities.empty()) {
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::cleanJSON({module->name, {}}), 2) + "\n");
        else BVWriteOutput("Nothing to remove.\n");
        return 0;
    }
    // The list goes to standard error with --json, which keeps standard output for the report.
    std::string listing = "Will remove:\n" + BVCleanPrinter::selectionText(entities, c.paths);
    if (c.options.json) std::fputs(listing.c_str(), stderr);
    else BVWriteOutput(listing);
    if (!c.options.yes && !confirm("Remove these items?")) {
        std::fprintf(stderr, "Nothing was removed.\n");
        return 0;
    }

    std::map<std::string, unsigned> kinds;
    for (const auto& e : entities) recordKinds(e, kinds);
    BVFileRemover::sharedInstance()->setExpectedKinds(std::move(kinds));

    auto tasks = cleanTasks(*module, entities);
    std::vector<std::shared_ptr<BVRemovalDependency>> dependencies;
    for (const auto& t : tasks) {
        auto more = t->dependencies();
        dependencies.insert(dependencies.end(), more.begin(), more.end());
    }
    auto preparation = BVCleanPreparation::create(std::make_shared<BVProcWorkspace>(kb->applicationExecutables()), dependencies);
    auto blocking = preparation->blockingApplications();
    BVOperationPtr quitOperation;
    if (!blocking.empty()) {
        std::fprintf(stderr, "These applications are running and use items to be removed:\n%s", applicationList(blocking).c_str());
        if (c.options.yes || confirm("Quit them now? (their items are kept otherwise)")) {
            quitOperation = BVBlockOperation::blockOperationWithBlock([preparation, blocking] {
                if (!preparation->quit(blocking, kQuitTimeout))
                    BVLogger::warning(fmt::format("Not every application quit within {} s; its items are kept",
                                                  kQuitTimeout.count()));
            });
        }
    }

    BVModuleClean clean{module->name, runClean(tasks, quitOperation, drawer)};
    if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::cleanJSON(clean), 2) + "\n");
    else BVWriteOutput(BVCleanPrinter::cleanText(clean, c.paths));
    preparation->relaunch();
    return BVCleanPrinter::state(clean) == BVRemovalStateSucceeded ? 0 : 1;
}
