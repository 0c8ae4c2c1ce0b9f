// BVChromeItemsTask: the scan of a Chrome-family browser's profile in use (Google Chrome, and
// on this host Chromium, whose folder and program differ): the last session's tabs. Older
// versions keep them in "Current Session", "Current Tabs" and "session.db" of the profile; newer
// ones in "Sessions/Session_*" and "Sessions/Tabs_*". Without the browser's folder or a readable
// "Local State" the kind is an empty group.
#pragma once

#include "PrivacyModule/Sources/BVPrivacyCompoundScanTask.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseControllerFactory.h"

inline constexpr const char* BVPrivacyModuleScanIdentifierChrome = "BVPrivacyModuleScanIdentifierChrome";
inline constexpr const char* BVPrivacyModuleScanIdentifierChromeLastSessionTabs = "BVPrivacyModuleScanIdentifierChromeLastSessionTabs";
inline constexpr const char* BVPrivacyModuleScanIdentifierChromium = "BVPrivacyModuleScanIdentifierChromium";
inline constexpr const char* BVPrivacyModuleScanIdentifierChromiumLastSessionTabs = "BVPrivacyModuleScanIdentifierChromiumLastSessionTabs";
inline constexpr const char* BVChromeBundleIdentifier = "com.google.Chrome";
inline constexpr const char* BVChromiumBundleIdentifier = "org.chromium.Chromium";

// Which browser of the family: its identifiers, its application and its folder.
struct BVChromeBrowser {
    const char* identifier;
    const char* lastSessionTabsIdentifier;
    const char* bundleIdentifier;
    std::optional<std::string> folder;

    static BVChromeBrowser chrome(const BVPaths& paths);
    static BVChromeBrowser chromium(const BVPaths& paths);
};

class BVChromeItemsTask : public BVPrivacyCompoundScanTask {
public:
    BVChromeItemsTask(const BVChromeBrowser& browser, const BVPrivacyDatabaseControllerFactory& factory);
};
