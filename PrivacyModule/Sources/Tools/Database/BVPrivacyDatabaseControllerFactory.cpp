#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseControllerFactory.h"

#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxProfiles.h"
#include "PrivacyModule/Sources/Tools/Skype/BVSkypeAccount.h"

BVPrivacyDatabaseControllerFactory::BVPrivacyDatabaseControllerFactory(std::shared_ptr<const BVPaths> paths,
                                                                       BVFileManagerPtr fileManager,
                                                                       std::shared_ptr<BVKnowledgeBase> knowledgeBase)
    : paths_(std::move(paths)), fileManager_(std::move(fileManager)), knowledgeBase_(std::move(knowledgeBase)) {}

std::optional<std::string> BVPrivacyDatabaseControllerFactory::firefoxAccountPath() const {
    return BVFirefoxProfiles::firefoxAccountPath(*paths_, *fileManager_);
}

std::optional<std::string> BVPrivacyDatabaseControllerFactory::safariAccountPath() const {
    auto folder = paths_->safariURL();
    if (!folder || !fileManager_->isDirectoryAtPath(*folder)) return std::nullopt;
    return folder;
}

BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::make(const std::optional<std::string>& account,
                                                                        const std::string& name,
                                                                        const std::string& application) const {
    if (!account) return nullptr;
    return std::make_shared<BVPrivacyDatabaseController>(*account, name, application, fileManager_, paths_, knowledgeBase_);
}

BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::firefoxCookiesDatabaseController() const {
    return firefoxDatabseControllerWithDatabase("cookies.sqlite");
}
BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::firefoxBrowsingHistoryDatabaseController() const {
    return firefoxDatabseControllerWithDatabase("places.sqlite");
}
BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::firefoxDownloadsHistoryDatabaseController() const {
    return firefoxDatabseControllerWithDatabase("places.sqlite");
}
BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::firefoxAutofillItemsDatabaseController() const {
    return firefoxDatabseControllerWithDatabase("formhistory.sqlite");
}
BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::firefoxDatabseControllerWithDatabase(const std::string& name) const {
    return make(firefoxAccountPath(), name, "Firefox");
}
BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::safariBrowsingHistoryDatabaseController() const {
    return make(safariAccountPath(), "History.db", "Safari");
}
BVPrivacyDatabaseControllerPtr BVPrivacyDatabaseControllerFactory::skypeDatabaseController() const {
    return make(BVSkypeAccount::skypeAccountPath(*paths_, *fileManager_), "main.db", "Skype");
}
