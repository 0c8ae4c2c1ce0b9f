#include "TrashAndMediaJunkModule/Photos/BVPhotosCacheModel.h"

#include "Foundation/BVFileIO.h"

namespace {
std::string nameOf(const std::string& key, const std::string& libraryURL) {
    std::string library = BVFileIO::lastPathComponent(libraryURL);
    if (auto dot = library.rfind('.'); dot != std::string::npos && dot > 0) library.resize(dot);
    if (library.empty()) library = "Photo library";
    return library + (key == BVPhotosCacheKeyFaces ? ": faces cache" : ": photos cache");
}
}  // namespace

BVPhotosCacheModel::BVPhotosCacheModel(const std::string& key, const std::string& libraryURL)
    : BVFileSequenceModel(BVValueObject::with(BVValue(nameOf(key, libraryURL))), 0, true), key_(key) {}
