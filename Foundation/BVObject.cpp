#include "Foundation/BVObject.h"

std::shared_ptr<const BVURL> BVURL::fileURLWithPath(std::string path, bool isDirectory) {
    return std::make_shared<const BVURL>(std::move(path), isDirectory);
}

bool BVURL::isEqual(const BVObject& other) const {
    // Two URLs of one path are the same item whether or not one was made as a directory URL.
    auto* o = dynamic_cast<const BVURL*>(&other);
    return o && o->path_ == path_;
}

std::shared_ptr<const BVValueObject> BVValueObject::with(BVValue value) {
    return std::make_shared<const BVValueObject>(std::move(value));
}

std::shared_ptr<const BVValueObject> BVValueObject::null() {
    static auto n = std::make_shared<const BVValueObject>(BVValue());
    return n;
}

bool BVValueObject::isEqual(const BVObject& other) const {
    auto* o = dynamic_cast<const BVValueObject*>(&other);
    return o && o->value_ == value_;
}
