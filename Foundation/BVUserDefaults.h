// BVUserDefaults: the user defaults, a property-list file looked at the moment of each use, so
// that a switch written by `brenvik defaults write` or by a test's fixture home takes effect at
// once. The parsed file is kept, per path and for the whole process, and parsed again only when
// its inode, size or modification time changed; so a damaged file is reported once, not at
// every read. Writes are read-modify-write with an atomic replace, serialised in this process; a
// damaged file reads as empty and is never overwritten. Safe from any thread.
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
};
