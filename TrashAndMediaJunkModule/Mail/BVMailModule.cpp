#include "TrashAndMediaJunkModule/Mail/BVMailModule.h"

#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVScannerIdentifiers.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "TrashAndMediaJunkModule/Mail/BVMailTask.h"

namespace BVMailModule {

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, std::shared_ptr<BVMailInfo> mailInfo) {
    if (environment.paths->layout() != BVLayout::macos) return {};
    return {std::make_shared<BVMailTask>(environment.fileManager,
                                         BVEnvironmentServices::knowledgeBase(environment, BVScannerMailAttachments),
                                         std::move(mailInfo), environment.paths)};
}

}  // namespace BVMailModule
