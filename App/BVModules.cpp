#include "App/BVModuleRegistry.h"
#include "SystemJunkModule/BVSystemJunkModule.h"
#include "LargeAndOldFilesModule/BVLargeAndOldFilesModule.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashModule.h"
#include "PrivacyModule/Sources/BVPrivacyModule.h"

// The modules of this build, in the order `brenvik modules` lists them. Each module's
// assembly (its tasks in order) lives in the module's own folder.
void BVRegisterModules(BVModuleRegistry& registry) {
    BVSystemJunkModule::registerCannedClasses();
    registry.addModule({"system-junk", "System Junk", BVSmartScanSection::Cleanup, &BVSystemJunkModule::scanTasks, {}});
    registry.addModule({"trash", "Trash", BVSmartScanSection::Cleanup,
                        [](const BVEnvironment& environment) { return BVTrashScanTasks(environment); },
                        [](const BVEnvironment&, const std::vector<BVEntityPtr>& chosen) { return BVTrashCleanTasks(chosen); }});
    registry.addModule({"privacy", "Privacy", BVSmartScanSection::Protection,
                        [](const BVEnvironment& environment) { return BVPrivacyModule::scanTasks(environment); },
                        [](const BVEnvironment&, const std::vector<BVEntityPtr>& chosen) { return BVPrivacyModule::cleanTasks(chosen); }});
    registry.addModule({"large-files", "Large & Old Files", BVSmartScanSection::None, BVLargeAndOldFilesScanTasks, {}, true});
}
