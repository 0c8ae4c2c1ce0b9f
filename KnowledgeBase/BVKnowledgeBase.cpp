#include "KnowledgeBase/BVKnowledgeBase.h"

#include <sys/stat.h>

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVVersionComparator.h"
#include "KnowledgeBase/BVKnowledgeBaseResources.h"
#include "KnowledgeBase/FMEncryptedDatabase.h"

namespace {

std::mutex sharedLock;
std::shared_ptr<BVKnowledgeBase> sharedKnowledgeBase;

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

int64_t nowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr int64_t kReloadDelayMilliseconds = 5000;

}  // namespace

std::shared_ptr<BVKnowledgeBase> BVKnowledgeBase::sharedInstance() {
    std::lock_guard<std::mutex> lock(sharedLock);
    if (!sharedKnowledgeBase) {
        BVKnowledgeBaseConfiguration configuration;
        configuration.paths = BVPaths::sharedInstance();
        configuration.shippedDatabaseCandidates = BVKnowledgeBaseResources::candidatesForResource("info.brkkb");
        sharedKnowledgeBase = std::make_shared<BVKnowledgeBase>(std::move(configuration));
    }
    return sharedKnowledgeBase;
}

void BVKnowledgeBase::setSharedInstance(std::shared_ptr<BVKnowledgeBase> knowledgeBase) {
    std::lock_guard<std::mutex> lock(sharedLock);
    sharedKnowledgeBase = std::move(knowledgeBase);
}

BVKnowledgeBase::BVKnowledgeBase(BVKnowledgeBaseConfiguration configuration, std::string path)
    : configuration_(std::move(configuration)), explicitPath_(std::move(path)) {
    if (!configuration_.paths) configuration_.paths = BVPaths::sharedInstance();
    if (!configuration_.notificationCenter) configuration_.notificationCenter = &BVNotificationCenter::defaultCenter();
}

BVKnowledgeBase::~BVKnowledgeBase() = default;

std::string BVKnowledgeBase::appSupportDbPath() const {
    return BVFileIO::appendPathComponent(paths().knowledgeBaseFolder(), "info.brkkb");
}

std::string BVKnowledgeBase::userDatabasePath() const {
    return BVFileIO::appendPathComponent(paths().knowledgeBaseFolder(), "userInfo.brkkb");
}

std::vector<std::string> BVKnowledgeBase::applicationDatabaseCandidates() const {
    if (!explicitPath_.empty()) return {explicitPath_};
    std::vector<std::string> candidates{appSupportDbPath()};
    for (const auto& shipped : configuration_.shippedDatabaseCandidates) candidates.push_back(shipped);
    return candidates;
}

std::mutex& BVKnowledgeBase::mutexForObject(const BVLockedDatabasePtr& database) {
    // A missing database still gets a usable lock of its own, shared with no one.
    if (database) return database->lock;
    thread_local std::mutex unshared;
    return unshared;
}

std::string BVKnowledgeBase::dbPath() {
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
    candidate.version = BVKnowledgeBase::globalValueForKey("Version", *database).value_or("0.0");
    return candidate;
}
}  // namespace

BVLockedDatabasePtr BVKnowledgeBase::openApplicationDatabase() {
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

BVLockedDatabasePtr BVKnowledgeBase::appDatabase() {
    noteAccess();
    if (knowledgeBaseDisabled_) return nullptr;
    std::lock_guard<std::mutex> lock(lock_);
    if (!appDatabase_ && !appDatabaseFailed_) {
        appDatabase_ = openApplicationDatabase();
        appDatabaseFailed_ = !appDatabase_;
    }
    return appDatabase_;
}

BVLockedDatabasePtr BVKnowledgeBase::userDatabase() {
    noteAccess();
    if (userDatabaseDisabled_) return nullptr;
    std::lock_guard<std::mutex> lock(lock_);
    // A damaged file is not retried on every call (each try costs an open); a reload retries.
    if (!userDatabase_ && userState_ != BVUserDatabaseState::Damaged) userDatabase_ = openUserDatabase();
    return userDatabase_;
}

BVUserDatabaseState BVKnowledgeBase::userDatabaseState() {
    if (userDatabaseDisabled_) return BVUserDatabaseState::Disabled;
    userDatabase();
    std::lock_guard<std::mutex> lock(lock_);
    return userState_;
}

std::string BVKnowledgeBase::version() {
    auto database = appDatabase();
    if (!database) return "0.0";
    std::lock_guard<std::mutex> lock(database->lock);
    return globalValueForKey("Version", *database->database).value_or("0.0");
}

std::optional<std::string> BVKnowledgeBase::globalValueForKey(const std::string& key) {
    auto database = appDatabase();
    if (!database) return std::nullopt;
    std::lock_guard<std::mutex> lock(database->lock);
    return globalValueForKey(key, *database->database);
}

bool BVKnowledgeBase::setGlobalValue(const std::optional<std::string>& value, const std::string& key) {
    auto database = appDatabase();
    if (!database) return false;
    std::lock_guard<std::mutex> lock(database->lock);
    return setGlobalValue(value, key, *database->database);
}

std::optional<std::string> BVKnowledgeBase::globalValueForKey(const std::string& key, FMDatabase& database) {
    return database.stringForQuery("SELECT Value FROM Global WHERE Key = ?", {key});
}

bool BVKnowledgeBase::setGlobalValue(const std::optional<std::string>& value, const std::string& key,
                                     FMDatabase& database) {
    if (!database.beginTransaction()) return false;
    bool ok = database.executeUpdate("DELETE FROM Global WHERE Key = ?", {key});
    if (ok && value) ok = database.executeUpdate("INSERT INTO Global (Key, Value) VALUES (?, ?)", {key, *value});
    if (ok) ok = database.commit();
    if (!ok) database.rollback();
    return ok;
}

std::optional<BVData> BVKnowledgeBase::blobDataForPropertyListItem(const BVValue& item) {
    if (item.isNull()) return std::nullopt;
    return BVData{BVPlistCodec::encode(item, BVPlistCodec::Format::Binary)};
}

std::optional<BVValue> BVKnowledgeBase::propertyListItemForBlobData(const std::string& data) {
    if (data.empty()) return std::nullopt;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (auto decoded = BVPlistCodec::decode(data)) return decoded;
    }
    return std::nullopt;
}

void BVKnowledgeBase::reloadDatabaseWhenPossible() {
    reloadEnabled_ = true;
    rescheduleDatabaseReload();
}

void BVKnowledgeBase::noteAccess() {
    if (!reloadEnabled_) return;
    lastAccessMilliseconds_ = nowMilliseconds();
    rescheduleDatabaseReload();
}

void BVKnowledgeBase::rescheduleDatabaseReload() {
    if (!reloadEnabled_) return;
    lastAccessMilliseconds_ = nowMilliseconds();
    // One timer at a time: when it fires it looks at the last access and either reloads or
    // waits for the rest of the quiet period. That is the same as cancelling and rescheduling
    // on every access, without one pending timer per lookup.
    if (reloadPending_.exchange(true)) return;
    std::weak_ptr<BVKnowledgeBase> weak = weak_from_this();
    auto schedule = std::make_shared<std::function<void(int64_t)>>();
    *schedule = [weak, schedule](int64_t delay) {
        BVDispatchQueue::main()->after(std::chrono::milliseconds(delay), [weak, schedule] {
            auto self = weak.lock();
            if (!self) {
                *schedule = nullptr;  // breaks the function's hold on itself
                return;
            }
            int64_t quiet = nowMilliseconds() - self->lastAccessMilliseconds_;
            if (quiet >= kReloadDelayMilliseconds) {
                self->reloadPending_ = false;
                *schedule = nullptr;
                self->reloadDatabaseNow();
            } else {
                (*schedule)(kReloadDelayMilliseconds - quiet);
            }
        });
    };
    BVDispatchQueue::main()->async([schedule] { (*schedule)(kReloadDelayMilliseconds); });
}

void BVKnowledgeBase::reloadDatabaseNow() {
    if (!reloadEnabled_) return;
    {
        std::lock_guard<std::mutex> lock(lock_);
        appDatabase_.reset();
        appDatabaseFailed_ = false;
        dbPath_.clear();
        userDatabase_.reset();
        userState_ = BVUserDatabaseState::NotOpened;
    }
    {
        std::lock_guard<std::mutex> lock(cacheLock_);
        cache_.clear();
        anyScannerCache_.clear();
    }
    reloadEnabled_ = false;
}
