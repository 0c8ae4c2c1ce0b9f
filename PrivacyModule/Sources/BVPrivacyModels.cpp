#include "PrivacyModule/Sources/BVPrivacyModels.h"

#include "Foundation/BVFileIO.h"

BVError BVPrivacyRemovedByGroupError(const BVEntity& entity) {
    return BVError::withDescription(BVEntityErrorDomain, -1, entity.value()->description() + " is removed together with its group");
}

const BVValue& BVPrivacyRecordModel::record() const {
    static const BVValue none;
    auto object = dynamic_cast<const BVPrivacyRecordObject*>(value().get());
    return object ? object->record() : none;
}

std::shared_ptr<BVPrivacyFileModel> BVPrivacyFileModel::modelWithPath(const std::string& path, uint64_t size, BVDate date) {
    auto model = BVEntity::model<BVPrivacyFileModel>(BVURL::fileURLWithPath(path), size, false);
    model->setDate(date);
    return model;
}

std::string BVPrivacyFileModel::name() const {
    auto u = url();
    return u ? BVFileIO::lastPathComponent(u->path()) : std::string();
}
