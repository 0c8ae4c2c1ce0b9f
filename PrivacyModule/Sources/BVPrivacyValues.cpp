#include "PrivacyModule/Sources/BVPrivacyValues.h"

bool BVPrivacySiteObject::isEqual(const BVObject& other) const {
    auto site = dynamic_cast<const BVPrivacySiteObject*>(&other);
    return site && site->name_ == name_;
}

std::string BVPrivacySiteObject::description() const {
    uint64_t n = count();
    std::string shown = name_.empty() ? std::string("(no host)") : name_;
    return shown + " (" + std::to_string(n) + " " + (n == 1 ? unit_ : units_) + ")";
}

bool BVPrivacyRecordObject::isEqual(const BVObject& other) const {
    auto record = dynamic_cast<const BVPrivacyRecordObject*>(&other);
    return record && record->record_ == record_;
}
