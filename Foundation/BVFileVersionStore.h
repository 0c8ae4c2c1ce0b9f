// BVFileVersionStore: the platform's store of earlier versions of documents (automatic
// versioning). It lists a document's other versions and removes one; BVStoredFileVersion is the
// version it hands out, whose removal goes back to the store that listed it.
//
// BVEmptyFileVersionStore is the macos layout's store on this host, which has no version store:
// every document has no other versions. Implementations say how they synchronise; the empty
// store is immutable and safe from any thread.
#pragma once

#include <vector>

#include "Foundation/BVFileVersion.h"

class BVStoredFileVersion;

class BVFileVersionStore : public std::enable_shared_from_this<BVFileVersionStore> {
public:
    virtual ~BVFileVersionStore() = default;
    // The stored versions of the document at `path` other than the current one; none with the
    // reason when they cannot be listed.
    virtual std::optional<std::vector<BVFileVersionPtr>> otherVersionsOfItemAtURL(const std::string& path, BVError* error) = 0;
    virtual bool removeVersion(const BVStoredFileVersion& version, BVError* error) = 0;
};

using BVFileVersionStorePtr = std::shared_ptr<BVFileVersionStore>;

class BVStoredFileVersion final : public BVFileVersion {
public:
    BVStoredFileVersion(BVFileVersionStorePtr store, std::string url, std::optional<BVDate> modificationDate,
                        std::optional<uint64_t> size = std::nullopt)
        : store_(std::move(store)), url_(std::move(url)), date_(modificationDate), size_(size) {}

    std::optional<BVDate> modificationDate() const override { return date_; }
    std::string URL() const override { return url_; }
    std::optional<uint64_t> size() const override { return size_; }
    bool removeAndReturnError(BVError* error) const override;

    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(url_); }
    std::string description() const override { return url_; }

private:
    BVFileVersionStorePtr store_;
    std::string url_;
    std::optional<BVDate> date_;
    std::optional<uint64_t> size_;
};

class BVEmptyFileVersionStore final : public BVFileVersionStore {
public:
    std::optional<std::vector<BVFileVersionPtr>> otherVersionsOfItemAtURL(const std::string&, BVError*) override {
        return std::vector<BVFileVersionPtr>{};
    }
    // There is nothing to remove: always false, with the reason.
    bool removeVersion(const BVStoredFileVersion& version, BVError* error) override;
};
