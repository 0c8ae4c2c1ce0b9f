#include "KnowledgeBase/BVKnowledgeBaseBuilder.h"

#include <unistd.h>

#include <cstdio>
#include <map>

#include "Foundation/BVPlistCodec.h"
#include "KnowledgeBase/FMEncryptedDatabase.h"

namespace {

const char* const kTables[] = {
    "CREATE TABLE Global (Key TEXT, Value TEXT)",
    "CREATE TABLE FileType (Type INTEGER PRIMARY KEY, PrefixPath TEXT, Description TEXT)",
    "CREATE TABLE AppType (Type INTEGER, AppSubpath TEXT, Description TEXT)",
    "CREATE TABLE Application (RecordID INTEGER PRIMARY KEY, Name TEXT COLLATE NOCASE, BundleID TEXT COLLATE NOCASE, Type INTEGER DEFAULT 0)",
    "CREATE TABLE Item (RecordID INTEGER PRIMARY KEY, ItemType INTEGER DEFAULT 3, Value TEXT, IsRegEx INTEGER DEFAULT 0, Scanner INTEGER DEFAULT 9223372036854775807, AdditionalInfo BLOB)",
    "CREATE INDEX Item_Value ON Item (Value)",
    "CREATE INDEX Item_ItemType ON Item (ItemType)",
    "CREATE TABLE FileNote (File INTEGER, Type INTEGER DEFAULT 0, FOREIGN KEY(Type) REFERENCES FileType(Type))",
    "CREATE INDEX FileNote_File ON FileNote (File)",
    "CREATE TABLE AppNote (Application INTEGER, FileItem INTEGER)",
    "CREATE INDEX AppNote_FileItem ON AppNote (FileItem)",
    "CREATE TABLE AppCompatibility (CompatibleApp INTEGER, BRK_Version TEXT, AppVersion TEXT, MinMaxState INTEGER)",
    "CREATE TABLE AppUpdateFeed (BundleID TEXT COLLATE NOCASE, SUFeedURL TEXT)",
    "CREATE TABLE AppExecutable (BundleID TEXT COLLATE NOCASE, Executable TEXT)",
    "CREATE TABLE Malware (ID INTEGER PRIMARY KEY, Name TEXT, Type TEXT, InfoLink TEXT)",
    "CREATE TABLE MalwareRuleHash (MalwareID INTEGER, Hash TEXT, Size INTEGER)",
    // The hash scan asks by size for every batch of files it walks.
    "CREATE INDEX MalwareRuleHash_Size ON MalwareRuleHash (Size)",
    "CREATE TABLE MalwareRuleSafariExtension (MalwareID INTEGER, Regex TEXT)",
    "CREATE TABLE MalwareRuleLaunchAgent (MalwareID INTEGER, Regex TEXT, Contents TEXT)",
    "CREATE TABLE MalwareRulePath (MalwareID INTEGER, Path TEXT, NameRegex TEXT, ContentsRegex TEXT, MaxSize INTEGER, Hash TEXT)",
    "CREATE TABLE MalwareModuleInfo (UpdateDate TEXT)",
};

BVValue textOrNull(const std::string& text) { return text.empty() ? BVValue() : BVValue(text); }

bool write(FMDatabase& db, const std::string& version, const std::vector<BVTypeRecord>& types,
           const std::vector<BVRuleRecord>& rules, const std::vector<BVUpdateFeedRecord>& feeds,
           const BVMalwareSource& malware) {
    for (const char* statement : kTables)
        if (!db.executeUpdate(statement)) return false;
    if (!db.executeUpdate("INSERT INTO Global (Key, Value) VALUES (?, ?)", {"Version", version})) return false;
    for (const auto& t : types) {
        const char* sql = t.isApplicationType ? "INSERT INTO AppType (Type, AppSubpath, Description) VALUES (?, ?, ?)"
                                              : "INSERT INTO FileType (Type, PrefixPath, Description) VALUES (?, ?, ?)";
        if (!db.executeUpdate(sql, {t.type, t.path, t.description})) return false;
    }
    std::map<std::pair<std::string, std::string>, int64_t> applications;
    for (const auto& rule : rules) {
        if (rule.isExecutable) {
            if (!db.executeUpdate("INSERT INTO AppExecutable (BundleID, Executable) VALUES (?, ?)", {rule.bundleID, rule.value}))
                return false;
            continue;
        }
        BVValue additionalInfo;
        if (rule.additionalInfo) additionalInfo = BVValue(BVData{BVPlistCodec::encode(*rule.additionalInfo)});
        if (!db.executeUpdate("INSERT INTO Item (ItemType, Value, IsRegEx, Scanner, AdditionalInfo) VALUES (?, ?, ?, ?, ?)",
                              {rule.itemType, rule.value, int64_t(rule.isRegex ? 1 : 0), int64_t(rule.scanner), additionalInfo}))
            return false;
        int64_t record = db.lastInsertRowId();
        if (rule.fileType && !db.executeUpdate("INSERT INTO FileNote (File, Type) VALUES (?, ?)", {record, *rule.fileType}))
            return false;
        if (rule.bundleID.empty()) continue;
        auto key = std::make_pair(rule.applicationName, rule.bundleID);
        auto found = applications.find(key);
        if (found == applications.end()) {
            if (!db.executeUpdate("INSERT INTO Application (Name, BundleID, Type) VALUES (?, ?, 0)", {key.first, key.second}))
                return false;
            found = applications.emplace(key, db.lastInsertRowId()).first;
        }
        if (!db.executeUpdate("INSERT INTO AppNote (Application, FileItem) VALUES (?, ?)", {found->second, record})) return false;
    }
    for (const auto& feed : feeds)
        if (!db.executeUpdate("INSERT INTO AppUpdateFeed (BundleID, SUFeedURL) VALUES (?, ?)", {feed.bundleID, feed.feedURL}))
            return false;
    if (!malware.updateDate.empty() &&
        !db.executeUpdate("INSERT INTO MalwareModuleInfo (UpdateDate) VALUES (?)", {malware.updateDate}))
        return false;
    return BVKnowledgeBaseBuilder::insertMalware(db, malware.families);
}

}  // namespace

namespace BVKnowledgeBaseBuilder {

bool insertMalware(FMDatabase& db, const std::vector<BVMalwareRecord>& families) {
    int64_t id = db.longForQuery("SELECT MAX(ID) FROM Malware");
    for (const auto& family : families) {
        ++id;
        if (!db.executeUpdate("INSERT INTO Malware (ID, Name, Type, InfoLink) VALUES (?, ?, ?, ?)",
                              {id, textOrNull(family.name), textOrNull(family.type), textOrNull(family.infoLink)}))
            return false;
        for (const auto& h : family.hashes)
            if (!db.executeUpdate("INSERT INTO MalwareRuleHash (MalwareID, Hash, Size) VALUES (?, ?, ?)", {id, h.hash, int64_t(h.size)}))
                return false;
        for (const auto& e : family.extensionRegexes)
            if (!db.executeUpdate("INSERT INTO MalwareRuleSafariExtension (MalwareID, Regex) VALUES (?, ?)", {id, e})) return false;
        for (const auto& a : family.agents)
            if (!db.executeUpdate("INSERT INTO MalwareRuleLaunchAgent (MalwareID, Regex, Contents) VALUES (?, ?, ?)",
                                  {id, textOrNull(a.nameRegex), textOrNull(a.contentsRegex)}))
                return false;
        for (const auto& p : family.paths)
            if (!db.executeUpdate(
                    "INSERT INTO MalwareRulePath (MalwareID, Path, NameRegex, ContentsRegex, MaxSize, Hash) VALUES (?, ?, ?, ?, ?, ?)",
                    {id, p.path, textOrNull(p.nameRegex), textOrNull(p.contentsRegex), p.maxSize ? BVValue(*p.maxSize) : BVValue(),
                     textOrNull(p.hash)}))
                return false;
    }
    return true;
}

bool build(const std::string& path, const std::string& version, const std::vector<BVTypeRecord>& types,
           const std::vector<BVRuleRecord>& rules, std::string* error, const std::vector<BVUpdateFeedRecord>& feeds,
           const BVMalwareSource& malware) {
    std::string temporary = path + ".building";
    ::unlink(temporary.c_str());
    bool ok;
    std::string message;
    {
        FMEncryptedDatabase db(temporary);
        ok = db.createDatabase() && db.beginTransaction();
        ok = ok && write(db, version, types, rules, feeds, malware);
        ok = ok && db.commit();
        if (!ok) message = db.lastErrorMessage();
        ok = db.close() && ok;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        message = "cannot move the database into place";
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        if (error) *error = "building " + path + " failed: " + message;
    }
    return ok;
}

}  // namespace BVKnowledgeBaseBuilder
