#include "PrivacyModule/Sources/Tasks/Skype/BVSkypeItemsTask.h"

#include <map>

#include "Foundation/BVLogger.h"
#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

namespace {

// The debug switches' answer for an entry, or null.
BVRemovalResultPtr debugResult(const BVEntityPtr& entity, const std::string& name) {
    if (BVDebugSwitches::isOn(BVDebugModeAllFailedRemove)) return BVRemovalResult::failedResultWithModel(entity, BVError(BVOSStatusErrorDomain, 404));
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove privacy item] fake remove {}", name));
        return BVRemovalResult::emptyResultWithModel(entity);
    }
    return nullptr;
}

BVRemovalResultPtr outcome(const BVEntityPtr& entity, const std::optional<BVError>& error) {
    return error ? BVRemovalResult::failedResultWithModel(entity, *error) : BVRemovalResult::successfulResultWithModel(entity);
}

// Rows grouped by their `key` column into models made by `make`, in the order names are met.
template <class M, class Make>
std::shared_ptr<BVPrivacyGroupModel> groupRows(const std::string& identifier, const BVPrivacyRows& rows, const char* key, Make make,
                                               const std::function<bool(const std::string&)>& advance) {
    auto group = std::make_shared<BVPrivacyGroupModel>(identifier);
    std::map<std::string, std::shared_ptr<M>> byName;
    for (const auto& row : rows) {
        auto id = row.find("id");
        auto name = row.find(key);
        std::string text = name == row.end() ? std::string() : name->second.stringValue();
        if (id != row.end() && id->second.isInteger()) {
            auto& model = byName[text];
            if (!model) {
                model = make(text);
                group->addChild(model);
            }
            auto stamp = row.find("timestamp");
            model->addRecord({id->second.int64Value(), BVDate{stamp == row.end() ? 0.0 : stamp->second.doubleValue()}});
        }
        if (!advance(text)) break;
    }
    return group;
}

}  // namespace

std::set<int64_t> BVSkypeItemModel::codes() const {
    std::set<int64_t> out;
    for (const auto& r : records()) out.insert(r.code);
    return out;
}

BVRemovalResultPtr BVSkypeHistoryItemModel::remove() {
    if (auto debug = debugResult(shared_from_this(), name())) return debug;
    return outcome(shared_from_this(), controller_->removeHistoryForIdentifiers(codes()));
}

BVRemovalResultPtr BVSkypeTransferItemModel::remove() {
    if (auto debug = debugResult(shared_from_this(), name())) return debug;
    return outcome(shared_from_this(), controller_->removeTransfersForIdentifiers(codes()));
}

BVSkypeHistoryItemsTask::BVSkypeHistoryItemsTask(std::shared_ptr<BVSkypeHistoryDataController> controller, std::vector<std::string> bundleIDs,
                                                 std::string identifier)
    : BVPrivacyScanTask(std::move(identifier), "BVSkypeHistoryItemsTask", std::move(bundleIDs)), controller_(std::move(controller)) {}

std::optional<std::vector<BVEntityPtr>> BVSkypeHistoryItemsTask::makeItems(BVError* error) {
    auto rows = controller_->fetchHistoryWithError(error);
    if (!rows) return std::nullopt;
    computableProgress()->addPendingUnitsCount(rows->size());
    auto controller = controller_;
    auto fetcher = dependenciesFetcher();
    auto group = groupRows<BVSkypeHistoryItemModel>(identifier(), *rows, "displayname", [&](const std::string& name) {
        auto m = std::make_shared<BVSkypeHistoryItemModel>(name, controller);
        m->setRemovalDependenciesFetcher(fetcher);
        return m;
    }, [this](const std::string& p) { return advance(p); });
    return std::vector<BVEntityPtr>{group};
}

BVSkypeTransferItemsTask::BVSkypeTransferItemsTask(std::shared_ptr<BVSkypeTransfersDataController> controller, std::vector<std::string> bundleIDs)
    : BVPrivacyScanTask(BVPrivacyModuleScanIdentifierSkypeTransfers, "BVSkypeTransferItemsTask", std::move(bundleIDs)),
      controller_(std::move(controller)) {}

std::optional<std::vector<BVEntityPtr>> BVSkypeTransferItemsTask::makeItems(BVError* error) {
    auto rows = controller_->fetchTransfersWithError(error);
    if (!rows) return std::nullopt;
    computableProgress()->addPendingUnitsCount(rows->size());
    auto controller = controller_;
    auto fetcher = dependenciesFetcher();
    auto group = groupRows<BVSkypeTransferItemModel>(identifier(), *rows, "filename", [&](const std::string& name) {
        auto m = std::make_shared<BVSkypeTransferItemModel>(name, controller);
        m->setRemovalDependenciesFetcher(fetcher);
        return m;
    }, [this](const std::string& p) { return advance(p); });
    return std::vector<BVEntityPtr>{group};
}

namespace {

std::vector<BVScanTaskPtr> skypeMembers(const BVPrivacyDatabaseControllerPtr& conversations, const BVPrivacyDatabaseControllerPtr& calls,
                                        const BVPrivacyDatabaseControllerPtr& transfers) {
    if (!conversations) return {};
    std::vector<std::string> bundle{BVSkypeBundleIdentifier};
    return {std::make_shared<BVSkypeHistoryItemsTask>(BVSkypeHistoryDataController::conversationHistoryControllerWithDatabaseController(conversations),
                                                      bundle, BVPrivacyModuleScanIdentifierSkypeConversationHistory),
            std::make_shared<BVSkypeHistoryItemsTask>(BVSkypeHistoryDataController::callHistoryControllerWithDatabaseController(calls), bundle,
                                                      BVPrivacyModuleScanIdentifierSkypeCallHistory),
            std::make_shared<BVSkypeTransferItemsTask>(std::make_shared<BVSkypeTransfersDataController>(transfers), bundle)};
}

std::vector<std::shared_ptr<BVPrivacyGroupModel>> skypeEmptyGroups(const BVPrivacyDatabaseControllerPtr& conversations) {
    if (conversations) return {};
    return {std::make_shared<BVPrivacyGroupModel>(BVPrivacyModuleScanIdentifierSkypeConversationHistory),
            std::make_shared<BVPrivacyGroupModel>(BVPrivacyModuleScanIdentifierSkypeCallHistory),
            std::make_shared<BVPrivacyGroupModel>(BVPrivacyModuleScanIdentifierSkypeTransfers)};
}

}  // namespace

BVSkypeItemsTask::BVSkypeItemsTask(const BVPrivacyDatabaseControllerFactory& factory)
    : BVSkypeItemsTask(factory.skypeDatabaseController(), factory.skypeDatabaseController(), factory.skypeDatabaseController()) {}

BVSkypeItemsTask::BVSkypeItemsTask(BVPrivacyDatabaseControllerPtr conversations, BVPrivacyDatabaseControllerPtr calls,
                                   BVPrivacyDatabaseControllerPtr transfers)
    : BVPrivacyCompoundScanTask(BVPrivacyModuleScanIdentifierSkype, skypeMembers(conversations, calls, transfers), {BVSkypeBundleIdentifier},
                                skypeEmptyGroups(conversations)) {}
