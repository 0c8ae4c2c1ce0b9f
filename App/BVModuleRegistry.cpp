#include "App/BVModuleRegistry.h"

#include <stdexcept>

std::string BVSmartScanSectionName(BVSmartScanSection section) {
    switch (section) {
        case BVSmartScanSection::Cleanup: return "cleanup";
        case BVSmartScanSection::Protection: return "protection";
        case BVSmartScanSection::Speed: return "speed";
        case BVSmartScanSection::None: break;
    }
    return "none";
}

void BVModuleRegistry::addModule(BVModule module) {
    if (moduleNamed(module.name)) throw std::logic_error("module registered twice: " + module.name);
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
