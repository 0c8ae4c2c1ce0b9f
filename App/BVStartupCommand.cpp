// `brenvik startup list|disable|enable|remove`: what starts by itself (login items, helper
// registrations, launch agents and daemons) from the optimization module's scan, and switching
// or removing one item, named by the name `list` shows or by its file's path.
#include <algorithm>
#include <cstdio>

#include "App/BVCommands.h"
#include "App/BVConfirmation.h"
#include "App/BVScanRunner.h"
#include "App/BVSuggestions.h"
#include "Foundation/BVASCIICase.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVProgramLocator.h"
#include "OptimizationModule/BVLaunchAgentModel.h"
#include "OptimizationModule/BVLoginItemModels.h"
#include "OptimizationModule/BVOptimizationModule.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

namespace {

struct Item {
    BVEntityPtr entity;
    std::string kind, name, program, path;
    bool enabled = false, programExists = false;
};

std::vector<Item> listItems(const BVCommandContext& c, const BVStartupServicesPtr& services) {
    BVScanRunner runner;
    auto outcomes = runner.run("startup", BVOptimizationModule::scanTasks(c.environment, services));
    std::map<std::string, std::string> programs;
    for (const auto& info : services->loginItems->loginItemInfos())
        programs[BVValue(info)[BVLoginItemPathKey].stringValue()] = BVValue(info)[BVLoginItemURLKey].stringValue();
    auto daemons = c.paths.launchDaemonsPath();
    std::vector<Item> items;
    for (const auto& outcome : outcomes) {
        if (!outcome.result) continue;
        for (const auto& entity : outcome.result->items().value_or(std::vector<BVEntityPtr>{})) {
            Item item;
            item.entity = entity;
            if (auto login = std::dynamic_pointer_cast<BVLaunchServicesLoginItemModel>(entity)) {
                item.kind = "login item";
                item.name = login->name();
                item.path = login->applicationURL();
                item.program = programs[item.path];
                item.enabled = login->isEnabled();
                item.programExists = !item.program.empty() && item.program[0] == '/' && BVProgramLocator::exists(item.program);
            } else if (auto helper = std::dynamic_pointer_cast<BVServiceManagementLoginItemModel>(entity)) {
                item.kind = "helper";
                item.name = helper->bundleIdentifier();
                item.path = helper->helperApplicationURL();
                item.program = helper->applicationURL();
                item.enabled = helper->isEnabled();
                item.programExists = BVProgramLocator::exists(item.program) || c.environment.fileManager->isDirectoryAtPath(item.program);
            } else if (auto agent = std::dynamic_pointer_cast<BVLaunchAgentModel>(entity)) {
                item.path = agent->specificationURL();
                item.kind = daemons && BVFileIO::parentPath(item.path) == *daemons ? "launch daemon" : "launch agent";
                item.name = agent->identifier();
                item.enabled = agent->isEnabled();
                item.programExists = agent->executable().has_value();
                if (agent->executable()) item.program = agent->executable()->url;
                else if (auto job = agent->launchdManager()->jobConfigurationAtPath(item.path, nullptr))
                    item.program = (*job)["Program"].stringValue();
            }
            if (!item.kind.empty()) items.push_back(item);
        }
    }
    return items;
}

const Item* find(const std::vector<Item>& items, const BVCommandContext& c, const std::string& wanted) {
    std::string path = BVFileIO::lexicallyNormalPath(c.paths.expandTilde(wanted)).value_or(wanted);
    for (const auto& item : items)
        if (item.name == wanted || item.path == path) return &item;
    // An autostart entry may be named by the system's file while the user's copy overrides it.
    if (BVFileIO::pathExtension(path) == "desktop")
        for (const auto& item : items)
            if (item.kind == "login item" && BVFileIO::lastPathComponent(item.path) == BVFileIO::lastPathComponent(path)) return &item;
    return nullptr;
}

}  // namespace

int BVCommandStartup(const BVCommandContext& c) {
    if (!BVOpenKnowledgeBase(c)) return 3;
    auto services = BVOptimizationModule::standardServices(c.environment);
    auto items = listItems(c, services);
    const std::string& action = c.options.startupAction;
    if (action == "list") {
        BVArray list;
        std::string text;
        for (const auto& item : items) {
            list.push_back(BVValue(BVDictionary{{"kind", BVValue(item.kind)}, {"name", BVValue(item.name)},
                                                {"program", item.program.empty() ? BVValue() : BVValue(item.program)},
                                                {"enabled", BVValue(item.enabled)}, {"programExists", BVValue(item.programExists)},
                                                {"path", BVValue(item.path)}}));
            text += std::string(item.enabled ? "[on ] " : "[off] ") + item.kind + "  " + item.name + "  " +
                    (item.program.empty() ? "(no program)" : c.paths.abbreviateHome(item.program)) +
                    (item.programExists ? "" : " (missing)") + "  " + c.paths.abbreviateHome(item.path) + "\n";
        }
        for (const auto& invalid : services->loginItems->invalidLoginItems()) {
            list.push_back(BVValue(BVDictionary{{"kind", BVValue("login item")}, {"path", BVValue(invalid.path)},
                                                {"error", BVValue(invalid.reason)}}));
            text += "[?? ] login item  " + c.paths.abbreviateHome(invalid.path) + "  does not parse: " + invalid.reason + "\n";
        }
        if (c.options.json) BVWriteOutput(BVJSONCodec::encode(BVValue(BVDictionary{{"items", BVValue(std::move(list))}}), 2) + "\n");
        else BVWriteOutput(text.empty() ? "Nothing starts by itself here.\n" : text);
        return 0;
    }
    if (c.options.startupItem.empty()) {
        std::fprintf(stderr, "brenvik: startup %s needs an ITEM (a name `brenvik startup list` shows, or its file's path)\n", action.c_str());
        return 2;
    }
    const Item* item = find(items, c, c.options.startupItem);
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
        bool done = false;
        std::string reason;
        if (auto login = std::dynamic_pointer_cast<BVLaunchServicesLoginItemModel>(item->entity)) {
            BVError error;
            done = login->setIsEnabled(on, &error);
            reason = error.localizedDescription();
        } else if (auto helper = std::dynamic_pointer_cast<BVServiceManagementLoginItemModel>(item->entity)) {
            done = helper->setIsEnabled(on);
        } else if (auto agent = std::dynamic_pointer_cast<BVLaunchAgentModel>(item->entity)) {
            done = agent->setEnabled(on, "Brenvik wants to switch " + std::string(on ? "on " : "off ") + item->name + ".");
            reason = agent->lastError().localizedDescription();
        }
        if (!done) {
            std::fprintf(stderr, "brenvik: %s was left as it was: %s\n", item->name.c_str(), reason.c_str());
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
