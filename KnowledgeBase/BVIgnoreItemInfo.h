// BVIgnoreItemInfo: one ignore-list entry as the user interface sees it: the value (a path, a
// name or a pattern), whether it is a regular expression, and the display-information
// dictionary stored beside it. Immutable; any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Foundation/BVValue.h"

class BVIgnoreItemInfo {
public:
    explicit BVIgnoreItemInfo(std::string item, bool isItemRegex = false, std::optional<BVDictionary> userInfo = std::nullopt)
        : item_(std::move(item)), isItemRegex_(isItemRegex), userInfo_(std::move(userInfo)) {}
    // From an item-info dictionary; none when it has no value.
    static std::shared_ptr<BVIgnoreItemInfo> withBaseInfo(const BVDictionary& itemInfo);

    const std::string& item() const { return item_; }
    bool isItemRegex() const { return isItemRegex_; }
    const std::optional<BVDictionary>& userInfo() const { return userInfo_; }
    // The item-info dictionary: the value, the flag only when true, the user info only when set.
    BVDictionary makeBaseInfo() const;

private:
    std::string item_;
    bool isItemRegex_;
    std::optional<BVDictionary> userInfo_;
};

using BVIgnoreItemInfoPtr = std::shared_ptr<BVIgnoreItemInfo>;
