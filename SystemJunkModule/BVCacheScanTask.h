// BVCacheScanTask: offers the direct children of one caches folder, each as a file entity, or,
// for a folder the knowledge base marks for deep search, as a group of that folder's own
// children. The concrete tasks differ only in their folder, scanner and identifier:
// system caches (all users), user caches, the Darwin per-user cache folder and the caches
// inside every sandbox container. A task is built for one scan and runs once on one scan-queue
// thread; its progress may be read from any thread.
#pragma once

#include <optional>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/Predicates/BVPredicate.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVCacheScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVCacheScanTask(std::optional<std::string> cachesDirectory, BVFileManagerPtr fileManager,
                    BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<BVPrivilegedOperationsPerformer> performer);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierCache"; }
    BVProgressPtr progress() const override { return progress_; }
    const std::optional<std::string>& cachesDirectoryURL() const { return cachesDirectory_; }
    // Folders another task offers: a child that is one of them is left to it, a child that
    // holds one is shown by its other contents (as a deep-searched folder).
    void setFoldersOfferedElsewhere(std::vector<std::string> folders) { offeredElsewhere_ = std::move(folders); }
    BVScanResultPtr scan() override;

protected:
    // The candidates: the folder's direct children (none when the layout has no such folder).
    virtual std::vector<std::string> contentOfCachesDirectoryURL();
    virtual const char* canonicalName() const { return "BVCacheScanTask"; }

    const BVFileManagerPtr& fileManager() const { return fileManager_; }
    const std::shared_ptr<BVComputableProgress>& computableProgress() const { return progress_; }

private:
    std::optional<std::string> cachesDirectory_;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::vector<std::string> offeredElsewhere_;
};

class BVSystemCachesScanTask : public BVCacheScanTask {
public:
    using BVCacheScanTask::BVCacheScanTask;
    static BVScanTaskPtr task(const BVEnvironment& environment);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierSystemCache"; }

protected:
    const char* canonicalName() const override { return "BVSystemCachesScanTask"; }
};

class BVUserCachesScanTask : public BVCacheScanTask {
public:
    using BVCacheScanTask::BVCacheScanTask;
    static BVScanTaskPtr task(const BVEnvironment& environment);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierUserCache"; }

protected:
    const char* canonicalName() const override { return "BVUserCachesScanTask"; }
};

class BVDarwinUserCachesScanTask : public BVCacheScanTask {
public:
    using BVCacheScanTask::BVCacheScanTask;
    static BVScanTaskPtr task(const BVEnvironment& environment);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierDarwinUserCache"; }

protected:
    const char* canonicalName() const override { return "BVDarwinUserCachesScanTask"; }
};

// `cachesDirectory` is the folder of the containers; each container's caches folder is listed.
class BVSandboxContainersCachesScanTask : public BVCacheScanTask {
public:
    BVSandboxContainersCachesScanTask(std::optional<std::string> containersFolder, BVFileManagerPtr fileManager,
                                      BVJunkKnowledgeBasePtr knowledgeBase,
                                      std::shared_ptr<BVPrivilegedOperationsPerformer> performer, BVLayout layout)
        : BVCacheScanTask(std::move(containersFolder), std::move(fileManager), std::move(knowledgeBase), std::move(performer)),
          layout_(layout) {}
    static BVScanTaskPtr task(const BVEnvironment& environment);
    std::string identifier() const override { return "BVSystemJunkScanIdentifierSandboxContainersCache"; }

protected:
    std::vector<std::string> contentOfCachesDirectoryURL() override;
    const char* canonicalName() const override { return "BVSandboxContainersCachesScanTask"; }

private:
    BVLayout layout_;
};
