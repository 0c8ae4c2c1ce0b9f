// BVPrivacyDatabaseController: one SQLite database of another application (a browser's
// history, cookies or form values, the chat client's messages), opened in place.
//
// The connection is made on the first statement: the folder that holds the database is reached
// through the safe resolver (no link below the home followed, no mount crossed) and SQLite opens
// the database by its name in that open folder, read-write, never creating it, and with no
// waiting on a lock: a database the application holds (a running browser keeps its stores
// locked, even for reading) fails at once with "database is locked". Statements come from the
// knowledge base by key (item type 11, `{"BVPrivacyQueryFormat": TEXT}`). Every change is made
// inside one transaction (`performInTransaction`), so a failure changes nothing.
//
// After each call `error` holds what went wrong, with the application and the database named,
// or none. One controller is used by one task at a time, on that task's thread; nothing here is
// locked.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVFd.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVValue.h"

class BVKnowledgeBase;
class FMDatabase;

inline constexpr const char* BVPrivacyErrorDomain = "BVPrivacyErrorDomain";
// The key of a stored statement's text in its AdditionalInfo.
inline constexpr const char* BVPrivacyQueryFormatKey = "BVPrivacyQueryFormat";

class BVPrivacyDatabaseController {
public:
    // `applicationName` names the owner in errors ("Firefox").
    BVPrivacyDatabaseController(std::string accountPath, std::string databaseName, std::string applicationName,
                                BVFileManagerPtr fileManager, std::shared_ptr<const BVPaths> paths,
                                std::shared_ptr<BVKnowledgeBase> knowledgeBase);
    ~BVPrivacyDatabaseController();
    BVPrivacyDatabaseController(const BVPrivacyDatabaseController&) = delete;
    BVPrivacyDatabaseController& operator=(const BVPrivacyDatabaseController&) = delete;

    const std::string& path() const { return path_; }
    const std::string& name() const { return name_; }
    const std::string& applicationName() const { return applicationName_; }
    std::string fullPath() const;
    const std::optional<BVError>& error() const { return error_; }
    // Whether anything is at the database's path: a store the application has not made yet
    // (no form was ever filled in, say) holds nothing, which is not an error.
    bool databaseExists() const;

    // The statement format stored for `key`, or none.
    std::optional<std::string> queryFromKnowledgeBaseForKey(const std::string& key) const;

    // The integer in the first column of the first row; 0 on failure.
    int64_t numberOfRowsInQuery(const std::string& statement);
    // Runs every statement of the text (rows ignored); answers success.
    bool performQuery(const std::string& statement);
    // The rows as dictionaries keyed by column name (SQL NULL as the null value), in SQLite's
    // order; none on failure.
    std::optional<std::vector<BVDictionary>> objectsForQuery(const std::string& statement);
    // Opens the connection and runs `body` inside one exclusive transaction: committed when the
    // body answers true, rolled back otherwise. The error of the first failure is kept.
    bool performInTransaction(const std::function<bool()>& body);
    bool closeConnection();

    // Sets `error` to a failure of this database that is not SQLite's (a statement missing
    // from the knowledge base, say) and answers false.
    bool failWithDescription(const std::string& description);

private:
    bool createDatabaseAndConnectIfNeeded();
    void takeDatabaseError(const BVError* stepError = nullptr);

    std::string path_;
    std::string name_;
    std::string applicationName_;
    std::optional<BVError> error_;
    bool inTransaction_ = false;
    BVFileManagerPtr fileManager_;
    std::shared_ptr<const BVPaths> paths_;
    BVFd folder_;
    std::unique_ptr<FMDatabase> database_;
    std::shared_ptr<BVKnowledgeBase> knowledgeBase_;
};

using BVPrivacyDatabaseControllerPtr = std::shared_ptr<BVPrivacyDatabaseController>;
