// The Firefox stores: cookies ("cookies.sqlite"), browsing history and downloads (both in
// "places.sqlite", where a download is a page with a visit of type 7 and the file it was saved
// to in an annotation) and saved form values ("formhistory.sqlite"). Each controller reads its
// rows with the knowledge base's fetch statement and removes chosen rows by their "id" with the
// removal statements, inside one transaction: every statement succeeds or nothing changes.
//
// A fetch whose statement is missing from the knowledge base, or whose store the browser has not
// made yet, answers an empty list and no error; a removal whose statement is missing fails, naming it, and runs nothing. Rows are
// dictionaries keyed by column name. One controller per task; not locked.
#pragma once

#include <optional>
#include <vector>

#include "PrivacyModule/Sources/Tools/Database/BVPrivacyDatabaseController.h"

using BVPrivacyRow = BVDictionary;
using BVPrivacyRows = std::vector<BVPrivacyRow>;

// The "id" values of rows, in order (rows without a number there are left out).
std::vector<int64_t> BVPrivacyRowIdentifiers(const BVPrivacyRows& rows);

class BVPrivacyDatabaseDependentController {
public:
    explicit BVPrivacyDatabaseDependentController(BVPrivacyDatabaseControllerPtr databaseController)
        : databaseController_(std::move(databaseController)) {}
    virtual ~BVPrivacyDatabaseDependentController() = default;
    const BVPrivacyDatabaseControllerPtr& databaseController() const { return databaseController_; }

protected:
    // The rows of the statement stored under `key`; an empty list when it is missing.
    std::optional<BVPrivacyRows> fetch(const char* key, bool closeAfter, BVError* error);
    // Runs the statements stored under `keys` in order, each filled with `list`, in one
    // transaction. `missing` names each key's message when it is not stored.
    bool removeRows(const std::vector<std::pair<const char*, const char*>>& keysAndMissing, const std::string& list,
                    bool closeAfter, BVError* error);

private:
    BVPrivacyDatabaseControllerPtr databaseController_;
};

class BVFirefoxCookiesController : public BVPrivacyDatabaseDependentController {
public:
    using BVPrivacyDatabaseDependentController::BVPrivacyDatabaseDependentController;
    std::optional<BVPrivacyRows> fetchCookiesWithError(BVError* error);
    bool removeCookies(const BVPrivacyRows& cookies, BVError* error);
};

class BVFirefoxBrowsingHistoryController : public BVPrivacyDatabaseDependentController {
public:
    using BVPrivacyDatabaseDependentController::BVPrivacyDatabaseDependentController;
    std::optional<BVPrivacyRows> fetchBrowsingHistoryItemsWithError(BVError* error);
    bool removeBrowsingHistoryItems(const BVPrivacyRows& items, BVError* error);
};

class BVFirefoxDownloadsHistoryController : public BVPrivacyDatabaseDependentController {
public:
    using BVPrivacyDatabaseDependentController::BVPrivacyDatabaseDependentController;
    // Each row gains "filename": the last component of its "url", percent escapes decoded.
    std::optional<BVPrivacyRows> fetchDownloadsWithError(BVError* error);
    bool removeDownloads(const BVPrivacyRows& downloads, BVError* error);
};

class BVFirefoxAutofillItemsController : public BVPrivacyDatabaseDependentController {
public:
    using BVPrivacyDatabaseDependentController::BVPrivacyDatabaseDependentController;
    std::optional<BVPrivacyRows> fetchAutofillValuesWithError(BVError* error);
    bool removeAutofillValues(const BVPrivacyRows& values, BVError* error);
};

// "report final.pdf" from "file:///home/u/Downloads/report%20final.pdf".
std::string BVFirefoxDownloadFileName(const std::string& url);
