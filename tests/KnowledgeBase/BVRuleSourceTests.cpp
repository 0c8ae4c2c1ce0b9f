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

TEST(BVRuleSource, MalwareFamiliesCollectTheirRules) {
    const char* text =
        "malware-date: 2025-06-01\n"
        "malware: Test-One | virus | https://example.invalid/one\n"
        "hash 275A021BBFB6489E54D471899F7DB9D1663FC695EC2FE2A2C4538AABF651FD0F 68 -- upper case is stored lower\n"
        "extension Name(A|B) -- an alternation without spaces stays one part\n"
        "agent com\\.test\\.agent |  -- name only\n"
        "agent  | payload -- contents only\n"
        "malware: Test-Two |  | \n"
        "file ~/x |  |  | 0 |  -- a whole path\n"
        "file /opt/t | p-[0-9]+ | MARK | 4096 | 94fc03e0f771ca4941fb7d948350e854bf7c00c11a69e3f8853467415ba9872f -- every part\n"
        "malware: none\n"
        "type: protected\n"
        "path ~/kept -- ordinary rules still read\n";
    std::vector<BVRuleRecord> rules;
    BVMalwareSource malware;
    std::string error;
    ASSERT_TRUE(BVRuleSource::parseRules(text, "m.rules", rules, &error, &malware)) << error;
    EXPECT_EQ(rules.size(), 1u);
    EXPECT_EQ(malware.updateDate, "2025-06-01");
    ASSERT_EQ(malware.families.size(), 2u);
    const auto& one = malware.families[0];
    EXPECT_EQ(one.type, "virus");
    ASSERT_EQ(one.hashes.size(), 1u);
    EXPECT_EQ(one.hashes[0].hash, "275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0f");
    EXPECT_EQ(one.hashes[0].size, 68u);
    EXPECT_EQ(one.extensionRegexes, std::vector<std::string>{"Name(A|B)"});
    ASSERT_EQ(one.agents.size(), 2u);
    EXPECT_EQ(one.agents[0].nameRegex, "com\\.test\\.agent");
    EXPECT_EQ(one.agents[0].contentsRegex, "");
    EXPECT_EQ(one.agents[1].nameRegex, "");
    EXPECT_EQ(one.agents[1].contentsRegex, "payload");
    const auto& two = malware.families[1];
    EXPECT_TRUE(two.type.empty());
    ASSERT_EQ(two.paths.size(), 2u);
    EXPECT_EQ(two.paths[0].maxSize, std::optional<int64_t>(0));
    EXPECT_TRUE(two.paths[0].nameRegex.empty());
    EXPECT_EQ(two.paths[1].nameRegex, "p-[0-9]+");
    EXPECT_EQ(two.paths[1].contentsRegex, "MARK");
    EXPECT_EQ(two.paths[1].maxSize, std::optional<int64_t>(4096));
    EXPECT_EQ(two.paths[1].hash.size(), 64u);
}

TEST(BVRuleSource, MalwareMistakesAreErrors) {
    const std::string family = "malware: T | virus | \n";
    const std::string bad[] = {
        "hash 275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0f 68 -- outside a family\n",
        family + "hash 275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0f 68\n",
        family + "hash 275a021bbfb 68 -- short digest\n",
        family + "hash 275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0g 68 -- not hex\n",
        family + "hash 275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0f * -- no size\n",
        family + "extension [unclosed -- does not compile\n",
        family + "agent  |  -- neither part\n",
        family + "agent only-a-name -- no bar\n",
        family + "file  | a | b | 1 |  -- no path\n",
        family + "file ~/x | a | b | big |  -- size not a number\n",
        family + "file ~/x | a | b | 1 | abc -- short digest\n",
        "malware: no parts\n",
    };
    for (const auto& text : bad) {
        std::vector<BVRuleRecord> rules;
        BVMalwareSource malware;
        std::string error;
        EXPECT_FALSE(BVRuleSource::parseRules(text, "bad.rules", rules, &error, &malware)) << text;
        EXPECT_EQ(error.rfind("bad.rules:", 0), 0u) << error;
    }
    // Where no malware tables are written, the statements are refused.
    std::vector<BVRuleRecord> rules;
    std::string error;
    EXPECT_FALSE(BVRuleSource::parseRules(family, "bad.rules", rules, &error));
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
