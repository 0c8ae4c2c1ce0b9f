#include "TrashAndMediaJunkModule/Photos/BVPhotosLibraryInfo.h"

#include "Foundation/BVASCIICase.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVVersionComparator.h"

namespace {
constexpr const char* kPhotosBundleID = "com.apple.Photos";
}

BVPhotosLibraryInfo::BVPhotosLibraryInfo(BVKnowledgeBasePtr knowledgeBase, BVFileManagerPtr fileManager, std::string ownVersion)
    : knowledgeBase_(std::move(knowledgeBase)), fileManager_(std::move(fileManager)), ownVersion_(std::move(ownVersion)) {}

bool BVPhotosLibraryInfo::isPhotosLibraryAtPath(const std::string& path) {
    std::string extension = BVASCIILowercase(BVFileIO::pathExtension(path));
    return extension == "photoslibrary" || extension == "migratedphotoslibrary";
}

std::optional<std::string> BVPhotosLibraryInfo::libraryVersionAtPath(const std::string& path) const {
    for (const char* folder : {"database", "Database"}) {
        std::string file = path + "/" + folder + "/DataModelVersion.plist";
        if (!fileManager_->fileExistsAtPath(file)) continue;
        auto plist = BVPlistCodec::decodeFile(file);
        if (!plist) return std::nullopt;
        const BVValue& version = (*plist)["LibrarySchemaVersion"];
        if (version.isString()) return version.stringValue();
        if (version.isInteger()) return std::to_string(version.int64Value());
        return std::nullopt;
    }
    return std::nullopt;
}

BVPhotosLibraryCompatibility BVPhotosLibraryInfo::checkCompatibilityWithLibraryAtPath(const std::string& path) const {
    auto version = isPhotosLibraryAtPath(path) ? libraryVersionAtPath(path) : std::nullopt;
    auto maximum = knowledgeBase_->maxSupportedVersionForApp(kPhotosBundleID, ownVersion_);
    auto minimum = knowledgeBase_->minSupportedVersionForApp(kPhotosBundleID, ownVersion_);
    auto result = BVPhotosLibraryCompatibility::Supported;
    // A library whose version cannot be read is neither known to be too new nor too old; the
    // knowledge base without a range knows nothing to refuse either.
    if (version && maximum && BVVersionComparator::compareVersion(*version, *maximum) == BVComparisonResult::Descending)
        result = BVPhotosLibraryCompatibility::Newer;
    else if (version && minimum && BVVersionComparator::compareVersion(*version, *minimum) == BVComparisonResult::Ascending)
        result = BVPhotosLibraryCompatibility::Older;
    if (result != BVPhotosLibraryCompatibility::Supported)
        BVLogger::debug("Photo library " + path + " version " + *version + " isn't supported. Supported [" + minimum.value_or("") +
                        "; " + maximum.value_or("") + "]");
    return result;
}

bool BVPhotosLibraryInfo::isLibrarySupportedAtPath(const std::string& path) const {
    if (ownVersion_.find_first_of("bB") != std::string::npos) return true;
    return checkCompatibilityWithLibraryAtPath(path) == BVPhotosLibraryCompatibility::Supported;
}
