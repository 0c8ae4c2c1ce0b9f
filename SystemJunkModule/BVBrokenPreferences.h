// Broken preference files: files in the user's preferences folder (its direct entries) that
// claim a format this engine can judge and do not parse in it. On the macos layout the format
// is the property list (".plist"); on the linux layout (~/.config) property lists, JSON
// (".json") and desktop entries (".desktop"). A file of any other kind is never offered: what
// cannot be judged is not broken. Empty, hidden, immutable and ".lockfile" files are not
// offered either. Removing one first deletes its defaults domain and has the preferences daemon
// restarted where the layout has them (macos), then removes the file.
// The task runs once on one scan-queue thread; the model is removed on the clean worker.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVStartupServices.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVBrokenPreferencesModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVBrokenPreferencesModel)
public:
    BVBrokenPreferencesModel(const std::string& path, uint64_t size, bool autoselected, std::string name,
                             BVFileManagerPtr fileManager, BVPrefsdManagerPtr prefsdManager, BVTaskRunnerPtr taskRunner);
    const std::string& name() const { return name_; }
    BVURLPtr fileURL() const override { return BVURL::fileURLWithPath(path_); }
    BVRemovalResultPtr remove() override;

private:
    std::string path_, name_;
    BVFileManagerPtr fileManager_;
    BVPrefsdManagerPtr prefsdManager_;
    BVTaskRunnerPtr taskRunner_;
};

class BVBrokenPreferencesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVBrokenPreferencesScanTask(const BVEnvironment& environment, BVStartupServicesPtr services);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierBrokenPreferences"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;
    // The formats judged on the layout, as lower-case extensions.
    static std::vector<std::string> judgedExtensions(BVLayout layout);
    bool isBroken(const std::string& path) const;

private:
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    BVStartupServicesPtr services_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};
