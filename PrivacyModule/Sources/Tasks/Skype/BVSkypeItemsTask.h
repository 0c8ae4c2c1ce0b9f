// The chat client (macos layout only): its conversation history, call history and file
// transfers, each grouped by contact (or file) name, two contacts of the same name sharing an
// entry. An entry removes its messages through its data controller (the history's removal also
// repairs the conversation's recent times first). Without an account, the three kinds are empty.
#pragma once

#include <set>

#include "PrivacyModule/Sources/BVPrivacyCompoundScanTask.h"
#include "PrivacyModule/Sources/BVPrivacyScanTask.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseControllerFactory.h"
#include "PrivacyModule/Sources/Tools/Skype/BVSkypeDataControllers.h"

inline constexpr const char* BVPrivacyModuleScanIdentifierSkype = "BVPrivacyModuleScanIdentifierSkype";
inline constexpr const char* BVPrivacyModuleScanIdentifierSkypeConversationHistory = "BVPrivacyModuleScanIdentifierSkypeConversationHistory";
inline constexpr const char* BVPrivacyModuleScanIdentifierSkypeCallHistory = "BVPrivacyModuleScanIdentifierSkypeCallHistory";
inline constexpr const char* BVPrivacyModuleScanIdentifierSkypeTransfers = "BVPrivacyModuleScanIdentifierSkypeTransfers";
inline constexpr const char* BVSkypeBundleIdentifier = "com.skype.skype";

struct BVSkypeDBRecord {
    int64_t code = 0;  // the message's row identifier
    BVDate date;
    bool operator==(const BVSkypeDBRecord&) const = default;
};

class BVSkypeItemModel : public BVPrivacyRecordsModel<BVSkypeDBRecord> {
    BV_ENTITY_CLASS(BVSkypeItemModel)
public:
    BVSkypeItemModel(const std::string& name, const char* unit, const char* units) : BVPrivacyRecordsModel(name, unit, units) {}
    std::set<int64_t> codes() const;
};

class BVSkypeHistoryItemModel : public BVSkypeItemModel {
    BV_ENTITY_CLASS(BVSkypeHistoryItemModel)
public:
    BVSkypeHistoryItemModel(const std::string& name, std::shared_ptr<BVSkypeHistoryDataController> controller)
        : BVSkypeItemModel(name, "message", "messages"), controller_(std::move(controller)) {}
    BVRemovalResultPtr remove() override;

private:
    std::shared_ptr<BVSkypeHistoryDataController> controller_;
};

class BVSkypeTransferItemModel : public BVSkypeItemModel {
    BV_ENTITY_CLASS(BVSkypeTransferItemModel)
public:
    BVSkypeTransferItemModel(const std::string& name, std::shared_ptr<BVSkypeTransfersDataController> controller)
        : BVSkypeItemModel(name, "transfer", "transfers"), controller_(std::move(controller)) {}
    BVRemovalResultPtr remove() override;

private:
    std::shared_ptr<BVSkypeTransfersDataController> controller_;
};

class BVSkypeHistoryItemsTask : public BVPrivacyScanTask {
public:
    BVSkypeHistoryItemsTask(std::shared_ptr<BVSkypeHistoryDataController> controller, std::vector<std::string> bundleIDs, std::string identifier);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVSkypeHistoryDataController> controller_;
};

class BVSkypeTransferItemsTask : public BVPrivacyScanTask {
public:
    BVSkypeTransferItemsTask(std::shared_ptr<BVSkypeTransfersDataController> controller, std::vector<std::string> bundleIDs);
protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;
private:
    std::shared_ptr<BVSkypeTransfersDataController> controller_;
};

class BVSkypeItemsTask : public BVPrivacyCompoundScanTask {
public:
    explicit BVSkypeItemsTask(const BVPrivacyDatabaseControllerFactory& factory);

private:
    BVSkypeItemsTask(BVPrivacyDatabaseControllerPtr conversations, BVPrivacyDatabaseControllerPtr calls, BVPrivacyDatabaseControllerPtr transfers);
};
