#include "Foundation/BVUserDefaults.h"

#include <sys/stat.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVPlistCodec.h"

std::shared_ptr<BVUserDefaults> BVUserDefaults::standardUserDefaults() {
    auto paths = BVPaths::sharedInstance();
    return std::make_shared<BVUserDefaults>(paths->userDefaultsFile());
}

BVUserDefaults::BVUserDefaults(std::string filePath) : filePath_(std::move(filePath)) {}

BVDictionary BVUserDefaults::read(bool* damaged) const {
    if (damaged) *damaged = false;
    struct stat st {};
    if (::stat(filePath_.c_str(), &st) != 0) return {};
    std::string error;
    auto value = BVPlistCodec::decodeFile(filePath_, &error);
    if (!value || !value->isDictionary()) {
        if (damaged) *damaged = true;
        BVLogger::error("[defaults] cannot read " + filePath_ + ": " + (value ? "not a dictionary" : error));
        return {};
    }
    return value->dictionaryValue();
}

std::optional<BVValue> BVUserDefaults::objectForKey(const std::string& key) const {
    auto all = read(nullptr);
    auto it = all.find(key);
    if (it == all.end()) return std::nullopt;
    return it->second;
}

bool BVUserDefaults::boolForKey(const std::string& key) const {
    auto v = objectForKey(key);
    return v && v->boolValue(false);
}

BVDictionary BVUserDefaults::dictionaryRepresentation() const { return read(nullptr); }

bool BVUserDefaults::setObject(const std::string& key, const BVValue& value, std::string* error) {
    std::lock_guard lock(writeMutex_);
    bool damaged = false;
    auto all = read(&damaged);
    if (damaged) {
        if (error) *error = "the defaults file " + filePath_ + " is damaged; it is left as it is";
        return false;
    }
    all[key] = value;
    if (!BVFileIO::createDirectories(BVFileIO::parentPath(filePath_), error)) return false;
    return BVPlistCodec::encodeToFile(BVValue(std::move(all)), filePath_, BVPlistCodec::Format::XML, error);
}

bool BVUserDefaults::removeObjectForKey(const std::string& key, std::string* error) {
    std::lock_guard lock(writeMutex_);
    bool damaged = false;
    auto all = read(&damaged);
    if (damaged) {
        if (error) *error = "the defaults file " + filePath_ + " is damaged; it is left as it is";
        return false;
    }
    if (all.erase(key) == 0) return true;
    return BVPlistCodec::encodeToFile(BVValue(std::move(all)), filePath_, BVPlistCodec::Format::XML, error);
}
