// The places the log tasks look at. Each provider answers the candidate paths of one area:
// the direct children of the all-users and the user log folders, of every sandbox container's
// logs folder, the quarantine event stores, and the two system stores. BVQuarantine names the
// quarantine (downloads) event stores, which only the macos layout has. Built from one BVPaths;
// immutable; any thread.
#pragma once

#include "Foundation/BVError.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"

class BVQuarantine {
public:
    explicit BVQuarantine(std::shared_ptr<const BVPaths> paths) : paths_(std::move(paths)) {}
    // "com.apple.LaunchServices.QuarantineEventsV2" (and the older store without "V2") in the
    // user's preferences folder on macos; none on linux.
    std::vector<std::string> downloadsLogsURLs() const;

private:
    std::shared_ptr<const BVPaths> paths_;
};

class BVLogsPathsProvider {
public:
    virtual ~BVLogsPathsProvider() = default;
    // The candidates, or false with the reason when the area cannot be listed at all.
    virtual bool scanningPaths(std::vector<std::string>& paths, BVError* error) const = 0;
};
using BVLogsPathsProviderPtr = std::shared_ptr<const BVLogsPathsProvider>;

// The direct children of a folder; an absent folder (the layout has none, or it does not exist)
// answers no paths. The system stores, which are cleared by the agent, are never among them.
class BVFolderLogsProvider : public BVLogsPathsProvider {
public:
    BVFolderLogsProvider(std::optional<std::string> folder, std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager)
        : folder_(std::move(folder)), paths_(std::move(paths)), fileManager_(std::move(fileManager)) {}
    static BVLogsPathsProviderPtr localLogsProvider(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager);
    static BVLogsPathsProviderPtr userLogsProvider(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager);
    bool scanningPaths(std::vector<std::string>& paths, BVError* error) const override;

private:
    std::optional<std::string> folder_;
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
};

class BVSandboxLogsProvider : public BVLogsPathsProvider {
public:
    BVSandboxLogsProvider(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager)
        : paths_(std::move(paths)), fileManager_(std::move(fileManager)) {}
    bool scanningPaths(std::vector<std::string>& paths, BVError* error) const override;

private:
    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
};

class BVQuarantineLogsProvider : public BVLogsPathsProvider {
public:
    explicit BVQuarantineLogsProvider(std::shared_ptr<const BVPaths> paths) : quarantine_(std::move(paths)) {}
    bool scanningPaths(std::vector<std::string>& paths, BVError*) const override;

private:
    BVQuarantine quarantine_;
};

// One store (the diagnostics store or the Apple System Log store), when it exists.
class BVStoreLogsProvider : public BVLogsPathsProvider {
public:
    explicit BVStoreLogsProvider(std::optional<std::string> store) : store_(std::move(store)) {}
    static BVLogsPathsProviderPtr diagnosticLogsProvider(const BVPaths& paths) { return std::make_shared<BVStoreLogsProvider>(paths.diagnosticsLogs()); }
    static BVLogsPathsProviderPtr appleLogsProvider(const BVPaths& paths) { return std::make_shared<BVStoreLogsProvider>(paths.aslLogs()); }
    bool scanningPaths(std::vector<std::string>& paths, BVError*) const override;

private:
    std::optional<std::string> store_;
};
