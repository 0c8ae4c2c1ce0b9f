// The developer junk of the macos layout: one scan task per kind of junk the Xcode development
// environment leaves in the user's library (derived data, module caches, device logs, build
// archives, device-support symbols for three platforms, documentation caches, downloads). Each
// task returns one BVXcodeJunkGroupModel with its BVXcodeJunkItemModels, or nothing when its
// folder is missing, is ignored, or offers nothing. The compound BVXcodeJunkTask runs them in
// order. A folder the layout lacks gives an empty result. A task is built for one scan and
// runs once on one scan-queue thread; its progress may be read from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVValue.h"
#include "ScanningService/CoreScanning/Predicates/BVPredicate.h"
#include "SystemJunkModule/BVDeveloperJunk.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

// The shape every developer-junk task shares: the group's folder is checked, its entries are
// listed, each entry that makes an item and is not ignored is measured and offered.
class BVXcodeJunkScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVXcodeJunkScanTask(BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<const BVPaths> paths,
                        std::shared_ptr<BVPrivilegedOperationsPerformer> performer = nullptr);

    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    // The direct entries of a folder (full paths, sorted), hidden files skipped.
    std::vector<std::string> scanningPathsWithURL(const std::string& folder) const;

protected:
    struct Group {
        std::string name;                   // shown, and the value the ignore list hides it by
        std::optional<std::string> folder;  // absent when the layout has none
        bool autoselected = false;
        bool itemsAutoselected = false;
    };
    // The class name whose canned result the debug switch returns.
    virtual std::string cannedName() const = 0;
    virtual Group group() const = 0;
    // The candidates of the group's folder; by default its entries.
    virtual std::vector<std::string> candidates(const std::string& folder) { return scanningPathsWithURL(folder); }
    // The item a candidate makes, or null when it makes none.
    virtual BVXcodeJunkItemPtr junkItem(const std::string& path) const = 0;
    // The ignore-list value of an item; by default its path.
    virtual std::string ignoreValue(const BVXcodeJunkItem& item) const { return item.url(); }

    // The ignore filter: what does not exist, and what the knowledge base ignores.
    BVPredicatePtr filter() const;
    // True when the group must not be shown: cancelled, folder missing or ignored, or its name
    // on the ignore list.
    bool groupIsHidden(const Group& group, const BVPredicatePtr& filter) const;
    std::shared_ptr<BVXcodeJunkGroupModel> groupModel(const Group& group, int64_t type, uint64_t size) const;

    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<const BVPaths> paths_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

// Build products, one item per project folder, named after the project (the folder's name
// without the "-" and hash Xcode appends). Xcode's module cache inside is the module caches'.
class BVXcodeDerivedDataScanTask : public BVXcodeJunkScanTask {
public:
    using BVXcodeJunkScanTask::BVXcodeJunkScanTask;
    std::string identifier() const override { return "BVSystemJunkScanIdentifierXcodeDerivedData"; }
    // "Shop-abc-def" is "Shop-abc": a project's own name may hold "-".
    static std::string projectName(const std::string& folderName);

protected:
    std::string cannedName() const override { return "BVXcodeDerivedDataScanTask"; }
    Group group() const override;
    BVXcodeJunkItemPtr junkItem(const std::string& path) const override;
};

// The compilers' module caches and Xcode's own: three fixed items, ignored by their names.
class BVXcodeModuleCachesScanTask : public BVXcodeJunkScanTask {
public:
    using BVXcodeJunkScanTask::BVXcodeJunkScanTask;
    std::string identifier() const override { return "BVSystemJunkScanIdentifierXcodeModuleCaches"; }

protected:
    std::string cannedName() const override { return "BVXcodeModuleCachesScanTask"; }
    Group group() const override;
    std::vector<std::string> candidates(const std::string& folder) override;
    BVXcodeJunkItemPtr junkItem(const std::string& path) const override;
    std::string ignoreValue(const BVXcodeJunkItem& item) const override { return item.name(); }
};

// The logs collected from iOS devices: the group is the item, removed whole, preselected.
class BVXcodeDeviceLogsScanTask : public BVXcodeJunkScanTask {
public:
    using BVXcodeJunkScanTask::BVXcodeJunkScanTask;
    std::string identifier() const override { return "BVSystemJunkScanIdentifierXcodeDeviceLogs"; }
    BVScanResultPtr scan() override;

protected:
    std::string cannedName() const override { return "BVXcodeDeviceLogsScanTask"; }
    Group group() const override;
    BVXcodeJunkItemPtr junkItem(const std::string&) const override { return nullptr; }
};

// Build archives: every valid archive in each dated folder of the archives folder.
class BVXcodeArchivesScanTask : public BVXcodeJunkScanTask {
public:
    using BVXcodeJunkScanTask::BVXcodeJunkScanTask;
    std::string identifier() const override { return "BVSystemJunkScanIdentifierXcodeArchives"; }
    BVScanResultPtr scan() override;

    // True when the entry is named "*.xcarchive" and holds an Info.plist.
    static bool isValidArchive(const BVFileManager& fileManager, const std::string& path);
    // "Name 1.2 (34) - Dec 10, 2026, 5:30 PM" from an archive's Info.plist; each part missing
    // from the list is left out. The date is written with a medium date and a short time style
    // in the locale and time zone given by their identifiers (empty: the user's own).
    static std::string archiveTitle(const BVValue& info, const std::string& localeIdentifier = {},
                                    const std::string& timeZoneIdentifier = {});

protected:
    std::string cannedName() const override { return "BVXcodeArchivesScanTask"; }
    Group group() const override;
    std::vector<std::string> candidates(const std::string& folder) override;
    BVXcodeJunkItemPtr junkItem(const std::string& path) const override;
};

// The symbols Xcode copies from each device it has seen, one item per system version. One
// class for three platforms; the three share one identifier.
class BVXcodeDeviceSupportJunkScanTask : public BVXcodeJunkScanTask {
public:
    BVXcodeDeviceSupportJunkScanTask(std::string identifier, std::string rootName, std::optional<std::string> rootURL,
                                     BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                                     std::shared_ptr<const BVPaths> paths,
                                     std::shared_ptr<BVPrivilegedOperationsPerformer> performer = nullptr);
    static std::shared_ptr<BVXcodeDeviceSupportJunkScanTask> iOSDeviceSupportScanTask(
        BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<const BVPaths> paths,
        std::shared_ptr<BVPrivilegedOperationsPerformer> performer = nullptr);
    static std::shared_ptr<BVXcodeDeviceSupportJunkScanTask> tvOSDeviceSupportScanTask(
        BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<const BVPaths> paths,
        std::shared_ptr<BVPrivilegedOperationsPerformer> performer = nullptr);
    static std::shared_ptr<BVXcodeDeviceSupportJunkScanTask> watchOSDeviceSupportScanTask(
        BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<const BVPaths> paths,
        std::shared_ptr<BVPrivilegedOperationsPerformer> performer = nullptr);

    std::string identifier() const override { return identifier_; }

protected:
    std::string cannedName() const override { return "BVXcodeDeviceSupportJunkScanTask"; }
    Group group() const override { return {rootName_, rootURL_, false, false}; }
    BVXcodeJunkItemPtr junkItem(const std::string& path) const override;

private:
    std::string identifier_;
    std::string rootName_;
    std::optional<std::string> rootURL_;
};

// Documentation sets; the last one of the folder takes the folder along when it is removed.
class BVXcodeModuleDocumentationCachesScanTask : public BVXcodeJunkScanTask {
public:
    using BVXcodeJunkScanTask::BVXcodeJunkScanTask;
    std::string identifier() const override { return "BVSystemJunkScanIdentifierDocumentationCache"; }

protected:
    std::string cannedName() const override { return "BVXcodeModuleDocumentationCachesScanTask"; }
    Group group() const override;
    BVXcodeJunkItemPtr junkItem(const std::string& path) const override;
};

// What Xcode downloaded to install (simulators, documentation); the group has the folder's name.
class BVXcodeInstallsScanTask : public BVXcodeJunkScanTask {
public:
    using BVXcodeJunkScanTask::BVXcodeJunkScanTask;
    std::string identifier() const override { return "BVSystemJunkScanIdentifierXcodeInstalls"; }

protected:
    std::string cannedName() const override { return "BVXcodeInstallsScanTask"; }
    Group group() const override;
    BVXcodeJunkItemPtr junkItem(const std::string& path) const override;
};

namespace BVXcodeScanTasks {
// The nine tasks in the order their groups are reported.
std::vector<std::shared_ptr<BVXcodeJunkScanTask>> tasks(BVFileManagerPtr fileManager, BVJunkKnowledgeBasePtr knowledgeBase,
                                                        std::shared_ptr<const BVPaths> paths,
                                                        std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
}  // namespace BVXcodeScanTasks
