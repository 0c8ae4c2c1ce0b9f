// Keys and small value types shared by the knowledge-base queries, the handles and the ignore
// list: item-info dictionary keys, change notifications and the application record. Plain
// values; any thread.
#pragma once

#include <string>

#include "Foundation/BVValue.h"
#include "KnowledgeBase/BVScannerIdentifiers.h"

inline constexpr const char* BVItemInfoValueKey = "BVItemInfoValueKey";
inline constexpr const char* BVItemInfoIsRegExpKey = "BVItemInfoIsRegExpKey";
inline constexpr const char* BVItemInfoAdditionalInfoKey = "BVItemInfoAdditionalInfoKey";
inline constexpr const char* BVItemInfoFileTypeKey = "BVItemInfoFileTypeKey";
inline constexpr const char* BVItemInfoApplicationInfoKey = "BVItemInfoApplicationInfoKey";
inline constexpr const char* BVItemInfoApplicationTypeKey = "BVItemInfoApplicationTypeKey";
inline constexpr const char* BVItemInfoScannersKey = "BVItemInfoScannersKey";
inline constexpr const char* BVItemInfoRecordID = "BVItemInfoRecordID";
// Every row of a merged ignore entry (one per scanner), as an array of record ids.
inline constexpr const char* BVItemInfoRecordIDsKey = "BVItemInfoRecordIDs";

// Malware dictionaries (the malware tables' rows). Absent columns leave their key out.
inline constexpr const char* BVMalwareInfoKeyName = "BVMalwareInfoKeyName";
inline constexpr const char* BVMalwareInfoKeyType = "BVMalwareInfoKeyType";
inline constexpr const char* BVMalwareInfoKeyLink = "BVMalwareInfoKeyLink";
inline constexpr const char* BVMalwareInfoKeyHash = "BVMalwareInfoKeyHash";
inline constexpr const char* BVMalwareInfoKeySize = "BVMalwareInfoKeySize";
inline constexpr const char* BVMalwareRuleKeyID = "BVMalwareRuleKeyID";
inline constexpr const char* BVMalwareRuleKeyFileNameRule = "BVMalwareRuleKeyFileNameRule";
inline constexpr const char* BVMalwareRuleKeyContentsRule = "BVMalwareRuleKeyContentsRule";
inline constexpr const char* BVMalwareRuleKeyPathRule = "BVMalwareRuleKeyPathRule";
inline constexpr const char* BVMalwareRuleKeyMaxSizeRule = "BVMalwareRuleKeyMaxSizeRule";
inline constexpr const char* BVMalwareRuleKeyHashRule = "BVMalwareRuleKeyHashRule";

inline constexpr const char* BVKnowledgeBaseDidAddItemNotification = "BVKnowledgeBaseDidAddItemNotification";
inline constexpr const char* BVKnowledgeBaseDidRemoveItemNotification = "BVKnowledgeBaseDidRemoveItemNotification";
inline constexpr const char* BVKnowledgeBaseItemInfos = "BVKnowledgeBaseItemInfos";
inline constexpr const char* BVKnowledgeBaseItemType = "BVKnowledgeBaseItemType";
inline constexpr const char* BVKnowledgeBaseScanners = "BVKnowledgeBaseScanners";

// An application as the knowledge base knows it. In item-info dictionaries it travels as a
// dictionary with the keys "name", "path" and "bundleID" (`value()` / `fromValue`).
class BVKBApplicationInfo {
public:
    BVKBApplicationInfo(std::string name, std::string bundleId, std::string path = {})
        : name_(std::move(name)), bundleID_(std::move(bundleId)), path_(std::move(path)) {}
    const std::string& name() const { return name_; }
    const std::string& bundleID() const { return bundleID_; }
    const std::string& path() const { return path_; }
    BVValue value() const { return BVDictionary{{"name", name_}, {"bundleID", bundleID_}, {"path", path_}}; }
    static BVKBApplicationInfo fromValue(const BVValue& value) {
        return {value["name"].stringValue(), value["bundleID"].stringValue(), value["path"].stringValue()};
    }

private:
    std::string name_, bundleID_, path_;
};

// Scanner sets travel in dictionaries as arrays of unsigned numbers, in ascending order.
BVValue BVScannerSetValue(const BVScannerSet& scanners);
BVScannerSet BVScannerSetFromValue(const BVValue& value);
