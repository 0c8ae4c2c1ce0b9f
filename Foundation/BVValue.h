// BVValue: the one property-list value type of the engine.
//
// It carries item-info dictionaries, user info of errors, AdditionalInfo blobs, canned JSON
// results, user defaults and parsed property lists. A value is immutable once built and cheap to
// copy (arrays and dictionaries share their storage), so it may be handed between threads freely.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class BVValue;
using BVArray = std::vector<BVValue>;
using BVDictionary = std::map<std::string, BVValue>;

// The null marker (the platform's null object).
struct BVNull {
    bool operator==(const BVNull&) const = default;
};

// Raw bytes, kept apart from text so that codecs can tell them apart.
struct BVData {
    std::string bytes;
    bool operator==(const BVData&) const = default;
};

// A moment in time, seconds since 1970-01-01 UTC, with sub-second precision.
struct BVDate {
    double secondsSince1970 = 0;
    static BVDate now();
    bool operator==(const BVDate&) const = default;
};

class BVValue {
public:
    using Storage = std::variant<BVNull, bool, int64_t, uint64_t, double, std::string, BVData, BVDate,
                                 std::shared_ptr<const BVArray>, std::shared_ptr<const BVDictionary>>;

    BVValue() : storage_(BVNull{}) {}
    BVValue(BVNull n) : storage_(n) {}
    BVValue(bool b) : storage_(b) {}
    BVValue(int v) : storage_(int64_t(v)) {}
    BVValue(int64_t v) : storage_(v) {}
    BVValue(uint64_t v) : storage_(v) {}
    BVValue(double v) : storage_(v) {}
    BVValue(const char* s) : storage_(std::string(s)) {}
    BVValue(std::string s) : storage_(std::move(s)) {}
    BVValue(BVData d) : storage_(std::move(d)) {}
    BVValue(BVDate d) : storage_(d) {}
    BVValue(BVArray a) : storage_(std::make_shared<const BVArray>(std::move(a))) {}
    BVValue(BVDictionary d) : storage_(std::make_shared<const BVDictionary>(std::move(d))) {}

    bool isNull() const { return std::holds_alternative<BVNull>(storage_); }
    bool isBool() const { return std::holds_alternative<bool>(storage_); }
    bool isInteger() const { return std::holds_alternative<int64_t>(storage_) || std::holds_alternative<uint64_t>(storage_); }
    bool isNumber() const { return isInteger() || std::holds_alternative<double>(storage_); }
    bool isString() const { return std::holds_alternative<std::string>(storage_); }
    bool isData() const { return std::holds_alternative<BVData>(storage_); }
    bool isDate() const { return std::holds_alternative<BVDate>(storage_); }
    bool isArray() const { return std::holds_alternative<std::shared_ptr<const BVArray>>(storage_); }
    bool isDictionary() const { return std::holds_alternative<std::shared_ptr<const BVDictionary>>(storage_); }

    // Typed reads: the value when it has that type, else the fallback. Numbers convert among
    // themselves (a bool reads as 0 or 1), as property-list numbers do.
    bool boolValue(bool fallback = false) const;
    int64_t int64Value(int64_t fallback = 0) const;
    uint64_t uint64Value(uint64_t fallback = 0) const;
    double doubleValue(double fallback = 0) const;
    std::string stringValue(const std::string& fallback = {}) const;
    const BVData* dataValue() const;
    std::optional<BVDate> dateValue() const;
    const BVArray& arrayValue() const;            // empty array when not an array
    const BVDictionary& dictionaryValue() const;  // empty dictionary when not a dictionary

    // Dictionary lookup; the null value when absent or when this is not a dictionary.
    const BVValue& operator[](const std::string& key) const;
    bool contains(const std::string& key) const;

    const Storage& storage() const { return storage_; }
    bool operator==(const BVValue& other) const;
    size_t hash() const;
    // Short human text: strings as they are, numbers in decimal, containers in JSON-like form.
    std::string description() const;

private:
    Storage storage_;
};

template <>
struct std::hash<BVValue> {
    size_t operator()(const BVValue& v) const { return v.hash(); }
};
