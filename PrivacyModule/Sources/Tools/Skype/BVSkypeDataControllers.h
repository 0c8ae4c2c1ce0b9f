// The chat client's database ("main.db" of the account in use): its call and conversation
// history and its file transfers, all rows of the Messages table. Removing history first
// repairs the conversation's "recent" times (so the conversation list does not point at a
// removed message), then deletes the messages; both happen in one transaction, and a repair
// that fails deletes nothing. One controller per task; not locked.
#pragma once

#include <optional>
#include <set>

#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxControllers.h"

class BVSkypeHistoryDataController {
public:
    static std::shared_ptr<BVSkypeHistoryDataController> callHistoryControllerWithDatabaseController(BVPrivacyDatabaseControllerPtr controller);
    static std::shared_ptr<BVSkypeHistoryDataController> conversationHistoryControllerWithDatabaseController(BVPrivacyDatabaseControllerPtr controller);
    BVSkypeHistoryDataController(BVPrivacyDatabaseControllerPtr controller, std::string fetchQueryIdentifier)
        : databaseController_(std::move(controller)), fetchQueryIdentifier_(std::move(fetchQueryIdentifier)) {}

    const BVPrivacyDatabaseControllerPtr& databaseController() const { return databaseController_; }
    const std::string& fetchQueryIdentifier() const { return fetchQueryIdentifier_; }

    // Rows with "id", "displayname", "timestamp"; none with `error` on failure.
    std::optional<BVPrivacyRows> fetchHistoryWithError(BVError* error);
    // The error, none on success.
    std::optional<BVError> removeHistoryForIdentifiers(const std::set<int64_t>& messages);
    std::optional<BVError> removeRecentConversationWithMessageIdentifier(int64_t message);

private:
    BVPrivacyDatabaseControllerPtr databaseController_;
    std::string fetchQueryIdentifier_;
};

class BVSkypeTransfersDataController {
public:
    explicit BVSkypeTransfersDataController(BVPrivacyDatabaseControllerPtr controller) : databaseController_(std::move(controller)) {}
    const BVPrivacyDatabaseControllerPtr& databaseController() const { return databaseController_; }
    // Rows with "id", "filename", "timestamp".
    std::optional<BVPrivacyRows> fetchTransfersWithError(BVError* error);
    std::optional<BVError> removeTransfersForIdentifiers(const std::set<int64_t>& messages);

private:
    BVPrivacyDatabaseControllerPtr databaseController_;
};
