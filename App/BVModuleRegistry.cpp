#include "App/BVModuleRegistry.h"

#include <algorithm>
#include <stdexcept>

#include "Foundation/BVLocalizedStrings.h"

std::string BVSmartScanSectionName(BVSmartScanSection section) {
    switch (section) {
        case BVSmartScanSection::Cleanup: return "cleanup";
        case BVSmartScanSection::Protection: return "protection";
        case BVSmartScanSection::Speed: return "speed";
        case BVSmartScanSection::None: break;
    }
    return "none";
}

std::string BVModule::taskKey(const std::string& identifier) const {
    for (const auto& t : tasks)
        if (t.identifier == identifier) return t.key;
    return identifier;
}

std::string BVModule::taskDisplayName(const std::string& identifier) const {
    std::string key = taskKey(identifier);
    return key == identifier ? identifier : BVLocalizedString(stringTable, "Task." + key, key);
}

std::vector<std::string> BVModule::taskKeys() const {
    std::vector<std::string> keys;
    for (const auto& t : tasks)
        if (std::find(keys.begin(), keys.end(), t.key) == keys.end()) keys.push_back(t.key);
    return keys;
}

std::vector<BVScanTaskPtr> BVModule::tasksWithKeys(const BVEnvironment& environment, const std::vector<std::string>& keys) const {
    auto all = makeTasks(environment);
    if (keys.empty()) return all;
    std::vector<BVScanTaskPtr> chosen;
    for (const auto& t : all)
        if (std::find(keys.begin(), keys.end(), taskKey(t->identifier())) != keys.end()) chosen.push_back(t);
    return chosen;
}

std::vector<std::string> BVModuleRegistry::moduleNames() const {
    std::vector<std::string> names;
    for (const auto& m : modules_) names.push_back(m.name);
    return names;
}

void BVModuleRegistry::addModule(BVModule module) {
    if (moduleNamed(module.name)) throw std::logic_error("module registered twice: " + module.name);
    if (!module.stringTable.empty()) module.displayName = BVLocalizedString(module.stringTable, "ModuleName", module.displayName);
    modules_.push_back(std::move(module));
}

const BVModule* BVModuleRegistry::moduleNamed(const std::string& name) const {
    for (const auto& m : modules_)
        if (m.name == name) return &m;
    return nullptr;
}

std::vector<const BVModule*> BVModuleRegistry::modulesInSection(BVSmartScanSection section) const {
    std::vector<const BVModule*> out;
    for (const auto& m : modules_)
        if (m.section == section) out.push_back(&m);
    return out;
}
