#include "PrivacyModule/Sources/Tasks/Firefox/BVFirefoxModels.h"

namespace {
std::string text(const BVPrivacyRow& row, const char* key) {
    auto found = row.find(key);
    return found == row.end() ? std::string() : found->second.stringValue();
}
}  // namespace

BVFirefoxDownloadsHistoryModel::BVFirefoxDownloadsHistoryModel(const BVPrivacyRow& row)
    : BVPrivacyRecordModel(BVValue(row), text(row, "filename").empty() ? text(row, "url") : text(row, "filename")) {}

BVFirefoxAutofillItemsModel::BVFirefoxAutofillItemsModel(const BVPrivacyRow& row)
    : BVPrivacyRecordModel(BVValue(row), text(row, "fieldname") + ": " + text(row, "value")) {}
