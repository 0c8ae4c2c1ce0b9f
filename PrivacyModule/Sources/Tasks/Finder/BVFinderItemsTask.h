// The recent items: one task per list the platform keeps (recent documents, applications,
// servers), each listing the items whose name can be read, dated by when they were last used
// (the distant past when unknown), and a plain compound of them. Removing an item takes it off
// a fresh copy of its list; the list's error is the item's.
#pragma once

#include "Foundation/BVSharedFileList.h"
#include "PrivacyModule/Sources/BVPrivacyModels.h"
#include "PrivacyModule/Sources/BVPrivacyScanTask.h"
#include "ScanningService/CoreScanning/BVCompoundScanTask.h"

inline constexpr const char* BVPrivacyModuleScanIdentifierFinderItems = "BVPrivacyModuleScanIdentifierFinderItems";
inline constexpr const char* BVPrivacyModuleScanIdentifierFinderRecentDocumentItems = "BVPrivacyModuleScanIdentifierFinderRecentDocumentItems";
inline constexpr const char* BVPrivacyModuleScanIdentifierFinderRecentApplicationItems = "BVPrivacyModuleScanIdentifierFinderRecentApplicationItems";
inline constexpr const char* BVPrivacyModuleScanIdentifierFinderRecentServerItems = "BVPrivacyModuleScanIdentifierFinderRecentServerItems";

class BVFinderRecentItemModel : public BVPrivacyRecordModel {
    BV_ENTITY_CLASS(BVFinderRecentItemModel)
public:
    BVFinderRecentItemModel(BVSharedFileListItem item, BVSharedFileListKind type, BVDate date, BVSharedFileListPtr list);
    const BVSharedFileListItem& item() const { return item_; }
    BVSharedFileListKind type() const { return type_; }
    BVDate date() const { return date_; }
    BVRemovalResultPtr remove() override;

private:
    BVSharedFileListItem item_;
    BVSharedFileListKind type_;
    BVDate date_;
    BVSharedFileListPtr list_;
};

class BVFinderRecentItemsTask : public BVPrivacyScanTask {
public:
    BVFinderRecentItemsTask(std::string identifier, BVSharedFileListKind itemsType, BVSharedFileListPtr list);
    static std::shared_ptr<BVFinderRecentItemsTask> recentDocumentTask(BVSharedFileListPtr list);
    static std::shared_ptr<BVFinderRecentItemsTask> recentApplicationTask(BVSharedFileListPtr list);
    static std::shared_ptr<BVFinderRecentItemsTask> recentServerTask(BVSharedFileListPtr list);

protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;

private:
    BVSharedFileListKind itemsType_;
    BVSharedFileListPtr list_;
};

// The compound of the lists `list` keeps, in the order documents, applications, servers; null
// when it keeps none.
std::shared_ptr<BVCompoundScanTask> BVFinderItemsTask(BVSharedFileListPtr list);
