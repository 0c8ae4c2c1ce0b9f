#include "KnowledgeBase/BVIgnoreItemInfo.h"

#include "KnowledgeBase/BVKnowledgeBaseTypes.h"

std::shared_ptr<BVIgnoreItemInfo> BVIgnoreItemInfo::withBaseInfo(const BVDictionary& itemInfo) {
    auto value = itemInfo.find(BVItemInfoValueKey);
    if (value == itemInfo.end() || !value->second.isString()) return nullptr;
    bool regex = itemInfo.count(BVItemInfoIsRegExpKey) && itemInfo.at(BVItemInfoIsRegExpKey).boolValue();
    std::optional<BVDictionary> userInfo;
    auto additional = itemInfo.find(BVItemInfoAdditionalInfoKey);
    if (additional != itemInfo.end() && additional->second.isDictionary()) userInfo = additional->second.dictionaryValue();
    return std::make_shared<BVIgnoreItemInfo>(value->second.stringValue(), regex, std::move(userInfo));
}

BVDictionary BVIgnoreItemInfo::makeBaseInfo() const {
    BVDictionary info{{BVItemInfoValueKey, item_}};
    if (isItemRegex_) info[BVItemInfoIsRegExpKey] = true;
    if (userInfo_) info[BVItemInfoAdditionalInfoKey] = *userInfo_;
    return info;
}
