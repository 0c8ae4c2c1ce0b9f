// File entities removing themselves through a remover (no agent: a failure stays a failure),
// reporting the space really freed.
#include <gtest/gtest.h>

#include "Foundation/BVFileManager.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

struct Fixture {
    BVTemporaryFolder t;
    std::shared_ptr<BVPaths> paths = std::make_shared<BVPaths>(BVLayout::linux, t / "home");
    BVFileRemoverPtr remover = std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), paths);
    Fixture() { BVPaths::setSharedInstance(paths); }
    ~Fixture() { BVPaths::setSharedInstance(nullptr); }
    template <class T>
    std::shared_ptr<T> with(std::shared_ptr<T> e) {
        e->setRemover(remover);
        return e;
    }
};

}  // namespace

TEST(BVFileModel, RemovesImmediatelyOrSecurelyAndReportsFailures) {
    Fixture f;
    auto fm = BVFileManager::defaultManager();
    std::string a = f.t.file("home/.cache/a", 100), b = f.t.file("home/.cache/b", 100);
    auto plain = f.with(BVFileModel::modelWithPath(a, 4096, true));
    auto secure = f.with(BVFileModel::modelWithPath(b, 4096, true));
    secure->setRemoveMethod(BVRemoveMethodSecurely);
    uint64_t allocated = BVAllocatedBytes(a);
    auto r1 = plain->remove(), r2 = secure->remove();
    EXPECT_EQ(r1->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(r1->size(), allocated);
    EXPECT_EQ(r2->size(), allocated);
    EXPECT_FALSE(fm->fileExistsAtPath(a));
    EXPECT_FALSE(fm->fileExistsAtPath(b));
    // Already gone: removed, nothing freed. A link on the way: refused, naming the link.
    auto missing = f.with(BVFileModel::modelWithPath(f.t / "home/.cache/none", 10, true))->remove();
    EXPECT_EQ(missing->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(missing->size(), 0u);
    f.t.fileWithText("home/Documents/thesis.doc", "mine");
    f.t.symlink("home/.cache/docs", f.t / "home/Documents");
    auto through = f.with(BVFileModel::modelWithPath(f.t / "home/.cache/docs/thesis.doc", 10, true))->remove();
    EXPECT_EQ(through->state(), uint64_t(BVRemovalStateFailed));
    ASSERT_EQ(through->errors().size(), 1u);
    EXPECT_EQ(through->errors()[0].domain(), BVPOSIXErrorDomain);
    EXPECT_EQ(through->errors()[0].code(), ELOOP);
    EXPECT_NE(through->errors()[0].localizedDescription().find(f.t / "home/.cache/docs is a symbolic link"), std::string::npos)
        << through->errors()[0].localizedDescription();
    EXPECT_EQ(BVReadText(f.t / "home/Documents/thesis.doc"), "mine");

    // Same URL, size and preselection: equal, whatever the uid.
    auto again = BVFileModel::modelWithPath(a, 4096, true);
    again->setUid(BVUUID::create());
    EXPECT_TRUE(plain->isEqual(*again));
    EXPECT_EQ(plain->hash(), again->hash());
}

TEST(BVFolderModel, EmptiesTheFolderAndComposesTheChildrensErrors) {
    Fixture f;
    auto fm = BVFileManager::defaultManager();
    uint64_t freed = BVAllocatedBytes(f.t.file("home/.cache/app/x", 10)) + BVAllocatedBytes(f.t.file("home/.cache/app/sub/y", 10)) +
                     BVAllocatedBytes(f.t / "home/.cache/app/sub");
    auto folder = f.with(BVFolderModel::modelWithPath(f.t / "home/.cache/app", 8192, true));
    auto result = folder->remove();
    EXPECT_EQ(result->size(), freed);
    EXPECT_FALSE(result->error());
    EXPECT_TRUE(fm->isDirectoryAtPath(f.t / "home/.cache/app"));
    std::vector<std::string> left;
    fm->contentsOfDirectoryAtPath(f.t / "home/.cache/app", left, nullptr);
    EXPECT_TRUE(left.empty());

    // A child that is a protected folder cannot go: one composed error, what the rest freed.
    uint64_t loose = BVAllocatedBytes(f.t.file("home/.local/loose.txt", 5));
    f.t.file("home/.local/share/app/settings", 5);
    f.t.file("home/.local/state/app.log", 5);
    auto shared = f.with(std::make_shared<BVFolderModel>(BVURL::fileURLWithPath(f.t / "home/.local", true), 77, true));
    auto partial = shared->remove();
    EXPECT_EQ(partial->size(), loose);
    ASSERT_TRUE(partial->error());
    EXPECT_EQ(partial->error()->domain(), BVFolderModelErrorDomain);
    EXPECT_EQ(partial->error()->code(), 101);
    EXPECT_EQ(partial->error()->userInfo().at(BVFolderContentErrorsKey).arrayValue().size(), 2u);  // share and state
    EXPECT_NE(partial->error()->localizedDescription().find("\n"), std::string::npos);
    EXPECT_FALSE(fm->fileExistsAtPath(f.t / "home/.local/loose.txt"));
    EXPECT_TRUE(fm->fileExistsAtPath(f.t / "home/.local/share/app/settings"));
    // The home itself is never emptied.
    auto home = f.with(std::make_shared<BVFolderModel>(BVURL::fileURLWithPath(f.t / "home", true), 77, true))->remove();
    EXPECT_EQ(home->state(), uint64_t(BVRemovalStateFailed));
    EXPECT_TRUE(fm->fileExistsAtPath(f.t / "home/.local/state/app.log"));
}

TEST(BVFileURLSequenceModel, RemovesItsFilesAndThenItselfWhenAsked) {
    Fixture f;
    auto fm = BVFileManager::defaultManager();
    for (bool removeSelf : {false, true}) {
        std::string folder = f.t.folder("home/.cache/group");
        auto group = f.with(BVFileURLSequenceModel::sequenceWithPath(folder, true));
        group->addChild(f.with(BVFileModel::modelWithPath(f.t.file("home/.cache/group/one", 10), 4096, true)));
        group->addChild(f.with(BVFileModel::modelWithPath(f.t.file("home/.cache/group/two", 10), 4096, true)));
        f.t.file("home/.cache/group/unlisted", 10);
        group->setShouldRemoveSelf(removeSelf);
        auto items = group->itemsToRemove();
        ASSERT_EQ(items.size(), removeSelf ? 3u : 2u);
        if (removeSelf) {
            EXPECT_EQ(std::dynamic_pointer_cast<BVFileModel>(items.back())->url()->path(), folder);
        }
        auto result = group->remove();
        EXPECT_EQ(result->state(), uint64_t(BVRemovalStateSucceeded));
        EXPECT_EQ(fm->fileExistsAtPath(folder), !removeSelf);
        if (!removeSelf) {
            EXPECT_TRUE(fm->fileExistsAtPath(folder + "/unlisted"));
        }
        EXPECT_EQ(group->fileURL()->path(), folder);
    }
}
