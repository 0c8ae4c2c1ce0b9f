#include "ScanningService/CoreScanning/BVEnvironmentServices.h"

#include <mutex>

#include "Foundation/BVClock.h"
#include "Foundation/BVMountedVolumes.h"
#include "Foundation/BVPOSIXFileManager.h"
#include "Foundation/BVProcWorkspace.h"
#include "Foundation/BVUserDefaults.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVKnowledgeBaseResources.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"

namespace BVEnvironmentServices {

std::shared_ptr<BVEnvironment> make(std::shared_ptr<const BVPaths> paths) {
    auto env = std::make_shared<BVEnvironment>();
    env->paths = paths;
    env->fileManager = std::make_shared<BVPOSIXFileManager>(paths);
    env->defaults = std::make_shared<BVUserDefaults>(paths->userDefaultsFile());
    env->clock = BVClock::system();
    BVKnowledgeBaseConfiguration configuration;
    configuration.paths = paths;
    configuration.shippedDatabaseCandidates = BVKnowledgeBaseResources::candidatesForResource("info.brkkb");
    env->knowledgeBase = std::make_shared<BVKnowledgeBase>(std::move(configuration));
    std::weak_ptr<BVKnowledgeBase> kb = env->knowledgeBase;
    env->workspace = std::make_shared<BVProcWorkspace>([kb] {
        auto base = kb.lock();
        return base ? base->applicationExecutables() : std::vector<BVApplicationExecutables>{};
    });
    env->volumes = BVMountedVolumes::defaultVolumes();
    env->performer = BVPrivilegedOperationsPerformer::systemPerformer(paths);
    env->remover = std::make_shared<BVFileRemover>(env->performer, env->fileManager, paths, env->defaults);
    env->humanFriendlyDelaysDisabled = BVEnvironment::brkHumanFriendlyDelaysDisabled();
    return env;
}

BVEnvironmentPtr standard() {
    // Made again when the shared paths were replaced (the command line sets them at start-up).
    static std::mutex* mutex = new std::mutex();
    static BVEnvironmentPtr* environment = new BVEnvironmentPtr();
    std::lock_guard lock(*mutex);
    auto paths = BVPaths::sharedInstance();
    if (!*environment || (*environment)->paths != paths) {
        auto env = std::make_shared<BVEnvironment>();
        env->paths = paths;
        env->fileManager = BVFileManager::defaultManager();
        env->defaults = BVUserDefaults::standardUserDefaults();
        env->clock = BVClock::system();
        env->knowledgeBase = BVKnowledgeBase::sharedInstance();
        std::weak_ptr<BVKnowledgeBase> kb = env->knowledgeBase;
        env->workspace = std::make_shared<BVProcWorkspace>([kb] {
            auto base = kb.lock();
            return base ? base->applicationExecutables() : std::vector<BVApplicationExecutables>{};
        });
        env->volumes = BVMountedVolumes::defaultVolumes();
        env->performer = BVPrivilegedOperationsPerformer::sharedInstance();
        env->remover = BVFileRemover::sharedInstance();
        env->humanFriendlyDelaysDisabled = BVEnvironment::brkHumanFriendlyDelaysDisabled();
        *environment = std::move(env);
    }
    return *environment;
}

std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase(const BVEnvironment& environment, BVScannerIdentifier scanner) {
    environment.knowledgeBase->setSearchForBundles(false);
    environment.knowledgeBase->setUserDatabaseDisabled(false);
    return std::make_shared<BVKnowledgeBaseWrapper>(environment.knowledgeBase, scanner,
                                                    BVScannerIdentifiers::defaultScopeByIdentifier(scanner));
}

}  // namespace BVEnvironmentServices
