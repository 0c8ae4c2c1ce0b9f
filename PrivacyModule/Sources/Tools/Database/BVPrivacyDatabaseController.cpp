#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseController.h"

#include <fcntl.h>

#define SQLITE_HAS_CODEC 1
#include <sqlcipher/sqlite3.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVSafeResolver.h"
#include "KnowledgeBase/BVKnowledgeBase.h"
#include "KnowledgeBase/BVKnowledgeBaseTypes.h"
#include "KnowledgeBase/BVScannerIdentifiers.h"
#include "KnowledgeBase/FMDatabase.h"

BVPrivacyDatabaseController::BVPrivacyDatabaseController(std::string accountPath, std::string databaseName,
                                                         std::string applicationName, BVFileManagerPtr fileManager,
                                                         std::shared_ptr<const BVPaths> paths,
                                                         std::shared_ptr<BVKnowledgeBase> knowledgeBase)
    : path_(std::move(accountPath)),
      name_(std::move(databaseName)),
      applicationName_(std::move(applicationName)),
      fileManager_(std::move(fileManager)),
      paths_(std::move(paths)),
      knowledgeBase_(std::move(knowledgeBase)) {}

BVPrivacyDatabaseController::~BVPrivacyDatabaseController() { closeConnection(); }

std::string BVPrivacyDatabaseController::fullPath() const { return BVFileIO::appendPathComponent(path_, name_); }

bool BVPrivacyDatabaseController::databaseExists() const { return fileManager_->fileExistsAtPath(fullPath()); }

std::optional<std::string> BVPrivacyDatabaseController::queryFromKnowledgeBaseForKey(const std::string& key) const {
    if (!knowledgeBase_) return std::nullopt;
    auto item = knowledgeBase_->itemWithValue(key, BVItemTypeStoredStatement);
    if (!item) return std::nullopt;
    auto found = item->find(BVItemInfoAdditionalInfoKey);
    if (found == item->end()) return std::nullopt;
    BVValue info = found->second;
    // Stored as a property list; a copy may hold it still encoded, as data or as text.
    if (const BVData* data = info.dataValue()) info = BVPlistCodec::decode(data->bytes).value_or(BVValue());
    else if (info.isString()) info = BVPlistCodec::decode(info.stringValue()).value_or(BVValue());
    const BVValue& format = info[BVPrivacyQueryFormatKey];
    if (!format.isString() || format.stringValue().empty()) return std::nullopt;
    return format.stringValue();
}

bool BVPrivacyDatabaseController::failWithDescription(const std::string& description) {
    error_ = BVError::withDescription(BVPrivacyErrorDomain, 1, description);
    return false;
}

// The database's failure as the user reads it: which application's store, and SQLite's reason.
void BVPrivacyDatabaseController::takeDatabaseError(const BVError* stepError) {
    if (inTransaction_ && error_) return;
    int code = database_ ? database_->lastErrorCode() : SQLITE_CANTOPEN;
    std::string reason = database_ ? database_->lastErrorMessage() : std::string("not open");
    if (stepError && stepError->code() != 0) {
        code = int(stepError->code());
        reason = stepError->localizedDescription();
    }
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) {
        failWithDescription(BVFormatLocalized(BVLocalizedString("Privacy", "PrivacyError_DatabaseFailed"),
                                              {applicationName_, paths_->abbreviateHome(fullPath()), "unknown error"}));
        return;
    }
    std::string key = (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED ? "PrivacyError_DatabaseLocked"
                                                                                       : "PrivacyError_DatabaseFailed";
    error_ = BVError::withDescription("FMDatabase", code,
                                      BVFormatLocalized(BVLocalizedString("Privacy", key),
                                                        {applicationName_, paths_->abbreviateHome(fullPath()), reason}));
}

bool BVPrivacyDatabaseController::createDatabaseAndConnectIfNeeded() {
    if (database_) return true;
    std::string full = fullPath();
    // The folder is reached without following a link or crossing a mount, and the database must
    // be a plain file in it; SQLite then opens it by name inside that open folder, so the path is
    // not resolved again (its journal and WAL files are found the same way).
    BVError problem;
    BVFileIdentity identity;
    BVFd folder = paths_->resolver().openFolder(path_, O_PATH, &identity, &problem);
    if (!folder) {
        return failWithDescription(BVFormatLocalized(BVLocalizedString("Privacy", "PrivacyError_DatabaseFailed"),
                                                     {applicationName_, paths_->abbreviateHome(full), problem.localizedDescription()}));
    }
    auto file = fileManager_->identityAtPath(full, &problem);
    if (!file || !file->isRegularFile()) {
        std::string reason = file ? "it is " + file->kindDescription() + ", not a database file" : problem.localizedDescription();
        return failWithDescription(BVFormatLocalized(BVLocalizedString("Privacy", "PrivacyError_DatabaseFailed"),
                                                     {applicationName_, paths_->abbreviateHome(full), reason}));
    }
    auto database = std::make_unique<FMDatabase>("/proc/self/fd/" + std::to_string(folder.get()) + "/" + name_);
    database->setMaxBusyRetryTimeInterval(0);
    if (!database->openWithFlags(SQLITE_OPEN_READWRITE)) {
        return failWithDescription(BVFormatLocalized(BVLocalizedString("Privacy", "PrivacyError_DatabaseFailed"),
                                                     {applicationName_, paths_->abbreviateHome(full), "cannot open"}));
    }
    database_ = std::move(database);
    folder_ = std::move(folder);
    if (!database_->goodConnection()) {
        takeDatabaseError();
        closeConnection();
        return false;
    }
    return true;
}

int64_t BVPrivacyDatabaseController::numberOfRowsInQuery(const std::string& statement) {
    if (!inTransaction_) error_.reset();
    if (!createDatabaseAndConnectIfNeeded()) return 0;
    auto rows = database_->executeQuery(statement);
    BVError stepError;
    if (!rows || (!rows->nextWithError(&stepError) && stepError.code() != 0)) {
        takeDatabaseError(&stepError);
        return 0;
    }
    return rows->longForColumnIndex(0);
}

bool BVPrivacyDatabaseController::performQuery(const std::string& statement) {
    // Inside a transaction the first failure is the one reported.
    if (!inTransaction_) error_.reset();
    if (!createDatabaseAndConnectIfNeeded()) return false;
    if (database_->executeStatements(statement)) return true;
    takeDatabaseError();
    return false;
}

std::optional<std::vector<BVDictionary>> BVPrivacyDatabaseController::objectsForQuery(const std::string& statement) {
    if (!inTransaction_) error_.reset();
    if (!createDatabaseAndConnectIfNeeded()) return std::nullopt;
    auto rows = database_->executeQuery(statement);
    if (!rows) {
        takeDatabaseError();
        return std::nullopt;
    }
    std::vector<BVDictionary> out;
    BVError stepError;
    while (rows->nextWithError(&stepError)) out.push_back(rows->resultDictionary());
    if (stepError.code() != 0) {
        takeDatabaseError(&stepError);
        return std::nullopt;
    }
    return out;
}

bool BVPrivacyDatabaseController::performInTransaction(const std::function<bool()>& body) {
    error_.reset();
    if (!createDatabaseAndConnectIfNeeded()) return false;
    if (!database_->beginTransaction()) {
        takeDatabaseError();
        return false;
    }
    inTransaction_ = true;
    bool ok = body();
    inTransaction_ = false;
    std::optional<BVError> failure = error_;
    if (ok && database_->commit()) return true;
    if (ok) {
        takeDatabaseError();
        failure = error_;
    }
    database_->rollback();
    error_ = failure;
    return false;
}

bool BVPrivacyDatabaseController::closeConnection() {
    bool ok = true;
    if (database_) ok = database_->close();
    database_.reset();
    folder_.reset();
    return ok;
}
