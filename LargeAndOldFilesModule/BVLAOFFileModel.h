// BVLAOFFileModel: one large file found by the large-files scan, a file entity (removed
// immediately or securely by its remove method) that also carries what the review groups need:
// its content type, the types that type conforms to, and when it was last used.
// BVLAOFFileJSONModel is its canned form for the debug switch, which never touches the disk.
// Built on the scan thread; read-only afterwards.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVMetadataItem.h"
#include "ScanningService/CoreScanning/BVFileModel.h"

class BVLAOFFileModel : public BVFileModel {
    BV_ENTITY_CLASS(BVLAOFFileModel)
public:
    BVLAOFFileModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVFileModel(std::move(value), size, autoselected) {}

    // The size is the item's file-system size attribute, or the measured size when the item
    // has none.
    static std::shared_ptr<BVLAOFFileModel> modelWithMetadataItem(const BVMetadataItem& item, const BVURLPtr& url,
                                                                  bool isAutoselected);
    // The canned form (see BVLAOFFileJSONModel); null when the record is not a dictionary.
    static std::shared_ptr<BVLAOFFileModel> brk_fromJSONDictionary(const BVValue& dictionary);

    const std::optional<BVDate>& lastUsedDate() const { return lastUsedDate_; }
    void setLastUsedDate(std::optional<BVDate> date) { lastUsedDate_ = date; }
    const std::optional<std::string>& contentType() const { return contentType_; }
    void setContentType(std::optional<std::string> type) { contentType_ = std::move(type); }
    const std::optional<std::vector<std::string>>& contentTypeTree() const { return contentTypeTree_; }
    void setContentTypeTree(std::optional<std::vector<std::string>> tree) { contentTypeTree_ = std::move(tree); }

    std::string description() const override;

private:
    std::optional<BVDate> lastUsedDate_;
    std::optional<std::string> contentType_;
    std::optional<std::vector<std::string>> contentTypeTree_;
};

inline constexpr const char* BVLAOFJSONRemovalErrorDomain = "com.json.removalerror";

class BVLAOFFileJSONModel final : public BVLAOFFileModel {
    BV_ENTITY_CLASS(BVLAOFFileJSONModel)
public:
    BVLAOFFileJSONModel(BVObjectPtr value, uint64_t size, bool autoselected)
        : BVLAOFFileModel(std::move(value), size, autoselected) {}
    // Keys "url", "size", "autoselected", "contentType", "contentTypeTree", "lastUsedDate"
    // (seconds before now) and "removal_error".
    static std::shared_ptr<BVLAOFFileJSONModel> brk_fromJSONDictionary(const BVValue& dictionary);

    const std::optional<std::string>& removalError() const { return removalError_; }
    // Fails with the canned error when there is one, else succeeds; nothing is removed.
    BVRemovalResultPtr remove() override;

private:
    std::optional<std::string> removalError_;
};
