#include "KnowledgeBase/BVIgnoreListDescriptions.h"

#include <unicode/locid.h>
#include <unicode/uloc.h>
#include <unicode/unistr.h>

#include "Foundation/BVLocalizedStrings.h"

namespace {

using TextPtr = BVIgnoreListMigrationTextInfoPtr;
using IconPtr = BVIgnoreListMigrationIconInfoPtr;

TextPtr makeText(const std::string& value, const std::string& type, const std::string& table = {}, TextPtr lhs = nullptr,
                 TextPtr rhs = nullptr) {
    if (value.empty() || type.empty()) return nullptr;
    return std::make_shared<BVIgnoreListMigrationTextInfo>(value, type, table, std::move(lhs), std::move(rhs));
}

IconPtr makeIcon(const std::string& value, const std::string& type) {
    if (value.empty() || type.empty()) return nullptr;
    return std::make_shared<BVIgnoreListMigrationIconInfo>(value, type);
}

bool knownTextType(const std::string& type) {
    return type == "name" || type == "copy" || type == "lang" || type == "format";
}

bool knownIconType(const std::string& type) {
    return type == "apps" || type == "path" || type == "lang" || type == "name" || type == "device" || type == "ios";
}

// The language's English name ("de" -> "German", "pt_BR" -> "Portuguese (Brazil)"): the string
// tables are English, so the language names are too. ICU answers the code for one it does not know.
std::string languageName(const std::string& code) {
    char canonical[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    // Both "pt-BR" and "pt_BR" occur in stored entries.
    uloc_forLanguageTag(code.c_str(), canonical, sizeof canonical, nullptr, &status);
    icu::Locale locale(U_SUCCESS(status) && canonical[0] ? canonical : code.c_str());
    if (locale.isBogus() || !locale.getLanguage()[0]) return code;
    icu::UnicodeString name;
    locale.getDisplayName(icu::Locale::getEnglish(), name);
    std::string out;
    name.toUTF8String(out);
    return out.empty() ? code : out;
}

}  // namespace

TextPtr BVIgnoreListMigrationTextInfo::textInfoForName(const std::string& name) { return makeText(name, "name"); }

TextPtr BVIgnoreListMigrationTextInfo::textInfoForLocalized(const std::string& key, const std::string& table) {
    return makeText(key, "copy", table);
}

TextPtr BVIgnoreListMigrationTextInfo::textInfoForLocalizedPreferences(const std::string& key) {
    return textInfoForLocalized(key, "Preferences");
}

TextPtr BVIgnoreListMigrationTextInfo::textInfoForLocalizedLegacy(const std::string& key) {
    return textInfoForLocalized(key, "Legacy");
}

TextPtr BVIgnoreListMigrationTextInfo::textInfoForLocalizedSystemJunk(const std::string& key) {
    return textInfoForLocalized(key, "SystemJunkModule");
}

TextPtr BVIgnoreListMigrationTextInfo::textInfoForLanguage(const std::string& languageCode) {
    return makeText(languageCode, "lang");
}

TextPtr BVIgnoreListMigrationTextInfo::textInfoForLocalizedFormat(const std::string& formatKey, const std::string& table,
                                                                  const std::string& argument) {
    auto lhs = textInfoForLocalized(formatKey, table);
    auto rhs = textInfoForName(argument);
    if (!lhs || !rhs) return nullptr;
    return makeText(argument, "format", {}, lhs, rhs);
}

TextPtr BVIgnoreListMigrationTextInfo::textInfoForLocalizedLegacyFormat(const std::string& formatKey,
                                                                        const std::string& argument) {
    return textInfoForLocalizedFormat(formatKey, "Legacy", argument);
}

TextPtr BVIgnoreListMigrationTextInfo::fromDictionary(const BVValue& dictionary) {
    if (!dictionary.isDictionary()) return nullptr;
    std::string type = dictionary["type"].stringValue();
    if (!knownTextType(type)) return nullptr;
    std::string value = dictionary["value"].stringValue();
    std::string table = dictionary["table"].stringValue();
    if (type == "copy" && table.empty()) return nullptr;
    if (type != "format") return makeText(value, type, table);
    // A format needs its format text and its argument; one nested level is all a format has.
    auto lhs = dictionary["lhs"]["type"].stringValue() == "format" ? nullptr : fromDictionary(dictionary["lhs"]);
    auto rhs = dictionary["rhs"]["type"].stringValue() == "format" ? nullptr : fromDictionary(dictionary["rhs"]);
    if (!lhs || !rhs) return nullptr;
    return makeText(value, type, table, lhs, rhs);
}

BVDictionary BVIgnoreListMigrationTextInfo::dictionaryValue() const {
    BVDictionary out{{"type", type_}, {"value", value_}};
    if (!localizedTable_.empty()) out["table"] = localizedTable_;
    if (lhs_) out["lhs"] = lhs_->dictionaryValue();
    if (rhs_) out["rhs"] = rhs_->dictionaryValue();
    return out;
}

std::string BVIgnoreListMigrationTextInfo::displayText() const {
    if (type_ == "copy") return BVLocalizedString(localizedTable_, value_, value_);
    if (type_ == "lang") return languageName(value_);
    if (type_ == "format" && lhs_ && rhs_) return BVFormatLocalized(lhs_->displayText(), {rhs_->displayText()});
    return value_;
}

IconPtr BVIgnoreListMigrationIconInfo::iconInfoForApp(const std::string& bundleIdentifier) {
    return makeIcon(bundleIdentifier, "apps");
}
IconPtr BVIgnoreListMigrationIconInfo::iconInfoForPath(const std::string& path) { return makeIcon(path, "path"); }
IconPtr BVIgnoreListMigrationIconInfo::iconInfoForLang(const std::string& languageCode) { return makeIcon(languageCode, "lang"); }
IconPtr BVIgnoreListMigrationIconInfo::iconInfoForName(const std::string& imageName) { return makeIcon(imageName, "name"); }
IconPtr BVIgnoreListMigrationIconInfo::iconInfoForDeviceType(const std::string& productType) {
    return makeIcon(productType, "device");
}
IconPtr BVIgnoreListMigrationIconInfo::iconInfoForIPA(const std::string& archivePath) { return makeIcon(archivePath, "ios"); }

IconPtr BVIgnoreListMigrationIconInfo::fromDictionary(const BVValue& dictionary) {
    if (!dictionary.isDictionary() || !knownIconType(dictionary["type"].stringValue())) return nullptr;
    return makeIcon(dictionary["value"].stringValue(), dictionary["type"].stringValue());
}
