// BVObject: what an entity stands for (its value): a file URL, a name, a process record, a
// browser record. Values compare by content and describe themselves as text for output.
// Immutable once built; safe to share between threads.
#pragma once

#include <memory>
#include <string>

#include "Foundation/BVValue.h"

class BVObject {
public:
    virtual ~BVObject() = default;
    virtual bool isEqual(const BVObject& other) const = 0;
    virtual size_t hash() const = 0;
    virtual std::string description() const = 0;
};

using BVObjectPtr = std::shared_ptr<const BVObject>;

inline bool BVObjectsEqual(const BVObjectPtr& a, const BVObjectPtr& b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return a->isEqual(*b);
}

// A file URL: an absolute path; `isDirectory` records how it was made (a directory URL).
class BVURL final : public BVObject {
public:
    static std::shared_ptr<const BVURL> fileURLWithPath(std::string path, bool isDirectory = false);
    BVURL(std::string path, bool isDirectory) : path_(std::move(path)), isDirectory_(isDirectory) {}
    const std::string& path() const { return path_; }
    bool isDirectory() const { return isDirectory_; }
    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(path_); }
    std::string description() const override { return path_; }

private:
    std::string path_;
    bool isDirectory_;
};

using BVURLPtr = std::shared_ptr<const BVURL>;

// A plain property-list value as an entity value (identifiers, names, the null marker).
class BVValueObject final : public BVObject {
public:
    static std::shared_ptr<const BVValueObject> with(BVValue value);
    static std::shared_ptr<const BVValueObject> null();
    explicit BVValueObject(BVValue value) : value_(std::move(value)) {}
    const BVValue& value() const { return value_; }
    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return value_.hash(); }
    std::string description() const override { return value_.description(); }

private:
    BVValue value_;
};
