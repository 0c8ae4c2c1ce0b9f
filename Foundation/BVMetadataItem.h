// BVMetadataItem: one item found by a metadata search (on this host the search is a walk of
// the folders; see the large-files scanner and BVMetadataSearch). Attributes are read by name:
// "NSMetadataItemURLKey" holds a file URL as text ("file:///path"), "NSMetadataItemPathKey" or
// "kMDItemPath" a path; the "kMDItem..." names are the index's own attributes. Immutable; any
// thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Foundation/BVObject.h"

inline constexpr const char* BVMetadataItemURLKey = "NSMetadataItemURLKey";
inline constexpr const char* BVMetadataItemPathKey = "NSMetadataItemPathKey";
inline constexpr const char* kBVMDItemPath = "kMDItemPath";
inline constexpr const char* kBVMDItemContentType = "kMDItemContentType";
inline constexpr const char* kBVMDItemContentTypeTree = "kMDItemContentTypeTree";
inline constexpr const char* kBVMDItemFSSize = "kMDItemFSSize";          // the file's length
inline constexpr const char* kBVMDItemPhysicalSize = "kMDItemPhysicalSize";  // its allocated bytes
inline constexpr const char* kBVMDItemLastUsedDate = "kMDItemLastUsedDate";

class BVMetadataItem : public BVObject {
public:
    virtual std::optional<BVValue> valueForAttribute(const std::string& name) const = 0;
};

using BVMetadataItemPtr = std::shared_ptr<const BVMetadataItem>;

// The item's path: its "NSMetadataItemPathKey", else its "kMDItemPath"; none without either.
std::optional<std::string> BVMetadataItemPath(const BVMetadataItem& item);

// A metadata item held as a dictionary of attributes (what the walk yields, and tests).
class BVDictionaryMetadataItem final : public BVMetadataItem {
public:
    explicit BVDictionaryMetadataItem(BVDictionary attributes) : attributes_(std::move(attributes)) {}
    std::optional<BVValue> valueForAttribute(const std::string& name) const override;
    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return BVValue(attributes_).hash(); }
    std::string description() const override;

private:
    BVDictionary attributes_;
};
