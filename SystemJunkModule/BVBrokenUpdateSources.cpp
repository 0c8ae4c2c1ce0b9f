#include "SystemJunkModule/BVBrokenUpdateSources.h"

#include <regex>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVVersionComparator.h"

bool BVBrokenUpdateInfo::isEqual(const BVObject& other) const {
    auto o = dynamic_cast<const BVBrokenUpdateInfo*>(&other);
    return o && o->applicationName_ == applicationName_ && o->version_ == version_ && o->updateURL_ == updateURL_ &&
           o->imageURL_ == imageURL_ && o->isPrefPane_ == isPrefPane_;
}

namespace {

std::string infoValue(const std::string& bundle, const char* key) {
    auto info = BVPlistCodec::decodeFile(BVFileIO::appendPathComponent(bundle, "Contents/Info.plist"));
    return info && info->isDictionary() ? (*info)[key].stringValue() : std::string();
}

// "Java 8u351" is version "8u351": the word taken out, and the spaces around what is left.
std::string removingAll(std::string text, const std::string& word) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word)) text.erase(at, word.size());
    size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Java: an entry of the Java folder that is a real folder holding the JRE installer bundle.
class JavaSource : public BVBrokenUpdatesDataSource {
public:
    JavaSource(std::string folder, BVFileManagerPtr fileManager) : folder_(std::move(folder)), fileManager_(std::move(fileManager)) {}

    std::vector<BVBrokenUpdateInfoPtr> brokenUpdates() override {
        std::vector<BVBrokenUpdateInfoPtr> out;
        for (const auto& entry : fileManager_->contentsOfDirectoryAtURL(folder_, nullptr, 0)) {
            if (!fileManager_->isDirectoryAtPath(entry)) continue;  // a link to a folder is not one
            bool installer = false;
            for (const auto& child : fileManager_->contentsOfDirectoryAtURL(entry, nullptr, 0))
                installer = installer || (BVFileIO::pathExtension(child) == "app" && fileManager_->isDirectoryAtPath(child) &&
                                          infoValue(child, "CFBundleIdentifier") == "Oracle.MacJREInstaller");
            if (!installer) continue;
            out.push_back(std::make_shared<BVBrokenUpdateInfo>("Java", removingAll(BVFileIO::lastPathComponent(entry), "Java"), entry,
                                                               folder_, true));
        }
        return out;
    }

private:
    std::string folder_;
    BVFileManagerPtr fileManager_;
};

// Chrome: framework versions older than the one the application runs ("KSVersion").
class ChromeSource : public BVBrokenUpdatesDataSource {
public:
    ChromeSource(BVFileManagerPtr fileManager, BVSystemInfoPtr systemInfo)
        : fileManager_(std::move(fileManager)), systemInfo_(std::move(systemInfo)) {}

    std::vector<BVBrokenUpdateInfoPtr> brokenUpdates() override {
        std::vector<BVBrokenUpdateInfoPtr> out;
        auto copies = systemInfo_->applicationsWithBundleIdentifier("com.google.Chrome");
        for (const auto& copy : copies) {
            if (copy.volumeURL.empty()) {
                BVLogger::debug("Cannot detect application volume - " + copy.url);
                continue;
            }
            if (copy.volumeURL != "/") continue;  // only the startup volume's copies
            std::string current = infoValue(copy.url, "KSVersion");
            if (current.empty()) {
                BVLogger::debug("Cannot get current chrome framework version at url - " + copy.url);
                continue;
            }
            std::string versions = BVFileIO::appendPathComponent(copy.url, "Contents/Versions");
            for (const auto& entry : fileManager_->contentsOfDirectoryAtURL(versions, nullptr, 0)) {
                std::string name = BVFileIO::lastPathComponent(entry);
                if (BVVersionComparator::compareVersion(name, current) != BVComparisonResult::Ascending) continue;
                out.push_back(std::make_shared<BVBrokenUpdateInfo>("Google Chrome", name, entry, copies.front().url, false));
            }
        }
        return out;
    }
    std::vector<std::string> relatedApplicationsToBeQuitted() const override { return {"com.google.Chrome"}; }

private:
    BVFileManagerPtr fileManager_;
    BVSystemInfoPtr systemInfo_;
};

// Viber: downloaded updates (entries named with a version) not newer than the installed Viber.
class ViberSource : public BVBrokenUpdatesDataSource {
public:
    ViberSource(std::string folder, BVFileManagerPtr fileManager, BVSystemInfoPtr systemInfo)
        : folder_(std::move(folder)), fileManager_(std::move(fileManager)), systemInfo_(std::move(systemInfo)) {}

    std::vector<BVBrokenUpdateInfoPtr> brokenUpdates() override {
        static const std::regex versionLike(R"(\d+(?:\.\d+)+)", std::regex::icase);
        std::vector<BVBrokenUpdateInfoPtr> out;
        auto copies = systemInfo_->applicationsWithBundleIdentifier("com.viber.osx");
        std::string current = copies.empty() ? std::string() : infoValue(copies.front().url, "CFBundleShortVersionString");
        std::string image = copies.empty() ? folder_ : copies.front().url;
        for (const auto& entry : fileManager_->contentsOfDirectoryAtURL(folder_, nullptr, 0)) {
            // The entry's own name must carry the version: digits with dots elsewhere in the path
            // (a home folder named "v1.2") say nothing about it.
            std::string name = BVFileIO::lastPathComponent(entry);
            if (!std::regex_search(name, versionLike)) continue;
            if (!current.empty() && BVVersionComparator::compareVersion(name, current) == BVComparisonResult::Descending) continue;
            out.push_back(std::make_shared<BVBrokenUpdateInfo>("Viber", name, entry, image, false));
        }
        return out;
    }

private:
    std::string folder_;
    BVFileManagerPtr fileManager_;
    BVSystemInfoPtr systemInfo_;
};

}  // namespace

namespace BVBrokenUpdateSources {

std::vector<BVBrokenUpdatesDataSourcePtr> standard(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                   BVSystemInfoPtr systemInfo) {
    if (paths->layout() != BVLayout::macos || !paths->userApplicationSupport()) return {};
    std::string support = *paths->userApplicationSupport();
    return {std::make_shared<JavaSource>(BVFileIO::appendPathComponent(support, "Java"), fileManager),
            std::make_shared<ChromeSource>(fileManager, systemInfo),
            std::make_shared<ViberSource>(BVFileIO::appendPathComponent(support, "ViberPC"), fileManager, systemInfo)};
}

}  // namespace BVBrokenUpdateSources
