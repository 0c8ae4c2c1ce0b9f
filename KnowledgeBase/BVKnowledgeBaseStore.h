// BVKnowledgeBaseStore: the two databases of the knowledge base and nothing else. The
// application database (encrypted; the newer of the override copy in the user's knowledge-base
// folder and the shipped copy, or exactly one given path) and the user database (plain; made
// with its schema when missing, taken over from the previous generation, upgraded; a file that
// exists but cannot be read is kept as it is and reported Damaged). Both open on first use;
// `close` drops them so that the next use opens them again.
//
// Thread safety: any thread. One lock guards which databases are open; each database carries
// the lock every statement sequence on it holds (BVLockedDatabase). The store never holds its own
// lock while a database lock is held by it, and never two database locks at once.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVNotificationCenter.h"
#include "Foundation/BVPaths.h"
#include "KnowledgeBase/FMDatabase.h"

// A database with the lock every statement sequence on it holds.
struct BVLockedDatabase {
    FMDatabasePtr database;
    std::mutex lock;
};
using BVLockedDatabasePtr = std::shared_ptr<BVLockedDatabase>;

enum class BVUserDatabaseState { NotOpened, Open, Unavailable, Damaged, Disabled };

struct BVKnowledgeBaseConfiguration {
    std::shared_ptr<const BVPaths> paths;
    // Where the shipped copy may be, tried in order (see BVKnowledgeBaseResources).
    std::vector<std::string> shippedDatabaseCandidates;
    BVNotificationCenter* notificationCenter = nullptr;  // the default centre when none
};

class BVKnowledgeBaseStore {
public:
    // `path` empty: the override copy or the shipped copy, whichever is newer. Otherwise exactly
    // `path`, with no fallback. `onAccess` runs at every use of a database (the reload timer).
    BVKnowledgeBaseStore(BVKnowledgeBaseConfiguration configuration, std::string path, std::function<void()> onAccess);

    BVLockedDatabasePtr appDatabase();
    BVLockedDatabasePtr userDatabase();
    BVUserDatabaseState userDatabaseState();
    // The application database's path once it is open.
    std::string dbPath();
    std::string appSupportDbPath() const;
    std::string userDatabasePath() const;
    // The candidate paths tried for the application database, for messages.
    std::vector<std::string> applicationDatabaseCandidates() const;
    const BVPaths& paths() const { return *configuration_.paths; }
    const BVKnowledgeBaseConfiguration& configuration() const { return configuration_; }

    bool isKnowledgeBaseDisabled() const { return knowledgeBaseDisabled_; }
    void setKnowledgeBaseDisabled(bool disabled) { knowledgeBaseDisabled_ = disabled; }
    bool isUserDatabaseDisabled() const { return userDatabaseDisabled_; }
    void setUserDatabaseDisabled(bool disabled) { userDatabaseDisabled_ = disabled; }

    // Drops both databases; the next use opens them again.
    void close();
    // Copies the previous generation's user database over when this one has none; answers
    // whether it did (the user database then opens from the copy).
    bool takeOverLegacyUserDatabase();

    static std::optional<std::string> globalValueForKey(const std::string& key, FMDatabase& database);
    static bool setGlobalValue(const std::optional<std::string>& value, const std::string& key, FMDatabase& database);
    // A new user database with its schema at `path` (in memory when empty).
    static FMDatabasePtr initialDatabaseAtPath(const std::string& path);
    static void upgradeUserDatabaseIfNeeds(BVLockedDatabase& database);

private:
    BVLockedDatabasePtr openApplicationDatabase();
    BVLockedDatabasePtr openUserDatabase();

    BVKnowledgeBaseConfiguration configuration_;
    std::string explicitPath_;
    std::function<void()> onAccess_;
    std::mutex lock_;
    std::string dbPath_;
    BVLockedDatabasePtr appDatabase_;
    bool appDatabaseFailed_ = false;  // tried and failed; tried again only after `close`
    BVLockedDatabasePtr userDatabase_;
    BVUserDatabaseState userState_ = BVUserDatabaseState::NotOpened;
    std::atomic<bool> knowledgeBaseDisabled_{false};
    std::atomic<bool> userDatabaseDisabled_{false};
};
