// Text and icon descriptions of an ignore-list entry, as stored in the entry's display-information
// dictionary ("nameInfo", "descriptionInfo", "iconInfo") and shown by ignore-list screens.
//
// A text description is literal ("name"), a string-table key ("copy", with its "table"), a
// language code ("lang", shown as the language's name) or a format ("format": the localized
// format "lhs" with the argument "rhs" filled in). An icon description names where the icon comes
// from ("apps", "path", "lang", "name", "device", "ios") and its value. A description is only made
// when both its value and its type are non-empty: the factories answer none otherwise.
//
// Immutable values; any thread. `displayText` reads the string tables, which are safe to share.
#pragma once

#include <memory>
#include <string>

#include "Foundation/BVValue.h"

class BVIgnoreListMigrationTextInfo;
using BVIgnoreListMigrationTextInfoPtr = std::shared_ptr<const BVIgnoreListMigrationTextInfo>;

class BVIgnoreListMigrationTextInfo {
public:
    static BVIgnoreListMigrationTextInfoPtr textInfoForName(const std::string& name);
    static BVIgnoreListMigrationTextInfoPtr textInfoForLocalized(const std::string& key, const std::string& table);
    static BVIgnoreListMigrationTextInfoPtr textInfoForLocalizedPreferences(const std::string& key);
    static BVIgnoreListMigrationTextInfoPtr textInfoForLocalizedLegacy(const std::string& key);
    static BVIgnoreListMigrationTextInfoPtr textInfoForLocalizedSystemJunk(const std::string& key);
    static BVIgnoreListMigrationTextInfoPtr textInfoForLanguage(const std::string& languageCode);
    static BVIgnoreListMigrationTextInfoPtr textInfoForLocalizedFormat(const std::string& formatKey, const std::string& table,
                                                                       const std::string& argument);
    static BVIgnoreListMigrationTextInfoPtr textInfoForLocalizedLegacyFormat(const std::string& formatKey,
                                                                             const std::string& argument);
    // From a stored dictionary; none when it is not a valid description.
    static BVIgnoreListMigrationTextInfoPtr fromDictionary(const BVValue& dictionary);

    const std::string& value() const { return value_; }
    const std::string& type() const { return type_; }
    const std::string& localizedTable() const { return localizedTable_; }
    const BVIgnoreListMigrationTextInfoPtr& lhs() const { return lhs_; }
    const BVIgnoreListMigrationTextInfoPtr& rhs() const { return rhs_; }

    // {"type", "value", "table" when set}; a format adds "lhs" and "rhs" in the same form.
    BVDictionary dictionaryValue() const;
    // The text as shown: a missing key shows as the key itself, an unknown language as its code.
    std::string displayText() const;

    BVIgnoreListMigrationTextInfo(std::string value, std::string type, std::string table = {},
                                  BVIgnoreListMigrationTextInfoPtr lhs = nullptr, BVIgnoreListMigrationTextInfoPtr rhs = nullptr)
        : value_(std::move(value)), type_(std::move(type)), localizedTable_(std::move(table)), lhs_(std::move(lhs)),
          rhs_(std::move(rhs)) {}

private:
    std::string value_, type_, localizedTable_;
    BVIgnoreListMigrationTextInfoPtr lhs_, rhs_;
};

class BVIgnoreListMigrationIconInfo;
using BVIgnoreListMigrationIconInfoPtr = std::shared_ptr<const BVIgnoreListMigrationIconInfo>;

class BVIgnoreListMigrationIconInfo {
public:
    static BVIgnoreListMigrationIconInfoPtr iconInfoForApp(const std::string& bundleIdentifier);
    static BVIgnoreListMigrationIconInfoPtr iconInfoForPath(const std::string& path);
    static BVIgnoreListMigrationIconInfoPtr iconInfoForLang(const std::string& languageCode);
    static BVIgnoreListMigrationIconInfoPtr iconInfoForName(const std::string& imageName);
    static BVIgnoreListMigrationIconInfoPtr iconInfoForDeviceType(const std::string& productType);
    static BVIgnoreListMigrationIconInfoPtr iconInfoForIPA(const std::string& archivePath);
    static BVIgnoreListMigrationIconInfoPtr fromDictionary(const BVValue& dictionary);

    const std::string& value() const { return value_; }
    const std::string& type() const { return type_; }
    BVDictionary dictionaryValue() const { return {{"type", type_}, {"value", value_}}; }

    BVIgnoreListMigrationIconInfo(std::string value, std::string type) : value_(std::move(value)), type_(std::move(type)) {}

private:
    std::string value_, type_;
};

// The display-information keys and text types.
inline constexpr const char* BVIgnoreDisplayNameInfoKey = "nameInfo";
inline constexpr const char* BVIgnoreDisplayDescriptionInfoKey = "descriptionInfo";
inline constexpr const char* BVIgnoreDisplayIconInfoKey = "iconInfo";
inline constexpr const char* BVIgnoreDisplayPathKey = "path";
