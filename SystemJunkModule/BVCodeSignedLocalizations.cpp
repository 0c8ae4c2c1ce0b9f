#include "SystemJunkModule/BVCodeSignedLocalizations.h"

#include <sys/stat.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"

namespace {

const char* kSeal = "_CodeSignature/CodeResources";

bool isRegularFile(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

const std::set<std::string>& BVCodeSignedLocalizations::sealedLocalizations(const std::string& signedFolder) {
    auto known = seals_.find(signedFolder);
    if (known != seals_.end()) return known->second;
    std::set<std::string>& sealed = seals_[signedFolder];
    auto seal = BVPlistCodec::decodeFile(BVFileIO::appendPathComponent(signedFolder, kSeal));
    if (!seal || !seal->isDictionary()) return sealed;
    const BVValue& files = seal->contains("files2") ? (*seal)["files2"] : (*seal)["files"];
    for (const auto& [file, entry] : files.dictionaryValue()) {
        if (entry.isDictionary() && entry["optional"].boolValue()) continue;
        // "Resources/de.lproj/Localizable.strings" seals "Resources/de.lproj"
        for (size_t slash = file.find('/'); slash != std::string::npos; slash = file.find('/', slash + 1)) {
            std::string folder = file.substr(0, slash);
            if (BVFileIO::pathExtension(folder) == "lproj") {
                sealed.insert(folder);
                break;
            }
        }
    }
    return sealed;
}

bool BVCodeSignedLocalizations::isCodesignedLprojFileWithPath(const std::string& lproj) {
    for (std::string folder = BVFileIO::parentPath(lproj);
         folder == application_ || BVFileIO::isPathInside(folder, application_); folder = BVFileIO::parentPath(folder)) {
        if (!isRegularFile(BVFileIO::appendPathComponent(folder, kSeal))) continue;
        return sealedLocalizations(folder).count(lproj.substr(folder.size() + 1)) != 0;
    }
    return false;
}
