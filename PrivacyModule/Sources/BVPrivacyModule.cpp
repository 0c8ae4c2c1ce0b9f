#include "PrivacyModule/Sources/BVPrivacyModule.h"

#include <map>

#include "Foundation/BVNetworkManagerWiFiClient.h"
#include "Foundation/BVPaths.h"
#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "PrivacyModule/Sources/Tasks/Chrome/BVChromeItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Finder/BVFinderItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Network/BVPreferredNetworks.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariItemsTask.h"
#include "PrivacyModule/Sources/Tasks/Skype/BVSkypeItemsTask.h"
#include "PrivacyModule/Sources/Tools/Finder/BVXBELRecentItems.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"

BVPrivacyPlatform BVPrivacyPlatform::forEnvironment(const BVEnvironment& environment) {
    BVPrivacyPlatform platform;
    if (environment.paths->layout() != BVLayout::linux) return platform;
    if (auto xbel = environment.paths->recentlyUsedXBEL()) platform.recentItems = std::make_shared<BVXBELRecentItems>(*xbel, environment.paths);
    platform.wiFiClient = std::make_shared<BVNetworkManagerWiFiClient>(BVTaskRunner::sharedRunner());
    // NetworkManager asks polkit for each removal itself.
    platform.networkAuthorization = std::make_shared<BVNetworkConfigurationAuthorization>([] { return true; });
    return platform;
}

namespace BVPrivacyModule {

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment) {
    return scanTasks(environment, BVPrivacyPlatform::forEnvironment(environment));
}

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const BVPrivacyPlatform& platform) {
    BVPrivacyDatabaseControllerFactory factory(environment.paths, environment.fileManager, environment.knowledgeBase);
    const BVPaths& paths = *environment.paths;
    std::vector<BVScanTaskPtr> tasks;
    if (auto finder = BVFinderItemsTask(platform.recentItems)) tasks.push_back(finder);
    if (platform.wiFiClient) tasks.push_back(std::make_shared<BVPreferredNetworksScanTask>(platform.networkAuthorization, platform.wiFiClient));
    if (paths.skypeURL()) tasks.push_back(std::make_shared<BVSkypeItemsTask>(factory));
    if (paths.safariURL()) tasks.push_back(std::make_shared<BVSafariItemsTask>(factory, platform.safariCookies));
    tasks.push_back(std::make_shared<BVChromeItemsTask>(BVChromeBrowser::chrome(paths), factory));
    tasks.push_back(std::make_shared<BVChromeItemsTask>(BVChromeBrowser::chromium(paths), factory));
    tasks.push_back(std::make_shared<BVFirefoxItemsTask>(factory));
    return tasks;
}

std::vector<BVCleanTaskPtr> cleanTasks(const std::vector<BVEntityPtr>& chosen) {
    std::vector<std::shared_ptr<BVPrivacyGroupModel>> groups;
    std::map<BVPrivacyGroupModel*, std::vector<BVEntityPtr>> entries;
    std::vector<BVEntityPtr> own, networks;
    std::shared_ptr<BVNetworkConfigurationAuthorization> authorization;
    auto inGroup = [&](const std::shared_ptr<BVPrivacyGroupModel>& group, const std::vector<BVEntityPtr>& more) {
        if (!entries.count(group.get())) groups.push_back(group);
        auto& list = entries[group.get()];
        list.insert(list.end(), more.begin(), more.end());
    };
    for (const auto& e : chosen) {
        auto entry = dynamic_cast<BVPrivacyEntry*>(e.get());
        if (auto group = std::dynamic_pointer_cast<BVPrivacyGroupModel>(e)) {
            inGroup(group, group->entries());
        } else if (auto network = std::dynamic_pointer_cast<BVPreferredNetworkModel>(e)) {
            networks.push_back(network);
            if (!authorization) authorization = network->authorization();
        } else if (auto group = entry ? entry->group() : nullptr) {
            inGroup(group, {e});
        } else {
            own.push_back(e);
        }
    }
    std::vector<BVCleanTaskPtr> tasks;
    for (const auto& group : groups)
        if (auto task = group->cleanTaskForRemovingEntries(entries[group.get()])) tasks.push_back(task);
    if (!networks.empty()) tasks.push_back(std::make_shared<BVPreferredNetworksCleanTask>(networks, authorization));
    if (!own.empty()) tasks.push_back(std::make_shared<BVModelCleanTask>(own));
    return tasks;
}

}  // namespace BVPrivacyModule
