#include "PrivacyModule/Sources/Tools/Skype/BVSkypeDataControllers.h"

#include "PrivacyModule/Sources/Tools/Database/BVPrivacyStatement.h"

namespace {

std::string joined(const std::set<int64_t>& identifiers) {
    return BVPrivacyStatement::joinedIdentifiers(std::vector<int64_t>(identifiers.begin(), identifiers.end()), ",");
}

std::optional<BVPrivacyRows> fetchAndClose(const BVPrivacyDatabaseControllerPtr& controller, const std::string& key,
                                           const char* missing, BVError* error) {
    auto statement = controller->queryFromKnowledgeBaseForKey(key);
    if (!statement) {
        controller->failWithDescription(missing);
        BVSetError(error, *controller->error());
        return std::nullopt;
    }
    auto rows = controller->objectsForQuery(*statement);
    if (!rows && controller->error()) BVSetError(error, *controller->error());
    controller->closeConnection();
    return rows;
}

}  // namespace

std::shared_ptr<BVSkypeHistoryDataController> BVSkypeHistoryDataController::callHistoryControllerWithDatabaseController(
    BVPrivacyDatabaseControllerPtr controller) {
    return std::make_shared<BVSkypeHistoryDataController>(std::move(controller), "PrivacySkypeCallHistoryQuery");
}

std::shared_ptr<BVSkypeHistoryDataController> BVSkypeHistoryDataController::conversationHistoryControllerWithDatabaseController(
    BVPrivacyDatabaseControllerPtr controller) {
    return std::make_shared<BVSkypeHistoryDataController>(std::move(controller), "PrivacySkypeConversationHistoryQuery");
}

std::optional<BVPrivacyRows> BVSkypeHistoryDataController::fetchHistoryWithError(BVError* error) {
    return fetchAndClose(databaseController_, fetchQueryIdentifier_, "Cannot get history fetch query for Skype from KnowledgeBase", error);
}

std::optional<BVError> BVSkypeHistoryDataController::removeRecentConversationWithMessageIdentifier(int64_t message) {
    auto& db = databaseController_;
    auto convoQuery = db->queryFromKnowledgeBaseForKey("PrivacySkypeRemoveRecentsConvoQuery");
    if (!convoQuery) {
        db->failWithDescription("Cannot get fetch conversation query for Skype from KnowledgeBase");
        return db->error();
    }
    auto rows = db->objectsForQuery(BVPrivacyStatement::format(*convoQuery, {std::to_string(message)}));
    if (!rows || rows->empty()) return db->error();
    auto convo = rows->front().find("convo_id");
    if (convo == rows->front().end() || !convo->second.isInteger()) return std::nullopt;
    std::string conversation = std::to_string(convo->second.int64Value());

    auto lastQuery = db->queryFromKnowledgeBaseForKey("PrivacySkypeRemoveRecentsLastTimestampQuery");
    if (!lastQuery) {
        db->failWithDescription("Cannot get fetch timestamp query for Skype from KnowledgeBase");
        return db->error();
    }
    rows = db->objectsForQuery(BVPrivacyStatement::format(*lastQuery, {std::to_string(message), conversation}));
    if (!rows || rows->empty()) return db->error();
    auto timestamp = rows->front().find("timestamp");
    if (timestamp == rows->front().end() || !timestamp->second.isNumber()) return std::nullopt;
    std::string time = std::to_string(timestamp->second.int64Value());

    auto update = db->queryFromKnowledgeBaseForKey("PrivacySkypeRemoveRecentsUpdateTimestampQuery");
    if (!update) {
        db->failWithDescription("Cannot get update timestamp query for Skype from KnowledgeBase");
        return db->error();
    }
    db->performQuery(BVPrivacyStatement::format(*update, {time, time, time, conversation}));
    return db->error();
}

std::optional<BVError> BVSkypeHistoryDataController::removeHistoryForIdentifiers(const std::set<int64_t>& messages) {
    if (messages.empty()) return std::nullopt;
    auto remove = databaseController_->queryFromKnowledgeBaseForKey("PrivacySkypeRemoveConversationHistoryQuery");
    if (!remove) {
        databaseController_->failWithDescription("Cannot get remove history query for Skype from KnowledgeBase");
        return databaseController_->error();
    }
    bool ok = databaseController_->performInTransaction([&] {
        if (removeRecentConversationWithMessageIdentifier(*messages.begin())) return false;
        return databaseController_->performQuery(BVPrivacyStatement::format(*remove, {joined(messages)}));
    });
    if (ok) databaseController_->closeConnection();
    return ok ? std::nullopt : databaseController_->error();
}

std::optional<BVPrivacyRows> BVSkypeTransfersDataController::fetchTransfersWithError(BVError* error) {
    return fetchAndClose(databaseController_, "PrivacySkypeFileTransfersQuery", "Cannot get transfers fetch query for Skype from KnowledgeBase",
                         error);
}

std::optional<BVError> BVSkypeTransfersDataController::removeTransfersForIdentifiers(const std::set<int64_t>& messages) {
    if (messages.empty()) return std::nullopt;
    bool ok = databaseController_->performInTransaction([&] {
        return databaseController_->performQuery(BVPrivacyStatement::format("DELETE FROM Messages WHERE id IN (%@)", {joined(messages)}));
    });
    if (ok) databaseController_->closeConnection();
    return ok ? std::nullopt : databaseController_->error();
}
