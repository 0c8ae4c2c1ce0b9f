#include "Foundation/BVMetadataItem.h"

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
    auto path = valueForAttribute(BVMetadataItemPathKey);
    return path && path->isString() ? path->stringValue() : BVValue(attributes_).description();
}
