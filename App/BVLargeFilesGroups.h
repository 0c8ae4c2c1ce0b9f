// The review groups of the Large & Old Files module, computed from each found file's content
// type, size and last-used date: by kind (All Files, Archives, Audio, Documents, Movies,
// Pictures, Other), by size (Small, Average, Huge) and by access date (Last Week, One Week Ago,
// One Month Ago, One Year Ago). A file is in exactly one group of each kind of grouping, except
// that a file without a last-used date (or last used exactly now) is in no date group. Labels
// are keys of the "LargeAndOldFiles" string table. Pure functions; safe from any thread.
#pragma once

#include <string>
#include <vector>

#include "Foundation/BVValue.h"
#include "LargeAndOldFilesModule/BVLAOFFileModel.h"

struct BVReviewGroup {
    std::string titleKey;    // "FilterText_Pictures"
    std::string tooltipKey;  // "FilterTooltip_Pictures"
    std::vector<std::shared_ptr<BVLAOFFileModel>> models;
    uint64_t size() const;
};

namespace BVLargeFilesGroups {

enum class Grouping { Kind, Size, Date };

// Parses "kind", "size" or "date".
bool groupingNamed(const std::string& name, Grouping& grouping);
// The heading key of a grouping: "FilterText_ByKind", "FilterText_BySize", "FilterText_ByAccessDate".
std::string headingKey(Grouping grouping);

// The kind group key of one file ("FilterText_Documents", ...; "FilterText_Other" otherwise).
std::string kindOf(const BVLAOFFileModel& model);
// Every group of the grouping in display order, empty groups included. `now` is the moment
// ages are measured from.
std::vector<BVReviewGroup> groups(Grouping grouping, const std::vector<std::shared_ptr<BVLAOFFileModel>>& models,
                                  BVDate now);

}  // namespace BVLargeFilesGroups
