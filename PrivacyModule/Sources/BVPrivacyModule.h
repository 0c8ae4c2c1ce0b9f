// The Privacy module's assembly: its scan tasks in order (the recent items, the remembered Wi-Fi
// networks, the chat client, then Safari, Chrome with Chromium beside it, and Firefox), those the
// layout has on this host, and the clean tasks for a chosen set of its entries: each group's own
// clean task for the entries chosen in it (a whole group chosen gives all its entries), the
// networks between obtaining and dropping the network authorization, and any other entry by its
// own removal.
//
// Platform stores this host lacks (the macos shared file lists, Wi-Fi client and Safari's cookie
// store) are given through BVPrivacyPlatform; without them the recent items and networks are not
// listed and Safari's cookies are an empty kind. On linux the recent documents are the XBEL list
// and the networks NetworkManager's; the chat client has no store there and is not listed, and
// neither is Safari.
#pragma once

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVHTTPCookieStorage.h"
#include "Foundation/BVSharedFileList.h"
#include "Foundation/BVWiFiClient.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

class BVNetworkConfigurationAuthorization;

struct BVPrivacyPlatform {
    BVSharedFileListPtr recentItems;
    BVWiFiClientPtr wiFiClient;
    std::shared_ptr<BVNetworkConfigurationAuthorization> networkAuthorization;
    BVHTTPCookieStoragePtr safariCookies;

    // What this host has for the environment's layout.
    static BVPrivacyPlatform forEnvironment(const BVEnvironment& environment);
};

namespace BVPrivacyModule {
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment);
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const BVPrivacyPlatform& platform);
std::vector<BVCleanTaskPtr> cleanTasks(const std::vector<BVEntityPtr>& chosen);
}  // namespace BVPrivacyModule
