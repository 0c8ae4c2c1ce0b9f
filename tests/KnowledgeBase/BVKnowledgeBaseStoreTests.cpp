// The store: which application database is used, the user database's creation, damage and
// upgrade, the encryption of the shipped file and the AdditionalInfo encoding.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"
#include "KnowledgeBase/BVKnowledgeBaseKey.h"
#include "KnowledgeBase/BVKnowledgeBaseMigration.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"

namespace {

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ::pclose(pipe);
    return output;
}

std::string shellQuoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

TEST(BVKnowledgeBaseStore, ChoosesTheNewerOfOverrideAndShippedCopy) {
    struct Case {
        const char* overrideVersion;  // nullptr: no override copy
        const char* shippedVersion;
        bool overrideWins;
    } cases[] = {{nullptr, "1.0", false}, {"1.0", "2.0", false}, {"2.0", "2.0", true}, {"2.1.1", "2.1", true}};
    for (const Case& c : cases) {
        BVKnowledgeBaseFixture f;
        f.buildShipped({}, c.shippedVersion);
        if (c.overrideVersion) f.buildOverride({}, c.overrideVersion);
        auto kb = f.makeKnowledgeBase();
        ASSERT_TRUE(kb->appDatabase());
        EXPECT_EQ(kb->dbPath(), c.overrideWins ? kb->appSupportDbPath() : f.shippedPath) << c.shippedVersion;
        EXPECT_EQ(kb->version(), c.overrideWins ? c.overrideVersion : c.shippedVersion);
    }
}

TEST(BVKnowledgeBaseStore, DamagedOverrideFallsBackAndExplicitPathDoesNot) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({}, "1.0");
    BVFileIO::createDirectories(f.paths->knowledgeBaseFolder());
    BVFileIO::writeFileAtomically(f.makeKnowledgeBase()->appSupportDbPath(), std::string(4096, 'z'));
    auto kb = f.makeKnowledgeBase();
    ASSERT_TRUE(kb->appDatabase());
    EXPECT_EQ(kb->dbPath(), f.shippedPath);

    auto missing = f.makeKnowledgeBase(f.folder / "nowhere/info.brkkb");
    EXPECT_FALSE(missing->appDatabase());
    EXPECT_EQ(missing->version(), "0.0");
    EXPECT_EQ(missing->applicationDatabaseCandidates(), std::vector<std::string>{f.folder / "nowhere/info.brkkb"});
}

TEST(BVKnowledgeBaseStore, ShippedFileOpensOnlyWithThePassphrase) {
    std::string shipped = BRENVIK_KB_FILE;
    std::string key = BVKnowledgeBaseKey::passphrase();
    std::string keyed = run("printf \"PRAGMA key='%s';\\nSELECT Value FROM Global WHERE Key='Version';\\n\" " + shellQuoted(key) +
                            " | sqlcipher " + shellQuoted(shipped) + " 2>&1");
    std::string version;
    BVFileIO::readFile(BRENVIK_KB_DATA_DIR "/Version", version, 100);
    EXPECT_NE(keyed.find(version.substr(0, version.find('\n'))), std::string::npos) << keyed;
    std::string plain = run("echo 'SELECT count(*) FROM Item;' | sqlcipher " + shellQuoted(shipped) + " 2>&1");
    EXPECT_NE(plain.find("not a database"), std::string::npos) << plain;
    EXPECT_EQ(BVKnowledgeBaseKey::rotate("0123456789abcdefghijKLMN"), "jKLMN0123456789abcdefghi");
}

TEST(BVKnowledgeBaseStore, FreshUserDatabaseHasTheSchemaRows) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    auto kb = f.makeKnowledgeBase();
    auto user = kb->userDatabase();
    ASSERT_TRUE(user);
    EXPECT_EQ(kb->userDatabaseState(), BVUserDatabaseState::Open);
    FMDatabase& db = *user->database;
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM FileType"), 14);
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM AppType"), 5);
    EXPECT_EQ(BVKnowledgeBase::globalValueForKey("Version", db), "2.0.1");
    // The shipped sources carry the same FileType rows as a new user database.
    for (const auto& type : BVShippedTypes()) {
        const char* sql = type.isApplicationType ? "SELECT AppSubpath FROM AppType WHERE Type = ?"
                                                 : "SELECT PrefixPath FROM FileType WHERE Type = ?";
        EXPECT_EQ(db.stringForQuery(sql, {type.type}).value_or("?"), type.path) << type.type;
    }
}

TEST(BVKnowledgeBaseStore, DamagedUserDatabaseIsKeptAndNothingIsPreselected) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    std::string garbage(8192, '\x5a');
    BVFileIO::createDirectories(f.paths->knowledgeBaseFolder());
    std::string path = f.makeKnowledgeBase()->userDatabasePath();
    ASSERT_TRUE(BVFileIO::writeFileAtomically(path, garbage));

    auto kb = f.makeKnowledgeBase();
    EXPECT_FALSE(kb->userDatabase());
    EXPECT_EQ(kb->userDatabaseState(), BVUserDatabaseState::Damaged);
    BVKnowledgeBaseWrapper handle(kb, 10, 29, &f.center);
    EXPECT_FALSE(handle.shouldSelectItem(f.home() + "/.cache/anything"));
    EXPECT_FALSE(handle.createIgnoreItemWithInfo(BVIgnoreItemInfo("~/.cache/x")));
    std::string after;
    BVFileIO::readFile(path, after, 1 << 20);
    EXPECT_EQ(after, garbage);  // untouched: not replaced by an empty list
}

TEST(BVKnowledgeBaseStore, UpgradeSplitsOldScannerMasks) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    std::string path = f.makeKnowledgeBase()->userDatabasePath();
    {
        auto db = BVKnowledgeBase::initialDatabaseAtPath(path);
        ASSERT_TRUE(db && db->open());
        // A version 1.4 database: no AdditionalInfo column yet, masks instead of identifiers.
        ASSERT_TRUE(db->executeUpdate("DROP TABLE Item"));
        ASSERT_TRUE(db->executeUpdate("CREATE TABLE Item (RecordID INTEGER PRIMARY KEY, ItemType INTEGER DEFAULT 3, Value TEXT, IsRegEx INTEGER DEFAULT 0, Scanner INTEGER)"));
        ASSERT_TRUE(BVKnowledgeBase::setGlobalValue(std::string("1.4"), "Version", *db));
        // 1: gray item of an application, mask 16 (bit 4) intersects 536871952.
        db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (1, 4, 'gray', 16)");
        db->executeUpdate("INSERT INTO AppNote (Application, FileItem) VALUES (7, 1)");
        db->executeUpdate("INSERT INTO FileNote (File, Type) VALUES (1, 9)");
        db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (2, 3, 'nothing', 0)");
        db->executeUpdate("INSERT INTO FileNote (File, Type) VALUES (2, 3)");
        db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (3, 3, 'all', 9223372036854775807)");
        db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (4, 3, 'two', 3)");  // bits 0, 1
    }
    auto kb = f.makeKnowledgeBase();
    auto user = kb->userDatabase();
    ASSERT_TRUE(user);
    FMDatabase& db = *user->database;
    EXPECT_EQ(BVKnowledgeBase::globalValueForKey("Version", db), "2.0.1");
    auto scannersOf = [&](const char* value) {
        std::multiset<int64_t> scanners;
        auto rows = db.executeQuery("SELECT Scanner FROM Item WHERE Value = ?", {value});
        while (rows && rows->next()) scanners.insert(rows->longForColumnIndex(0));
        return scanners;
    };
    // 536871952 = bits 4, 10 and 29 -> identifiers 5, 11 and 30, one row each, each with the notes.
    EXPECT_EQ(scannersOf("gray"), (std::multiset<int64_t>{5, 11, 30}));
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM AppNote WHERE Application = 7"), 3);
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM FileNote WHERE Type = 9"), 3);
    EXPECT_TRUE(scannersOf("nothing").empty());
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM FileNote WHERE Type = 3"), 0);
    EXPECT_EQ(scannersOf("all"), (std::multiset<int64_t>{int64_t(BVAllScannersIdentifier)}));
    EXPECT_EQ(scannersOf("two"), (std::multiset<int64_t>{1, 2}));
    EXPECT_TRUE(db.executeUpdate("UPDATE Item SET AdditionalInfo = NULL"));  // the column was added
}

TEST(BVKnowledgeBaseStore, CurrentUserDatabaseIsNotUpgradedAgain) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    std::string path = f.makeKnowledgeBase()->userDatabasePath();
    {
        auto db = BVKnowledgeBase::initialDatabaseAtPath(path);
        ASSERT_TRUE(db && db->open());
        // Scanner 3 would split into 1 and 2 if it were read as an old mask.
        db->executeUpdate("INSERT INTO Item (ItemType, Value, Scanner) VALUES (3, 'x', 3)");
    }
    auto kb = f.makeKnowledgeBase();
    ASSERT_TRUE(kb->userDatabase());
    EXPECT_EQ(kb->userDatabase()->database->longForQuery("SELECT Scanner FROM Item WHERE Value = 'x'"), 3);
}

TEST(BVKnowledgeBaseStore, AdditionalInfoIsABinaryPropertyList) {
    BVDictionary info{{"nameInfo", BVDictionary{{"type", "name"}, {"value", "Thumbnails"}}}, {"count", 3}};
    auto blob = BVKnowledgeBase::blobDataForPropertyListItem(BVValue(info));
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->bytes.substr(0, 8), "bplist00");
    BVTemporaryFolder folder;
    std::string file = folder.fileWithText("info.plist", blob->bytes);
    std::string decoded = run("python3 -c \"import plistlib,sys; d=plistlib.load(open(sys.argv[1],'rb')); "
                              "print(d['nameInfo']['value'], d['count'])\" " + shellQuoted(file));
    EXPECT_EQ(decoded, "Thumbnails 3\n");
    EXPECT_EQ(BVKnowledgeBase::propertyListItemForBlobData(blob->bytes), BVValue(info));
    EXPECT_FALSE(BVKnowledgeBase::propertyListItemForBlobData(""));
    EXPECT_FALSE(BVKnowledgeBase::propertyListItemForBlobData("not a property list"));
    EXPECT_FALSE(BVKnowledgeBase::blobDataForPropertyListItem(BVValue()));
}

TEST(BVKnowledgeBaseStore, PreviousGenerationsUserDatabasesAreTakenOver) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    auto legacy = [&](const char* generation) {
        std::string path = f.home() + "/.local/share/" + generation + "/KnowledgeBase/userInfo.brkkb";
        auto db = BVKnowledgeBase::initialDatabaseAtPath(path);
        EXPECT_TRUE(db && db->open());
        db->executeUpdate("INSERT INTO Item (ItemType, Value, Scanner) VALUES (4, ?, 10)", {std::string("~/.cache/") + generation});
        return path;
    };
    legacy("Brenvik 3");
    BVUserDefaults defaults(f.folder / "defaults.plist");
    auto kb = f.makeKnowledgeBase();
    EXPECT_TRUE(BVKnowledgeBaseMigration::migrateFromPreviousGenerationIfNeeded(defaults, *kb));
    EXPECT_TRUE(defaults.boolForKey("Migrated settings from BRK3"));
    EXPECT_TRUE(kb->isBlackItem(f.home() + "/.cache/Brenvik 3", 10, false));  // gray became black
    EXPECT_FALSE(kb->isGrayItem(f.home() + "/.cache/Brenvik 3", 10));
    // Done once; and an existing database of this generation is never replaced.
    EXPECT_FALSE(BVKnowledgeBaseMigration::migrateFromPreviousGenerationIfNeeded(defaults, *kb));
    ASSERT_TRUE(defaults.setObject("Always Migrate settings from BRK3", true));
    EXPECT_FALSE(BVKnowledgeBaseMigration::migrateFromPreviousGenerationIfNeeded(defaults, *kb));
    EXPECT_TRUE(kb->isBlackItem(f.home() + "/.cache/Brenvik 3", 10, false));

    // The generation before that is copied on first use when nothing newer exists.
    BVKnowledgeBaseFixture g;
    g.buildShipped({});
    std::string path = g.home() + "/.local/share/Brenvik 2/KnowledgeBase/userInfo.brkkb";
    {
        auto db = BVKnowledgeBase::initialDatabaseAtPath(path);
        ASSERT_TRUE(db && db->open());
        db->executeUpdate("INSERT INTO Item (ItemType, Value, Scanner) VALUES (3, '~/.cache/old', 10)");
    }
    EXPECT_TRUE(g.makeKnowledgeBase()->isBlackItem(g.home() + "/.cache/old", 10, false));
}
