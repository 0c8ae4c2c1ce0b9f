// The module registry: every module the command line knows, by name, with its scan tasks in
// order and its Smart Scan section. It is filled by one explicit function
// (BVRegisterModules) at start-up and only read afterwards.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

enum class BVSmartScanSection { None, Cleanup, Protection, Speed };

std::string BVSmartScanSectionName(BVSmartScanSection section);

struct BVModule {
    std::string name;         // the command-line name, "system-junk"
    std::string displayName;  // "System Junk"
    BVSmartScanSection section = BVSmartScanSection::None;
    // Builds the module's scan tasks on the run's environment, in the order they run and report.
    std::function<std::vector<BVScanTaskPtr>(const BVEnvironment&)> makeTasks;
    // Builds the clean tasks for the chosen entities, in the order they run. Unset: one model
    // clean task removing the entities in order.
    std::function<std::vector<BVCleanTaskPtr>(const BVEnvironment&, const std::vector<BVEntityPtr>&)> makeCleanTasks;
    // The module lists the user's own files (not caches, logs, trashes or junk): its
    // preselection is shown for review, but the command line removes only what --include names.
    bool ownFiles = false;
};

class BVModuleRegistry {
public:
    // Adding a name twice is a programming error (std::logic_error).
    void addModule(BVModule module);
    const BVModule* moduleNamed(const std::string& name) const;
    const std::vector<BVModule>& modules() const { return modules_; }
    std::vector<const BVModule*> modulesInSection(BVSmartScanSection section) const;

private:
    std::vector<BVModule> modules_;
};

// Registers every module this build has. Module issues add their assembly here.
void BVRegisterModules(BVModuleRegistry& registry);
