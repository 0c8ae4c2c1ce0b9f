// The grammars of what starts by itself: desktop entries (groups, keys, localised keys,
// escapes, lists; files that do not parse) and systemd unit files (continuations, comments,
// resets, drop-ins) with their ExecStart= command lines.
#include <gtest/gtest.h>

#include "Foundation/BVDesktopEntry.h"
#include "Foundation/BVSystemdUnitFile.h"

TEST(BVDesktopEntry, ReadsGroupsKeysLocalesEscapesAndLists) {
    const std::string text =
        "# written by hand\n"
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Clock\n"
        "Name[de]=Uhr\n"
        "Name[de_AT]=Uhr (AT)\n"
        "Name[sr@latin]=Sat\n"
        "Comment=Line one\\nline two\\ttabbed \\\\ done\n"
        "Exec = clock --flag\n"
        "OnlyShowIn=GNOME;X\\;Y;\n"
        "Hidden=true\n"
        "X-Odd=not a bool\n"
        "\n"
        "[Desktop Action New]\n"
        "Name=New window\n";
    std::string error;
    auto entry = BVDesktopEntry::parse(text, &error);
    ASSERT_TRUE(entry) << error;
    const char* g = BVDesktopEntry::kMainGroup;
    EXPECT_EQ(entry->stringValue(g, "Exec"), "clock --flag");  // spaces around "=" are not part of key or value
    EXPECT_EQ(entry->stringValue(g, "Comment"), "Line one\nline two\ttabbed \\ done");
    EXPECT_EQ(entry->listValue(g, "OnlyShowIn"), (std::vector<std::string>{"GNOME", "X;Y"}));
    EXPECT_EQ(entry->boolValue(g, "Hidden"), true);
    EXPECT_EQ(entry->boolValue(g, "X-Odd"), std::nullopt);
    EXPECT_EQ(entry->stringValue("Desktop Action New", "Name"), "New window");
    const std::vector<std::pair<const char*, const char*>> locales = {
        {"de_AT.UTF-8", "Uhr (AT)"}, {"de_DE.UTF-8", "Uhr"}, {"de", "Uhr"}, {"sr_RS@latin", "Sat"},
        {"fr_FR", "Clock"},          {"C", "Clock"},         {"", "Clock"}};
    for (const auto& [locale, name] : locales) EXPECT_EQ(entry->localizedValue(g, "Name", locale), name) << locale;
    EXPECT_EQ(entry->text(), text);  // read and written back unchanged
}

TEST(BVDesktopEntry, FilesThatDoNotParseAreReportedWithTheirLine) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"Name=Before any group\n[Desktop Entry]\n", "line 1"},
        {"[Desktop Entry]\nName=A\nName=B\n", "line 3"},
        {"[Desktop Entry]\n[Desktop Entry]\n", "line 2"},
        {"[Desktop Entry]\njust words\n", "line 2"},
        {"[Desktop Entry\nName=A\n", "line 1"},
        {"[Desktop Entry]\nNa me=A\n", "line 2"},
        {"[Desktop Entry]\nName[=A\n", "line 2"},
        {"[Desktop Entry]\nName=\xff\xfe\n", "UTF-8"},
    };
    for (const auto& [text, where] : cases) {
        std::string error;
        EXPECT_FALSE(BVDesktopEntry::parse(text, &error)) << text;
        EXPECT_NE(error.find(where), std::string::npos) << text << ": " << error;
    }
}

TEST(BVDesktopEntry, ChangesRewriteOnlyTheirLine) {
    auto entry = BVDesktopEntry::parse("[Desktop Entry]\n# keep me\nName=A\nHidden=false\n\n[Other]\nK=v\n");
    ASSERT_TRUE(entry);
    entry->setBoolValue("Desktop Entry", "Hidden", true);
    entry->setStringValue("Desktop Entry", "Comment", " leading space\nand a line");
    entry->removeKey("Other", "K");
    EXPECT_EQ(entry->text(), "[Desktop Entry]\n# keep me\nName=A\nHidden=true\nComment=\\sleading space\\nand a line\n\n[Other]\n");
    auto again = BVDesktopEntry::parse(entry->text());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->stringValue("Desktop Entry", "Comment"), " leading space\nand a line");
}

TEST(BVSystemdUnitFile, ReadsAsTheManagerDoes) {
    auto unit = BVSystemdUnitFile::parse(
        "[Unit]\nDescription=Sync ; not a comment here\n"
        "; a comment\n# another\n"
        "[Service]\n"
        "ExecStart=/usr/bin/first\n"
        "ExecStart=\n"
        "ExecStart=/usr/bin/sync \\\n"
        "  # dropped inside a continuation\n"
        "  --all\n"
        "Environment=\"PATH=/opt/bin:/usr/bin\" LANG=C\n"
        "garbage line\n");
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->value("Unit", "Description"), "Sync ; not a comment here");
    EXPECT_EQ(unit->values("Service", "ExecStart"), (std::vector<std::string>{"/usr/bin/sync  --all"}));
    EXPECT_EQ(BVSystemdSearchPath(*unit), (std::vector<std::string>{"/opt/bin", "/usr/bin"}));
    ASSERT_EQ(unit->warnings().size(), 1u);
    EXPECT_NE(unit->warnings()[0].find("line 12"), std::string::npos);

    auto dropIn = BVSystemdUnitFile::parse("[Service]\nExecStart=\nExecStart=/opt/other\n");
    unit->append(*dropIn);
    EXPECT_EQ(unit->values("Service", "ExecStart"), (std::vector<std::string>{"/opt/other"}));
    EXPECT_FALSE(BVSystemdUnitFile::parse(std::string("[Service]\nExecStart=/bin/x\0", 27)));
}

TEST(BVSystemdUnitFile, ExecStartLines) {
    struct Case {
        const char* line;
        const char* prefixes;
        const char* program;
        std::vector<std::string> arguments;
    };
    const std::vector<Case> cases = {
        {"/usr/bin/tool --a b", "", "/usr/bin/tool", {"--a", "b"}},
        {"-@/usr/bin/tool argv0 x", "-@", "/usr/bin/tool", {"argv0", "x"}},
        {"+!!:tool", "+!!:", "tool", {}},
        {"\"/opt/My App/run\" 'two words'", "", "/opt/My App/run", {"two words"}},
        {"/opt/My\\x20App/run", "", "/opt/My App/run", {}},
        {"/bin/a ; /bin/b", "", "/bin/a", {}},
    };
    for (const auto& c : cases) {
        auto command = BVSystemdCommandFromExecLine(c.line);
        ASSERT_TRUE(command) << c.line;
        EXPECT_EQ(command->prefixes, c.prefixes) << c.line;
        EXPECT_EQ(command->program, c.program) << c.line;
        EXPECT_EQ(command->arguments, c.arguments) << c.line;
    }
    for (const char* bad : {"", "  ", "\"/opt/unclosed", "-"}) EXPECT_FALSE(BVSystemdCommandFromExecLine(bad)) << bad;

    BVSystemdSpecifiers s{"/home/ann", "ann", "1000", "sync@x.service"};
    EXPECT_EQ(BVSystemdExpandSpecifiers("%h/bin/%p-%u 100%%", s), "/home/ann/bin/sync-ann 100%");
    EXPECT_EQ(BVSystemdExpandSpecifiers("%t/socket", s), std::nullopt);  // the manager's runtime folder
}
