// Opening, creating, migrating and upgrading the user knowledge base.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVVersionComparator.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVKnowledgeBaseStore.h"

namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    return bool(out);
}

std::string legacyUserDatabase(const BVPaths& paths, const char* generation) {
    auto support = paths.userApplicationSupport();
    if (!support) return {};
    return BVFileIO::appendPathComponent(*support, std::string(generation) + "/KnowledgeBase/userInfo.brkkb");
}

// The statements of a new user database, in order.
const char* const kSchema[] = {
    "CREATE TABLE Global (Key TEXT, Value TEXT)",
    "CREATE TABLE FileType (Type INTEGER PRIMARY KEY, PrefixPath TEXT, Description TEXT)",
    "CREATE TABLE AppType (Type INTEGER, AppSubpath TEXT, Description TEXT)",
    "CREATE TABLE Application (RecordID INTEGER PRIMARY KEY, Name TEXT COLLATE NOCASE, BundleID TEXT COLLATE NOCASE, Type INTEGER DEFAULT 0)",
    "CREATE TABLE Item (RecordID INTEGER PRIMARY KEY, ItemType INTEGER DEFAULT 3, Value TEXT, IsRegEx INTEGER DEFAULT 0, Scanner INTEGER DEFAULT 9223372036854775807, AdditionalInfo BLOB)",
    "CREATE INDEX Item_Value ON Item (Value)",
    "CREATE INDEX Item_ItemType ON Item (ItemType)",
    "CREATE TABLE FileNote (File INTEGER, Type INTEGER DEFAULT 0, FOREIGN KEY(Type) REFERENCES FileType(Type))",
    "CREATE TABLE AppNote (Application INTEGER, FileItem INTEGER)",
};

struct TypeRow {
    int64_t type;
    const char* path;
    const char* description;
};

const TypeRow kFileTypes[] = {
    {0, "", "Other File Type"},
    {1, "/Library/Application Support/", "System Application Support"},
    {4, "/Library/LaunchAgents/", "System LaunchAgents"},
    {5, "/Library/LaunchDaemons/", "System LaunchDaemons"},
    {7, "/Library/", "Library Files"},
    {8, "/Library/Preferences/", "System Preferences"},
    {3, "~/", "Home Dir"},
    {9, "~/Library/Application Support/", "User Application Support"},
    {10, "~/Library/Caches/", "User Caches"},
    {18, "~/Library/Containers/", "Sandbox Container"},
    {11, "~/Library/LaunchAgents/", "User LaunchAgents"},
    {12, "~/Library/LaunchDaemons/", "User LaunchDaemons"},
    {13, "~/Library/", "User Library"},
    {14, "~/Library/Preferences/", "User Preferences"},
};

const TypeRow kAppTypes[] = {
    {0, "/Applications/", "Application"},
    {1, "~/Library/Widgets/", "User Widget"},
    {2, "~/Library/PreferencePanes/", "User Preference Pane"},
    {4, "/Library/Widgets/", "System Widget"},
    {5, "/Library/PreferencePanes/", "System Preference Pane"},
};

bool createSchema(FMDatabase& db) {
    bool ok = db.executeUpdate(kSchema[0]) &&
              db.executeUpdate("INSERT INTO Global (Key, Value) VALUES (?, ?)", {"Version", "2.0.1"}) &&
              db.executeUpdate(kSchema[1]);
    for (const auto& row : kFileTypes)
        ok = ok && db.executeUpdate("INSERT INTO FileType (Type, PrefixPath, Description) VALUES (?, ?, ?)",
                                    {row.type, row.path, row.description});
    ok = ok && db.executeUpdate(kSchema[2]);
    for (const auto& row : kAppTypes)
        ok = ok && db.executeUpdate("INSERT INTO AppType (Type, AppSubpath, Description) VALUES (?, ?, ?)",
                                    {row.type, row.path, row.description});
    for (size_t i = 3; i < std::size(kSchema); ++i) ok = ok && db.executeUpdate(kSchema[i]);
    return ok;
}

}  // namespace

FMDatabasePtr BVKnowledgeBaseStore::initialDatabaseAtPath(const std::string& path) {
    if (!path.empty()) {
        BVFileIO::createDirectories(BVFileIO::parentPath(path));
        ::unlink(path.c_str());
    }
    auto db = FMDatabase::databaseWithPath(path);
    if (!db->open() || !db->goodConnection()) return nullptr;
    if (!db->beginTransaction()) return nullptr;
    if (!createSchema(*db) || !db->commit()) {
        db->rollback();
        return nullptr;
    }
    if (!path.empty() && !db->close()) return nullptr;
    return db;
}

BVLockedDatabasePtr BVKnowledgeBaseStore::openUserDatabase() {
    std::string path = userDatabasePath();
    std::string legacy = legacyUserDatabase(paths(), "Brenvik 2");
    if (!fileExists(path) && !legacy.empty() && fileExists(legacy)) {
        BVFileIO::createDirectories(BVFileIO::parentPath(path));
        copyFile(legacy, path);
    }
    bool existed = fileExists(path);
    FMDatabasePtr db = existed ? FMDatabase::databaseWithPath(path) : initialDatabaseAtPath(path);
    // An existing file is opened without creating, so a file removed meanwhile is not replaced by
    // an empty list behind the user's back.
    bool opened = db && (existed ? db->openReadWriteExisting() : db->open());
    // A damaged file opens but fails at its first statement (SQLITE_NOTADB); an Item table that
    // cannot be read means the ignore list cannot be read either.
    bool readable = opened && db->goodConnection() && db->executeQuery("SELECT count(*) FROM Item") != nullptr;
    if (!readable) {
        if (db) db->close();
        if (existed) {
            userState_ = BVUserDatabaseState::Damaged;
            BVLogger::error(fmt::format("The user knowledge base at path {} cannot be read; it is kept as it is. "
                                        "The ignore list is unavailable and nothing is preselected until it can be read.",
                                        paths().abbreviateHome(path)));
        } else {
            userState_ = BVUserDatabaseState::Unavailable;
            BVLogger::error(fmt::format("Failed to create the user knowledge base at path {}", paths().abbreviateHome(path)));
        }
        return nullptr;
    }
    auto locked = std::make_shared<BVLockedDatabase>();
    locked->database = db;
    upgradeUserDatabaseIfNeeds(*locked);
    userState_ = BVUserDatabaseState::Open;
    return locked;
}

bool BVKnowledgeBaseStore::takeOverLegacyUserDatabase() {
    std::string legacy = legacyUserDatabase(paths(), "Brenvik 3");
    std::string path = userDatabasePath();
    if (legacy.empty() || !fileExists(legacy) || fileExists(path)) return false;
    BVFileIO::createDirectories(BVFileIO::parentPath(path));
    if (!copyFile(legacy, path)) return false;
    std::lock_guard<std::mutex> lock(lock_);
    userDatabase_.reset();
    userState_ = BVUserDatabaseState::NotOpened;
    return true;
}

bool BVKnowledgeBase::migrateLegacyUserDatabase() {
    return store_.takeOverLegacyUserDatabase() && markAllGrayItemsAsBlack();
}

bool BVKnowledgeBase::markAllGrayItemsAsBlack() {
    auto user = userDatabase();
    if (!user) return false;
    bool ok;
    {
        std::lock_guard<std::mutex> lock(user->lock);
        FMDatabase& db = *user->database;
        ok = db.beginTransaction() && db.executeUpdate("UPDATE Item SET ItemType = 3 WHERE ItemType = 4") && db.commit();
        if (!ok) db.rollback();
    }
    invalidateCachesForItemType(BVItemTypeBlack, {BVAllScannersIdentifier});
    invalidateCachesForItemType(BVItemTypeGray, {BVAllScannersIdentifier});
    return ok;
}
