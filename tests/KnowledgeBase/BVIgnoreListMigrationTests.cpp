// Display information for the previous generation's ignore entries: taken over from a real
// older user database, written to every row of an entry, nothing the user excluded lost.
#include <gtest/gtest.h>

#include "KnowledgeBase/BVKnowledgeBaseMigration.h"
#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"

namespace {

BVValue additionalInfoOfRecord(FMDatabase& db, int64_t record) {
    auto rows = db.executeQuery("SELECT AdditionalInfo FROM Item WHERE RecordID = ?", {record});
    if (!rows || !rows->next()) return BVValue();
    auto blob = rows->dataForColumn("AdditionalInfo");
    if (!blob) return BVValue();
    auto decoded = BVKnowledgeBase::propertyListItemForBlobData(*blob);
    return decoded ? *decoded : BVValue();
}

std::vector<int64_t> recordsWithValue(FMDatabase& db, const std::string& value) {
    std::vector<int64_t> records;
    auto rows = db.executeQuery("SELECT RecordID FROM Item WHERE Value = ? ORDER BY Scanner", {value});
    while (rows && rows->next()) records.push_back(rows->longForColumnIndex(0));
    return records;
}

}  // namespace

TEST(BVIgnoreListMigration, PreviousGenerationEntriesGetDisplayInformationAndAreKept) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    std::string legacy = f.home() + "/.local/share/Brenvik 3/KnowledgeBase/userInfo.brkkb";
    {
        auto db = BVKnowledgeBase::initialDatabaseAtPath(legacy);
        ASSERT_TRUE(db && db->open());
        // The previous generation's form: version 1.4, no AdditionalInfo column, scanner bit masks,
        // entries of the ignore list as gray items.
        ASSERT_TRUE(db->executeUpdate("DROP TABLE Item"));
        ASSERT_TRUE(db->executeUpdate("CREATE TABLE Item (RecordID INTEGER PRIMARY KEY, ItemType INTEGER DEFAULT 3, Value TEXT, IsRegEx INTEGER DEFAULT 0, Scanner INTEGER)"));
        ASSERT_TRUE(BVKnowledgeBase::setGlobalValue(std::string("1.4"), "Version", *db));
        // Bits 8 and 9: system and user caches, one entry on two rows after the split.
        ASSERT_TRUE(db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (1, 4, '~/.cache/com.example.tool', 768)"));
        // Stored for every scanner: no display kind describes it.
        ASSERT_TRUE(db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (2, 3, '~/Projects/keep me.txt', 9223372036854775807)"));
        ASSERT_TRUE(db->executeUpdate("INSERT INTO AppNote (Application, FileItem) VALUES (8, 2)"));
        // Bit 38: system localizations.
        ASSERT_TRUE(db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (3, 4, 'fr', 274877906944)"));
        // No value: matches nothing.
        ASSERT_TRUE(db->executeUpdate("INSERT INTO Item (RecordID, ItemType, Value, Scanner) VALUES (4, 3, '', 512)"));
        ASSERT_TRUE(db->executeUpdate("INSERT INTO FileNote (File, Type) VALUES (4, 7)"));
        ASSERT_TRUE(db->executeUpdate("INSERT INTO AppNote (Application, FileItem) VALUES (9, 4)"));
    }
    BVUserDefaults defaults(f.folder / "defaults.plist");
    auto kb = f.makeKnowledgeBase();
    ASSERT_TRUE(BVKnowledgeBaseMigration::migrateFromPreviousGenerationIfNeeded(defaults, *kb));
    FMDatabase& db = *kb->userDatabase()->database;

    std::vector<int64_t> cache = recordsWithValue(db, "~/.cache/com.example.tool");
    ASSERT_EQ(cache.size(), 2u);
    for (int64_t record : cache) {
        BVValue info = additionalInfoOfRecord(db, record);
        EXPECT_EQ(info["nameInfo"], BVValue(BVDictionary{{"type", "name"}, {"value", "com.example.tool"}})) << record;
        EXPECT_EQ(info["descriptionInfo"]["value"].stringValue(), "IgnoreList_ItemDescriptionUserCache") << record;
        EXPECT_EQ(info["iconInfo"]["type"].stringValue(), "path") << record;
    }
    std::vector<int64_t> kept = recordsWithValue(db, "~/Projects/keep me.txt");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(additionalInfoOfRecord(db, kept[0])["nameInfo"]["value"].stringValue(), "keep me");
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM AppNote WHERE FileItem = ? AND Application = 8", {kept[0]}), 1);
    std::vector<int64_t> language = recordsWithValue(db, "fr");
    ASSERT_EQ(language.size(), 1u);
    EXPECT_EQ(additionalInfoOfRecord(db, language[0])["nameInfo"], BVValue(BVDictionary{{"type", "lang"}, {"value", "fr"}}));

    EXPECT_TRUE(recordsWithValue(db, "").empty());
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM FileNote WHERE Type = 7"), 0);
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM AppNote WHERE Application = 9"), 0);

    // Scans still skip everything the user excluded.
    EXPECT_TRUE(kb->isBlackItem(f.home() + "/.cache/com.example.tool", 9, false));
    EXPECT_TRUE(kb->isBlackItem(f.home() + "/.cache/com.example.tool", 10, false));
    EXPECT_TRUE(kb->isBlackItem(f.home() + "/Projects/keep me.txt", 24, false));
    EXPECT_EQ(db.longForQuery("SELECT count(*) FROM Item WHERE ItemType = 3"), 4);
}

TEST(BVIgnoreListMigration, RewrittenValueAndKeptInformationReachEveryRow) {
    BVKnowledgeBaseFixture f;
    f.buildShipped({});
    auto kb = f.makeKnowledgeBase();
    FMDatabase& db = *kb->userDatabase()->database;
    BVDictionary old{{"BVNodeInfoCacheBundleId", "com.example.notes"}, {"BVNodeInfoCacheRelationState", 1}};
    auto blob = BVKnowledgeBase::blobDataForPropertyListItem(BVValue(old));
    ASSERT_TRUE(blob);
    for (int64_t scanner : {10, 26})
        ASSERT_TRUE(db.executeUpdate("INSERT INTO Item (ItemType, Value, Scanner, AdditionalInfo) VALUES (3, '~/.cache/notes', ?, ?)",
                                     {scanner, BVValue(*blob)}));
    ASSERT_TRUE(kb->migrateAllBRK3IgnoreInformation());
    std::vector<int64_t> rows = recordsWithValue(db, "com.example.notes");
    ASSERT_EQ(rows.size(), 2u);
    for (int64_t record : rows) {
        BVValue info = additionalInfoOfRecord(db, record);
        EXPECT_EQ(info["BVNodeInfoCacheBundleId"].stringValue(), "com.example.notes");  // what was stored stays
        EXPECT_EQ(info["nameInfo"]["type"].stringValue(), "format");
        EXPECT_EQ(info["descriptionInfo"]["value"].stringValue(), "IgnoreList_ItemDescriptionCacheGroup");
        EXPECT_EQ(info["iconInfo"], BVValue(BVDictionary{{"type", "apps"}, {"value", "com.example.notes"}}));
    }
    EXPECT_TRUE(recordsWithValue(db, "~/.cache/notes").empty());
}
