// BVPhotos: access to the user's photo library. This host has no photo library; scanners and
// clean tasks are handed an implementation (a fake in tests) through their constructors.
//
// Requests ask for albums, for the versions (photos) in the library's trash, or for versions,
// narrowed by a predicate over the objects' properties ("name", "isHidden", "isInTrash",
// "uuid"). Operations other than open and close have neutral defaults (nothing found; clearing
// fails) so that an implementation provides only what its callers use. Implementations say how
// they synchronise; callers use one library from one scan or clean at a time.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVValue.h"

inline constexpr const char* BVPhotosErrorDomain = "BVPhotosErrorDomain";

// A property comparison (equality) or an AND / OR of predicates.
class BVPhotosPredicate {
public:
    enum class Kind { Equals, And, Or };
    static std::shared_ptr<const BVPhotosPredicate> predicateWithProperty(std::string property, BVValue value);
    static std::shared_ptr<const BVPhotosPredicate> andPredicate(std::vector<std::shared_ptr<const BVPhotosPredicate>> parts);
    static std::shared_ptr<const BVPhotosPredicate> orPredicate(std::vector<std::shared_ptr<const BVPhotosPredicate>> parts);

    Kind kind() const { return kind_; }
    const std::string& property() const { return property_; }
    const BVValue& value() const { return value_; }
    const std::vector<std::shared_ptr<const BVPhotosPredicate>>& parts() const { return parts_; }
    // Whether an object with these properties satisfies the predicate (an empty OR holds for none).
    bool evaluate(const BVDictionary& properties) const;

    BVPhotosPredicate(Kind kind, std::string property, BVValue value, std::vector<std::shared_ptr<const BVPhotosPredicate>> parts)
        : kind_(kind), property_(std::move(property)), value_(std::move(value)), parts_(std::move(parts)) {}

private:
    Kind kind_;
    std::string property_;
    BVValue value_;
    std::vector<std::shared_ptr<const BVPhotosPredicate>> parts_;
};
using BVPhotosPredicatePtr = std::shared_ptr<const BVPhotosPredicate>;

// One version of a photo. The image-proxy paths are known once the proxy state is loaded.
struct BVPhotosVersion {
    std::string uuid, masterUuid, masterPath, adjustmentUuid;
    uint64_t modelId = 0;
    std::optional<BVDate> inTrashDate;
    std::string proxyFolder;  // where the thumbnails of older libraries lie
    std::optional<std::string> miniThumbnailPath, thumbnailPath, fullSizePreviewPath;  // relative
};

struct BVPhotosAlbum {
    std::string name;
    bool isHidden = false, isInTrash = false;
    std::vector<BVPhotosVersion> versions;
};

struct BVPhotosLibraryRequest {
    enum class Kind { Albums, TrashedModels, Versions };
    Kind kind;
    BVPhotosPredicatePtr predicate;
    static BVPhotosLibraryRequest albumsRequest(BVPhotosPredicatePtr p = nullptr) { return {Kind::Albums, std::move(p)}; }
    static BVPhotosLibraryRequest trashedModelsRequest() { return {Kind::TrashedModels, nullptr}; }
    static BVPhotosLibraryRequest versionsRequest(BVPhotosPredicatePtr p = nullptr) { return {Kind::Versions, std::move(p)}; }
};

// One resource file of the library (a derived version, a master, a face crop) as older
// libraries list them: its properties ("resourceType", "resourceTag", "attachedModelType") and
// the identifier the library knows it by.
struct BVPhotosResource {
    std::string identifier;
    BVDictionary properties;
};

struct BVPhotosRequestResult {
    std::vector<BVPhotosAlbum> albums;      // for album requests
    std::vector<BVPhotosVersion> versions;  // for the other requests
};

class BVPhotos {
public:
    virtual ~BVPhotos() = default;
    // Answers false, with the reason in `error`, when the library did not open in time.
    virtual bool openLibraryWithTimeout(double seconds, BVError* error) = 0;
    virtual void closeLibrary() = 0;

    virtual std::string libraryURL() const { return {}; }
    virtual std::string thumbnailsFolder() const { return libraryURL() + "/resources/derivatives/masters"; }
    virtual std::string previewsFolder() const { return libraryURL() + "/resources/derivatives"; }
    virtual BVPhotosRequestResult executeRequest(const BVPhotosLibraryRequest&) { return {}; }
    // Fills the version's image-proxy paths (read-only, no further properties).
    virtual void loadImageProxyState(BVPhotosVersion&) {}
    // Moves a version into (or out of) the library's trash, giving the reason code.
    virtual void setIsInTrash(const BVPhotosVersion&, bool, int) {}
    // The resources the predicate selects, in the library's order.
    virtual std::vector<BVPhotosResource> modelResources(const BVPhotosPredicatePtr&) { return {}; }
    // Whether the library holds any resource kept in the cloud.
    virtual bool hasCloudResources() { return false; }
    // The file of a resource (`mode` 0: where it is now); none, with the reason, when it has none.
    virtual std::optional<std::string> fileURLForResource(const BVPhotosResource&, int /*mode*/, BVError* error) {
        if (error) *error = BVError(BVPhotosErrorDomain, 2, BVDictionary{{BVLocalizedDescriptionKey, BVValue("not supported")}});
        return std::nullopt;
    }
    // Empties the given versions from the library's trash; the error, or none on success.
    virtual std::optional<BVError> clearModelFromTrashSynchronously(const std::set<std::string>&) {
        return BVError(BVPhotosErrorDomain, 1, BVDictionary{{BVLocalizedDescriptionKey, BVValue("not supported")}});
    }
};

using BVPhotosPtr = std::shared_ptr<BVPhotos>;
