#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesScanTasks.h"

#include <algorithm>
#include <map>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/Predicates/BVURLIterator.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesModels.h"
#include "TrashAndMediaJunkModule/Trash/BVTrashScanSwitches.h"

namespace {

class NoFilesUsage final : public BVFilesUsageProvider {
public:
    std::set<std::string> filesUsedByProcessBundleIdentifier(const std::string&) const override { return {}; }
};

std::optional<BVDate> dateIn(const std::optional<BVValue>& plist, const char* key) {
    return plist ? (*plist)[key].dateValue() : std::nullopt;
}

}  // namespace

std::shared_ptr<const BVFilesUsageProvider> BVFilesUsageProvider::standard() {
    static const auto none = std::make_shared<NoFilesUsage>();
    return none;
}

BVScanResultPtr BViTunesScanTask::filesResult(const std::vector<std::string>& items, const std::function<bool(const std::string&)>& keep,
                                              const std::function<std::string(const std::string&)>& ignoreValue) {
    std::vector<BVURLPtr> urls;
    for (const auto& item : items) urls.push_back(BVURL::fileURLWithPath(item));
    std::vector<BVEntityPtr> models;
    BVURLIterator iterator(progress_, [&](const BVURLPtr& url) { return keep(url->path()); });
    iterator.enumerate(urls, [&](const BVURLPtr& url, uint64_t size) {
        auto model = BVFileModel::modelWithPath(url->path(), size, knowledgeBase_->shouldSelectItem(url->path()));
        BVBaseIgnoreStrategy::attach(model, knowledgeBase_, ignoreValue(url->path()));
        models.push_back(model);
    });
    return BVScanResult::resultWithIdentifier(identifier(), models);
}

BVScanResultPtr BViTunesBackupsTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_, "BViTunesBackupsTask")) return early;
    // A backup is a folder; anything else in the backups folder is not one.
    std::vector<std::string> backups;
    for (const auto& url : library_->backupURLs())
        if (fileManager_->isDirectoryAtPath(url) && !knowledgeBase_->isIgnoreItem(BVFileIO::lastPathComponent(url))) backups.push_back(url);
    progress_->addPendingUnitsCount(2 * backups.size());

    std::map<BViTunesBackupDevice, std::vector<std::pair<std::string, std::optional<BVValue>>>> byDevice;
    std::vector<std::string> broken;
    for (const auto& backup : backups) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
        progress_->addUnitsCount(1);
        auto info = BVPlistCodec::decodeFile(backup + "/Info.plist");
        std::string name = info ? (*info)["Device Name"].stringValue() : "";
        if (!name.empty()) {
            BViTunesBackupDevice device{name, (*info)["Product Type"].stringValue()};
            if (!knowledgeBase_->isIgnoreItem(device.uniqueID())) byDevice[device].emplace_back(backup, info);
        } else if (!knowledgeBase_->isIgnoreItem(BViTunesBrokenBackupsKey)) {
            broken.push_back(backup);
        }
    }

    std::vector<BVEntityPtr> groups;
    auto measured = [&](const std::string& backup) {
        progress_->sleepThreadWhilePaused();
        uint64_t size = fileManager_->itemSizeAtPath(backup);
        progress_->setPath(backup);
        progress_->addSize(size);
        progress_->addUnitsCount(1);
        return size;
    };
    for (auto& [device, list] : byDevice) {
        std::vector<std::pair<std::string, std::optional<BVDate>>> dated;
        for (const auto& [backup, info] : list) {
            auto date = dateIn(BVPlistCodec::decodeFile(backup + "/Status.plist"), "Date");
            dated.emplace_back(backup, date ? date : dateIn(info, "Last Backup Date"));
        }
        // Newest first; a backup without a date counts as the oldest.
        std::stable_sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) {
            return a.second.value_or(BVDate{-1e300}).secondsSince1970 > b.second.value_or(BVDate{-1e300}).secondsSince1970;
        });
        auto group = BViTunesBackupGroup::groupForDevice(device);
        BVBaseIgnoreStrategy::attach(group, knowledgeBase_, device.uniqueID());
        for (size_t i = 0; i < dated.size(); ++i) {
            if (progress_->isCancelled()) break;
            const auto& [backup, date] = dated[i];
            bool latest = i == 0;
            auto model = std::make_shared<BViTunesBackup>(backup, measured(backup), !latest && knowledgeBase_->shouldSelectItem(backup), latest, date);
            BVBaseIgnoreStrategy::attach(model, knowledgeBase_, BVFileIO::lastPathComponent(backup));
            group->addChild(model);
        }
        groups.push_back(group);
    }
    if (!broken.empty()) {
        auto group = BViTunesBackupGroup::groupForDevice(std::nullopt);
        BVBaseIgnoreStrategy::attach(group, knowledgeBase_, BViTunesBrokenBackupsKey);
        for (const auto& backup : broken) {
            if (progress_->isCancelled()) break;
            // Offered, never ticked: an Info.plist that cannot be read does not prove the backup
            // useless, and it may be the only copy of a device's data.
            auto model = std::make_shared<BViTunesBackup>(backup, measured(backup), false, false, std::nullopt);
            BVBaseIgnoreStrategy::attach(model, knowledgeBase_, BVFileIO::lastPathComponent(backup));
            group->addChild(model);
        }
        groups.push_back(group);
    }
    return BVScanResult::resultWithIdentifier(identifier(), groups);
}

BVScanResultPtr BViTunesApplicationsTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_, "BViTunesApplicationsTask")) return early;
    return filesResult(
        library_->applications(),
        [&](const std::string& path) { return BVFileIO::pathExtension(path) == "ipa" && !knowledgeBase_->isIgnoreItem(path); },
        [](const std::string& path) { return path; });
}

BVScanResultPtr BViTunesDownloadsTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_, "BViTunesDownloadsTask")) return early;
    auto open = usage_->filesUsedByProcessBundleIdentifier("com.apple.iTunes");
    return filesResult(
        library_->downloadURLs(),
        [&](const std::string& path) { return !open.count(path) && !knowledgeBase_->isIgnoreItem(BVFileIO::parentPath(path)); },
        [](const std::string& path) { return BVFileIO::parentPath(path); });
}

BVScanResultPtr BViTunesSoftwareUpdatesTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_, "BViTunesSoftwareUpdatesTask")) return early;
    return filesResult(
        library_->softwareUpdatesURLs(), [&](const std::string& path) { return !knowledgeBase_->isIgnoreItem(path); },
        [](const std::string& path) { return path; });
}

BVScanResultPtr BViTunesCachesTask::scan() {
    if (auto early = BVTrashScanSwitches::earlyResult(identifier(), *progress_, "BViTunesCachesTask")) return early;
    if (knowledgeBase_->isIgnoreItem(BViTunesArtworkCachesKey)) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto sequence = std::make_shared<BVFileSequenceModel>(BVValueObject::with(BVValue("Album artwork caches")), 0,
                                                          knowledgeBase_->shouldSelectItem(BViTunesArtworkCachesKey));
    BVBaseIgnoreStrategy::attach(sequence, knowledgeBase_, BViTunesArtworkCachesKey);
    std::vector<BVURLPtr> urls;
    for (const auto& folder : library_->albumCachesDirectories()) urls.push_back(BVURL::fileURLWithPath(folder, true));
    BVURLIterator iterator(progress_, [&](const BVURLPtr& url) {
        return fileManager_->isDirectoryAtPath(url->path()) && !knowledgeBase_->isIgnoreItem(BVFileIO::parentPath(url->path()));
    });
    iterator.enumerate(urls, [&](const BVURLPtr& url, uint64_t size) {
        auto model = BVFileModel::modelWithPath(url->path(), size, knowledgeBase_->shouldSelectItem(url->path()));
        BVBaseIgnoreStrategy::attach(model, knowledgeBase_, BVFileIO::parentPath(url->path()));
        sequence->addChild(model);
    });
    return BVScanResult::resultWithIdentifier(identifier(), {sequence});
}
