#include "App/BVLargeFilesGroups.h"

#include <algorithm>
#include <set>

namespace {

const std::set<std::string>& documentTypes() {
    static const std::set<std::string> types = {
        "com.apple.iwork.numbers.numbers", "com.apple.iwork.numbers.sffnumbers", "com.apple.iwork.numbers.numbers-tef",
        "com.apple.iwork.keynote.key",     "com.apple.iwork.keynote.sffkey",     "com.apple.iwork.keynote.key-tef",
        "com.apple.iwork.pages.pages",     "com.apple.iwork.pages.sffpages",     "com.apple.iwork.pages.pages-tef",
        "com.microsoft.word.doc",          "com.microsoft.excel.xls",            "com.microsoft.powerpoint.ppt",
        "com.adobe.pdf",
    };
    return types;
}

bool treeHas(const BVLAOFFileModel& m, const std::string& type) {
    const auto& tree = m.contentTypeTree();
    return tree && std::find(tree->begin(), tree->end(), type) != tree->end();
}

BVReviewGroup group(const std::string& name) { return {"FilterText_" + name, "FilterTooltip_" + name, {}}; }

// Sizes in decimal bytes. The boundaries themselves (500,000,000 and 1,000,000,000) belong to
// the larger group, so every found file lands in one size group.
std::string sizeGroupOf(uint64_t size) {
    if (size >= 1000000000ull) return "Huge";
    if (size >= 500000000ull) return "Average";
    return size > 50000000ull ? "Small" : "";
}

std::string dateGroupOf(const BVLAOFFileModel& m, BVDate now) {
    if (!m.lastUsedDate()) return "";
    double age = now.secondsSince1970 - m.lastUsedDate()->secondsSince1970;
    if (age > 31536000) return "OneYearAgo";
    if (age > 2629746) return "OneMonthAgo";
    if (age > 604800) return "OneWeekAgo";
    if (age < 604800 && age != 0) return "LastWeek";
    return "";
}

}  // namespace

uint64_t BVReviewGroup::size() const {
    uint64_t total = 0;
    for (const auto& m : models) total += m->size();
    return total;
}

namespace BVLargeFilesGroups {

bool groupingNamed(const std::string& name, Grouping& grouping) {
    if (name == "kind") grouping = Grouping::Kind;
    else if (name == "size") grouping = Grouping::Size;
    else if (name == "date") grouping = Grouping::Date;
    else return false;
    return true;
}

std::string headingKey(Grouping grouping) {
    switch (grouping) {
        case Grouping::Kind: return "FilterText_ByKind";
        case Grouping::Size: return "FilterText_BySize";
        case Grouping::Date: return "FilterText_ByAccessDate";
    }
    return {};
}

std::string kindOf(const BVLAOFFileModel& m) {
    if (treeHas(m, "public.image")) return "FilterText_Pictures";
    if (treeHas(m, "public.movie")) return "FilterText_Movies";
    if (treeHas(m, "public.audio")) return "FilterText_Audio";
    bool isDocument = m.contentType() && documentTypes().count(*m.contentType()) > 0;
    if (isDocument) return "FilterText_Documents";
    if (treeHas(m, "public.archive")) return "FilterText_Archives";
    return "FilterText_Other";
}

std::vector<BVReviewGroup> groups(Grouping grouping, const std::vector<std::shared_ptr<BVLAOFFileModel>>& models,
                                  BVDate now) {
    std::vector<std::string> names;
    switch (grouping) {
        case Grouping::Kind: names = {"AllFiles", "Archives", "Audio", "Documents", "Movies", "Pictures", "Other"}; break;
        case Grouping::Size: names = {"Small", "Average", "Huge"}; break;
        case Grouping::Date: names = {"LastWeek", "OneWeekAgo", "OneMonthAgo", "OneYearAgo"}; break;
    }
    std::vector<BVReviewGroup> result;
    for (const auto& n : names) result.push_back(group(n));
    auto add = [&](const std::string& name, const std::shared_ptr<BVLAOFFileModel>& m) {
        for (auto& g : result)
            if (g.titleKey == "FilterText_" + name) g.models.push_back(m);
    };
    for (const auto& m : models) {
        switch (grouping) {
            case Grouping::Kind:
                add("AllFiles", m);
                add(kindOf(*m).substr(std::string("FilterText_").size()), m);
                break;
            case Grouping::Size: add(sizeGroupOf(m->size()), m); break;
            case Grouping::Date: add(dateGroupOf(*m, now), m); break;
        }
    }
    return result;
}

}  // namespace BVLargeFilesGroups
