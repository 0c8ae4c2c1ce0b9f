#include "Foundation/BVMetadataItem.h"

std::optional<std::string> BVMetadataItemPath(const BVMetadataItem& item) {
    for (const char* key : {BVMetadataItemPathKey, kBVMDItemPath})
        if (auto path = item.valueForAttribute(key); path && path->isString() && !path->stringValue().empty())
            return path->stringValue();
    return std::nullopt;
}

std::optional<BVValue> BVDictionaryMetadataItem::valueForAttribute(const std::string& name) const {
    auto it = attributes_.find(name);
    if (it == attributes_.end()) return std::nullopt;
    return it->second;
}

bool BVDictionaryMetadataItem::isEqual(const BVObject& other) const {
    auto* o = dynamic_cast<const BVDictionaryMetadataItem*>(&other);
    return o && o->attributes_ == attributes_;
}

std::string BVDictionaryMetadataItem::description() const {
    auto path = BVMetadataItemPath(*this);
    return path ? *path : BVValue(attributes_).description();
}
