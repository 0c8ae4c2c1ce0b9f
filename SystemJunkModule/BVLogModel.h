// The log entities. BVLogModel empties its log in place: a file with the extension "log" or
// "txt" is cut to length 0 (the program writing it keeps its handle; one with other hard links
// loses only this name, so the other names keep their content), any other file is removed; a
// folder has each of its direct children treated so. BVLogModelJSONModel is the
// canned form of the debug results; its removal touches nothing. BVLogModelFactory and its
// kin make the entity kind a log task reports. Built on a scan thread, removed on the clean
// worker.
#pragma once

#include "ScanningService/CoreScanning/BVEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"
#include "SystemJunkModule/BVLogItem.h"
#include "Foundation/BVFileManager.h"

inline constexpr const char* BVLogModelDomain = "BVLogModelDomain";
inline constexpr int64_t BVLogModelErrorTruncate = 112;
inline constexpr int64_t BVLogModelErrorRemove = 113;

class BVLogModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVLogModel)
public:
    BVLogModel(BVLogItemPtr item, uint64_t size, bool autoselected, BVFileManagerPtr fileManager = BVFileManager::defaultManager())
        : BVEntity(item, size, autoselected), item_(std::move(item)), fileManager_(std::move(fileManager)) {}
    const BVLogItemPtr& logItem() const { return item_; }
    BVURLPtr fileURL() const override { return item_ ? BVURL::fileURLWithPath(item_->url()) : nullptr; }
    BVRemovalResultPtr remove() override;
    // Emptied: a ".log" or ".txt" file, or a folder of logs (which stays); removed otherwise.
    BVRemovalAction removalAction() const override;

    // The canned entity of a debug result: "url", "size", "autoselected", "removal_error".
    static BVEntityPtr fromJSONDictionary(const BVValue& dictionary);

    // True for the files that are emptied in place rather than removed (".log", ".txt").
    static bool isEmptiedInPlace(const std::string& path);

private:
    BVLogItemPtr item_;
    BVFileManagerPtr fileManager_;
};

class BVLogModelJSONModel : public BVLogModel {
    BV_ENTITY_CLASS(BVLogModelJSONModel)
public:
    BVLogModelJSONModel(BVLogItemPtr item, uint64_t size, bool autoselected, std::optional<std::string> removalError)
        : BVLogModel(std::move(item), size, autoselected), removalError_(std::move(removalError)) {}
    BVRemovalResultPtr remove() override;

private:
    std::optional<std::string> removalError_;
};

class BVLogModelFactory {
public:
    virtual ~BVLogModelFactory() = default;
    virtual BVEntityPtr logModelWithItem(const BVLogItemPtr& item, uint64_t size, bool autoselected) const;
};
using BVLogModelFactoryPtr = std::shared_ptr<const BVLogModelFactory>;
