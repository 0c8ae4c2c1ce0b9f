// Developer junk: what development tools keep and fetch or build again when it is gone.
//
// BVXcodeJunkItem names one kind (a group) or one removable item, with the junk-item type that
// decides how it is removed. BVXcodeJunkGroupModel is one kind with its items,
// BVXcodeJunkItemModel one item. BVDeveloperToolCaches is the table of the toolchain caches the
// linux layout offers, one group per tool, in the order they are reported; the user caches task
// leaves the folders of this table to the developer junk task, so nothing is offered twice.
// Items are immutable once built; a model is built on one scan thread and removed on the clean
// worker. The table is constant.
#pragma once

#include <string>
#include <vector>

#include "Foundation/BVObject.h"
#include "Foundation/BVPaths.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

enum BVXcodeJunkItemType : int64_t {
    BVXcodeJunkItemTypeDerivedData = 1,
    BVXcodeJunkItemTypeArchive = 2,
    BVXcodeJunkItemTypeDeviceLogs = 4,
    BVXcodeJunkItemTypeDocumentationCache = 5,
    BVXcodeJunkItemTypeInstalls = 6,
    // A folder of a store that makes its own trees read-only (Go's module cache): its folders
    // are made writable, inside it only, while it is removed.
    BVXcodeJunkItemTypeReadOnlyStore = 7,
    BVXcodeJunkItemTypeOther = 1000,
};

class BVXcodeJunkItem final : public BVObject {
public:
    BVXcodeJunkItem(std::string name, std::string url, int64_t type = BVXcodeJunkItemTypeOther)
        : type_(type), name_(std::move(name)), url_(std::move(url)) {}
    int64_t type() const { return type_; }
    const std::string& name() const { return name_; }
    const std::string& url() const { return url_; }

    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(url_) ^ std::hash<std::string>{}(name_); }
    std::string description() const override { return name_; }

private:
    int64_t type_;
    std::string name_;
    std::string url_;
};
using BVXcodeJunkItemPtr = std::shared_ptr<const BVXcodeJunkItem>;

class BVXcodeJunkItemModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVXcodeJunkItemModel)
public:
    BVXcodeJunkItemModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    BVXcodeJunkItemPtr junkItem() const { return std::dynamic_pointer_cast<const BVXcodeJunkItem>(value()); }
    BVURLPtr fileURL() const override;
    // Removes the item as its type says; the result has what was freed, or 0 and the error.
    BVRemovalResultPtr remove() override;
};

class BVXcodeJunkGroupModel : public BVGroupedSequenceModel, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVXcodeJunkGroupModel)
public:
    BVXcodeJunkGroupModel(BVObjectPtr value, uint64_t size, bool autoselected)
        : BVGroupedSequenceModel(std::move(value), size, autoselected) {}
    BVXcodeJunkItemPtr groupModel() const { return std::dynamic_pointer_cast<const BVXcodeJunkItem>(value()); }
    BVURLPtr fileURL() const override;
    // The device-logs group removes its folder whole; any other group removes its items.
    BVRemovalResultPtr remove() override;
    bool removesItsOwnFolder() const override;
};

struct BVDeveloperToolFolder {
    const char* subpath;   // below the home
    bool entriesAreItems;  // each entry of the folder is an item (else the folder is one)
    bool readOnlyStore;    // the tool makes the trees inside read-only
};

struct BVDeveloperToolCache {
    const char* key;   // the group's identifier: its ignore-list value and its name's key
    const char* name;  // the name shown when the string table has none
    std::vector<BVDeveloperToolFolder> folders;
};

namespace BVDeveloperToolCaches {
// The toolchain caches of the layout (none on macos, whose developer junk is the Xcode tasks').
const std::vector<BVDeveloperToolCache>& forLayout(BVLayout layout);
// Every folder of the table in these paths' home, and the development environment's
// downloads folder, which lies in the caches folder.
std::vector<std::string> folders(const BVPaths& paths);
// True when `candidate` is one of `folders` or holds one: a task that offers `candidate` whole
// would offer what the developer junk task offers.
bool overlaps(const std::string& candidate, const std::vector<std::string>& folders);
}  // namespace BVDeveloperToolCaches
