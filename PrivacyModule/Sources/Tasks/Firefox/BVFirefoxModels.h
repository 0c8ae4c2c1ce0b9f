// The Firefox entries: cookies and browsing history by host, one download by its file name, one
// saved form value by its field, saved logins by host. Each keeps the rows (or login entries) it
// stands for, which its group's clean task removes; the row identifiers are never shown.
#pragma once

#include <nlohmann/json.hpp>

#include "PrivacyModule/Sources/BVPrivacyModels.h"
#include "PrivacyModule/Sources/Tools/Firefox/BVFirefoxControllers.h"

class BVFirefoxCookiesModel : public BVPrivacyRecordsModel<BVPrivacyRow> {
    BV_ENTITY_CLASS(BVFirefoxCookiesModel)
public:
    explicit BVFirefoxCookiesModel(const std::string& host) : BVPrivacyRecordsModel(host, "cookie", "cookies") {}
    const std::vector<BVPrivacyRow>& cookies() const { return records(); }
    void addCookie(BVPrivacyRow row) { addRecord(std::move(row)); }
};

class BVFirefoxBrowsingHistoryModel : public BVPrivacyRecordsModel<BVPrivacyRow> {
    BV_ENTITY_CLASS(BVFirefoxBrowsingHistoryModel)
public:
    explicit BVFirefoxBrowsingHistoryModel(const std::string& host) : BVPrivacyRecordsModel(host, "page", "pages") {}
    const std::vector<BVPrivacyRow>& browsingItems() const { return records(); }
};

class BVFirefoxDownloadsHistoryModel : public BVPrivacyRecordModel {
    BV_ENTITY_CLASS(BVFirefoxDownloadsHistoryModel)
public:
    explicit BVFirefoxDownloadsHistoryModel(const BVPrivacyRow& row);
    BVPrivacyRow row() const { return record().dictionaryValue(); }
};

class BVFirefoxAutofillItemsModel : public BVPrivacyRecordModel {
    BV_ENTITY_CLASS(BVFirefoxAutofillItemsModel)
public:
    // Shown as "field: value".
    explicit BVFirefoxAutofillItemsModel(const BVPrivacyRow& row);
    BVPrivacyRows autofillItems() const { return {record().dictionaryValue()}; }
};

class BVFirefoxSavedPasswordsModel : public BVPrivacyRecordsModel<nlohmann::ordered_json> {
    BV_ENTITY_CLASS(BVFirefoxSavedPasswordsModel)
public:
    explicit BVFirefoxSavedPasswordsModel(const std::string& host) : BVPrivacyRecordsModel(host, "login", "logins") {}
    const std::vector<nlohmann::ordered_json>& savedPasswords() const { return records(); }
};
