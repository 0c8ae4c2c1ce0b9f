#include "PrivacyModule/Sources/Tasks/Safari/BVSafariModels.h"

#include "Foundation/BVLogger.h"
#include "PrivacyModule/Sources/Tasks/Safari/BVSafariCleanTasks.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

BVSafariDownloadsHistoryModel::BVSafariDownloadsHistoryModel(const BVDictionary& entry, const std::string& name, BVDate date)
    : BVPrivacyRecordModel(BVValue(entry), name), date_(date) {}

std::string BVSafariDownloadsHistoryModel::identifier() const { return record()["DownloadEntryIdentifier"].stringValue(); }

BVRemovalResultPtr BVSafariCookiesModel::remove() {
    if (BVDebugSwitches::isOn(BVDebugModeAllFailedRemove))
        return BVRemovalResult::failedResultWithModel(shared_from_this(), BVError(BVOSStatusErrorDomain, 404));
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove privacy item] fake remove {}", name()));
        return BVRemovalResult::emptyResultWithModel(shared_from_this());
    }
    if (cookiesStorage_)
        for (const auto& cookie : cookies()) cookiesStorage_->deleteCookie(cookie);
    return BVRemovalResult::successfulResultWithModel(shared_from_this());
}

BVCleanTaskPtr BVSafariBrowsingHistoryGroupModel::cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries) {
    return std::make_shared<BVSafariBrowsingHistoryCleanTask>(BVEntriesOfType<BVSafariBrowsingHistoryModel>(entries), controller_);
}

BVCleanTaskPtr BVSafariDownloadsHistoryGroupModel::cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries) {
    return std::make_shared<BVSafariDownloadsHistoryCleanTask>(BVEntriesOfType<BVSafariDownloadsHistoryModel>(entries), controller_);
}
