#include "Foundation/BVMetadataSearch.h"

void BVMetadataSearchResult::add(const std::string& type, BVMetadataItemPtr item) {
    groupedObjects[type].push_back(item);
    objects.push_back(std::move(item));
}
