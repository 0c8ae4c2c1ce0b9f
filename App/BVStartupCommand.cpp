// `brenvik startup list|disable|enable|remove`: what starts by itself (login items, helper
// registrations, launch agents and daemons) from the optimization module's scan, and switching
// or removing one item, named by the name `list` shows or by its file's path.
#include <cstdio>

#include "App/BVCommands.h"
#include "App/BVConfirmation.h"
#include "App/BVStartupItems.h"
#include "App/BVSuggestions.h"
#include "Foundation/BVASCIICase.h"
#include "Foundation/BVJSONCodec.h"
#include "OptimizationModule/BVOptimizationModule.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

int BVCommandStartup(const BVCommandContext& c) {
    if (!BVOpenKnowledgeBase(c)) return 3;
    auto services = BVOptimizationModule::standardServices(c.environment);
    auto items = BVListStartupItems(c.environment, services);
    const std::string& action = c.options.startupAction;
    if (action == "list") {
        std::string text;
        for (const auto& item : items)
            text += std::string(item.enabled ? "[on ] " : "[off] ") + item.kind + "  " + item.name + "  " +
                    (item.program.empty() ? "(no program)" : c.paths.abbreviateHome(item.program)) +
                    (item.programExists ? "" : " (missing)") + "  " + c.paths.abbreviateHome(item.path) + "\n";
        for (const auto& invalid : services->loginItems->invalidLoginItems())
            text += "[?? ] login item  " + c.paths.abbreviateHome(invalid.path) + "  does not parse: " + invalid.reason + "\n";
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVStartupItemsDocument(items, services), 2) + "\n");
        else BVWriteOutput(text.empty() ? "Nothing starts by itself here.\n" : text);
        return 0;
    }
    if (c.options.startupItem.empty()) {
        std::fprintf(stderr, "brenvik: startup %s needs an ITEM (a name `brenvik startup list` shows, or its file's path)\n", action.c_str());
        return 2;
    }
    const BVStartupItem* item = BVFindStartupItem(items, c.paths, c.options.startupItem);
    if (!item) {
        std::string close;
        std::string wanted = BVASCIILowercase(c.options.startupItem);
        for (const auto& candidate : items)
            if (BVASCIILowercase(candidate.name).find(wanted) != std::string::npos ||
                wanted.find(BVASCIILowercase(candidate.name)) != std::string::npos ||
                BVClosestName(wanted, {BVASCIILowercase(candidate.name)}))
                close += "\n  " + candidate.name + "  (" + c.paths.abbreviateHome(candidate.path) + ")";
        std::fprintf(stderr, "brenvik: no start-up item is named '%s'%s\n", c.options.startupItem.c_str(),
                     close.empty() ? " (see `brenvik startup list`)" : (", did you mean:" + close).c_str());
        return 2;
    }
    if (action == "enable" || action == "disable") {
        bool on = action == "enable";
        if (auto reason = BVSetStartupItemEnabled(*item, on)) {
            std::fprintf(stderr, "brenvik: %s was left as it was: %s\n", item->name.c_str(), reason->c_str());
            return 1;
        }
        std::fprintf(stderr, "%s is %s.\n", item->name.c_str(), on ? "on" : "off");
        return 0;
    }
    // remove
    if (!c.options.yes) {
        if (!BVConfirmation::inputIsTerminal()) {
            std::fprintf(stderr, "brenvik: standard input is not a terminal; use --yes to remove without asking\n");
            return 2;
        }
        if (!BVConfirmation::ask("Remove " + item->name + " (" + c.paths.abbreviateHome(item->path) + ")?")) {
            std::fprintf(stderr, "Abort.\n");
            return 1;
        }
    }
    auto result = item->entity->remove();
    if (result->state() != BVRemovalStateSucceeded) {
        for (const auto& error : result->errors()) std::fprintf(stderr, "brenvik: %s\n", error.localizedDescription().c_str());
        return 1;
    }
    std::fprintf(stderr, "%s was removed.\n", item->name.c_str());
    return 0;
}
