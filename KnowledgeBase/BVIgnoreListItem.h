// The display description of one stored ignore entry: a title, a subtitle and an icon (text and
// icon descriptions), the path to show, a display kind code and, for a few kinds, a value to
// store back in place of the stored one. Built from an item info dictionary as
// `userIgnoreItemsForScanners` answers it; the kind is chosen by the entry's scanners
// (`ignoreListItemWithInfo`). Applications and suites are looked up through the context, so the
// description does not depend on a knowledge base.
//
// Immutable once built; any thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KnowledgeBase/BVIgnoreListDescriptions.h"
#include "KnowledgeBase/BVKnowledgeBaseTypes.h"

// Where a description finds installed applications and suites. Each lookup may be left empty:
// then no application is installed and no suite is known.
struct BVIgnoreListContext {
    // The installed application with the bundle identifier (name as shown, path).
    std::function<std::optional<BVKBApplicationInfo>(const std::string& bundleID)> installedApplication;
    // The member applications of a suite, in the suite's order.
    std::function<std::vector<BVKBApplicationInfo>(const std::string& suiteName)> suiteApplications;
};

class BVIgnoreListItem;
using BVIgnoreListItemPtr = std::shared_ptr<const BVIgnoreListItem>;

class BVIgnoreListItem {
public:
    // The description of the entry's kind; none when no kind describes its scanners.
    static BVIgnoreListItemPtr ignoreListItemWithInfo(const BVDictionary& itemInfo, const BVIgnoreListContext& context = {});
    // The plain description every kind starts from: title from the name, subtitle from the
    // scanner, icon of the path; type 1.
    static BVIgnoreListItemPtr plainIgnoreListItemWithInfo(const BVDictionary& itemInfo, const BVIgnoreListContext& context = {});
    // The subtitle of entries of a scanner: its description key as a string-table text; none for
    // a scanner without one.
    static BVIgnoreListMigrationTextInfoPtr descriptionForScannerID(BVScannerIdentifier scanner);

    const BVDictionary& itemInfo() const { return itemInfo_; }
    const std::optional<std::string>& value() const { return value_; }
    int type() const { return type_; }
    const BVIgnoreListMigrationTextInfoPtr& titleInfo() const { return titleInfo_; }
    const BVIgnoreListMigrationTextInfoPtr& subtitleInfo() const { return subtitleInfo_; }
    const BVIgnoreListMigrationIconInfoPtr& iconInfo() const { return iconInfo_; }
    const std::optional<std::string>& path() const { return path_; }

    // Set while the entry is described (BVIgnoreListItem.cpp); read through the accessors.
    BVDictionary itemInfo_;
    std::optional<std::string> value_;
    int type_ = 1;
    BVIgnoreListMigrationTextInfoPtr titleInfo_, subtitleInfo_;
    BVIgnoreListMigrationIconInfoPtr iconInfo_;
    std::optional<std::string> path_;
};
