// BVMetadataItem: one item found by a metadata search (on this host the search is a walk of
// the folders; see the large-files scanner). Attributes are read by name:
// "NSMetadataItemURLKey" holds a file URL as text ("file:///path"), "NSMetadataItemPathKey" a
// path. Immutable; any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Foundation/BVObject.h"

inline constexpr const char* BVMetadataItemURLKey = "NSMetadataItemURLKey";
inline constexpr const char* BVMetadataItemPathKey = "NSMetadataItemPathKey";

class BVMetadataItem : public BVObject {
public:
    virtual std::optional<BVValue> valueForAttribute(const std::string& name) const = 0;
};

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
