#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"

#include "Foundation/BVLocalizedStrings.h"
#include "ScanningService/CoreScanning/BVModelCleanTask.h"

BVPrivacyGroupModel::BVPrivacyGroupModel(const std::string& identifier)
    : BVTreeEntity(BVValueObject::with(BVValue(identifier)), 0, false) {}

std::string BVPrivacyGroupModel::displayName() const {
    static const std::string prefix = "BVPrivacyModuleScanIdentifier";
    std::string id = identifier();
    std::string kind = id.rfind(prefix, 0) == 0 ? id.substr(prefix.size()) : id;
    return BVLocalizedString("Privacy", "Kind." + kind, id);
}

void BVPrivacyGroupModel::adoptEntries() {
    auto self = std::static_pointer_cast<BVPrivacyGroupModel>(shared_from_this());
    for (const auto& e : childrenContainer())
        if (auto entry = dynamic_cast<BVPrivacyEntry*>(e.get())) entry->setGroup(self);
}

BVCleanTaskPtr BVPrivacyGroupModel::cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries) {
    return std::make_shared<BVModelCleanTask>(entries);
}

BVCleanTaskPtr BVGenericPrivacyGroupModel::cleanTaskForRemovingEntries(const std::vector<BVEntityPtr>& entries) {
    return cleanTaskFactory_ ? cleanTaskFactory_(entries) : nullptr;
}

BVPrivacyFilesGroupModel::BVPrivacyFilesGroupModel(const std::string& name)
    : BVTreeEntity(std::make_shared<const BVPrivacySiteObject>(name, "file", "files"), 0, false) {}

std::string BVPrivacyFilesGroupModel::name() const {
    auto site = dynamic_cast<const BVPrivacySiteObject*>(value().get());
    return site ? site->name() : value()->description();
}

void BVPrivacyFilesGroupModel::addFile(const std::shared_ptr<BVPrivacyFileModel>& file) {
    addChild(file);
    if (auto site = dynamic_cast<const BVPrivacySiteObject*>(value().get())) site->setCount(children().size());
}

uint64_t BVPrivacyFilesGroupModel::itemsCountForTimeIntervalSinceNow(double interval) const {
    uint64_t sum = 0;
    for (const auto& f : childrenContainer())
        if (auto entry = dynamic_cast<const BVPrivacyEntry*>(f.get())) sum += entry->itemsCountForTimeIntervalSinceNow(interval);
    return sum;
}
