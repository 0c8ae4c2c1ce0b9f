// The file remover: the user's own rights first, one retry through the real agent (in its
// test mode), refusals of protected folders, and the debug switches. Permission failures are
// made by a file manager that fails chosen paths, since the tests may run as root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "Foundation/BVLocalizedStrings.h"
#include "Foundation/BVPOSIXFileManager.h"
#include "Foundation/BVUserDefaults.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"

namespace {

// The real file manager, except that removing or truncating a path in `denied` fails with
// EACCES, and `beforeRemove` runs before every removal.
class DenyingFileManager : public BVPOSIXFileManager {
public:
    std::set<std::string> denied;
    std::function<void(const std::string&)> beforeRemove;
    bool removeFileAtPath(const std::string& path, BVError* error) const override {
        if (beforeRemove) beforeRemove(path);
        if (denied.count(path)) {
            BVSetError(error, BVError::fromErrno(EACCES, path));
            return false;
        }
        return BVPOSIXFileManager::removeFileAtPath(path, error);
    }
    bool truncateFileAtPath(const std::string& path, BVError* error) const override {
        if (denied.count(path)) {
            BVSetError(error, BVError::fromErrno(EACCES, path));
            return false;
        }
        return BVPOSIXFileManager::truncateFileAtPath(path, error);
    }
};

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
    std::shared_ptr<DenyingFileManager> fileManager = std::make_shared<DenyingFileManager>();
    std::shared_ptr<BVScriptedAuthorization::Script> script = std::make_shared<BVScriptedAuthorization::Script>();
    BVPrivilegedOperationsPerformerPtr performer;
};

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
}

TEST_F(BVFileRemoverTest, AFailureIsRetriedOnceThroughTheAgent) {
    auto remover = removerWithAgent();
    std::string onlyAgent = file("Library/Caches/app/root-owned");
    fileManager->denied.insert(onlyAgent);
    std::string description;
    EXPECT_TRUE(remover->removeFileAtPath(BVFileRemover::Path(onlyAgent), &description));
    EXPECT_FALSE(fileManager->fileExistsAtPath(onlyAgent));
    EXPECT_NE(description.find("Permission denied"), std::string::npos);  // the first try's reason stays

    // Missing: the file manager fails, the agent fails too, and its reason names the path.
    std::string missing = home + "/Library/Caches/none";
    EXPECT_FALSE(remover->removeFileAtPath(BVFileRemover::Path(missing), &description));
    EXPECT_NE(description.find(missing), std::string::npos) << description;
    BVError error;
    EXPECT_FALSE(remover->removeFileAtPath(BVFileRemover::Path(missing), &error));
    EXPECT_EQ(error.domain(), BVURLErrorDomain);
    EXPECT_EQ(error.code(), 0);

    // Truncation goes the same way; a missing file counts as truncated.
    std::string log = file("Library/Logs/app.log", "0123456789");
    fileManager->denied.insert(log);
    EXPECT_TRUE(remover->truncateFileAtPath(BVFileRemover::Path(log)));
    EXPECT_EQ(BVReadText(log), "");
    EXPECT_TRUE(remover->truncateFileAtPath(BVFileRemover::Path(home + "/Library/Logs/none.log")));
}

TEST_F(BVFileRemoverTest, EmptyingAFolderGoesOnPastAFailureAndUsesTheAgentPerChild) {
    auto remover = removerWithAgent();
    std::string folder = env.folder().folder("home/Library/Caches/app");
    for (const char* name : {"a", "b", "c", "d"}) file(std::string("Library/Caches/app/") + name);
    fileManager->denied = {folder + "/b", folder + "/c"};
    // "c" the agent can remove; "b" it cannot (it is gone by the time the agent looks).
    fileManager->beforeRemove = [&](const std::string& p) {
        if (p == folder + "/b") ::unlink(p.c_str());
    };
    std::vector<BVError> errors;
    EXPECT_FALSE(remover->removeContentsOfDirectoryAtPath(BVFileRemover::Path(folder), &errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].domain(), "");
    EXPECT_NE(errors[0].localizedDescription().find(folder + "/b"), std::string::npos);
    std::vector<std::string> left;
    ASSERT_TRUE(fileManager->contentsOfDirectoryAtPath(folder, left, nullptr));
    EXPECT_TRUE(left.empty());
    EXPECT_TRUE(fileManager->isDirectoryAtPath(folder));  // the folder itself stays

    EXPECT_TRUE(remover->removeContentsOfDirectoryAtPath(std::nullopt, &errors));
    EXPECT_FALSE(remover->removeContentsOfDirectoryAtPath(BVFileRemover::Path(folder + "/missing"), &errors));
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(BVFileRemoverTest, CancellingWhileEmptyingKeepsTheRest) {
    BVFileRemover remover(nullptr, fileManager, paths);
    std::string folder = env.folder().folder("home/Library/Caches/many");
    for (const char* name : {"a", "b", "c"}) file(std::string("Library/Caches/many/") + name);
    auto progress = BVComputableProgress::create();
    fileManager->beforeRemove = [&](const std::string&) { progress->cancel(); };  // after the first starts
    std::vector<BVError> errors;
    EXPECT_TRUE(remover.removeContentsOfDirectoryAtPath(BVFileRemover::Path(folder), progress, &errors));
    EXPECT_TRUE(errors.empty());
    std::vector<std::string> left;
    fileManager->contentsOfDirectoryAtPath(folder, left, nullptr);
    EXPECT_EQ(left, (std::vector<std::string>{folder + "/b", folder + "/c"}));
    EXPECT_EQ(progress->completedUnitsCount(), 1u);
}

TEST_F(BVFileRemoverTest, RefusedAuthorisationMarksThePerformerBrokenUnlessTheUserCancelled) {
    for (BVOSStatus status : {errAuthorizationDenied, errAuthorizationCanceled}) {
        auto remover = removerRefused(status);
        std::string stuck = file("Library/Caches/stuck");
        fileManager->denied.insert(stuck);
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

TEST_F(BVFileRemoverTest, AnItemWhoseKindChangedSinceItWasListedIsLeftAlone) {
    BVFileRemover remover(nullptr, fileManager, paths);
    std::string precious = env.folder().folder("precious");
    env.folder().fileWithText("precious/keep.txt", "keep");
    std::string listed = env.folder().folder("home/Library/Caches/app");
    std::string file = this->file("Library/Caches/file");
    remover.setExpectedKinds({{listed, S_IFDIR}, {file, S_IFREG}});
    // After the listing the folder becomes a link to something precious.
    ASSERT_TRUE(fileManager->removeFileAtPath(listed, nullptr));
    env.folder().symlink("home/Library/Caches/app", precious);
    std::string description;
    EXPECT_FALSE(remover.removeFileAtPath(BVFileRemover::Path(listed), &description));
    EXPECT_NE(description.find("changed since it was listed"), std::string::npos) << description;
    EXPECT_TRUE(fileManager->fileExistsAtPath(listed));
    EXPECT_EQ(BVReadText(precious + "/keep.txt"), "keep");
    EXPECT_TRUE(remover.removeFileAtPath(BVFileRemover::Path(file), &description));  // unchanged: removed
}
