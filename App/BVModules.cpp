#include "App/BVModuleRegistry.h"
#include "SystemJunkModule/BVSystemJunkModule.h"
#include "LargeAndOldFilesModule/BVLargeAndOldFilesModule.h"
#include "TrashAndMediaJunkModule/Mail/BVMailModule.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BVMediaLibraryModule.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosModule.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashModule.h"
#include "OptimizationModule/BVOptimizationModule.h"
#include "MalwareModule/BVMalwareModule.h"
#include "PrivacyModule/Sources/BVPrivacyModule.h"

// The modules of this build, in the order `brenvik modules` lists them. Each module's
// assembly (its tasks in order) lives in the module's own folder.
void BVRegisterModules(BVModuleRegistry& registry) {
    BVSystemJunkModule::registerCannedClasses();
    registry.addModule({"system-junk", "System Junk", BVSmartScanSection::Cleanup, [](const BVEnvironment& environment) { return BVSystemJunkModule::scanTasks(environment); }, {}, false,
                        "SystemJunkModule",
                        {{"BVSystemJunkScanIdentifierDocumentVersions", "document-versions"},
                         {"BVSystemJunkScanIdentifierSystemLanguages", "system-languages"},
                         {"BVSystemJunkScanIdentifierXcodeJunk", "developer-junk"},
                         {"BVSystemJunkScanIdentifierBrokenStartupItems", "broken-startup-items"},
                         {"BVSystemJunkScanIdentifierUnusedDiskImages", "unused-disk-images"},
                         {"BVSystemJunkScanIdentifierPhotoSyncCaches", "photo-sync-caches"},
                         {"BVSystemJunkScanIdentifierUserLogsCompound", "user-logs"},
                         {"BVSystemJunkScanIdentifierSystemLogsCompound", "system-logs"},
                         {"BVSystemJunkScanIdentifierBrokenPreferences", "broken-preferences"},
                         {"BVSystemJunkScanIdentifierBrokenApplicationsUpdates", "broken-updates"},
                         {"BVSystemJunkScanIdentifierApplicationLanguages", "application-languages"},
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
    registry.addModule({"photos", "Photos", BVSmartScanSection::Cleanup,
                        [](const BVEnvironment& environment) { return BVPhotosModule::scanTasks(environment, BRENVIK_VERSION); }, {},
                        false, "Photos", {{"BVPhotosScanIdentifierCacheCompound", "caches"}}});
    registry.addModule({"mail", "Mail Attachments", BVSmartScanSection::Cleanup,
                        [](const BVEnvironment& environment) { return BVMailModule::scanTasks(environment); }, {}, false, "Mail",
                        {{"BVMailModuleScanIdentifierMail", "attachments"}}});
    registry.addModule({"media-library", "Media Library", BVSmartScanSection::Cleanup,
                        [](const BVEnvironment& environment) { return BVMediaLibraryModule::scanTasks(environment); }, {}, false,
                        "MediaLibrary",
                        {{"BViTunesScanIdentifierBackups", "backups"},
                         {"BViTunesScanIdentifierApplications", "applications"},
                         {"BViTunesScanIdentifierDownloads", "downloads"},
                         {"BViTunesScanIdentifierSoftwareUpdates", "software-updates"},
                         {"BViTunesScanIdentifierCaches", "caches"}}});
    registry.addModule({"privacy", "Privacy", BVSmartScanSection::Protection,
                        [](const BVEnvironment& environment) { return BVPrivacyModule::scanTasks(environment); },
                        [](const BVEnvironment&, const std::vector<BVEntityPtr>& chosen) { return BVPrivacyModule::cleanTasks(chosen); },
                        false, "Privacy",
                        {{"BVPrivacyModuleScanIdentifierFinderItems", "recent-items"},
                         {"BVPrivacyModuleScanIdentifierPreferredNetworks", "wifi-networks"},
                         {"BVPrivacyModuleScanIdentifierSkype", "chat"},
                         {"BVPrivacyModuleScanIdentifierSafari", "safari"},
                         {"BVPrivacyModuleScanIdentifierChrome", "chrome"},
                         {"BVPrivacyModuleScanIdentifierChromium", "chromium"},
                         {"BVPrivacyModuleScanIdentifierFirefox", "firefox"}}});
    registry.addModule({"large-files", "Large & Old Files", BVSmartScanSection::None, BVLargeAndOldFilesScanTasks, {}, true,
                        "LargeAndOldFiles", {{"BVLAOFScanIdentifierMain", "large-files"}}});
    registry.addModule({"malware", "Malware Removal", BVSmartScanSection::Protection,
                        [](const BVEnvironment& environment) { return BVMalwareModule::scanTasks(environment); }, {}, false,
                        "Malware", {{"BVMalwaresModuleScanIdentifierDetection", "detection"}}});
    registry.addModule({"optimization", "Optimization", BVSmartScanSection::Speed,
                        [](const BVEnvironment& environment) { return BVOptimizationModule::scanTasks(environment); }, {}, false,
                        "Optimization",
                        {{"BVOptimizationModuleScanIdentifierLoginItemsCompound", "login-items"},
                         {"BVOptimizationModuleScanIdentifierLaunchAgents", "launch-agents"}}});
}
