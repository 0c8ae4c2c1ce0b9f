// BVLogItem: what a log entity stands for: the log file or folder, its raw name (the last
// path component without extension, also its identifier), its kind (crash reports, the
// quarantine store, the diagnostics store, the Apple System Log store, or a plain log) and
// the names shown for it. Immutable; compares and hashes by its path; any thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVObject.h"
#include "Foundation/BVPaths.h"

enum BVLogItemType : uint64_t {
    BVLogItemTypeLog = 0,
    BVLogItemTypeCrashReport = 1,
    BVLogItemTypeQuarantine = 2,
    BVLogItemTypeASL = 3,
    BVLogItemTypeDiagnostics = 4,
};

class BVLogItem final : public BVObject {
public:
    // `quarantineStores` are the quarantine event store files of this user.
    BVLogItem(std::string path, const BVPaths& paths, const std::vector<std::string>& quarantineStores);

    const std::string& url() const { return url_; }
    const std::string& identifier() const { return identifier_; }
    uint64_t type() const { return type_; }
    const std::string& rawName() const { return rawName_; }
    // No installed-application lookup is made on this host: the name is the raw name.
    const std::string& name() const { return rawName_; }
    const std::string& displayName() const { return rawName_; }

    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(url_); }
    std::string description() const override { return url_; }

private:
    std::string url_;
    std::string rawName_;
    std::string identifier_;
    uint64_t type_ = BVLogItemTypeLog;
};
using BVLogItemPtr = std::shared_ptr<const BVLogItem>;
