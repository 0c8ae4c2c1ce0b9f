#include "Foundation/BVPhotos.h"

BVPhotosPredicatePtr BVPhotosPredicate::predicateWithProperty(std::string property, BVValue value) {
    return std::make_shared<const BVPhotosPredicate>(Kind::Equals, std::move(property), std::move(value),
                                                     std::vector<BVPhotosPredicatePtr>{});
}

BVPhotosPredicatePtr BVPhotosPredicate::andPredicate(std::vector<BVPhotosPredicatePtr> parts) {
    return std::make_shared<const BVPhotosPredicate>(Kind::And, std::string(), BVValue(), std::move(parts));
}

BVPhotosPredicatePtr BVPhotosPredicate::orPredicate(std::vector<BVPhotosPredicatePtr> parts) {
    return std::make_shared<const BVPhotosPredicate>(Kind::Or, std::string(), BVValue(), std::move(parts));
}

bool BVPhotosPredicate::evaluate(const BVDictionary& properties) const {
    switch (kind_) {
        case Kind::Equals: {
            auto found = properties.find(property_);
            return found != properties.end() && found->second == value_;
        }
        case Kind::And:
            for (const auto& p : parts_)
                if (p && !p->evaluate(properties)) return false;
            return true;
        case Kind::Or:
            for (const auto& p : parts_)
                if (p && p->evaluate(properties)) return true;
            return false;
    }
    return false;
}
