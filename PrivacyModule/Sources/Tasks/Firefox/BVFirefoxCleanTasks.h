// The Firefox clean tasks. The database ones gather the rows of every chosen entry (a
// cancellation while gathering keeps what was gathered) and remove them with one call to their
// controller, in one transaction: every entry succeeds, or every entry fails with the store's
// error and nothing changed. The saved-logins task removes the chosen login entries from
// "logins.json" (and from "logins-backup.json", which the browser restores from) and writes
// each file back whole. Dependencies and checks: BVPrivacyCleanTask.
#pragma once

#include <functional>

#include "PrivacyModule/Sources/BVPrivacyCleanTask.h"
#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxModels.h"
#include "PrivacyModule/Sources/Tools/BVJSONReader.h"

// The shared shape of the database tasks.
class BVFirefoxStoreCleanTask : public BVPrivacyCleanTask {
public:
    using RowsOf = std::function<BVPrivacyRows(const BVEntityPtr&)>;
    using Remove = std::function<bool(const BVPrivacyRows&, BVError*)>;
    BVFirefoxStoreCleanTask(std::vector<BVEntityPtr> models, RowsOf rowsOf, Remove remove);

protected:
    BVCleanTaskResultPtr removeModels() override;

private:
    RowsOf rowsOf_;
    Remove remove_;
};

class BVFirefoxCookiesCleanTask : public BVFirefoxStoreCleanTask {
public:
    BVFirefoxCookiesCleanTask(const std::vector<std::shared_ptr<BVFirefoxCookiesModel>>& models,
                              std::shared_ptr<BVFirefoxCookiesController> controller);
};

class BVFirefoxBrowsingHistoryCleanTask : public BVFirefoxStoreCleanTask {
public:
    BVFirefoxBrowsingHistoryCleanTask(const std::vector<std::shared_ptr<BVFirefoxBrowsingHistoryModel>>& models,
                                      std::shared_ptr<BVFirefoxBrowsingHistoryController> controller);
};

class BVFirefoxDownloadsHistoryCleanTask : public BVFirefoxStoreCleanTask {
public:
    BVFirefoxDownloadsHistoryCleanTask(const std::vector<std::shared_ptr<BVFirefoxDownloadsHistoryModel>>& models,
                                       std::shared_ptr<BVFirefoxDownloadsHistoryController> controller);
};

class BVFirefoxAutofillItemsCleanTask : public BVFirefoxStoreCleanTask {
public:
    BVFirefoxAutofillItemsCleanTask(const std::vector<std::shared_ptr<BVFirefoxAutofillItemsModel>>& models,
                                    std::shared_ptr<BVFirefoxAutofillItemsController> controller);
};

class BVFirefoxSavedPasswordsCleanTask : public BVPrivacyCleanTask {
public:
    BVFirefoxSavedPasswordsCleanTask(const std::vector<std::shared_ptr<BVFirefoxSavedPasswordsModel>>& models,
                                     std::optional<std::string> profilePath, BVJSONReader reader);

protected:
    BVCleanTaskResultPtr removeModels() override;

private:
    std::optional<std::string> profilePath_;
    BVJSONReader reader_;
};
