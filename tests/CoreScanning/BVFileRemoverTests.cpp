// The file remover: the user's own rights first, one retry through the real agent (in its
// test mode) for a lack of rights only, failures that name their cause, refusals of protected
// folders, the clean's guard, and the debug switches. Failures are made by a file manager that
// fails chosen operations on chosen paths, since the tests may run as root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVUserDefaults.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "tests/fixtures/BVFaultInjectingFileManager.h"
#include "tests/fixtures/BVMemoryFileManager.h"

namespace {

class BVFileRemoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = env.folder().folder("home");
        paths = std::make_shared<BVPaths>(BVLayout::macos, home, env.folder() / "root");
        BVPaths::setSharedInstance(paths);  // the debug switches are read from this home
    }
    void TearDown() override { BVPaths::setSharedInstance(nullptr); }

    // A remover whose agent is installed, running and authorised.
    BVFileRemoverPtr removerWithAgent() {
        env.install(::getuid());
        env.startInstalledAgent();
        performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
        EXPECT_TRUE(performer && performer->isAuthorized());
        return std::make_shared<BVFileRemover>(performer, fileManager, paths);
    }
    // A remover whose authorisation ends with `status` (no agent installed).
    BVFileRemoverPtr removerRefused(BVOSStatus status) {
        script->copyRights.push_back(status);
        performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
        return std::make_shared<BVFileRemover>(performer, fileManager, paths);
    }
    std::string file(const std::string& relative, const std::string& text = "data") {
        return env.folder().fileWithText("home/" + relative, text);
    }

    BVAgentEnvironment env;
    std::string home;
    std::shared_ptr<BVPaths> paths;
    std::shared_ptr<BVFaultInjectingFileManager> fileManager = std::make_shared<BVFaultInjectingFileManager>();
    std::shared_ptr<BVScriptedAuthorization::Script> script = std::make_shared<BVScriptedAuthorization::Script>();
    BVPrivilegedOperationsPerformerPtr performer;
};

using Op = BVFaultInjectingFileManager::Operation;

}  // namespace

TEST_F(BVFileRemoverTest, RefusesProtectedFoldersHoweverTheyAreNamed) {
    BVFileRemover remover(nullptr, fileManager, paths);
    std::string keep = file("Library/Caches/keep", "precious");
    file("Documents/report.txt", "precious");
    env.folder().symlink("home-link", home);
    for (const std::string& path : {std::string("/"), home, home + "/", home + "/Library", home + "/Documents",
                                    env.folder() / "home-link/Documents", home + "/Library/Caches/..", env.folder() / "root"}) {
        std::string description;
        EXPECT_FALSE(remover.removeFileAtPath(BVFileRemover::Path(path), &description)) << path;
        EXPECT_FALSE(description.empty()) << path;
        EXPECT_FALSE(remover.securelyRemoveFileAtPath(BVFileRemover::Path(path), &description)) << path;
    }
    EXPECT_EQ(BVReadText(keep), "precious");
    EXPECT_EQ(BVReadText(home + "/Documents/report.txt"), "precious");
    // A file inside a protected folder is fine.
    std::string description;
    EXPECT_TRUE(remover.removeFileAtPath(BVFileRemover::Path(keep), &description));

    // A root folder that is itself a link (the user's own set-up, so it is followed) may lead
    // to a protected folder under another name: refused by what it is, not by its name.
    env.folder().symlink("home/Library/Logs", home);
    BVFileRemover again(nullptr, fileManager, paths);
    EXPECT_FALSE(again.removeFileAtPath(BVFileRemover::Path(home + "/Library/Logs/Documents"), &description));
    EXPECT_NE(description.find("protected folder under another name"), std::string::npos) << description;
    EXPECT_EQ(BVReadText(home + "/Documents/report.txt"), "precious");
}

TEST_F(BVFileRemoverTest, OnlyALackOfRightsIsRetriedThroughTheAgent) {
    auto remover = removerWithAgent();
    std::string onlyAgent = file("Library/Caches/app/root-owned");
    fileManager->fail(Op::Remove, onlyAgent, EACCES);
    std::string description;
    EXPECT_TRUE(remover->removeFileAtPath(BVFileRemover::Path(onlyAgent), &description));
    EXPECT_FALSE(fileManager->fileExistsAtPath(onlyAgent));

    // Any other failure names its own cause, and the agent is not asked.
    struct Case {
        int errnoValue;
        const char* text;
    };
    for (const Case& c : {Case{EBUSY, "busy"}, Case{EXDEV, "cross-device"}, Case{EROFS, "Read-only"}}) {
        std::string busy = file("Library/Caches/app/held");
        fileManager->fail(Op::Remove, busy, c.errnoValue);
        BVError error;
        EXPECT_FALSE(remover->removeFileAtPath(BVFileRemover::Path(busy), &error));
        EXPECT_NE(error.localizedDescription().find(c.text), std::string::npos) << error.localizedDescription();
        EXPECT_EQ(error.domain(), BVURLErrorDomain);  // the shape the callers of this form expect
        auto report = remover->removeItem(busy);
        ASSERT_TRUE(report.error);
        EXPECT_EQ(report.error->domain(), BVPOSIXErrorDomain);
        EXPECT_EQ(report.error->code(), c.errnoValue);
        EXPECT_TRUE(fileManager->fileExistsAtPath(busy));  // the agent would have removed it
        fileManager->heal(Op::Remove, busy);
    }

    // Something already gone counts as removed and frees nothing.
    auto missing = remover->removeItem(home + "/Library/Caches/none");
    EXPECT_TRUE(missing.succeeded);
    EXPECT_TRUE(missing.wasMissing);
    EXPECT_EQ(missing.freedBytes, 0u);

    // Truncation goes the same way; a missing file counts as truncated.
    std::string log = file("Library/Logs/app.log", "0123456789");
    fileManager->fail(Op::Empty, log, EPERM);
    EXPECT_TRUE(remover->truncateFileAtPath(BVFileRemover::Path(log)));
    EXPECT_EQ(BVReadText(log), "");
    EXPECT_TRUE(remover->truncateFileAtPath(BVFileRemover::Path(home + "/Library/Logs/none.log")));
}

TEST_F(BVFileRemoverTest, EmptyingAFolderGoesOnPastAFailureAndUsesTheAgentPerChild) {
    auto remover = removerWithAgent();
    std::string folder = env.folder().folder("home/Library/Caches/app");
    for (const char* name : {"a", "b", "c", "d"}) file(std::string("Library/Caches/app/") + name);
    // "c" only the agent can remove; "b" is busy, which the agent cannot help with.
    fileManager->fail(Op::Remove, folder + "/b", EBUSY);
    fileManager->fail(Op::Remove, folder + "/c", EACCES);
    std::vector<BVError> errors;
    EXPECT_FALSE(remover->removeContentsOfDirectoryAtPath(BVFileRemover::Path(folder), &errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].domain(), "");
    EXPECT_NE(errors[0].localizedDescription().find(folder + "/b"), std::string::npos);
    std::vector<std::string> left;
    ASSERT_TRUE(fileManager->contentsOfDirectoryAtPath(folder, left, nullptr));
    EXPECT_EQ(left, std::vector<std::string>{folder + "/b"});
    EXPECT_TRUE(fileManager->isDirectoryAtPath(folder));  // the folder itself stays

    EXPECT_TRUE(remover->removeContentsOfDirectoryAtPath(std::nullopt, &errors));
    EXPECT_FALSE(remover->removeContentsOfDirectoryAtPath(BVFileRemover::Path(folder + "/missing"), &errors));
    EXPECT_EQ(errors.size(), 1u);
    // The home itself is never emptied, whatever asks.
    EXPECT_FALSE(remover->removeContentsOfDirectoryAtPath(BVFileRemover::Path(home), &errors));
    EXPECT_TRUE(fileManager->fileExistsAtPath(folder + "/b"));
}

TEST_F(BVFileRemoverTest, CancellingWhileEmptyingKeepsTheRest) {
    auto fake = std::make_shared<BVMemoryFileManager>();
    auto faulty = std::make_shared<BVFaultInjectingFileManager>(fake);
    BVFileRemover remover(nullptr, faulty, paths);
    std::string folder = home + "/Library/Caches/many";
    for (const char* name : {"a", "b", "c"}) fake->file(folder + "/" + name, 4096);
    auto progress = BVComputableProgress::create();
    faulty->beforeAct = [&](Op, const std::string&) { progress->cancel(); };  // after the first starts
    std::vector<BVError> errors;
    EXPECT_TRUE(remover.removeContentsOfDirectoryAtPath(BVFileRemover::Path(folder), progress, &errors));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(fake->removed(), std::vector<std::string>{folder + "/a"});
    EXPECT_EQ(progress->completedUnitsCount(), 1u);
}

TEST_F(BVFileRemoverTest, ACleanRemovesExactlyWhatItWasGiven) {
    // Entities of a scan removed through the remover on a recorded file system: the changes are
    // exactly the chosen items (a link as a link, a folder emptied around what is kept), and a
    // failure on the way stops nothing else.
    auto fake = std::make_shared<BVMemoryFileManager>();
    auto faulty = std::make_shared<BVFaultInjectingFileManager>(fake);
    auto remover = std::make_shared<BVFileRemover>(nullptr, faulty, paths);
    std::string caches = home + "/Library/Caches";
    fake->file(caches + "/a/blob", 8192);
    fake->file(caches + "/b/keep", 100);
    fake->file(caches + "/b/junk", 8192);
    fake->link(caches + "/docs", home + "/Documents");
    fake->file(caches + "/busy", 100);
    fake->file(caches + "/untouched", 100);
    fake->file(home + "/Documents/thesis.doc", 100);
    faulty->fail(Op::Remove, caches + "/busy", EBUSY);
    remover->setRemovalGuard(std::make_shared<BVRemovalGuard>(BVKeepRule({caches + "/b/keep"}, {})));
    std::vector<std::string> failed;
    for (const char* name : {"a", "b", "docs", "busy"}) {
        auto model = BVFileModel::modelWithPath(caches + "/" + name, 1, true);
        model->setRemover(remover);
        if (model->remove()->error()) failed.push_back(name);
    }
    EXPECT_EQ(fake->removed(), (std::vector<std::string>{caches + "/a/blob", caches + "/a", caches + "/b/junk", caches + "/docs"}));
    EXPECT_EQ(failed, std::vector<std::string>{"busy"});
    EXPECT_TRUE(fake->exists(home + "/Documents/thesis.doc"));
}

TEST_F(BVFileRemoverTest, RefusedAuthorisationMarksThePerformerBrokenUnlessTheUserCancelled) {
    for (BVOSStatus status : {errAuthorizationDenied, errAuthorizationCanceled}) {
        auto remover = removerRefused(status);
        std::string stuck = file("Library/Caches/stuck");
        fileManager->fail(Op::Remove, stuck, EACCES);
        std::string description;
        EXPECT_FALSE(remover->removeFileAtPath(BVFileRemover::Path(stuck), &description));
        EXPECT_NE(description.find(stuck), std::string::npos);
        EXPECT_EQ(description, BVFormatLocalized(BVLocalizedString("Errors", "ErrorDescriptionRemoving_FileWasntAuthorized"), {stuck}));
        EXPECT_EQ(performer->authorizationStatus() == BVAuthorizationStatusBroken, status != errAuthorizationCanceled) << status;
        EXPECT_TRUE(fileManager->fileExistsAtPath(stuck));
    }
}

TEST_F(BVFileRemoverTest, DebugSwitchesFakeOrFailRemovals) {
    BVFileRemover remover(nullptr, fileManager, paths);
    auto defaults = BVUserDefaults::standardUserDefaults();
    std::string target = file("Library/Caches/target");
    defaults->setObject(BVDebugModeFakeRemove, BVValue(true));
    std::string description;
    EXPECT_TRUE(remover.removeFileAtPath(BVFileRemover::Path(target), &description));
    EXPECT_TRUE(remover.truncateFileAtPath(BVFileRemover::Path(target)));
    EXPECT_EQ(BVReadText(target), "data");  // nothing was touched
    defaults->setObject(BVDebugModeFakeRemove, BVValue(false));
    defaults->setObject(BVDebugModeAllFailedRemove, BVValue(true));
    EXPECT_FALSE(remover.removeFileAtPath(BVFileRemover::Path(target), &description));
    EXPECT_EQ(description,
              BVFormatLocalized(BVLocalizedString("Errors", "ErrorDescriptionRemoving_CouldntRemoveWithPrivileges"), {target}));
    EXPECT_TRUE(fileManager->fileExistsAtPath(target));
    EXPECT_TRUE(remover.securelyRemoveFileAtPath(BVFileRemover::Path(target), &description));  // not affected
    EXPECT_FALSE(fileManager->fileExistsAtPath(target));
    EXPECT_FALSE(remover.removeFileAtPath(std::nullopt, &description));  // the switch comes before "no path"
    for (int i = 0; i < 50; ++i) EXPECT_LE(remover.fakeRemoveTime(), 0.0045 + 1e-12);  // 0 to 9 steps of 0.5 ms
}

TEST_F(BVFileRemoverTest, TheCleansGuardLeavesChangedItemsAndKeptPathsAlone) {
    BVFileRemover remover(nullptr, fileManager, paths);
    std::string precious = env.folder().folder("precious");
    env.folder().fileWithText("precious/keep.txt", "keep");
    std::string listed = env.folder().folder("home/Library/Caches/app");
    std::string renamed = env.folder().folder("home/Library/Caches/other");
    std::string file = this->file("Library/Caches/file");
    std::string keep = this->file("Library/Caches/big/keep.dat", "mine");
    this->file("Library/Caches/big/junk/a", std::string(20000, 'j'));
    auto guard = std::make_shared<BVRemovalGuard>(BVKeepRule({keep}, {}));
    for (const auto& p : {listed, renamed, file, home + "/Library/Caches/big"}) ASSERT_TRUE(guard->recordIdentity(p, *fileManager));
    remover.setRemovalGuard(guard);
    // After the listing one folder becomes a link to something precious, another is replaced
    // by a different folder of the same name.
    ASSERT_TRUE(fileManager->removeFileAtPath(listed, nullptr));
    env.folder().symlink("home/Library/Caches/app", precious);
    ASSERT_TRUE(fileManager->removeFileAtPath(renamed, nullptr));
    env.folder().fileWithText("home/Library/Caches/other/new", "not listed");
    for (const auto& p : {listed, renamed}) {
        std::string description;
        EXPECT_FALSE(remover.removeFileAtPath(BVFileRemover::Path(p), &description));
        EXPECT_NE(description.find("changed since it was listed"), std::string::npos) << description;
        EXPECT_TRUE(fileManager->fileExistsAtPath(p));
    }
    EXPECT_EQ(BVReadText(precious + "/keep.txt"), "keep");
    EXPECT_EQ(BVReadText(renamed + "/new"), "not listed");
    std::string description;
    EXPECT_TRUE(remover.removeFileAtPath(BVFileRemover::Path(file), &description));  // unchanged: removed

    // A kept path inside an item: the item is emptied around it, and the agent is never asked
    // for such an item (it would take the kept path along).
    auto report = remover.removeItem(home + "/Library/Caches/big");
    EXPECT_TRUE(report.succeeded) << report.description();
    EXPECT_EQ(report.keptItems, 1u);
    EXPECT_EQ(BVReadText(keep), "mine");
    EXPECT_FALSE(fileManager->fileExistsAtPath(home + "/Library/Caches/big/junk"));
    EXPECT_GE(*report.freedBytes, 20000u);
}
