// Stale update packages that three applications leave behind on the macos layout: Java's
// installer bundles in ~/Library/Application Support/Java, the Chrome framework versions older
// than the running one inside each Chrome on the startup volume, and Viber's downloaded updates
// not newer than the installed Viber. Each source lists what it finds as BVBrokenUpdateInfo;
// the linux layout has none of them. Sources only read; any thread, one call at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVFileManager.h"
#include "Foundation/BVObject.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVSystemInfo.h"

// What one stale update is: its application, its version, where it lies and where its icon
// comes from. The value of a BVBrokenUpdateModel.
class BVBrokenUpdateInfo : public BVObject {
public:
    BVBrokenUpdateInfo(std::string applicationName, std::string version, std::string updateURL, std::string imageURL,
                       bool isPrefPane)
        : applicationName_(std::move(applicationName)),
          version_(std::move(version)),
          updateURL_(std::move(updateURL)),
          imageURL_(std::move(imageURL)),
          isPrefPane_(isPrefPane) {}

    const std::string& applicationName() const { return applicationName_; }
    const std::string& version() const { return version_; }
    const std::string& updateURL() const { return updateURL_; }
    const std::string& imageURL() const { return imageURL_; }
    bool isPrefPane() const { return isPrefPane_; }

    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(updateURL_); }
    // "Google Chrome 119.0.6045.105"
    std::string description() const override { return applicationName_ + " " + version_; }

private:
    std::string applicationName_, version_, updateURL_, imageURL_;
    bool isPrefPane_;
};

using BVBrokenUpdateInfoPtr = std::shared_ptr<const BVBrokenUpdateInfo>;

class BVBrokenUpdatesDataSource {
public:
    virtual ~BVBrokenUpdatesDataSource() = default;
    virtual std::vector<BVBrokenUpdateInfoPtr> brokenUpdates() = 0;
    // The applications to quit before an update of this source is removed.
    virtual std::vector<std::string> relatedApplicationsToBeQuitted() const { return {}; }
};

using BVBrokenUpdatesDataSourcePtr = std::shared_ptr<BVBrokenUpdatesDataSource>;

namespace BVBrokenUpdateSources {

// The layout's sources in the order their results are listed: Java, Chrome, Viber.
std::vector<BVBrokenUpdatesDataSourcePtr> standard(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                   BVSystemInfoPtr systemInfo);

}  // namespace BVBrokenUpdateSources
