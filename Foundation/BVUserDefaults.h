// BVUserDefaults: the user defaults, a property-list file read at the moment of each use, so
// that a switch written by `brenvik defaults write` or by a test's fixture home takes effect at
// once. Writes are read-modify-write with an atomic replace; a damaged file reads as empty and
// is never overwritten by a read. Safe from any thread (writes are serialised in-process).
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Foundation/BVValue.h"

class BVUserDefaults {
public:
    // The defaults of the shared paths' layout and home.
    static std::shared_ptr<BVUserDefaults> standardUserDefaults();
    explicit BVUserDefaults(std::string filePath);

    std::optional<BVValue> objectForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;
    BVDictionary dictionaryRepresentation() const;

    // Each answers false, with a reason in `error`, when the file could not be written.
    bool setObject(const std::string& key, const BVValue& value, std::string* error = nullptr);
    bool removeObjectForKey(const std::string& key, std::string* error = nullptr);

    const std::string& filePath() const { return filePath_; }

private:
    BVDictionary read(bool* damaged) const;

    std::string filePath_;
    std::mutex writeMutex_;
};
