#include "Foundation/BVValue.h"

#include <cmath>
#include <functional>
#include <sstream>

BVDate BVDate::now() {
    using namespace std::chrono;
    return BVDate{duration<double>(system_clock::now().time_since_epoch()).count()};
}

namespace {
const BVValue& nullValue() {
    static const BVValue v;
    return v;
}
const BVArray& emptyArray() {
    static const BVArray a;
    return a;
}
const BVDictionary& emptyDictionary() {
    static const BVDictionary d;
    return d;
}
}  // namespace

bool BVValue::boolValue(bool fallback) const {
    if (auto b = std::get_if<bool>(&storage_)) return *b;
    if (isNumber()) return doubleValue() != 0;
    if (auto s = std::get_if<std::string>(&storage_)) {
        if (*s == "YES" || *s == "true" || *s == "1") return true;
        if (*s == "NO" || *s == "false" || *s == "0") return false;
    }
    return fallback;
}

int64_t BVValue::int64Value(int64_t fallback) const {
    if (auto v = std::get_if<int64_t>(&storage_)) return *v;
    if (auto v = std::get_if<uint64_t>(&storage_)) return int64_t(*v);
    if (auto v = std::get_if<double>(&storage_)) return int64_t(*v);
    if (auto v = std::get_if<bool>(&storage_)) return *v ? 1 : 0;
    return fallback;
}

uint64_t BVValue::uint64Value(uint64_t fallback) const {
    if (auto v = std::get_if<uint64_t>(&storage_)) return *v;
    if (auto v = std::get_if<int64_t>(&storage_)) return uint64_t(*v);
    if (auto v = std::get_if<double>(&storage_)) return *v <= 0 ? 0 : uint64_t(*v);
    if (auto v = std::get_if<bool>(&storage_)) return *v ? 1 : 0;
    return fallback;
}

double BVValue::doubleValue(double fallback) const {
    if (auto v = std::get_if<double>(&storage_)) return *v;
    if (auto v = std::get_if<int64_t>(&storage_)) return double(*v);
    if (auto v = std::get_if<uint64_t>(&storage_)) return double(*v);
    if (auto v = std::get_if<bool>(&storage_)) return *v ? 1 : 0;
    return fallback;
}

std::string BVValue::stringValue(const std::string& fallback) const {
    if (auto s = std::get_if<std::string>(&storage_)) return *s;
    return fallback;
}

const BVData* BVValue::dataValue() const { return std::get_if<BVData>(&storage_); }

std::optional<BVDate> BVValue::dateValue() const {
    if (auto d = std::get_if<BVDate>(&storage_)) return *d;
    return std::nullopt;
}

const BVArray& BVValue::arrayValue() const {
    if (auto a = std::get_if<std::shared_ptr<const BVArray>>(&storage_)) return **a;
    return emptyArray();
}

const BVDictionary& BVValue::dictionaryValue() const {
    if (auto d = std::get_if<std::shared_ptr<const BVDictionary>>(&storage_)) return **d;
    return emptyDictionary();
}

const BVValue& BVValue::operator[](const std::string& key) const {
    const auto& d = dictionaryValue();
    auto it = d.find(key);
    return it == d.end() ? nullValue() : it->second;
}

bool BVValue::contains(const std::string& key) const { return dictionaryValue().count(key) > 0; }

bool BVValue::operator==(const BVValue& other) const {
    // Integers compare by value whatever their signedness, as property-list numbers do.
    if (isInteger() && other.isInteger()) {
        bool aNeg = std::holds_alternative<int64_t>(storage_) && std::get<int64_t>(storage_) < 0;
        bool bNeg = std::holds_alternative<int64_t>(other.storage_) && std::get<int64_t>(other.storage_) < 0;
        return aNeg == bNeg && uint64Value() == other.uint64Value();
    }
    if (storage_.index() != other.storage_.index()) return false;
    if (isArray()) return arrayValue() == other.arrayValue();
    if (isDictionary()) return dictionaryValue() == other.dictionaryValue();
    return storage_ == other.storage_;
}

size_t BVValue::hash() const {
    struct Hasher {
        size_t operator()(const BVNull&) const { return 0x9e3779b9; }
        size_t operator()(bool b) const { return b ? 1 : 0; }
        size_t operator()(int64_t v) const { return std::hash<uint64_t>{}(uint64_t(v)); }
        size_t operator()(uint64_t v) const { return std::hash<uint64_t>{}(v); }
        size_t operator()(double v) const { return std::hash<double>{}(v); }
        size_t operator()(const std::string& s) const { return std::hash<std::string>{}(s); }
        size_t operator()(const BVData& d) const { return std::hash<std::string>{}(d.bytes) ^ 0x5bd1e995; }
        size_t operator()(const BVDate& d) const { return std::hash<double>{}(d.secondsSince1970); }
        size_t operator()(const std::shared_ptr<const BVArray>& a) const {
            size_t h = a->size();
            for (const auto& v : *a) h = h * 31 + v.hash();
            return h;
        }
        size_t operator()(const std::shared_ptr<const BVDictionary>& d) const {
            size_t h = d->size();
            for (const auto& [k, v] : *d) h = h * 31 + (std::hash<std::string>{}(k) ^ v.hash());
            return h;
        }
    };
    return std::visit(Hasher{}, storage_);
}

std::string BVValue::description() const {
    struct Describer {
        std::string operator()(const BVNull&) const { return "<null>"; }
        std::string operator()(bool b) const { return b ? "1" : "0"; }
        std::string operator()(int64_t v) const { return std::to_string(v); }
        std::string operator()(uint64_t v) const { return std::to_string(v); }
        std::string operator()(double v) const {
            std::ostringstream o;
            o << v;
            return o.str();
        }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const BVData& d) const { return std::string(1, '<').append(std::to_string(d.bytes.size())).append(" bytes>"); }
        std::string operator()(const BVDate& d) const { return std::to_string(d.secondsSince1970); }
        std::string operator()(const std::shared_ptr<const BVArray>& a) const {
            std::string out = "(";
            for (size_t i = 0; i < a->size(); ++i) {
                if (i) out += ", ";
                out += (*a)[i].description();
            }
            return out + ")";
        }
        std::string operator()(const std::shared_ptr<const BVDictionary>& d) const {
            std::string out = "{";
            bool first = true;
            for (const auto& [k, v] : *d) {
                if (!first) out += "; ";
                out.append(k).append(" = ").append(v.description());
                first = false;
            }
            return out + "}";
        }
    };
    return std::visit(Describer{}, storage_);
}
