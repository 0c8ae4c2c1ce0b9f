// `brenvik clean MODULE`: rescan, select, record, show, ask, quit blocking applications, remove,
// report, relaunch. What is removed is exactly what was shown: the identity of every listed path
// is recorded before the list is shown, and the remover leaves alone (and reports) a path that
// is no longer that item. Paths the user excluded or put on the ignore list stay, also inside an
// item that is removed (it is emptied around them).
#include <cstdio>
#include <optional>

#include "App/BVCleanPrinter.h"
#include "App/BVCleanRun.h"
#include "App/BVCleanSelection.h"
#include "App/BVCommands.h"
#include "App/BVConfirmation.h"
#include "App/BVInterruption.h"
#include "App/BVProgressDrawer.h"
#include "App/BVResultPrinter.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVJSONCodec.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "ScanningService/CoreScanning/BVRemovalGuard.h"

namespace {

void warnUnmatched(const BVCleanSelection& selection, const BVFileManager& fileManager) {
    for (const auto& g : selection.unmatchedIncludes)
        std::fprintf(stderr, "brenvik: warning: --include %s matches nothing this scan found\n", g.c_str());
    for (const auto& g : selection.unmatchedExcludes)
        std::fprintf(stderr, "brenvik: warning: --exclude %s matches nothing that would be removed\n", g.c_str());
    for (const auto& g : selection.excludesInside)
        if (!BVKeepRule::isPattern(g) && !fileManager.fileExistsAtPath(g))
            std::fprintf(stderr, "brenvik: warning: --exclude %s names nothing that exists\n", g.c_str());
}

std::string applicationList(const std::vector<BVRunningApplicationPtr>& applications) {
    std::string text;
    for (const auto& a : applications)
        text += "  " + a->bundleIdentifier() + " (process " + std::to_string(a->processIdentifier()) + ")\n";
    return text;
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
    auto guard = BVRecordShownEntities(entities, selection.excludesInside, kb, module->name, env);
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
    BVCleanStop stop;
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
    BVCleanRun run(env, *module, entities, guard);
    const auto& blocking = run.blockingApplications();
    bool quit = false;
    if (!blocking.empty()) {
        std::fprintf(stderr, "These applications are running and use items to be removed:\n%s", applicationList(blocking).c_str());
        quit = c.options.yes || BVConfirmation::ask("Quit them now? (their items are kept otherwise)");
    }
    decided();
    BVModuleClean clean = run.run(quit, drawer, stop);
    if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVCleanPrinter::cleanJSON(clean), 2) + "\n");
    else BVWriteOutput(BVCleanPrinter::cleanText(clean, c.paths, c.style));
    run.finish();
    if (clean.interrupted) return 130;
    return BVCleanPrinter::state(clean) == BVRemovalStateSucceeded ? 0 : 1;
}
