// The brenvik binary's kb and ignore commands, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "Foundation/BVFileIO.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

struct CommandRun {
    int status;
    std::string output;  // standard output and standard error together
};

CommandRun run(const std::string& command) {
    CommandRun result{-1, {}};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.output.append(buffer, n);
    int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string brenvik(const BVTemporaryFolder& home, const std::string& arguments, const std::string& binary = BRENVIK_BINARY) {
    return "'" + binary + "' --home '" + home.path() + "' " + arguments;
}

std::string userDatabase(const BVTemporaryFolder& home) {
    return home / ".local/share/brenvik/KnowledgeBase/userInfo.brkkb";
}

}  // namespace

TEST(BVKnowledgeBaseCommands, IgnoreListRoundTrip) {
    BVTemporaryFolder home;
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore add system-junk '" + home.path() + "/.cache/thumbnails/'")).status, 0);
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore add large-files '~/Mail/.*\\.eml' --regex")).status, 0);
    CommandRun listed = run(brenvik(home, "--layout linux ignore list system-junk"));
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output, "~/.cache/thumbnails\n    thumbnails - User cache\n");
    // Every row of the entry keeps its display information, as a binary property list.
    CommandRun stored = run("python3 -c \"import sqlite3,plistlib,sys; db=sqlite3.connect(sys.argv[1]); "
                            "rows=db.execute('SELECT AdditionalInfo FROM Item WHERE Value = ?', ('~/.cache/thumbnails',)).fetchall(); "
                            "print(len(rows), sorted(set(plistlib.loads(r[0])['nameInfo']['value'] for r in rows)))\" '" +
                            userDatabase(home) + "'");
    EXPECT_EQ(stored.output, "16 ['thumbnails']\n");
    CommandRun mail = run(brenvik(home, "--layout linux ignore list large-files --json"));
    EXPECT_NE(mail.output.find("\"title\": \"~/Mail/.*\\\\.eml\""), std::string::npos) << mail.output;
    CommandRun info = run(brenvik(home, "--layout linux kb info --json"));
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find("\"ignoreEntries\": 17"), std::string::npos) << info.output;  // 16 members + the pattern
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore remove system-junk '~/.cache/thumbnails'")).status, 0);
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore remove system-junk '~/.cache/thumbnails'")).status, 1);
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore list system-junk")).output, "");
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore list trash")).status, 2);
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore add photos")).status, 2);
}

TEST(BVKnowledgeBaseCommands, DamagedUserDatabaseIsReportedAndKept) {
    BVTemporaryFolder home;
    std::string path = userDatabase(home);
    ASSERT_TRUE(BVFileIO::createDirectories(BVFileIO::parentPath(path)));
    std::string garbage(6000, '\x11');
    ASSERT_TRUE(BVFileIO::writeFileAtomically(path, garbage));
    CommandRun listed = run(brenvik(home, "--layout linux ignore list system-junk"));
    EXPECT_EQ(listed.status, 1);
    EXPECT_NE(listed.output.find("cannot be read"), std::string::npos) << listed.output;
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore add system-junk /x")).status, 1);
    CommandRun info = run(brenvik(home, "--layout linux kb info"));
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find("damaged"), std::string::npos) << info.output;
    std::string after;
    BVFileIO::readFile(path, after, 1 << 20);
    EXPECT_EQ(after, garbage);
}

TEST(BVKnowledgeBaseCommands, NoKnowledgeBaseStopsWithStatus3NamingThePaths) {
    BVTemporaryFolder home, elsewhere;
    std::string binary = elsewhere / "brenvik";
    ASSERT_EQ(run("cp '" + std::string(BRENVIK_BINARY) + "' '" + binary + "'").status, 0);
    CommandRun info = run(brenvik(home, "--layout linux kb info", binary));
    EXPECT_EQ(info.status, 3);
    EXPECT_NE(info.output.find(elsewhere / "info.brkkb"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(home / ".local/share/brenvik/KnowledgeBase/info.brkkb"), std::string::npos) << info.output;
    EXPECT_EQ(run(brenvik(home, "--layout linux ignore list system-junk", binary)).status, 3);
}
