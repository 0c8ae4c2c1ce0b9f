#include "LargeAndOldFilesModule/BVLAOFFileModel.h"

#include "Foundation/QLFileSizer.h"
#include "LargeAndOldFilesModule/BVLAOFMetadataQuery.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

namespace {

std::optional<std::vector<std::string>> stringList(const std::optional<BVValue>& value) {
    if (!value || !value->isArray()) return std::nullopt;
    std::vector<std::string> list;
    for (const auto& v : value->arrayValue())
        if (v.isString()) list.push_back(v.stringValue());
    return list;
}

}  // namespace

std::shared_ptr<BVLAOFFileModel> BVLAOFFileModel::modelWithMetadataItem(const BVMetadataItem& item, const BVURLPtr& url,
                                                                        bool isAutoselected) {
    auto size = item.valueForAttribute(kBVMDItemFSSize);
    uint64_t bytes = size && size->isInteger() ? size->uint64Value() : QLFileSizer::itemSizeAtURL(url->path());
    auto model = BVEntity::model<BVLAOFFileModel>(url, bytes, isAutoselected);
    auto type = item.valueForAttribute(kBVMDItemContentType);
    if (type && type->isString()) model->setContentType(type->stringValue());
    model->setContentTypeTree(stringList(item.valueForAttribute(kBVMDItemContentTypeTree)));
    auto date = item.valueForAttribute(kBVMDItemLastUsedDate);
    if (date && date->isDate()) model->setLastUsedDate(date->dateValue());
    return model;
}

std::shared_ptr<BVLAOFFileModel> BVLAOFFileModel::brk_fromJSONDictionary(const BVValue& dictionary) {
    return BVLAOFFileJSONModel::brk_fromJSONDictionary(dictionary);
}

std::string BVLAOFFileModel::description() const {
    std::string tree;
    for (const auto& t : contentTypeTree_.value_or(std::vector<std::string>{})) tree += (tree.empty() ? "" : ", ") + t;
    auto u = url();
    return BVFileModel::description() + " " + (u ? u->path() : std::string("(null)")) + " [" +
           contentType_.value_or("(null)") + "] (" + tree + ")";
}

std::shared_ptr<BVLAOFFileJSONModel> BVLAOFFileJSONModel::brk_fromJSONDictionary(const BVValue& d) {
    if (!d.isDictionary()) return nullptr;
    auto model = BVEntity::model<BVLAOFFileJSONModel>(BVURL::fileURLWithPath(d["url"].stringValue()),
                                                      d["size"].uint64Value(), d["autoselected"].boolValue());
    if (d["contentType"].isString()) model->setContentType(d["contentType"].stringValue());
    model->setContentTypeTree(stringList(d.contains("contentTypeTree") ? std::optional<BVValue>(d["contentTypeTree"])
                                                                       : std::nullopt));
    if (d["lastUsedDate"].isNumber())
        model->setLastUsedDate(BVDate{BVDate::now().secondsSince1970 - d["lastUsedDate"].doubleValue()});
    if (d["removal_error"].isString()) model->removalError_ = d["removal_error"].stringValue();
    return model;
}

BVRemovalResultPtr BVLAOFFileJSONModel::remove() {
    if (removalError_)
        return BVRemovalResult::failedResultWithModel(
            shared_from_this(),
            BVError(BVLAOFJSONRemovalErrorDomain, 0, BVDictionary{{BVLocalizedDescriptionKey, BVValue(*removalError_)}}));
    return BVRemovalResult::successfulResultWithModel(shared_from_this());
}
