#include "PrivacyModule/Sources/Tasks/Chrome/BVChromeItemsTask.h"

#include "PrivacyModule/Sources/BVPrivacyFilesTask.h"
#include "PrivacyModule/Sources/Tools/Chrome/BVChromePreferences.h"

namespace {

std::optional<std::string> activeProfile(const BVChromeBrowser& browser, const BVPrivacyDatabaseControllerFactory& factory) {
    if (!browser.folder || !factory.fileManager()->isDirectoryAtPath(*browser.folder)) return std::nullopt;
    auto profile = BVChromePreferences::activeProfilePath(*browser.folder, BVJSONReader(factory.paths()));
    if (!profile || !factory.fileManager()->isDirectoryAtPath(*profile)) return std::nullopt;
    return profile;
}

std::vector<BVScanTaskPtr> members(const BVChromeBrowser& browser, const std::optional<std::string>& profile,
                                   const BVPrivacyDatabaseControllerFactory& factory) {
    if (!profile) return {};
    auto tabs = std::make_shared<BVPrivacyFilesTask>(browser.lastSessionTabsIdentifier, *profile,
                                                     std::vector<std::string>{"Current Session", "Current Tabs", "session.db"},
                                                     std::vector<std::string>{browser.bundleIdentifier}, factory.fileManager());
    tabs->setNamePrefixes({"Sessions/Session_", "Sessions/Tabs_"});
    return {tabs};
}

std::vector<std::shared_ptr<BVPrivacyGroupModel>> emptyGroups(const BVChromeBrowser& browser, const std::optional<std::string>& profile) {
    if (profile) return {};
    return {std::make_shared<BVPrivacyGroupModel>(browser.lastSessionTabsIdentifier)};
}

}  // namespace

BVChromeBrowser BVChromeBrowser::chrome(const BVPaths& paths) {
    return {BVPrivacyModuleScanIdentifierChrome, BVPrivacyModuleScanIdentifierChromeLastSessionTabs, BVChromeBundleIdentifier,
            paths.chromeURL()};
}

BVChromeBrowser BVChromeBrowser::chromium(const BVPaths& paths) {
    return {BVPrivacyModuleScanIdentifierChromium, BVPrivacyModuleScanIdentifierChromiumLastSessionTabs, BVChromiumBundleIdentifier,
            paths.chromiumURL()};
}

BVChromeItemsTask::BVChromeItemsTask(const BVChromeBrowser& browser, const BVPrivacyDatabaseControllerFactory& factory)
    : BVPrivacyCompoundScanTask(browser.identifier, members(browser, activeProfile(browser, factory), factory),
                                {browser.bundleIdentifier}, emptyGroups(browser, activeProfile(browser, factory))) {}
