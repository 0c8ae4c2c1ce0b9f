#include "PrivacyModule/Sources/Tasks/Finder/BVFinderItemsTask.h"

#include "Foundation/BVLogger.h"
#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

namespace {
constexpr double kDistantPast = -62135769600.0;
}

BVFinderRecentItemModel::BVFinderRecentItemModel(BVSharedFileListItem item, BVSharedFileListKind type, BVDate date, BVSharedFileListPtr list)
    : BVPrivacyRecordModel(BVValue(item.url), item.displayName.value_or(item.url)),
      item_(std::move(item)),
      type_(type),
      date_(date),
      list_(std::move(list)) {}

BVRemovalResultPtr BVFinderRecentItemModel::remove() {
    if (BVDebugSwitches::isOn(BVDebugModeAllFailedRemove))
        return BVRemovalResult::failedResultWithModel(shared_from_this(), BVError(BVOSStatusErrorDomain, 404));
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove privacy item] fake remove {}", name()));
        return BVRemovalResult::emptyResultWithModel(shared_from_this());
    }
    if (auto error = list_->removeItem(type_, item_)) return BVRemovalResult::failedResultWithModel(shared_from_this(), *error);
    return BVRemovalResult::successfulResultWithModel(shared_from_this());
}

BVFinderRecentItemsTask::BVFinderRecentItemsTask(std::string identifier, BVSharedFileListKind itemsType, BVSharedFileListPtr list)
    : BVPrivacyScanTask(std::move(identifier), "BVFinderRecentItemsTask", {}), itemsType_(itemsType), list_(std::move(list)) {}

std::shared_ptr<BVFinderRecentItemsTask> BVFinderRecentItemsTask::recentDocumentTask(BVSharedFileListPtr list) {
    return std::make_shared<BVFinderRecentItemsTask>(BVPrivacyModuleScanIdentifierFinderRecentDocumentItems, BVSharedFileListKind::RecentDocuments,
                                                     std::move(list));
}
std::shared_ptr<BVFinderRecentItemsTask> BVFinderRecentItemsTask::recentApplicationTask(BVSharedFileListPtr list) {
    return std::make_shared<BVFinderRecentItemsTask>(BVPrivacyModuleScanIdentifierFinderRecentApplicationItems,
                                                     BVSharedFileListKind::RecentApplications, std::move(list));
}
std::shared_ptr<BVFinderRecentItemsTask> BVFinderRecentItemsTask::recentServerTask(BVSharedFileListPtr list) {
    return std::make_shared<BVFinderRecentItemsTask>(BVPrivacyModuleScanIdentifierFinderRecentServerItems, BVSharedFileListKind::RecentServers,
                                                     std::move(list));
}

std::optional<std::vector<BVEntityPtr>> BVFinderRecentItemsTask::makeItems(BVError*) {
    auto group = std::make_shared<BVPrivacyGroupModel>(identifier());
    auto items = list_->snapshot(itemsType_);
    computableProgress()->addPendingUnitsCount(items.size());
    for (auto& item : items) {
        std::string url = item.url;
        if (item.displayName && !item.displayName->empty()) {
            BVDate date = item.lastUsedDate.value_or(BVDate{kDistantPast});
            group->addChild(std::make_shared<BVFinderRecentItemModel>(std::move(item), itemsType_, date, list_));
        }
        if (!advance(url)) break;
    }
    return std::vector<BVEntityPtr>{group};
}

std::shared_ptr<BVCompoundScanTask> BVFinderItemsTask(BVSharedFileListPtr list) {
    if (!list) return nullptr;
    std::vector<BVScanTaskPtr> tasks;
    if (list->hasList(BVSharedFileListKind::RecentDocuments)) tasks.push_back(BVFinderRecentItemsTask::recentDocumentTask(list));
    if (list->hasList(BVSharedFileListKind::RecentApplications)) tasks.push_back(BVFinderRecentItemsTask::recentApplicationTask(list));
    if (list->hasList(BVSharedFileListKind::RecentServers)) tasks.push_back(BVFinderRecentItemsTask::recentServerTask(list));
    if (tasks.empty()) return nullptr;
    return std::make_shared<BVCompoundScanTask>(BVPrivacyModuleScanIdentifierFinderItems, tasks);
}
