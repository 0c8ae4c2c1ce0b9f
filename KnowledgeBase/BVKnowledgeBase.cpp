#include "KnowledgeBase/BVKnowledgeBase.h"

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPlistCodec.h"
#include "KnowledgeBase/BVKnowledgeBaseResources.h"

namespace {

std::mutex sharedLock;
std::shared_ptr<BVKnowledgeBase> sharedKnowledgeBase;

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
    : store_(std::move(configuration), std::move(path), [this] { noteAccess(); }),
      notificationCenter_(store_.configuration().notificationCenter) {}

BVKnowledgeBase::~BVKnowledgeBase() = default;

std::mutex& BVKnowledgeBase::mutexForObject(const BVLockedDatabasePtr& database) {
    // A missing database still gets a usable lock of its own, shared with no one.
    if (database) return database->lock;
    thread_local std::mutex unshared;
    return unshared;
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
    store_.close();
    {
        std::lock_guard<std::mutex> lock(cacheLock_);
        cache_.clear();
        anyScannerCache_.clear();
    }
    reloadEnabled_ = false;
}
