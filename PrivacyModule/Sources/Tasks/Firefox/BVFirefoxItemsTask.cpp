#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxItemsTask.h"

#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxScanTasks.h"

BVFirefoxItemsTask::BVFirefoxItemsTask(const BVPrivacyDatabaseControllerFactory& factory) : BVFirefoxItemsTask(members(factory)) {}

BVFirefoxItemsTask::BVFirefoxItemsTask(Members m)
    : BVPrivacyCompoundScanTask(BVPrivacyModuleScanIdentifierFirefox, std::move(m.tasks), {BVFirefoxBundleIdentifier},
                                std::move(m.emptyGroups)) {}

BVFirefoxItemsTask::Members BVFirefoxItemsTask::members(const BVPrivacyDatabaseControllerFactory& factory) {
    Members m;
    std::vector<std::string> bundle{BVFirefoxBundleIdentifier};
    auto missing = [&](const char* identifier) { m.emptyGroups.push_back(std::make_shared<BVPrivacyGroupModel>(identifier)); };
    auto profile = factory.firefoxAccountPath();
    if (!profile) {
        for (const char* kind : {BVPrivacyModuleScanIdentifierFirefoxCookies, BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory,
                                 BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory, BVPrivacyModuleScanIdentifierFirefoxAutofillValues,
                                 BVPrivacyModuleScanIdentifierFirefoxLastSessionTabs, BVPrivacyModuleScanIdentifierFirefoxSavedPasswords})
            missing(kind);
        return m;
    }
    if (auto c = factory.firefoxCookiesDatabaseController())
        m.tasks.push_back(std::make_shared<BVFirefoxCookiesScanTask>(std::make_shared<BVFirefoxCookiesController>(c), bundle));
    else missing(BVPrivacyModuleScanIdentifierFirefoxCookies);
    if (auto c = factory.firefoxBrowsingHistoryDatabaseController())
        m.tasks.push_back(std::make_shared<BVFirefoxBrowsingHistoryScanTask>(std::make_shared<BVFirefoxBrowsingHistoryController>(c), bundle));
    else missing(BVPrivacyModuleScanIdentifierFirefoxBrowsingHistory);
    if (auto c = factory.firefoxDownloadsHistoryDatabaseController())
        m.tasks.push_back(std::make_shared<BVFirefoxDownloadsHistoryScanTask>(std::make_shared<BVFirefoxDownloadsHistoryController>(c), bundle));
    else missing(BVPrivacyModuleScanIdentifierFirefoxDownloadsHistory);
    if (auto c = factory.firefoxAutofillItemsDatabaseController())
        m.tasks.push_back(std::make_shared<BVFirefoxAutofillItemsScanTask>(std::make_shared<BVFirefoxAutofillItemsController>(c), bundle));
    else missing(BVPrivacyModuleScanIdentifierFirefoxAutofillValues);
    m.tasks.push_back(BVFirefoxLastSessionTabsTask(*profile, bundle, factory.fileManager()));
    m.tasks.push_back(std::make_shared<BVFirefoxSavedPasswordsScanTask>(profile, factory.paths(), bundle));
    return m;
}
