// Broken application updates: the stale update packages the update sources find, one
// preselected entity per package, in source order. Removing one removes its folder through the
// file remover, after the source's applications (Chrome for its old versions) have quit. The
// task runs once on one scan-queue thread; the models are removed on the clean worker.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "SystemJunkModule/BVBrokenUpdateSources.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVBrokenUpdateModel : public BVFileModel {
    BV_ENTITY_CLASS(BVBrokenUpdateModel)
public:
    BVBrokenUpdateModel(BVBrokenUpdateInfoPtr info, uint64_t size, bool autoselected)
        : BVFileModel(info, size, autoselected), info_(std::move(info)) {}
    const BVBrokenUpdateInfo& info() const { return *info_; }
    BVURLPtr fileURL() const override { return BVURL::fileURLWithPath(info_->updateURL()); }
    BVRemovalResultPtr remove() override;

private:
    BVBrokenUpdateInfoPtr info_;
};

class BVBrokenApplicationsUpdatesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVBrokenApplicationsUpdatesScanTask(const BVEnvironment& environment, std::vector<BVBrokenUpdatesDataSourcePtr> sources);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierBrokenApplicationsUpdates"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::vector<BVBrokenUpdatesDataSourcePtr> sources_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
