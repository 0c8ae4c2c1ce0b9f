// The five media-library scans: device backups (the newest of each device, and a backup whose
// device cannot be read, never preselected),
// application packages copied from devices (".ipa"), interrupted downloads the player does not
// hold open, device software images (".ipsw") and the album-artwork caches. Each reads the
// places from one BViTunesLibrary and runs on one scan-queue thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVScanTask.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BVFilesUsageProvider.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BViTunesLibrary.h"

inline constexpr const char* BViTunesScanIdentifierBackups = "BViTunesScanIdentifierBackups";
inline constexpr const char* BViTunesScanIdentifierApplications = "BViTunesScanIdentifierApplications";
inline constexpr const char* BViTunesScanIdentifierDownloads = "BViTunesScanIdentifierDownloads";
inline constexpr const char* BViTunesScanIdentifierSoftwareUpdates = "BViTunesScanIdentifierSoftwareUpdates";
inline constexpr const char* BViTunesScanIdentifierCaches = "BViTunesScanIdentifierCaches";
inline constexpr const char* BViTunesArtworkCachesKey = "itunesArtworkCachesNodeIgnoredKey";

using BViTunesKnowledgeBasePtr = std::shared_ptr<BVKnowledgeBaseWrapper>;

class BViTunesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BViTunesScanTask(std::shared_ptr<BViTunesLibrary> library, BViTunesKnowledgeBasePtr knowledgeBase, BVFileManagerPtr fileManager)
        : library_(std::move(library)), knowledgeBase_(std::move(knowledgeBase)), fileManager_(std::move(fileManager)) {}
    BVProgressPtr progress() const override { return progress_; }

protected:
    // The files of `items` the filter keeps, each a file model ignored by `ignoreValue(path)`.
    BVScanResultPtr filesResult(const std::vector<std::string>& items, const std::function<bool(const std::string&)>& keep,
                                const std::function<std::string(const std::string&)>& ignoreValue);

    std::shared_ptr<BViTunesLibrary> library_;
    BViTunesKnowledgeBasePtr knowledgeBase_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

class BViTunesBackupsTask final : public BViTunesScanTask {
public:
    using BViTunesScanTask::BViTunesScanTask;
    std::string identifier() const override { return BViTunesScanIdentifierBackups; }
    BVScanResultPtr scan() override;
};

class BViTunesApplicationsTask final : public BViTunesScanTask {
public:
    using BViTunesScanTask::BViTunesScanTask;
    std::string identifier() const override { return BViTunesScanIdentifierApplications; }
    BVScanResultPtr scan() override;
};

class BViTunesDownloadsTask final : public BViTunesScanTask {
public:
    BViTunesDownloadsTask(std::shared_ptr<BViTunesLibrary> library, BViTunesKnowledgeBasePtr knowledgeBase, BVFileManagerPtr fileManager,
                          std::shared_ptr<const BVFilesUsageProvider> usage)
        : BViTunesScanTask(std::move(library), std::move(knowledgeBase), std::move(fileManager)), usage_(std::move(usage)) {}
    std::string identifier() const override { return BViTunesScanIdentifierDownloads; }
    BVScanResultPtr scan() override;

private:
    std::shared_ptr<const BVFilesUsageProvider> usage_;
};

class BViTunesSoftwareUpdatesTask final : public BViTunesScanTask {
public:
    using BViTunesScanTask::BViTunesScanTask;
    std::string identifier() const override { return BViTunesScanIdentifierSoftwareUpdates; }
    BVScanResultPtr scan() override;
};

class BViTunesCachesTask final : public BViTunesScanTask {
public:
    using BViTunesScanTask::BViTunesScanTask;
    std::string identifier() const override { return BViTunesScanIdentifierCaches; }
    BVScanResultPtr scan() override;
};
