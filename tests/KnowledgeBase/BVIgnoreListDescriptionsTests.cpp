// Text and icon descriptions of ignore-list entries: what the factories make, what survives a trip
// through a stored binary property list, and how each text type is shown.
#include <gtest/gtest.h>

#include "Foundation/BVPlistCodec.h"
#include "KnowledgeBase/BVIgnoreListDescriptions.h"

using Text = BVIgnoreListMigrationTextInfo;
using Icon = BVIgnoreListMigrationIconInfo;

namespace {

// Encodes as the AdditionalInfo column does and reads back.
BVValue throughBinaryPlist(const BVDictionary& dictionary) {
    auto decoded = BVPlistCodec::decode(BVPlistCodec::encode(BVValue(dictionary)));
    return decoded ? *decoded : BVValue();
}

}  // namespace

TEST(BVIgnoreListDescriptions, TextsSurviveTheStoredDictionary) {
    struct Case {
        BVIgnoreListMigrationTextInfoPtr text;
        std::string type, value, table;
    } cases[] = {
        {Text::textInfoForName("Old Downloads"), "name", "Old Downloads", ""},
        {Text::textInfoForLocalizedPreferences("IgnoreList_ItemDescriptionApplication"), "copy",
         "IgnoreList_ItemDescriptionApplication", "Preferences"},
        {Text::textInfoForLocalizedLegacy("IgnoreList_Legacy_Cache"), "copy", "IgnoreList_Legacy_Cache", "Legacy"},
        {Text::textInfoForLocalizedSystemJunk("ItemTitle_DownloadsLog"), "copy", "ItemTitle_DownloadsLog", "SystemJunkModule"},
        {Text::textInfoForLanguage("pt-BR"), "lang", "pt-BR", ""},
        {Text::textInfoForLocalizedLegacyFormat("IgnoreList_Legacy_CacheFormat", "Notes"), "format", "Notes", ""},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.text) << c.type;
        BVDictionary stored = c.text->dictionaryValue();
        EXPECT_EQ(stored.count("table"), c.table.empty() ? 0u : 1u) << c.type;
        auto back = Text::fromDictionary(throughBinaryPlist(stored));
        ASSERT_TRUE(back) << c.type;
        EXPECT_EQ(back->type(), c.type);
        EXPECT_EQ(back->value(), c.value);
        EXPECT_EQ(back->localizedTable(), c.table);
        EXPECT_EQ(BVValue(back->dictionaryValue()), BVValue(stored)) << c.type;
    }
    auto format = Text::fromDictionary(throughBinaryPlist(cases[5].text->dictionaryValue()));
    ASSERT_TRUE(format && format->lhs() && format->rhs());
    EXPECT_EQ(format->lhs()->type(), "copy");
    EXPECT_EQ(format->lhs()->value(), "IgnoreList_Legacy_CacheFormat");
    EXPECT_EQ(format->lhs()->localizedTable(), "Legacy");
    EXPECT_EQ(format->rhs()->type(), "name");
    EXPECT_EQ(format->rhs()->value(), "Notes");
}

TEST(BVIgnoreListDescriptions, IconsSurviveTheStoredDictionary) {
    std::pair<BVIgnoreListMigrationIconInfoPtr, std::string> cases[] = {
        {Icon::iconInfoForApp("com.example.notes"), "apps"},   {Icon::iconInfoForPath("~/Library/Caches/x"), "path"},
        {Icon::iconInfoForLang("de"), "lang"},                 {Icon::iconInfoForName("SmartFolderPurple"), "name"},
        {Icon::iconInfoForDeviceType("iPhone10,3"), "device"}, {Icon::iconInfoForIPA("~/Music/Apps/A.ipa"), "ios"},
    };
    for (const auto& [icon, type] : cases) {
        ASSERT_TRUE(icon) << type;
        auto back = Icon::fromDictionary(throughBinaryPlist(icon->dictionaryValue()));
        ASSERT_TRUE(back) << type;
        EXPECT_EQ(back->type(), type);
        EXPECT_EQ(back->value(), icon->value());
    }
}

TEST(BVIgnoreListDescriptions, DisplayTextPerType) {
    struct Case {
        BVIgnoreListMigrationTextInfoPtr text;
        std::string shown;
    } cases[] = {
        {Text::textInfoForName("50%@ off"), "50%@ off"},  // literal: never treated as a format
        {Text::textInfoForLocalized("ErrorDescriptionRemoving_GenericSingleFileError", "Errors"), "Couldn't remove %@."},
        {Text::textInfoForLocalized("NoSuchKey", "Errors"), "NoSuchKey"},
        {Text::textInfoForLocalized("Anything", "NoSuchTable"), "Anything"},
        {Text::textInfoForLanguage("de"), "German"},
        {Text::textInfoForLanguage("pt-BR"), "Portuguese (Brazil)"},
        {Text::textInfoForLanguage("pt_BR"), "Portuguese (Brazil)"},
        {Text::textInfoForLocalizedFormat("ErrorDescriptionRemoving_GenericSingleFileError", "Errors", "a%@.txt"),
         "Couldn't remove a%@.txt."},
        {Text::textInfoForLocalizedFormat("NoSuchKey %@", "Errors", "x"), "NoSuchKey x"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.text) << c.shown;
        EXPECT_EQ(c.text->displayText(), c.shown);
    }
}

TEST(BVIgnoreListDescriptions, MissingValueOrTypeGivesNoDescription) {
    EXPECT_FALSE(Text::textInfoForName(""));
    EXPECT_FALSE(Text::textInfoForLocalizedPreferences(""));
    EXPECT_FALSE(Text::textInfoForLanguage(""));
    EXPECT_FALSE(Text::textInfoForLocalizedLegacyFormat("", "Notes"));
    EXPECT_FALSE(Text::textInfoForLocalizedLegacyFormat("IgnoreList_Legacy_CacheFormat", ""));
    EXPECT_FALSE(Icon::iconInfoForApp(""));
    EXPECT_FALSE(Icon::iconInfoForPath(""));

    BVDictionary name{{"type", "name"}, {"value", "x"}};
    BVDictionary badTexts[] = {
        {{"value", "x"}},
        {{"type", "name"}},
        {{"type", "name"}, {"value", ""}},
        {{"type", ""}, {"value", "x"}},
        {{"type", "shout"}, {"value", "x"}},
        {{"type", "name"}, {"value", int64_t(5)}},
        {{"type", "copy"}, {"value", "Key"}},  // a string-table key needs its table
        {{"type", "format"}, {"value", "x"}, {"rhs", name}},
        {{"type", "format"}, {"value", "x"}, {"lhs", name}},
        {{"type", "format"}, {"value", "x"}, {"lhs", name}, {"rhs", "x"}},
    };
    for (const BVDictionary& bad : badTexts) EXPECT_FALSE(Text::fromDictionary(bad)) << BVValue(bad).description();
    EXPECT_FALSE(Text::fromDictionary(BVValue("name")));
    EXPECT_FALSE(Text::fromDictionary(BVValue()));

    BVDictionary badIcons[] = {{{"value", "x"}}, {{"type", "path"}}, {{"type", "path"}, {"value", ""}}, {{"type", "video"}, {"value", "x"}}};
    for (const BVDictionary& bad : badIcons) EXPECT_FALSE(Icon::fromDictionary(bad)) << BVValue(bad).description();
    EXPECT_FALSE(Icon::fromDictionary(BVValue(BVArray{"path", "x"})));
}
