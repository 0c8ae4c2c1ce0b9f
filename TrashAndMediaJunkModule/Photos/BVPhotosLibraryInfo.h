// BVPhotosLibraryInfo: whether a photo library may be cleaned. A library is a package whose
// extension is "photoslibrary" or "migratedPhotoslibrary" (any case); its schema version is
// "LibrarySchemaVersion" of database/DataModelVersion.plist (or Database/). The knowledge base
// names the oldest and newest library version it knows (for "com.apple.Photos"); a library
// outside that range is not cleaned, except by a beta build, which is there to try them.
#pragma once

#include <optional>
#include <string>

#include "Foundation/BVFileManager.h"
#include "KnowledgeBase/BVKnowledgeBase.h"

enum class BVPhotosLibraryCompatibility { Supported = 1, Older = 2, Newer = 3 };

class BVPhotosLibraryInfo {
public:
    // `ownVersion` is this program's version; a version with a "b" (as "4.2.0b3") is a beta build.
    BVPhotosLibraryInfo(BVKnowledgeBasePtr knowledgeBase, BVFileManagerPtr fileManager, std::string ownVersion);

    static bool isPhotosLibraryAtPath(const std::string& path);
    std::optional<std::string> libraryVersionAtPath(const std::string& path) const;
    BVPhotosLibraryCompatibility checkCompatibilityWithLibraryAtPath(const std::string& path) const;
    bool isLibrarySupportedAtPath(const std::string& path) const;

private:
    BVKnowledgeBasePtr knowledgeBase_;
    BVFileManagerPtr fileManager_;
    std::string ownVersion_;
};
