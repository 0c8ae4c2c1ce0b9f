#include "TrashAndMediaJunkModule/MediaLibrary/BVMediaLibraryModule.h"

#include "KnowledgeBase/BVScannerIdentifiers.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesScanTasks.h"

namespace BVMediaLibraryModule {

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, std::shared_ptr<const BVFilesUsageProvider> usage) {
    if (environment.paths->layout() != BVLayout::macos) return {};
    auto library = std::make_shared<BViTunesLibrary>(environment.paths, environment.fileManager);
    auto kb = [&](BVScannerIdentifier scanner) { return BVEnvironmentServices::knowledgeBase(environment, scanner); };
    const auto& fm = environment.fileManager;
    return {std::make_shared<BViTunesBackupsTask>(library, kb(BVScannerMobileDeviceBackups), fm),
            std::make_shared<BViTunesApplicationsTask>(library, kb(BVScannerMobileApplications), fm),
            std::make_shared<BViTunesDownloadsTask>(library, kb(BVScannerMediaLibraryDownloads), fm,
                                                    usage ? std::move(usage) : BVFilesUsageProvider::standard()),
            std::make_shared<BViTunesSoftwareUpdatesTask>(library, kb(BVScannerMobileSoftwareUpdates), fm),
            std::make_shared<BViTunesCachesTask>(library, kb(BVScannerMediaLibraryCaches), fm)};
}

}  // namespace BVMediaLibraryModule
