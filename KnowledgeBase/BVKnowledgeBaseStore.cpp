#include "KnowledgeBase/BVKnowledgeBaseStore.h"

#include <sys/stat.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVVersionComparator.h"
#include "KnowledgeBase/FMEncryptedDatabase.h"

namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

BVKnowledgeBaseStore::BVKnowledgeBaseStore(BVKnowledgeBaseConfiguration configuration, std::string path,
                                           std::function<void()> onAccess)
    : configuration_(std::move(configuration)), explicitPath_(std::move(path)), onAccess_(std::move(onAccess)) {
    if (!configuration_.paths) configuration_.paths = BVPaths::sharedInstance();
    if (!configuration_.notificationCenter) configuration_.notificationCenter = &BVNotificationCenter::defaultCenter();
}

std::string BVKnowledgeBaseStore::appSupportDbPath() const {
    return BVFileIO::appendPathComponent(paths().knowledgeBaseFolder(), "info.brkkb");
}

std::string BVKnowledgeBaseStore::userDatabasePath() const {
    return BVFileIO::appendPathComponent(paths().knowledgeBaseFolder(), "userInfo.brkkb");
}

std::vector<std::string> BVKnowledgeBaseStore::applicationDatabaseCandidates() const {
    if (!explicitPath_.empty()) return {explicitPath_};
    std::vector<std::string> candidates{appSupportDbPath()};
    for (const auto& shipped : configuration_.shippedDatabaseCandidates) candidates.push_back(shipped);
    return candidates;
}

std::string BVKnowledgeBaseStore::dbPath() {
    std::lock_guard<std::mutex> lock(lock_);
    return dbPath_;
}

namespace {
struct Candidate {
    std::string path;
    std::shared_ptr<FMEncryptedDatabase> database;
    std::string version = "0.0";
};

Candidate openCandidate(const std::string& path) {
    Candidate candidate{path, nullptr};
    if (path.empty() || !fileExists(path)) return candidate;
    auto database = FMEncryptedDatabase::databaseWithPath(path);
    if (!database->openDatabase() || !database->goodConnection()) {
        BVLogger::error(fmt::format("Failed to open knowledge base at path {}", path));
        return candidate;
    }
    candidate.database = database;
    candidate.version = BVKnowledgeBaseStore::globalValueForKey("Version", *database).value_or("0.0");
    return candidate;
}
}  // namespace

BVLockedDatabasePtr BVKnowledgeBaseStore::openApplicationDatabase() {
    Candidate a;
    if (!explicitPath_.empty()) {
        a = openCandidate(explicitPath_);
        if (!fileExists(explicitPath_)) BVLogger::error(fmt::format("Failed to open knowledge base at path {}", explicitPath_));
    } else {
        a = openCandidate(appSupportDbPath());
    }
    Candidate b;
    if (explicitPath_.empty()) {
        for (const auto& shipped : configuration_.shippedDatabaseCandidates) {
            b = openCandidate(shipped);
            if (b.database) break;
        }
    }
    if (!a.database && !b.database) {
        BVLogger::error("Failed to init both knowledge DBs. It's better to crash.");
        return nullptr;
    }
    bool useB = !a.database || (b.database && BVVersionComparator::compareVersion(a.version, b.version) ==
                                                  BVComparisonResult::Ascending);
    Candidate& chosen = useB ? b : a;
    dbPath_ = chosen.path;
    BVLogger::info(fmt::format("Knowledge Base version [{}] at path [{}]", chosen.version, paths().abbreviateHome(chosen.path)));
    auto locked = std::make_shared<BVLockedDatabase>();
    locked->database = chosen.database;
    return locked;
}

BVLockedDatabasePtr BVKnowledgeBaseStore::appDatabase() {
    if (onAccess_) onAccess_();
    if (knowledgeBaseDisabled_) return nullptr;
    std::lock_guard<std::mutex> lock(lock_);
    if (!appDatabase_ && !appDatabaseFailed_) {
        appDatabase_ = openApplicationDatabase();
        appDatabaseFailed_ = !appDatabase_;
    }
    return appDatabase_;
}

BVLockedDatabasePtr BVKnowledgeBaseStore::userDatabase() {
    if (onAccess_) onAccess_();
    if (userDatabaseDisabled_) return nullptr;
    std::lock_guard<std::mutex> lock(lock_);
    // A damaged file is not retried on every call (each try costs an open); a reload retries.
    if (!userDatabase_ && userState_ != BVUserDatabaseState::Damaged) userDatabase_ = openUserDatabase();
    return userDatabase_;
}

BVUserDatabaseState BVKnowledgeBaseStore::userDatabaseState() {
    if (userDatabaseDisabled_) return BVUserDatabaseState::Disabled;
    userDatabase();
    std::lock_guard<std::mutex> lock(lock_);
    return userState_;
}

std::optional<std::string> BVKnowledgeBaseStore::globalValueForKey(const std::string& key, FMDatabase& database) {
    return database.stringForQuery("SELECT Value FROM Global WHERE Key = ?", {key});
}

bool BVKnowledgeBaseStore::setGlobalValue(const std::optional<std::string>& value, const std::string& key,
                                     FMDatabase& database) {
    if (!database.beginTransaction()) return false;
    bool ok = database.executeUpdate("DELETE FROM Global WHERE Key = ?", {key});
    if (ok && value) ok = database.executeUpdate("INSERT INTO Global (Key, Value) VALUES (?, ?)", {key, *value});
    if (ok) ok = database.commit();
    if (!ok) database.rollback();
    return ok;
}

void BVKnowledgeBaseStore::close() {
    std::lock_guard<std::mutex> lock(lock_);
    appDatabase_.reset();
    appDatabaseFailed_ = false;
    dbPath_.clear();
    userDatabase_.reset();
    userState_ = BVUserDatabaseState::NotOpened;
}
