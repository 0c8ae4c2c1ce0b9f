#include "Foundation/BVError.h"

#include <cstring>

BVError::BVError(std::string domain, int64_t code, BVDictionary userInfo)
    : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)) {}

BVError BVError::withDescription(std::string domain, int64_t code, const std::string& description) {
    return BVError(std::move(domain), code, BVDictionary{{BVLocalizedDescriptionKey, BVValue(description)}});
}

BVError BVError::fromErrno(int errnoValue, const std::string& path) {
    BVDictionary info{{BVLocalizedDescriptionKey,
                       BVValue(path.empty() ? std::string(std::strerror(errnoValue))
                                            : path + ": " + std::strerror(errnoValue))}};
    if (!path.empty()) info[BVFilePathErrorKey] = BVValue(path);
    return BVError(BVPOSIXErrorDomain, errnoValue, std::move(info));
}

BVError BVError::fromErrno(int errnoValue, const std::string& path, const std::string& reason) {
    BVDictionary info{{BVLocalizedDescriptionKey, BVValue(path.empty() ? reason : path + ": " + reason)}};
    if (!path.empty()) info[BVFilePathErrorKey] = BVValue(path);
    return BVError(BVPOSIXErrorDomain, errnoValue, std::move(info));
}

BVError BVError::forPath(const std::string& path) const {
    auto it = userInfo_.find(BVFilePathErrorKey);
    if (it == userInfo_.end() || !it->second.isString()) return *this;
    std::string old = it->second.stringValue(), description = localizedDescription();
    if (description.compare(0, old.size() + 2, old + ": ") == 0) description = path + description.substr(old.size());
    BVDictionary info = userInfo_;
    info[BVFilePathErrorKey] = BVValue(path);
    info[BVLocalizedDescriptionKey] = BVValue(description);
    return BVError(domain_, code_, std::move(info));
}

int BVError::posixCode() const { return domain_ == BVPOSIXErrorDomain ? int(code_) : 0; }

std::string BVError::localizedDescription() const {
    auto it = userInfo_.find(BVLocalizedDescriptionKey);
    if (it != userInfo_.end() && it->second.isString()) return it->second.stringValue();
    return "The operation couldn't be completed. (" + domain_ + " error " + std::to_string(code_) + ".)";
}

bool BVError::operator==(const BVError& other) const {
    return domain_ == other.domain_ && code_ == other.code_ && userInfo_ == other.userInfo_;
}

size_t BVError::hash() const { return std::hash<std::string>{}(domain_) ^ std::hash<int64_t>{}(code_); }
