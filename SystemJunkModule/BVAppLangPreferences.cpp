#include "SystemJunkModule/BVAppLangPreferences.h"

#include <cctype>
#include <cstdlib>
#include <map>

#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVProcess.h"

namespace {

std::string lower(std::string text) {
    for (auto& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Folder names written as the language's English name, as older bundles have them.
const std::map<std::string, std::string>& namesInWords() {
    static const std::map<std::string, std::string> names{
        {"english", "en"},    {"french", "fr"},     {"german", "de"},    {"japanese", "ja"},   {"spanish", "es"},
        {"italian", "it"},    {"dutch", "nl"},      {"portuguese", "pt"}, {"swedish", "sv"},   {"danish", "da"},
        {"finnish", "fi"},    {"norwegian", "nb"},  {"russian", "ru"},   {"polish", "pl"},     {"korean", "ko"},
        {"chinese", "zh"},    {"czech", "cs"},      {"hungarian", "hu"}, {"turkish", "tr"},    {"greek", "el"},
        {"hebrew", "he"},     {"arabic", "ar"},     {"thai", "th"},      {"ukrainian", "uk"},  {"catalan", "ca"},
        {"croatian", "hr"},   {"romanian", "ro"},   {"slovak", "sk"},    {"vietnamese", "vi"}, {"indonesian", "id"},
        {"malay", "ms"},      {"hindi", "hi"},
    };
    return names;
}

// Language then region, "-" between them; the language lower-cased, the short names fixed.
std::string canonical(const std::string& text) {
    std::string code = text;
    for (auto& c : code)
        if (c == '_') c = '-';
    auto dash = code.find('-');
    std::string language = lower(code.substr(0, dash));
    std::string rest = dash == std::string::npos ? "" : code.substr(dash);
    if (auto found = namesInWords().find(language); found != namesInWords().end()) language = found->second;
    if (language == "ua") language = "uk";
    if (language == "jp") language = "ja";
    return language + rest;
}

}  // namespace

namespace BVLanguageCodes {

std::string baseCode(const std::string& code) {
    auto end = code.find_first_of("-_.@");
    return lower(code.substr(0, end));
}

std::string shortLanguageNameFromDirectoryTwoLetters(const std::string& name) {
    auto slash = name.find_last_of('/');
    std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    auto dot = lower(last).find(".lproj");
    if (dot == std::string::npos) return name;
    std::string stem = last.substr(0, dot);
    if (stem.empty()) return stem;
    return canonical(stem);
}

std::optional<std::string> localeFolderCode(const std::string& name) {
    if (name == "C" || name == "POSIX") return name;
    // language (2 or 3 letters), then optional _REGION, .charset and @modifier
    size_t i = 0;
    while (i < name.size() && std::islower(static_cast<unsigned char>(name[i]))) ++i;
    if (i < 2 || i > 3) return std::nullopt;
    for (size_t j = i; j < name.size(); ++j) {
        char c = name[j];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '.' || c == '-')) return std::nullopt;
    }
    if (i < name.size() && name[i] != '_' && name[i] != '@' && name[i] != '.') return std::nullopt;
    std::string code = canonical(name.substr(0, name.find('.')));
    return code;
}

}  // namespace BVLanguageCodes

BVAppLangPreferences::BVAppLangPreferences(const std::vector<std::string>& userLanguages) {
    for (const auto& language : userLanguages) {
        std::string code = canonical(language);
        std::string base = BVLanguageCodes::baseCode(code);
        if (!base.empty()) kept_.insert(base);
    }
}

BVAppLangPreferences BVAppLangPreferences::fromEnvironment() {
    std::vector<std::string> languages;
    if (const char* list = std::getenv("LANGUAGE")) {
        std::string text = list;
        size_t start = 0;
        while (start <= text.size()) {
            auto colon = text.find(':', start);
            languages.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(variable)) languages.emplace_back(value);
    std::string generated;
    BVProcess locale("/usr/bin/locale", {"-a"});
    locale.setTimeout(10);
    if (!locale.executeWithProgress(nullptr, BVStandardOutput{&generated})) {
        size_t start = 0;
        while (start < generated.size()) {
            auto end = generated.find('\n', start);
            languages.push_back(generated.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return BVAppLangPreferences(languages);
}

BVAppLangPreferences BVAppLangPreferences::fromGlobalPreferences(const std::string& file) {
    std::string error;
    auto preferences = BVPlistCodec::decodeFile(file, &error);
    std::vector<std::string> languages;
    if (preferences && preferences->isDictionary()) {
        for (const auto& language : (*preferences)["AppleLanguages"].arrayValue())
            if (language.isString()) languages.push_back(language.stringValue());
        if (auto locale = (*preferences)["AppleLocale"]; locale.isString()) languages.push_back(locale.stringValue());
    }
    if (languages.empty()) {
        BVLogger::warning("The user's languages could not be read from " + file + (error.empty() ? "" : ": " + error));
        return unknown();
    }
    return BVAppLangPreferences(languages);
}

BVAppLangPreferences BVAppLangPreferences::forLayout(const BVPaths& paths) {
    if (paths.layout() == BVLayout::macos)
        return fromGlobalPreferences(paths.home() + "/Library/Preferences/.GlobalPreferences.plist");
    return fromEnvironment();
}

BVAppLangPreferences BVAppLangPreferences::unknown() {
    BVAppLangPreferences preferences(std::vector<std::string>{});
    preferences.known_ = false;
    return preferences;
}

bool BVAppLangPreferences::shouldKeepLanguageWithCode(const std::string& code) const {
    return kept_.count(BVLanguageCodes::baseCode(canonical(code))) != 0;
}

bool BVAppLangPreferences::isProtectedISOCode(const std::string& code) const {
    std::string base = BVLanguageCodes::baseCode(code);
    return base == "en" || base == "c" || base == "posix" || base == "base";
}
