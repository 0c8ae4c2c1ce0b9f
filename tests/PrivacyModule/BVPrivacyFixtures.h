// Fixtures of the privacy suites: a test home holding the browsers' and the chat client's stores
// in their real shape (built by fixtures/make-privacy-home.py from the browsers' own schemas),
// the knowledge base built from the shipped rule sources (so the shipped statements are the ones
// tested), and checks on a database after a clean: its integrity, its foreign keys, and the rows
// of a table.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Foundation/BVPaths.h"
#include "KnowledgeBase/FMDatabase.h"
#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseControllerFactory.h"
#include "tests/KnowledgeBase/BVKnowledgeBaseFixture.h"

struct BVPrivacyHome {
    // The knowledge base holds the rules of `ruleFiles` (of KnowledgeBase/Data).
    explicit BVPrivacyHome(BVLayout layout = BVLayout::linux,
                           const std::vector<std::string>& ruleFiles = {"Applications.rules", "Privacy.rules"});
    // Builds the named stores ("firefox", "firefox-xdg", "chromium", "chrome", "safari", "skype",
    // "xbel") in the home.
    void make(const std::vector<std::string>& stores);
    std::string home() const { return kb.home(); }
    std::string operator/(const std::string& relative) const { return home() + "/" + relative; }
    BVPrivacyDatabaseControllerFactory factory() const { return {paths, fileManager, knowledgeBase}; }

    BVKnowledgeBaseFixture kb;
    std::shared_ptr<const BVPaths> paths;
    BVFileManagerPtr fileManager;
    std::shared_ptr<BVKnowledgeBase> knowledgeBase;
};

class BVScanResult;
class BVTreeEntity;
class BVEntity;
class BVCleanTaskResult;
// The item of `result` whose value is `identifier` (a privacy group), or null.
std::shared_ptr<BVTreeEntity> BVGroupNamed(const std::shared_ptr<const BVScanResult>& result, const std::string& identifier);
// What every child of `group` shows, in order.
std::vector<std::string> BVShownChildren(const std::shared_ptr<BVTreeEntity>& group);
// The children of `group` whose shown value begins with one of `prefixes`.
std::vector<std::shared_ptr<BVEntity>> BVChildrenShowing(const std::shared_ptr<BVTreeEntity>& group,
                                                          const std::vector<std::string>& prefixes);
// The states of the removal results, in order.
std::vector<uint64_t> BVResultStates(const std::shared_ptr<BVCleanTaskResult>& result);
// The rows of `before` that are not in `after`.
std::set<std::string> BVRowsGone(const std::set<std::string>& before, const std::set<std::string>& after);

// The rules of the shipped sources with these file names (of KnowledgeBase/Data).
std::vector<BVRuleRecord> BVShippedRules(const std::vector<std::string>& files);

// "ok" and no foreign-key violation, or what the checks report.
std::string BVDatabaseProblems(const std::string& path);
// The first column of every row of `query`, as text, in order.
std::vector<std::string> BVColumnTexts(const std::string& path, const std::string& query);
// Every row of `table` as one line of text (columns joined by "|"), as a set.
std::set<std::string> BVTableRows(const std::string& path, const std::string& table);
// The tables of a database, sorted.
std::vector<std::string> BVTableNames(const std::string& path);

// A second connection that holds the database locked the way a running browser does (exclusive
// locking mode, a write transaction open) until it goes.
class BVDatabaseLock {
public:
    explicit BVDatabaseLock(const std::string& path);
    ~BVDatabaseLock();
    bool held() const { return held_; }

private:
    FMDatabase database_;
    bool held_ = false;
};
