#include "tests/PrivacyModule/BVPrivacyFixtures.h"

#include <gtest/gtest.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVProcess.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

BVPrivacyHome::BVPrivacyHome(BVLayout layout, const std::vector<std::string>& ruleFiles)
    : paths(std::make_shared<const BVPaths>(layout, kb.home())), fileManager(BVFileManager::defaultManager()) {
    kb.buildShipped(BVShippedRules(ruleFiles));
    knowledgeBase = kb.makeKnowledgeBase();
}

void BVPrivacyHome::make(const std::vector<std::string>& stores) {
    std::vector<std::string> arguments{BRENVIK_PRIVACY_FIXTURES_DIR "/make-privacy-home.py", home(),
                                       BVPaths::layoutName(paths->layout())};
    arguments.insert(arguments.end(), stores.begin(), stores.end());
    BVProcess process("python3", arguments);
    std::string output;
    process.executeWithProgress(nullptr, BVStandardOutput{&output});
    ASSERT_EQ(process.outcome().exitStatus, 0) << process.outcome().standardError;
}

std::vector<BVRuleRecord> BVShippedRules(const std::vector<std::string>& files) {
    std::vector<BVRuleRecord> rules;
    for (const auto& file : files) {
        std::string text, error;
        EXPECT_TRUE(BVFileIO::readFile(std::string(BRENVIK_KB_DATA_DIR) + "/" + file, text, 1 << 22, &error)) << error;
        EXPECT_TRUE(BVRuleSource::parseRules(text, file, rules, &error)) << error;
    }
    return rules;
}

std::vector<std::string> BVColumnTexts(const std::string& path, const std::string& query) {
    FMDatabase db(path);
    std::vector<std::string> out;
    if (!db.openReadWriteExisting()) return {"cannot open " + path};
    auto rows = db.executeQuery(query);
    if (!rows) return {"cannot run " + query + ": " + db.lastErrorMessage()};
    while (rows->next()) out.push_back(rows->columnIndexIsNull(0) ? "NULL" : rows->stringForColumnIndex(0));
    return out;
}

std::string BVDatabaseProblems(const std::string& path) {
    auto integrity = BVColumnTexts(path, "PRAGMA integrity_check");
    auto keys = BVColumnTexts(path, "PRAGMA foreign_key_check");
    std::string out;
    if (integrity != std::vector<std::string>{"ok"})
        for (const auto& line : integrity) out += "integrity: " + line + "\n";
    for (const auto& table : keys) out += "foreign key violated in " + table + "\n";
    return out;
}

std::set<std::string> BVTableRows(const std::string& path, const std::string& table) {
    FMDatabase db(path);
    std::set<std::string> out;
    if (!db.openReadWriteExisting()) return {"cannot open"};
    auto rows = db.executeQuery("SELECT * FROM " + table);
    if (!rows) return {"cannot read " + table};
    while (rows->next()) {
        std::string line;
        for (const auto& [name, value] : rows->resultDictionary()) line += name + "=" + value.description() + "|";
        out.insert(line);
    }
    return out;
}

std::vector<std::string> BVTableNames(const std::string& path) {
    return BVColumnTexts(path, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
}

BVDatabaseLock::BVDatabaseLock(const std::string& path) : database_(path) {
    held_ = database_.openReadWriteExisting() && database_.executeStatements("PRAGMA locking_mode = EXCLUSIVE") &&
            database_.beginTransaction() && database_.executeStatements("CREATE TABLE brenvik_lock_probe (x)");
}

BVDatabaseLock::~BVDatabaseLock() {
    if (held_) database_.rollback();
    database_.close();
}

std::shared_ptr<BVTreeEntity> BVGroupNamed(const std::shared_ptr<const BVScanResult>& result, const std::string& identifier) {
    if (!result || !result->items()) return nullptr;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{}))
        if (item->value()->description() == identifier) return std::dynamic_pointer_cast<BVTreeEntity>(item);
    return nullptr;
}

std::vector<std::string> BVShownChildren(const std::shared_ptr<BVTreeEntity>& group) {
    std::vector<std::string> out;
    if (group)
        for (const auto& c : group->children()) out.push_back(c->value()->description());
    return out;
}

std::vector<std::shared_ptr<BVEntity>> BVChildrenShowing(const std::shared_ptr<BVTreeEntity>& group,
                                                          const std::vector<std::string>& prefixes) {
    std::vector<std::shared_ptr<BVEntity>> out;
    if (!group) return out;
    for (const auto& c : group->children())
        for (const auto& p : prefixes)
            if (c->value()->description().rfind(p, 0) == 0) {
                out.push_back(c);
                break;
            }
    return out;
}

std::vector<uint64_t> BVResultStates(const std::shared_ptr<BVCleanTaskResult>& result) {
    std::vector<uint64_t> out;
    if (result)
        for (const auto& r : result->results()) out.push_back(r->state());
    return out;
}

std::set<std::string> BVRowsGone(const std::set<std::string>& before, const std::set<std::string>& after) {
    std::set<std::string> out;
    for (const auto& row : before)
        if (!after.count(row)) out.insert(row);
    return out;
}
