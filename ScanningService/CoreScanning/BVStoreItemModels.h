// Entities for items of platform stores: a metadata-search hit (removed as its file), a stored
// document version (removed from the version store), and a mailbox whose children are its
// attachment entities.
#pragma once

#include <mutex>

#include "Foundation/BVFileVersion.h"
#include "Foundation/BVMailBox.h"
#include "Foundation/BVMetadataItem.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

class BVMetadataItemModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVMetadataItemModel)
public:
    // `value` is the BVMetadataItem.
    BVMetadataItemModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    std::shared_ptr<const BVMetadataItem> medatadaItem() const { return std::dynamic_pointer_cast<const BVMetadataItem>(value()); }
    // The item's URL attribute, else its path attribute; none (tried again next time) without.
    BVURLPtr url() const;
    BVURLPtr fileURL() const override { return url(); }
    BVRemovalResultPtr remove() override;

private:
    mutable std::mutex urlMutex_;
    mutable BVURLPtr url_;
};

class BVFileVersionModel : public BVEntity {
    BV_ENTITY_CLASS(BVFileVersionModel)
public:
    // `value` is the BVFileVersion.
    BVFileVersionModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    std::shared_ptr<const BVFileVersion> fileVersion() const { return std::dynamic_pointer_cast<const BVFileVersion>(value()); }
    BVRemovalResultPtr remove() override;
};

class BVMailboxModel : public BVTreeEntity {
    BV_ENTITY_CLASS(BVMailboxModel)
public:
    explicit BVMailboxModel(BVMailBoxPtr mailbox) : BVTreeEntity(mailbox, 0, false) {}
    BVMailboxModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVTreeEntity(std::move(value), size, autoselected) {}
    BVMailBoxPtr mailbox() const { return std::dynamic_pointer_cast<const BVMailBox>(value()); }
    std::vector<BVEntityPtr> attachments() const { return children(); }
    bool isEqual(const BVEntity& other) const override;
    size_t hash() const override;
};
