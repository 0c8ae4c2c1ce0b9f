// BVPrivacyDatabaseControllerFactory: the database controllers of the browsers' and the chat
// client's stores, each a new controller (tasks never share one), or none when the store's
// account folder cannot be found: no Firefox profile in use, no Safari folder, no chat account.
// The database file itself may still be missing; that shows when the controller first opens it.
// Immutable; any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseController.h"

class BVPrivacyDatabaseControllerFactory {
public:
    BVPrivacyDatabaseControllerFactory(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                       std::shared_ptr<BVKnowledgeBase> knowledgeBase);

    // The Firefox profile in use (see BVFirefoxProfiles).
    std::optional<std::string> firefoxAccountPath() const;
    // The Safari folder of the user's Library, when it exists.
    std::optional<std::string> safariAccountPath() const;

    BVPrivacyDatabaseControllerPtr firefoxCookiesDatabaseController() const;
    BVPrivacyDatabaseControllerPtr firefoxBrowsingHistoryDatabaseController() const;
    BVPrivacyDatabaseControllerPtr firefoxDownloadsHistoryDatabaseController() const;
    BVPrivacyDatabaseControllerPtr firefoxAutofillItemsDatabaseController() const;
    BVPrivacyDatabaseControllerPtr firefoxDatabseControllerWithDatabase(const std::string& name) const;
    BVPrivacyDatabaseControllerPtr safariBrowsingHistoryDatabaseController() const;
    BVPrivacyDatabaseControllerPtr skypeDatabaseController() const;

    const std::shared_ptr<const BVPaths>& paths() const { return paths_; }
    const BVFileManagerPtr& fileManager() const { return fileManager_; }
    const std::shared_ptr<BVKnowledgeBase>& knowledgeBase() const { return knowledgeBase_; }

private:
    BVPrivacyDatabaseControllerPtr make(const std::optional<std::string>& account, const std::string& name,
                                        const std::string& application) const;

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<BVKnowledgeBase> knowledgeBase_;
};
