// The privacy groups: one per item kind of a client (its value is the kind's identifier, such
// as "BVPrivacyModuleScanIdentifierFirefoxCookies"), holding that kind's entries. A clean is
// asked of the group for the entries the user chose: a plain group removes each entry by its own
// `remove` (a model clean task); a generic group hands the entries to the clean task its scan
// gave it (a Firefox store's, which removes all chosen rows in one transaction). A files group
// gathers the files of one site (local storage). Built on one scan thread, then read.
#pragma once

#include <functional>

#include "PrivacyModule/Sources/BVPrivacyModels.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"
#include "ScanningService/CoreScanning/BVDisplayNamedEntity.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

class BVPrivacyGroupModel : public BVTreeEntity, public BVDisplayNamedEntity {
    BV_ENTITY_CLASS(BVPrivacyGroupModel)
public:
    explicit BVPrivacyGroupModel(const std::string& identifier);
    BVPrivacyGroupModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVTreeEntity(std::move(value), size, autoselected) {}

    std::string identifier() const { return value()->description(); }
    // The kind in words from the module's string table ("Cookies"); the identifier without one.
    std::string displayName() const override;
    std::vector<BVEntityPtr> entries() const { return children(); }
    // Makes this group the group of each of its entries.
    void adoptEntries();
    // A clean task for the chosen entries of this group.
    virtual BVCleanTaskPtr cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries);
};

class BVGenericPrivacyGroupModel : public BVPrivacyGroupModel {
    BV_ENTITY_CLASS(BVGenericPrivacyGroupModel)
public:
    using Factory = std::function<BVCleanTaskPtr(const std::vector<BVEntityPtr>&)>;
    BVGenericPrivacyGroupModel(const std::string& identifier, Factory factory)
        : BVPrivacyGroupModel(identifier), cleanTaskFactory_(std::move(factory)) {}
    BVCleanTaskPtr cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries) override;

private:
    Factory cleanTaskFactory_;
};

class BVPrivacyFilesGroupModel : public BVTreeEntity, public BVPrivacyEntry {
    BV_ENTITY_CLASS(BVPrivacyFilesGroupModel)
public:
    explicit BVPrivacyFilesGroupModel(const std::string& name);
    BVPrivacyFilesGroupModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVTreeEntity(std::move(value), size, autoselected) {}
    std::string name() const;
    std::vector<BVEntityPtr> files() const { return children(); }
    void addFile(const std::shared_ptr<BVPrivacyFileModel>& file);
    uint64_t itemsCountForTimeIntervalSinceNow(double interval) const override;
};

// The entries of `entities` of type T, in order (others dropped).
template <class T>
std::vector<std::shared_ptr<T>> BVEntriesOfType(const std::vector<BVEntityPtr>& entities) {
    std::vector<std::shared_ptr<T>> out;
    for (const auto& e : entities)
        if (auto typed = std::dynamic_pointer_cast<T>(e)) out.push_back(typed);
    return out;
}
