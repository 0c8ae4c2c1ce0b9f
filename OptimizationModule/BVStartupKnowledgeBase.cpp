#include "OptimizationModule/BVStartupKnowledgeBase.h"

#include "Foundation/BVPaths.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"

std::shared_ptr<BVKnowledgeBaseWrapper> BVStartupKnowledgeBase(const BVEnvironment& environment, BVScannerIdentifier scanner) {
    if (environment.paths->layout() != BVLayout::linux) return BVEnvironmentServices::knowledgeBase(environment, scanner);
    uint64_t scope = BVScannerIdentifiers::defaultScopeByIdentifier(scanner) & ~uint64_t(BVIgnoreScopeSystemFile);
    return std::make_shared<BVKnowledgeBaseWrapper>(environment.knowledgeBase, scanner, scope);
}
