// The Safari stores: the browsing history ("History.db": pages in history_items, each visit in
// history_visits, visits linked into redirect chains by redirect_source and
// redirect_destination) and the download list ("Downloads.plist", a property list whose
// "DownloadHistory" holds one dictionary per download).
//
// History rows come from the knowledge base's statements; a redirect chain is followed through
// the first row of each step and never visits a visit twice (a damaged store may hold a loop).
// Removal runs both removal statements in one transaction. The download list is read only when
// it exists and may be written, and is saved by replacing the whole file with every other key
// kept. One controller per task; not locked.
#pragma once

#include <optional>
#include <set>
#include <vector>

#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxControllers.h"

inline constexpr const char* BVCocoaErrorDomain = "NSCocoaErrorDomain";
// No permission to read the file.
inline constexpr int64_t BVCocoaErrorFileReadNoPermission = 257;

class BVSafariBrowsingHistoryDataController {
public:
    explicit BVSafariBrowsingHistoryDataController(BVPrivacyDatabaseControllerPtr databaseController)
        : databaseController_(std::move(databaseController)) {}
    const BVPrivacyDatabaseControllerPtr& databaseController() const { return databaseController_; }

    // Rows with "id", "title", "url", "visit_time" (seconds since 1970); none when the
    // statement is missing or the store cannot be read (then `error`).
    std::optional<BVPrivacyRows> fetchVisitsHistoryWithError(BVError* error);
    // The visits that redirected to `visit`, nearest first; none when there is none.
    std::optional<std::vector<int64_t>> fetchSourceIdentifiersForVisitIdentifiers(int64_t visit);
    // The visits `visit` redirected to, nearest first; none when there is none.
    std::optional<std::vector<int64_t>> fetchDestinationIdentifiersForVisitIdentifier(int64_t visit);
    // Removes the visits (and the pages left without one); the error, none on success.
    std::optional<BVError> removeBrowsingHistoryForIdentifiers(const std::vector<int64_t>& visits);

private:
    std::optional<std::vector<int64_t>> chain(int64_t visit, const char* statement, const char* next);

    BVPrivacyDatabaseControllerPtr databaseController_;
};

class BVSafariDownloadsHistoryDataController {
public:
    BVSafariDownloadsHistoryDataController(std::shared_ptr<const BVPaths> paths, std::string downloadsPath)
        : paths_(std::move(paths)), downloadsPath_(std::move(downloadsPath)) {}
    const std::string& downloadsPath() const { return downloadsPath_; }

    // The "DownloadHistory" list; none and NSCocoaErrorDomain 257 when the file cannot be read.
    std::optional<BVArray> fetchDownloadsHistoryWithError(BVError* error) const;
    // Replaces "DownloadHistory" with `history`, keeping every other key; the error (257), or
    // none on success.
    std::optional<BVError> saveDonwloadsHistory(const BVArray& history) const;

private:
    std::optional<BVDictionary> readDictionary() const;

    std::shared_ptr<const BVPaths> paths_;
    std::string downloadsPath_;
};
