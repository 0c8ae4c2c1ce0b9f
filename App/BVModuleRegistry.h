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

// One of a module's scan tasks as the command line names it: its identifier, the short key a
// user types ("user-caches"), and the string-table key of its display name.
struct BVTaskName {
    std::string identifier;
    std::string key;
};

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
    // The string table of the module's texts: "ModuleName", and "Task.KEY" for each task.
    std::string stringTable;
    // Its tasks' keys, in task order (several tasks may share one, a volume's trash say).
    std::vector<BVTaskName> tasks;

    // The key and the display name of a task; the identifier itself when the module does not
    // name it.
    std::string taskKey(const std::string& identifier) const;
    std::string taskDisplayName(const std::string& identifier) const;
    std::vector<std::string> taskKeys() const;
    // The module's tasks on `environment`, only those of `keys` when some are given.
    std::vector<BVScanTaskPtr> tasksWithKeys(const BVEnvironment& environment, const std::vector<std::string>& keys) const;
};

class BVModuleRegistry {
public:
    // Adding a name twice is a programming error (std::logic_error).
    void addModule(BVModule module);
    const BVModule* moduleNamed(const std::string& name) const;
    std::vector<std::string> moduleNames() const;
    const std::vector<BVModule>& modules() const { return modules_; }
    std::vector<const BVModule*> modulesInSection(BVSmartScanSection section) const;

private:
    std::vector<BVModule> modules_;
};

// Registers every module this build has. Module issues add their assembly here.
void BVRegisterModules(BVModuleRegistry& registry);
