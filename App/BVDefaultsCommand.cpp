// `brenvik defaults read [KEY] | read --known | write KEY VALUE | delete KEY`: the user defaults.
// A write names a key some part of the program reads (or is forced), is checked against the
// kind of value that key takes, and says what was stored.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "App/BVCommands.h"
#include "App/BVKnownDefaults.h"
#include "App/BVSuggestions.h"
#include "Foundation/BVASCIICase.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVUTF8.h"
#include "Foundation/BVUserDefaults.h"

namespace {

std::optional<bool> asBool(const std::string& text, bool digitsToo) {
    std::string t = BVASCIILowercase(text);
    if (t == "true" || t == "yes" || (digitsToo && t == "1")) return true;
    if (t == "false" || t == "no" || (digitsToo && t == "0")) return false;
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
    errno = 0;
    double d = std::strtod(t.c_str(), &end);
    if (t.empty() || *end || errno) return std::nullopt;
    return d;
}

// The value as the type asked for; without one, the most likely type (yes/no/true/false are
// booleans, then whole numbers, then decimals, else text).
std::optional<BVValue> parseValue(const std::string& text, const std::string& type) {
    if (type == "string") return BVValue(text);
    if (type == "bool") {
        if (auto b = asBool(text, true)) return BVValue(*b);
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
    if (auto b = asBool(text, false)) return BVValue(*b);
    if (auto i = asInt(text)) return BVValue(*i);
    if (auto d = asDouble(text)) return BVValue(*d);
    return BVValue(text);
}

std::string typeOf(const BVValue& value) {
    if (value.isBool()) return "bool";
    if (value.isInteger()) return "int";
    if (value.isNumber()) return "float";
    return "string";
}

std::string shown(const BVValue& value) { return value.isString() ? value.stringValue() : BVJSONCodec::encode(value); }

// A key or value typed on the command line must be text that the file can hold and a listing
// can show as it is.
bool acceptableText(const std::string& what, const std::string& text) {
    if (!BVIsValidUTF8(text)) {
        std::fprintf(stderr, "brenvik: the %s is not UTF-8 text\n", what.c_str());
        return false;
    }
    if (BVHasControlCharacter(text)) {
        std::fprintf(stderr, "brenvik: the %s holds a control character (a tab, a new line or the like)\n", what.c_str());
        return false;
    }
    return true;
}

int listKnown(const BVCommandContext& c) {
    if (c.options.json) {
        BVArray list;
        for (const auto& known : BVKnownDefaults())
            list.push_back(BVValue(BVDictionary{{"key", BVValue(known.key)},
                                                {"type", BVValue(BVDefaultKindName(known.kind))},
                                                {"meaning", BVValue(known.meaning)}}));
        BVWriteOutput(BVJSONCodec::encode(BVValue(BVDictionary{{"known", BVValue(std::move(list))}}), 2) + "\n");
        return 0;
    }
    size_t width = 0;
    for (const auto& known : BVKnownDefaults()) width = std::max(width, known.key.size());
    std::string text;
    for (const auto& known : BVKnownDefaults()) {
        std::string kind = BVDefaultKindName(known.kind);
        text += known.key + std::string(width - known.key.size() + 2, ' ') + kind + std::string(8 - kind.size(), ' ') +
                known.meaning + "\n";
    }
    BVWriteOutput(text);
    return 0;
}

std::vector<std::string> knownKeys() {
    std::vector<std::string> keys;
    for (const auto& known : BVKnownDefaults()) keys.push_back(known.key);
    return keys;
}

int write(const BVCommandContext& c, BVUserDefaults& defaults) {
    const auto& o = c.options;
    if (!acceptableText("key", o.defaultsKey) || !acceptableText("value", o.defaultsValue)) return 2;
    if (o.defaultsValue.empty() && o.defaultsType != "string") {
        std::fprintf(stderr, "brenvik: defaults write needs a VALUE (an empty text is written with --type string)\n");
        return 2;
    }
    const BVKnownDefault* known = BVKnownDefaultNamed(o.defaultsKey);
    if (!known && !o.force) {
        std::fprintf(stderr,
                     "brenvik: no part of brenvik reads the default '%s'%s; `brenvik defaults read --known` lists those "
                     "it reads, and --force stores it anyway\n",
                     o.defaultsKey.c_str(), BVDidYouMean(o.defaultsKey, knownKeys()).c_str());
        return 2;
    }
    std::string type = o.defaultsType;
    if (known) {
        std::string expected = BVDefaultKindName(known->kind);
        if (!type.empty() && type != expected && !o.force) {
            std::fprintf(stderr, "brenvik: %s takes a %s, not a %s (--force stores it anyway)\n", known->key.c_str(),
                         expected.c_str(), type.c_str());
            return 2;
        }
        if (type.empty()) type = expected;
    }
    auto value = parseValue(o.defaultsValue, type);
    if (!value) {
        std::fprintf(stderr, "brenvik: '%s' is not a %s%s\n", o.defaultsValue.c_str(), type.c_str(),
                     type == "bool" ? " (yes, no, true or false)" : "");
        return 2;
    }
    std::string error;
    if (!defaults.setObject(o.defaultsKey, *value, &error)) {
        std::fprintf(stderr, "brenvik: %s\n", error.c_str());
        return 1;
    }
    BVWriteOutput(o.defaultsKey + " = " + shown(*value) + " (" + typeOf(*value) + ")\n");
    return 0;
}

}  // namespace

int BVCommandDefaults(const BVCommandContext& c) {
    BVUserDefaults defaults(c.paths.userDefaultsFile());
    const auto& o = c.options;
    if (o.defaultsAction == "read") {
        if (o.defaultsKnown) return listKnown(c);
        if (o.defaultsKey.empty()) {
            BVWriteOutput(BVJSONCodec::encode(BVValue(defaults.dictionaryRepresentation()), 2) + "\n");
            return 0;
        }
        auto v = defaults.objectForKey(o.defaultsKey);
        if (!v) {
            std::fprintf(stderr, "brenvik: the default %s is not set\n", o.defaultsKey.c_str());
            return 1;
        }
        BVWriteOutput(shown(*v) + "\n");
        return 0;
    }
    if (o.defaultsKey.empty()) {
        std::fprintf(stderr, "brenvik: defaults %s needs a KEY\n", o.defaultsAction.c_str());
        return 2;
    }
    if (o.defaultsAction == "write") return write(c, defaults);
    if (!defaults.objectForKey(o.defaultsKey)) {
        std::fprintf(stderr, "brenvik: the default %s is not set\n", o.defaultsKey.c_str());
        return 1;
    }
    std::string error;
    if (!defaults.removeObjectForKey(o.defaultsKey, &error)) {
        std::fprintf(stderr, "brenvik: %s\n", error.c_str());
        return 1;
    }
    BVWriteOutput(o.defaultsKey + " deleted\n");
    return 0;
}
