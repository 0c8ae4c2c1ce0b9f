// Path predicates, their combinations, and the URL iterator.
#include <gtest/gtest.h>

#include <set>

#include "Foundation/BVSystemVersion.h"
#include "Foundation/QLAccessPermissions.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "ScanningService/CoreScanning/Predicates/BVMojaveProtectedPathPredicate.h"
#include "ScanningService/CoreScanning/Predicates/BVURLIterator.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

// Answers from a fixed set; only the ignore check matters to the predicate.
class SetKnowledgeBase : public BVScanKnowledgeBase {
public:
    std::set<std::string> ignored;
    std::vector<std::string> asked;
    bool isIgnoreItem(const std::string& path) override {
        asked.push_back(path);
        return ignored.count(path) > 0;
    }
    bool isIgnoreItem(const std::string& path, uint64_t) override { return isIgnoreItem(path); }
    bool shouldSelectItem(const std::string&) override { return false; }
    bool shouldPerformDeepSearchForItem(const std::string&) override { return false; }
    std::vector<std::string> applicationsDependentOnFile(const std::string&) override { return {}; }
};

BVPredicateCandidate url(const std::string& p) { return BVURL::fileURLWithPath(p); }

}  // namespace

TEST(BVPredicates, EachAnswersItsQuestionForTheKindsItKnows) {
    BVTemporaryFolder t;
    std::string file = t.file("cache/item", 5000), dir = t.folder("cache/dir");
    t.file("cache/dir/inner", 9000);
    auto kb = std::make_shared<SetKnowledgeBase>();
    kb->ignored = {t / "cache/item", "Cookies"};
    BVFileIgnorePredicate ignore(kb);
    BVFileExistancePredicate exists(BVFileManager::defaultManager());
    BVFileNamePredicate name(".DS_Store");
    BVFileSizePredicate size(BVAllocatedBytes(file));
    BVFileIsReachablePredicate reachable;

    struct Case {
        const char* what;
        const BVPredicate& predicate;
        BVPredicateCandidate candidate;
        bool ignored;
    };
    const std::vector<Case> cases = {
        {"ignored path", ignore, file, true},
        {"ignored last component", ignore, url(t / "Library/Cookies"), true},
        {"ignored entity name", ignore, BVFTSEntity{t / "x/Cookies", "Cookies", false, 1}, true},
        {"not ignored", ignore, t / "other", false},
        {"existing", exists, url(file), true},
        {"vanished", exists, t / "gone", false},
        {"entity kind unsupported", exists, BVFTSEntity{file, "item", false, 1}, false},
        {"exact name", name, t / "a/.DS_Store", true},
        {"other case", name, t / "a/.ds_store", false},
        {"folder above", name, t / ".DS_Store/file", false},
        {"entity name", name, BVFTSEntity{"/x/.DS_Store", ".DS_Store", false, 0}, true},
        {"exactly the limit", size, file, false},
        {"a folder's tree is measured", size, dir, true},
        {"entity's own size", size, BVFTSEntity{"/x", "x", false, 1'000'000}, true},
        {"reachable", reachable, file, true},
        {"dangling link", reachable, t.symlink("dangling", t / "nowhere"), false},
        {"other kind", reachable, BVPredicateCandidate{}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.predicate.shouldIgnoreObject(c.candidate), c.ignored) << c.what;
    // The full path is asked first, then the last component.
    kb->asked.clear();
    ignore.shouldIgnoreObject(t / "x/y");
    EXPECT_EQ(kb->asked, (std::vector<std::string>{t / "x/y", "y"}));
}

TEST(BVCompoundPredicate, CombinesInOrderAndRefusesMisuse) {
    auto yes = std::make_shared<BVFileNamePredicate>("a"), no = std::make_shared<BVFileNamePredicate>("b");
    auto exists = std::make_shared<BVFileExistancePredicate>(BVFileManager::defaultManager());
    using C = BVCompoundPredicate;
    EXPECT_TRUE(C::orPredicateWithSubpredicates({no, yes})->shouldIgnoreObject(std::string("/x/a")));
    EXPECT_FALSE(C::andPredicateWithSubpredicates({yes, no})->shouldIgnoreObject(std::string("/x/a")));
    EXPECT_TRUE(C::andPredicateWithSubpredicates({yes, yes})->shouldIgnoreObject(std::string("/x/a")));
    EXPECT_TRUE(C::notPredicateWithSubpredicate(no)->shouldIgnoreObject(std::string("/x/a")));
    // The existence predicate does not know entities: its answer is false, so "not" is true.
    EXPECT_TRUE(C::notPredicateWithSubpredicate(exists)->shouldIgnoreObject(BVFTSEntity{"/", "/", true, 0}));
    // The usual filter: skip vanished or ignored items.
    auto filter = C::orPredicateWithSubpredicates({C::notPredicateWithSubpredicate(exists), yes});
    EXPECT_TRUE(filter->shouldIgnoreObject(std::string("/nonexistent/zzz")));
    EXPECT_FALSE(filter->shouldIgnoreObject(std::string("/")));
    EXPECT_THROW(C(C::And, {}), std::invalid_argument);
    EXPECT_THROW(filter->supportedTypes(), std::logic_error);
}

TEST(BVMojaveProtectedPathPredicate, FollowsTheSystemVersionAndThePermissions) {
    const std::string contacts = "/Users/u/Library/Application Support/AddressBook/db";
    QLAccessPermissions::setAuthorizationStatusForPermissionType(2, 0);  // contacts not granted
    BVSystemVersion::setCurrent({10, 13, 0});
    EXPECT_FALSE(BVMojaveProtectedPathPredicate().shouldIgnoreObject(contacts));
    BVSystemVersion::setCurrent({10, 14, 0});
    BVMojaveProtectedPathPredicate predicate;
    EXPECT_TRUE(predicate.shouldIgnoreObject(contacts));
    EXPECT_TRUE(predicate.shouldIgnoreObject(url("/Users/u/Library/Containers/com.apple.AddressBook/x")));
    EXPECT_FALSE(predicate.shouldIgnoreObject(std::string("/Users/u/Library/Calendars/x")));  // granted
    QLAccessPermissions::setAuthorizationStatusForPermissionType(2, 2);
    EXPECT_TRUE(predicate.shouldIgnoreObject(contacts));  // statuses are read once per predicate
    EXPECT_FALSE(BVMojaveProtectedPathPredicate().shouldIgnoreObject(contacts));
    BVSystemVersion::resetCurrent();  // this host's current version: nothing is protected
    QLAccessPermissions::setAuthorizationStatusForPermissionType(2, 0);
    EXPECT_FALSE(BVMojaveProtectedPathPredicate().shouldIgnoreObject(contacts));
    QLAccessPermissions::reset();
}

TEST(BVURLIterator, MeasuresKeptItemsCountsRejectedOnesAndStopsOnCancel) {
    BVTemporaryFolder t;
    std::vector<BVURLPtr> urls;
    for (const char* n : {"a", "skip", "b", "c"}) urls.push_back(BVURL::fileURLWithPath(t.file(n, 3000)));
    auto progress = BVComputableProgress::create();
    BVURLIterator iterator(progress, [](const BVURLPtr& u) { return u->path().find("skip") == std::string::npos; });
    std::vector<std::string> seen;
    iterator.enumerate(urls, [&](const BVURLPtr& u, uint64_t size) {
        seen.push_back(u->path());
        EXPECT_EQ(size, BVAllocatedBytes(u->path()));
        if (seen.size() == 2) progress->cancel();
    });
    EXPECT_EQ(seen, (std::vector<std::string>{t / "a", t / "b"}));
    EXPECT_EQ(progress->completedUnitsCount(), 3u);  // "skip" counted, "c" not reached
    EXPECT_EQ(progress->totalUnitsCount(), 4u);
    EXPECT_EQ(progress->size(), BVAllocatedBytes(t / "a") * 2);
    EXPECT_EQ(progress->path(), t / "b");
}
