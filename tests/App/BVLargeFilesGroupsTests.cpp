// The review groups of found large files: kind by type tree and document types, size bands
// with their boundaries, and age bands measured from a fixed moment.
#include <gtest/gtest.h>

#include "App/BVLargeFilesGroups.h"
#include "LargeAndOldFilesModule/BVLAOFContentTypes.h"

namespace {

std::shared_ptr<BVLAOFFileModel> file(std::optional<std::string> type, uint64_t size = 60000000,
                                      std::optional<double> lastUsed = std::nullopt,
                                      std::optional<std::vector<std::string>> tree = std::nullopt) {
    auto m = BVEntity::model<BVLAOFFileModel>(BVURL::fileURLWithPath("/h/f"), size, true);
    m->setContentType(type);
    if (!tree && type) tree = BVLAOFContentTypes::contentTypeTree(*type);
    m->setContentTypeTree(tree);
    if (lastUsed) m->setLastUsedDate(BVDate{*lastUsed});
    return m;
}

std::string groupOf(BVLargeFilesGroups::Grouping g, const std::shared_ptr<BVLAOFFileModel>& m, double now = 1e9) {
    std::string found;
    for (const auto& group : BVLargeFilesGroups::groups(g, {m}, BVDate{now}))
        if (group.titleKey != "FilterText_AllFiles" && !group.models.empty()) found += group.titleKey;
    return found;
}

}  // namespace

TEST(BVLargeFilesGroups, KindFollowsTheTypeTreeAndTheDocumentTypes) {
    using G = BVLargeFilesGroups::Grouping;
    const std::pair<std::shared_ptr<BVLAOFFileModel>, const char*> cases[] = {
        {file("public.jpeg"), "FilterText_Pictures"},
        {file("com.apple.quicktime-movie"), "FilterText_Movies"},
        {file("public.mp3"), "FilterText_Audio"},
        {file("com.adobe.pdf"), "FilterText_Documents"},
        // A single-file office document is a zip archive by its tree, but a document.
        {file("com.apple.iwork.keynote.sffkey"), "FilterText_Documents"},
        {file("public.zip-archive"), "FilterText_Archives"},
        {file(std::nullopt, 60000000, std::nullopt, std::vector<std::string>{"public.archive"}), "FilterText_Archives"},
        {file("public.data"), "FilterText_Other"},
        {file(std::nullopt), "FilterText_Other"},
    };
    for (const auto& [model, kind] : cases) EXPECT_EQ(groupOf(G::Kind, model), kind) << model->contentType().value_or("none");
    auto all = BVLargeFilesGroups::groups(G::Kind, {cases[0].first, cases[5].first}, BVDate{0});
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all[0].titleKey, "FilterText_AllFiles");
    EXPECT_EQ(all[0].models.size(), 2u);
    EXPECT_EQ(all[0].size(), 120000000u);
}

TEST(BVLargeFilesGroups, SizeAndAgeBandsWithTheirBoundaries) {
    using G = BVLargeFilesGroups::Grouping;
    const std::pair<uint64_t, const char*> sizes[] = {
        {52428801, "FilterText_Small"},    {499999999, "FilterText_Small"}, {500000000, "FilterText_Average"},
        {999999999, "FilterText_Average"}, {1000000000, "FilterText_Huge"}, {50000000, ""},
    };
    for (const auto& [size, group] : sizes) EXPECT_EQ(groupOf(G::Size, file("public.data", size)), group) << size;

    const double now = 1e9;
    const std::pair<double, const char*> ages[] = {
        {1, "FilterText_LastWeek"},           {-50, "FilterText_LastWeek"},  // used "in the future": a clock skew
        {604799, "FilterText_LastWeek"},      {604800, ""},                  {604801, "FilterText_OneWeekAgo"},
        {2629747, "FilterText_OneMonthAgo"},  {31536000, "FilterText_OneMonthAgo"},
        {31536001, "FilterText_OneYearAgo"},  {0, ""},
    };
    for (const auto& [age, group] : ages)
        EXPECT_EQ(groupOf(G::Date, file("public.data", 60000000, now - age), now), group) << age;
    EXPECT_EQ(groupOf(G::Date, file("public.data")), "");  // no last-used date
}
