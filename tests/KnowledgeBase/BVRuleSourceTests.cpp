// The rule-source format: settings carry over to the rules below them, and every mistake is an
// error that names the line.
#include <gtest/gtest.h>

#include "KnowledgeBase/BVRuleSource.h"

TEST(BVRuleSource, SettingsApplyToTheRulesBelow) {
    const char* text =
        "# comment\n"
        "type: quitting-file\n"
        "scanner: all\n"
        "app: Firefox | org.mozilla.firefox\n"
        "path ~/.mozilla/firefox -- profiles in use\n"
        "executable firefox-esr -- the distribution's program\n"
        "scanner: 10\n"
        "filetype: 9\n"
        "regex Vendor [0-9]+ -- numbered folders -- kept\n"
        "app: none\n"
        "type: protected\n"
        "path ~/x -- why\n";
    std::vector<BVRuleRecord> rules;
    std::string error;
    ASSERT_TRUE(BVRuleSource::parseRules(text, "t.rules", rules, &error)) << error;
    ASSERT_EQ(rules.size(), 4u);
    EXPECT_EQ(rules[0].itemType, 0);
    EXPECT_EQ(rules[0].scanner, 9223372036854775807ull);
    EXPECT_EQ(rules[0].bundleID, "org.mozilla.firefox");
    EXPECT_FALSE(rules[0].isExecutable);
    auto executable = rules[1];
    rules.erase(rules.begin() + 1);
    EXPECT_TRUE(executable.isExecutable);
    EXPECT_EQ(executable.value, "firefox-esr");
    EXPECT_EQ(executable.bundleID, "org.mozilla.firefox");
    EXPECT_EQ(rules[1].value, "Vendor [0-9]+");
    EXPECT_EQ(rules[1].reason, "numbered folders -- kept");
    EXPECT_TRUE(rules[1].isRegex);
    EXPECT_EQ(rules[1].fileType, 9);
    EXPECT_EQ(rules[1].origin, "t.rules:9");
    EXPECT_EQ(rules[2].itemType, 2);
    EXPECT_TRUE(rules[2].bundleID.empty());
}

TEST(BVRuleSource, MistakesAreErrorsNamingTheLine) {
    const char* bad[] = {
        "path ~/x -- before any type\n",
        "type: protected\npath ~/x\n",
        "type: protected\npath ~/x --   \n",
        "type: protected\nregex ~/[x -- does not compile\n",
        "type: unheard-of\n",
        "type: protected\nscanner: ten\n",
        "type: protected\napp: no bar\n",
        "type: protected\nsomething else\n",
        "executable firefox -- outside any app section\n",
        "app: Firefox | org.mozilla.firefox\nexecutable firefox\n",
        "type: stored-statement\nstatement Key -- outside any app section\n| SELECT 1\n",
        "type: protected\napp: F | f\nstatement Key -- not a stored-statement section\n| SELECT 1\n",
        "type: stored-statement\napp: F | f\nstatement Key -- has no text\npath ~/x -- next rule\n",
        "type: stored-statement\napp: F | f\nstatement Two words -- the key is one word\n| SELECT 1\n",
        "type: stored-statement\napp: F | f\n| SELECT 1 -- a text line before any statement\n",
    };
    for (const char* text : bad) {
        std::vector<BVRuleRecord> rules;
        std::string error;
        EXPECT_FALSE(BVRuleSource::parseRules(text, "bad.rules", rules, &error)) << text;
        EXPECT_EQ(error.rfind("bad.rules:", 0), 0u) << error;
    }
    std::vector<BVTypeRecord> types;
    std::string error;
    EXPECT_TRUE(BVRuleSource::parseTypes("filetype 0 |  | Other\napptype 1 | ~/W/ | Widget\n", "t", types, &error));
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0].path, "");
    EXPECT_TRUE(types[1].isApplicationType);
    EXPECT_FALSE(BVRuleSource::parseTypes("filetype x | a | b\n", "t", types, &error));
}

TEST(BVRuleSource, StatementsCarryTheirTextInAdditionalInfo) {
    const char* text =
        "type: stored-statement\n"
        "app: Firefox | org.mozilla.firefox\n"
        "statement PrivacyFirefoxCookiesQuery -- the cookies\n"
        "|   SELECT id, host\n"
        "# a comment inside does not end it\n"
        "| FROM moz_cookies\n"
        "statement Last -- at the end of the file\n"
        "| DELETE FROM t WHERE id IN (%1$@)\n";
    std::vector<BVRuleRecord> rules;
    std::string error;
    ASSERT_TRUE(BVRuleSource::parseRules(text, "p.rules", rules, &error)) << error;
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].itemType, 11);
    EXPECT_EQ(rules[0].value, "PrivacyFirefoxCookiesQuery");
    EXPECT_EQ(rules[0].bundleID, "org.mozilla.firefox");
    ASSERT_TRUE(rules[0].additionalInfo);
    EXPECT_EQ((*rules[0].additionalInfo)["BVPrivacyQueryFormat"].stringValue(), "SELECT id, host\nFROM moz_cookies");
    ASSERT_TRUE(rules[1].additionalInfo);
    EXPECT_EQ((*rules[1].additionalInfo)["BVPrivacyQueryFormat"].stringValue(), "DELETE FROM t WHERE id IN (%1$@)");
}
