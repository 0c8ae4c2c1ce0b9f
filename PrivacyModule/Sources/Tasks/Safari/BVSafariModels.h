// The Safari entries and groups: browsing history by site (the page title, or the host when
// the title is empty), one download by its file name, cookies by domain, and the history and
// downloads groups that keep their store's controller for the clean.
#pragma once

#include "Foundation/BVHTTPCookieStorage.h"
#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "PrivacyModule/Sources/Tools/Safari/BVSafariDataControllers.h"

struct BVSafariBrowsingHistoryRecord {
    int64_t identifier = 0;
    std::string path;  // the page's URL
    BVDate date;
    bool operator==(const BVSafariBrowsingHistoryRecord&) const = default;
};

class BVSafariBrowsingHistoryModel : public BVPrivacyRecordsModel<BVSafariBrowsingHistoryRecord> {
    BV_ENTITY_CLASS(BVSafariBrowsingHistoryModel)
public:
    explicit BVSafariBrowsingHistoryModel(const std::string& site) : BVPrivacyRecordsModel(site, "visit", "visits") {}
};

class BVSafariDownloadsHistoryModel : public BVPrivacyRecordModel {
    BV_ENTITY_CLASS(BVSafariDownloadsHistoryModel)
public:
    BVSafariDownloadsHistoryModel(const BVDictionary& entry, const std::string& name, BVDate date);
    BVDate date() const { return date_; }
    // The entry's "DownloadEntryIdentifier", or the empty text.
    std::string identifier() const;

private:
    BVDate date_;
};

class BVSafariCookiesModel : public BVPrivacyRecordsModel<BVHTTPCookie> {
    BV_ENTITY_CLASS(BVSafariCookiesModel)
public:
    BVSafariCookiesModel(const std::string& domain, BVHTTPCookieStoragePtr storage)
        : BVPrivacyRecordsModel(domain, "cookie", "cookies"), cookiesStorage_(std::move(storage)) {}
    const std::vector<BVHTTPCookie>& cookies() const { return records(); }
    void addCookie(BVHTTPCookie cookie) { addRecord(std::move(cookie)); }
    // Deletes every cookie of the domain from the store; always succeeds.
    BVRemovalResultPtr remove() override;

private:
    BVHTTPCookieStoragePtr cookiesStorage_;
};

class BVSafariBrowsingHistoryGroupModel : public BVPrivacyGroupModel {
    BV_ENTITY_CLASS(BVSafariBrowsingHistoryGroupModel)
public:
    BVSafariBrowsingHistoryGroupModel(const std::string& identifier, std::shared_ptr<BVSafariBrowsingHistoryDataController> controller)
        : BVPrivacyGroupModel(identifier), controller_(std::move(controller)) {}
    BVCleanTaskPtr cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries) override;

private:
    std::shared_ptr<BVSafariBrowsingHistoryDataController> controller_;
};

class BVSafariDownloadsHistoryGroupModel : public BVPrivacyGroupModel {
    BV_ENTITY_CLASS(BVSafariDownloadsHistoryGroupModel)
public:
    BVSafariDownloadsHistoryGroupModel(const std::string& identifier, std::shared_ptr<BVSafariDownloadsHistoryDataController> controller)
        : BVPrivacyGroupModel(identifier), controller_(std::move(controller)) {}
    BVCleanTaskPtr cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries) override;

private:
    std::shared_ptr<BVSafariDownloadsHistoryDataController> controller_;
};
