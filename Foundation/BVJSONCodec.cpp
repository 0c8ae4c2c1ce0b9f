#include "Foundation/BVJSONCodec.h"

#include <nlohmann/json.hpp>

#include "Foundation/BVBase64.h"

using nlohmann::json;

namespace {

BVValue fromJSON(const json& j) {
    switch (j.type()) {
        case json::value_t::null: return BVValue();
        case json::value_t::boolean: return BVValue(j.get<bool>());
        case json::value_t::number_integer: return BVValue(j.get<int64_t>());
        case json::value_t::number_unsigned: {
            uint64_t u = j.get<uint64_t>();
            if (u <= uint64_t(INT64_MAX)) return BVValue(int64_t(u));
            return BVValue(u);
        }
        case json::value_t::number_float: return BVValue(j.get<double>());
        case json::value_t::string: return BVValue(j.get<std::string>());
        case json::value_t::array: {
            BVArray a;
            a.reserve(j.size());
            for (const auto& e : j) a.push_back(fromJSON(e));
            return BVValue(std::move(a));
        }
        case json::value_t::object: {
            BVDictionary d;
            for (auto it = j.begin(); it != j.end(); ++it) d.emplace(it.key(), fromJSON(it.value()));
            return BVValue(std::move(d));
        }
        case json::value_t::binary: return BVValue(BVData{std::string(j.get_binary().begin(), j.get_binary().end())});
        default: return BVValue();
    }
}

json toJSON(const BVValue& v) {
    struct Visitor {
        json operator()(const BVNull&) const { return nullptr; }
        json operator()(bool b) const { return b; }
        json operator()(int64_t i) const { return i; }
        json operator()(uint64_t u) const { return u; }
        json operator()(double d) const { return d; }
        json operator()(const std::string& s) const { return s; }
        json operator()(const BVData& d) const { return BVBase64::encode(d.bytes); }
        json operator()(const BVDate& d) const { return d.secondsSince1970; }
        json operator()(const std::shared_ptr<const BVArray>& a) const {
            json out = json::array();
            for (const auto& e : *a) out.push_back(toJSON(e));
            return out;
        }
        json operator()(const std::shared_ptr<const BVDictionary>& d) const {
            json out = json::object();
            for (const auto& [k, e] : *d) out[k] = toJSON(e);
            return out;
        }
    };
    return std::visit(Visitor{}, v.storage());
}

}  // namespace

namespace BVJSONCodec {

std::optional<BVValue> decode(const std::string& text, std::string* error, bool allowComments) {
    if (text.size() > kMaximumInputBytes) {
        if (error) *error = "input larger than " + std::to_string(kMaximumInputBytes) + " bytes";
        return std::nullopt;
    }
    try {
        // A too-deep document is refused before the recursive parser sees it: count brackets.
        size_t depth = 0, maximum = 0;
        bool inString = false, escaped = false;
        for (char c : text) {
            if (inString) {
                if (escaped) escaped = false;
                else if (c == '\\') escaped = true;
                else if (c == '"') inString = false;
                continue;
            }
            if (c == '"') inString = true;
            else if (c == '[' || c == '{') maximum = std::max(maximum, ++depth);
            else if ((c == ']' || c == '}') && depth > 0) --depth;
        }
        if (maximum > kMaximumDepth) {
            if (error) *error = "nesting deeper than " + std::to_string(kMaximumDepth) + " levels";
            return std::nullopt;
        }
        return fromJSON(json::parse(text, nullptr, true, allowComments));
    } catch (const json::exception& e) {
        if (error) *error = e.what();
        return std::nullopt;
    }
}

std::string encode(const BVValue& value, int indent) {
    return toJSON(value).dump(indent, ' ', false, json::error_handler_t::replace);
}

}  // namespace BVJSONCodec
