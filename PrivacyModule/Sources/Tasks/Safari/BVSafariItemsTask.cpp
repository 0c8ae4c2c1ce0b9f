#include "PrivacyModule/Sources/Tasks/Safari/BVSafariItemsTask.h"

#include "Foundation/BVFileIO.h"
#include "PrivacyModule/Sources/BVPrivacyFilesTask.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariCleanTasks.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariScanTasks.h"

BVSafariItemsTask::BVSafariItemsTask(const BVPrivacyDatabaseControllerFactory& factory, BVHTTPCookieStoragePtr cookies)
    : BVSafariItemsTask(members(factory, cookies)) {}

BVSafariItemsTask::BVSafariItemsTask(Members m)
    : BVPrivacyCompoundScanTask(BVPrivacyModuleScanIdentifierSafari, std::move(m.tasks), {BVSafariBundleIdentifier}, std::move(m.emptyGroups)) {}

BVSafariItemsTask::Members BVSafariItemsTask::members(const BVPrivacyDatabaseControllerFactory& factory, const BVHTTPCookieStoragePtr& cookies) {
    Members m;
    std::vector<std::string> bundle{BVSafariBundleIdentifier};
    auto folder = factory.safariAccountPath();
    if (!folder) {
        for (const char* kind : {BVPrivacyModuleScanIdentifierSafariBrowsingHistory, BVPrivacyModuleScanIdentifierSafariAutofillValues,
                                 BVPrivacyModuleScanIdentifierSafariLastSessionTabs, BVPrivacyModuleScanIdentifierSafariCookies,
                                 BVPrivacyModuleScanIdentifierSafariDownloadsHistory, BVPrivacyModuleScanIdentifierSafariLocalStorage})
            m.emptyGroups.push_back(std::make_shared<BVPrivacyGroupModel>(kind));
        return m;
    }
    if (auto c = factory.safariBrowsingHistoryDatabaseController())
        m.tasks.push_back(std::make_shared<BVSafariBrowsingHistoryTask>(std::make_shared<BVSafariBrowsingHistoryDataController>(c), bundle));
    m.tasks.push_back(std::make_shared<BVPrivacyFilesTask>(BVPrivacyModuleScanIdentifierSafariAutofillValues, *folder,
                                                           std::vector<std::string>{"Form Values"}, bundle, factory.fileManager()));
    m.tasks.push_back(std::make_shared<BVPrivacyFilesTask>(BVPrivacyModuleScanIdentifierSafariLastSessionTabs, *folder,
                                                           std::vector<std::string>{"LastSession.plist"}, bundle, factory.fileManager()));
    if (cookies) m.tasks.push_back(std::make_shared<BVSafariCookiesTask>(cookies, bundle));
    else m.emptyGroups.push_back(std::make_shared<BVPrivacyGroupModel>(BVPrivacyModuleScanIdentifierSafariCookies));
    m.tasks.push_back(std::make_shared<BVSafariDownloadsHistoryTask>(
        std::make_shared<BVSafariDownloadsHistoryDataController>(factory.paths(), BVFileIO::appendPathComponent(*folder, "Downloads.plist")),
        factory.paths(), factory.fileManager(), bundle));
    m.tasks.push_back(std::make_shared<BVSafariLocalStorageTask>(*folder, factory.fileManager(), bundle));
    return m;
}
