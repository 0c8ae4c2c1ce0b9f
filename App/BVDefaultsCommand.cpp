#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "App/BVCommands.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVUserDefaults.h"

namespace {

std::optional<bool> asBool(const std::string& t) {
    if (t == "true" || t == "YES" || t == "yes" || t == "1") return true;
    if (t == "false" || t == "NO" || t == "no" || t == "0") return false;
    return std::nullopt;
}

std::optional<int64_t> asInt(const std::string& t) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (t.empty() || *end || errno) return std::nullopt;
    return int64_t(v);
}

std::optional<double> asDouble(const std::string& t) {
    char* end = nullptr;
    double d = std::strtod(t.c_str(), &end);
    if (t.empty() || *end) return std::nullopt;
    return d;
}

// The value a user typed, as the type asked for, or else the most likely type.
std::optional<BVValue> parseValue(const std::string& text, const std::string& type) {
    if (type == "string") return BVValue(text);
    if (type == "bool") {
        if (auto b = asBool(text)) return BVValue(*b);
        return std::nullopt;
    }
    if (type == "int") {
        if (auto i = asInt(text)) return BVValue(*i);
        return std::nullopt;
    }
    if (type == "float") {
        if (auto d = asDouble(text)) return BVValue(*d);
        return std::nullopt;
    }
    if (text == "true" || text == "false" || text == "YES" || text == "NO") return BVValue(*asBool(text));
    if (auto i = asInt(text)) return BVValue(*i);
    if (auto d = asDouble(text)) return BVValue(*d);
    return BVValue(text);
}

}  // namespace

int BVCommandDefaults(const BVCommandContext& c) {
    BVUserDefaults defaults(c.paths.userDefaultsFile());
    const auto& o = c.options;
    if (o.defaultsAction == "read") {
        if (o.defaultsKey.empty()) {
            BVWriteOutput(BVJSONCodec::encode(BVValue(defaults.dictionaryRepresentation()), 2) + "\n");
            return 0;
        }
        auto v = defaults.objectForKey(o.defaultsKey);
        if (!v) {
            std::fprintf(stderr, "brenvik: the default %s does not exist\n", o.defaultsKey.c_str());
            return 1;
        }
        BVWriteOutput((v->isString() ? v->stringValue() : BVJSONCodec::encode(*v)) + "\n");
        return 0;
    }
    if (o.defaultsKey.empty()) {
        std::fprintf(stderr, "brenvik: defaults %s needs a KEY\n", o.defaultsAction.c_str());
        return 2;
    }
    std::string error;
    if (o.defaultsAction == "write") {
        if (o.defaultsValue.empty() && o.defaultsType != "string") {
            std::fprintf(stderr, "brenvik: defaults write needs a VALUE\n");
            return 2;
        }
        auto value = parseValue(o.defaultsValue, o.defaultsType);
        if (!value) {
            std::fprintf(stderr, "brenvik: '%s' is not a %s\n", o.defaultsValue.c_str(), o.defaultsType.c_str());
            return 2;
        }
        if (!defaults.setObject(o.defaultsKey, *value, &error)) {
            std::fprintf(stderr, "brenvik: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (!defaults.removeObjectForKey(o.defaultsKey, &error)) {
        std::fprintf(stderr, "brenvik: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
