#include "App/BVModuleRegistry.h"
#include "SystemJunkModule/BVSystemJunkModule.h"
#include "LargeAndOldFilesModule/BVLargeAndOldFilesModule.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashModule.h"

// The modules of this build, in the order `brenvik modules` lists them. Each module's
// assembly (its tasks in order) lives in the module's own folder.
void BVRegisterModules(BVModuleRegistry& registry) {
    BVSystemJunkModule::registerCannedClasses();
    registry.addModule({"system-junk", "System Junk", BVSmartScanSection::Cleanup, &BVSystemJunkModule::scanTasks, {}, false,
                        "SystemJunkModule",
                        {{"BVSystemJunkScanIdentifierUserLogsCompound", "user-logs"},
                         {"BVSystemJunkScanIdentifierSystemLogsCompound", "system-logs"},
                         {"BVSystemJunkScanIdentifierSystemCachesCompound", "system-caches"},
                         {"BVSystemJunkScanIdentifierUserCachesCompound", "user-caches"}}});
    registry.addModule({"trash", "Trash", BVSmartScanSection::Cleanup,
                        [](const BVEnvironment& environment) { return BVTrashScanTasks(environment); },
                        [](const BVEnvironment&, const std::vector<BVEntityPtr>& chosen) { return BVTrashCleanTasks(chosen); },
                        false, "Trash",
                        {{"BVTrashBinScanIdentifierTrashes", "trashes"},
                         {"BVTrashBinScanIdentifierMounted", "volume-trashes"},
                         {"BVTrashBinScanIdentifierMail", "mail-trashes"},
                         {"BVTrashBinScanIdentifierPhotos", "photos-trash"},
                         {"BVTrashBinScanIdentifierTwinara", "duplicates-album"}}});
    registry.addModule({"large-files", "Large & Old Files", BVSmartScanSection::None, BVLargeAndOldFilesScanTasks, {}, true,
                        "LargeAndOldFiles", {{"BVLAOFScanIdentifierMain", "large-files"}}});
}
