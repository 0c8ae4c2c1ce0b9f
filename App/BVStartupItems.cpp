#include "App/BVStartupItems.h"

#include "App/BVScanRunner.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVProgramLocator.h"
#include "OptimizationModule/BVLaunchAgentModel.h"
#include "OptimizationModule/BVLoginItemModels.h"
#include "OptimizationModule/BVOptimizationModule.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

std::vector<BVStartupItem> BVListStartupItems(const BVEnvironment& environment, const BVStartupServicesPtr& services) {
    BVScanRunner runner;
    auto outcomes = runner.run("startup", BVOptimizationModule::scanTasks(environment, services));
    std::map<std::string, std::string> programs;
    for (const auto& info : services->loginItems->loginItemInfos())
        programs[BVValue(info)[BVLoginItemPathKey].stringValue()] = BVValue(info)[BVLoginItemURLKey].stringValue();
    auto daemons = environment.paths->launchDaemonsPath();
    std::vector<BVStartupItem> items;
    for (const auto& outcome : outcomes) {
        if (!outcome.result) continue;
        for (const auto& entity : outcome.result->items().value_or(std::vector<BVEntityPtr>{})) {
            BVStartupItem item;
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
                item.programExists = BVProgramLocator::exists(item.program) || environment.fileManager->isDirectoryAtPath(item.program);
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

const BVStartupItem* BVFindStartupItem(const std::vector<BVStartupItem>& items, const BVPaths& paths, const std::string& wanted) {
    std::string path = BVFileIO::lexicallyNormalPath(paths.expandTilde(wanted)).value_or(wanted);
    for (const auto& item : items)
        if (item.name == wanted || item.path == path) return &item;
    // An autostart entry may be named by the system's file while the user's copy overrides it.
    if (BVFileIO::pathExtension(path) == "desktop")
        for (const auto& item : items)
            if (item.kind == "login item" && BVFileIO::lastPathComponent(item.path) == BVFileIO::lastPathComponent(path)) return &item;
    return nullptr;
}

std::optional<std::string> BVSetStartupItemEnabled(const BVStartupItem& item, bool on) {
    bool done = false;
    std::string reason;
    if (auto login = std::dynamic_pointer_cast<BVLaunchServicesLoginItemModel>(item.entity)) {
        BVError error;
        done = login->setIsEnabled(on, &error);
        reason = error.localizedDescription();
    } else if (auto helper = std::dynamic_pointer_cast<BVServiceManagementLoginItemModel>(item.entity)) {
        done = helper->setIsEnabled(on);
    } else if (auto agent = std::dynamic_pointer_cast<BVLaunchAgentModel>(item.entity)) {
        done = agent->setEnabled(on, "Brenvik wants to switch " + std::string(on ? "on " : "off ") + item.name + ".");
        reason = agent->lastError().localizedDescription();
    }
    if (done) return std::nullopt;
    return reason.empty() ? std::string("it could not be switched") : reason;
}

BVValue BVStartupItemsDocument(const std::vector<BVStartupItem>& items, const BVStartupServicesPtr& services) {
    BVArray list;
    for (const auto& item : items)
        list.push_back(BVValue(BVDictionary{{"kind", BVValue(item.kind)}, {"name", BVValue(item.name)},
                                            {"program", item.program.empty() ? BVValue() : BVValue(item.program)},
                                            {"enabled", BVValue(item.enabled)}, {"programExists", BVValue(item.programExists)},
                                            {"path", BVValue(item.path)}}));
    for (const auto& invalid : services->loginItems->invalidLoginItems())
        list.push_back(BVValue(BVDictionary{{"kind", BVValue("login item")}, {"path", BVValue(invalid.path)},
                                            {"error", BVValue(invalid.reason)}}));
    return BVValue(BVDictionary{{"items", BVValue(std::move(list))}});
}
