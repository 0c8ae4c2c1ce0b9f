// Log scanning and log removal on fixture trees: the size threshold, the quarantine stores,
// the system stores and their compound, emptying logs in place, and the privileged stores'
// removal without authorisation.
#include <gtest/gtest.h>

#include "Foundation/QLFileSizer.h"
#include "tests/fixtures/BVFaultInjectingFileManager.h"
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "Foundation/BVSystemVersion.h"
#include "KnowledgeBase/BVKnowledgeBaseTypes.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "SystemJunkModule/BVLogsScanTask.h"
#include "SystemJunkModule/BVSystemLogModels.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"

namespace {

constexpr BVScannerIdentifier kSystemLogs = 26;
constexpr BVScannerIdentifier kUserLogs = 27;

std::shared_ptr<BVLogsScanTask> task(BVJunkFixture& f, BVLogsPathsProviderPtr provider, BVPredicatePtr predicate,
                                     std::shared_ptr<const BVPaths> paths, BVScannerIdentifier scanner = kUserLogs) {
    return std::make_shared<BVLogsScanTask>("T", f.handle(scanner), std::move(provider), nullptr, nullptr, std::move(predicate),
                                            std::move(paths));
}

}  // namespace

TEST(BVLogsScanTask, OffersLogsLargerThanTenKilobytes) {
    BVJunkFixture f({BVRule(BVItemTypeBlack, "~/logs/ignored.log", kUserLogs),
                     BVRule(BVItemTypeSelectionMemory, "~/logs/remembered.log", kUserLogs)});
    // The threshold is on the space an entry occupies, as every size here is: two 4 KiB blocks
    // stay under it, a 10241-byte file (three blocks) is over it.
    f.file("logs/small.log", 8192);
    f.file("logs/tiny.txt", 10);
    f.file("logs/big.log", 10241);
    f.file("logs/.DS_Store", 20000);
    f.file("logs/ignored.log", 20000);
    f.file("logs/remembered.log", 20000);
    f.file("logs/App/a.log", 20000);
    auto paths = std::make_shared<const BVPaths>(BVLayout::linux, f.home());
    auto provider = std::make_shared<BVFolderLogsProvider>(f.home() + "/logs", paths, BVFileManager::defaultManager());
    auto result = task(f, provider, BVLogsScanTask::sizeFilter(), paths)->scan();
    std::string logs = f.home() + "/logs/";
    EXPECT_EQ(BVItemTexts(result), (std::vector<std::string>{logs + "App", logs + "big.log", logs + "remembered.log"}));
    EXPECT_TRUE(result->items()->at(1)->autoselected());
    EXPECT_FALSE(result->items()->at(2)->autoselected());
    EXPECT_TRUE(result->items()->at(2)->isIgnorable());
}

TEST(BVLogsScanTask, QuarantineStoresAreOfferedOnlyWhenPresentAndNotEmpty) {
    BVJunkFixture f;
    auto paths = std::make_shared<const BVPaths>(BVLayout::macos, f.home());
    std::string v2 = f.home() + "/Library/Preferences/com.apple.LaunchServices.QuarantineEventsV2";
    f.file("Library/Preferences/com.apple.LaunchServices.QuarantineEvents", 0);  // empty
    auto scan = [&] { return task(f, std::make_shared<BVQuarantineLogsProvider>(paths), BVLogsScanTask::quarantineFilter(), paths)->scan(); };
    EXPECT_TRUE(scan()->items()->empty());
    f.file("Library/Preferences/com.apple.LaunchServices.QuarantineEventsV2", 3000);
    auto result = scan();
    ASSERT_EQ(BVItemTexts(result), std::vector<std::string>{v2});
    auto model = std::dynamic_pointer_cast<BVLogModel>(result->items()->at(0));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->logItem()->type(), uint64_t(BVLogItemTypeQuarantine));
    // The linux layout has no quarantine store.
    EXPECT_TRUE(BVQuarantine(std::make_shared<const BVPaths>(BVLayout::linux, f.home())).downloadsLogsURLs().empty());
}

TEST(BVLogsScanTask, LinuxJournalIsTheDiagnosticsStoreNotAPlainLog) {
    BVJunkFixture f;
    std::string root = f.kb.folder.folder("root");
    auto paths = std::make_shared<const BVPaths>(BVLayout::linux, f.home(), root);
    f.kb.folder.file("root/var/log/journal/abc/system.journal", 50000);
    f.kb.folder.file("root/var/log/syslog", 50000);
    auto local = task(f, BVFolderLogsProvider::localLogsProvider(paths, BVFileManager::defaultManager()), BVLogsScanTask::sizeFilter(), paths, kSystemLogs);
    EXPECT_EQ(BVItemTexts(local->scan()), std::vector<std::string>{root + "/var/log/syslog"});

    auto diagnostics = std::make_shared<BVLogsScanTask>("D", f.handle(kSystemLogs), BVStoreLogsProvider::diagnosticLogsProvider(*paths),
                                                        std::make_shared<BVUnifiedLogModelFactory>(nullptr), nullptr, nullptr, paths);
    auto result = diagnostics->scan();
    ASSERT_EQ(BVItemTexts(result), std::vector<std::string>{root + "/var/log/journal"});
    auto store = std::dynamic_pointer_cast<BVUnifiedLogModel>(result->items()->at(0));
    ASSERT_TRUE(store);
    EXPECT_EQ(store->logItem()->type(), uint64_t(BVLogItemTypeDiagnostics));
    EXPECT_GE(store->size(), 50000u);
    // No Apple System Log store on linux: nothing to offer.
    std::vector<std::string> none;
    EXPECT_TRUE(BVStoreLogsProvider::appleLogsProvider(*paths)->scanningPaths(none, nullptr));
    EXPECT_TRUE(none.empty());
}

TEST(BVSystemLogsScanTask, DiagnosticsJoinFromTenTwelve) {
    BVJunkFixture f;
    for (auto [minor, count] : {std::pair{11, 2u}, std::pair{12, 3u}}) {
        BVSystemVersion::setCurrent({10, minor, 0});
        const auto& env = f.environment();
        auto compound = BVSystemLogsScanTask::taskWithTasks(BVLogsScanTask::systemLogsScanTask(env), BVLogsScanTask::appleLogsScanTask(env),
                                                            BVLogsScanTask::diagnosticLogsScanTask(env));
        EXPECT_EQ(compound->tasks().size(), count) << minor;
    }
    BVSystemVersion::resetCurrent();
    EXPECT_EQ(BVSystemLogsScanTask::task(f.environment())->identifier(), "BVSystemJunkScanIdentifierSystemLogsCompound");
    auto user = BVUserLogsScanTask::task(f.environment());
    std::vector<std::string> identifiers;
    for (const auto& t : user->tasks()) identifiers.push_back(t->identifier());
    EXPECT_EQ(identifiers, (std::vector<std::string>{"BVSystemJunkScanIdentifierUserLogs", "BVSystemJunkScanIdentifierSandboxLogs",
                                                     "BVSystemJunkScanIdentifierQuarantineLogs"}));
}

class BVLogRemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        paths = std::make_shared<const BVPaths>(BVLayout::linux, f.home());
        remover = std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), paths);
    }
    std::shared_ptr<BVLogModel> model(const std::string& path, uint64_t size = 1) {
        auto m = std::make_shared<BVLogModel>(std::make_shared<BVLogItem>(path, *paths, std::vector<std::string>{}), size, true);
        m->setRemover(remover);
        return m;
    }
    BVJunkFixture f;
    std::shared_ptr<const BVPaths> paths;
    BVFileRemoverPtr remover;
};

TEST_F(BVLogRemovalTest, EmptiesTextLogsInPlaceAndRemovesTheRest) {
    std::string app = f.home() + "/logs/App";
    f.file("logs/App/today.log", 30000);
    f.file("logs/App/NOTES.TXT", 30000);
    f.file("logs/App/old.log.gz", 30000);
    f.file("logs/App/crash.ips", 30000);
    f.file("logs/App/archive.log/inner", 30000);  // a folder named like a log: removed as a whole
    uint64_t freed = QLFileSizer::itemSizeAtPath(app) - BVAllocatedBytes(app);
    auto result = model(app, 150000)->remove();
    EXPECT_EQ(result->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(result->size(), freed);  // what really went, not the listed size
    struct stat st {};
    ASSERT_EQ(stat((app + "/today.log").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    ASSERT_EQ(stat((app + "/NOTES.TXT").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    for (const char* gone : {"/old.log.gz", "/crash.ips", "/archive.log"}) EXPECT_NE(lstat((app + gone).c_str(), &st), 0) << gone;
    EXPECT_EQ(stat(app.c_str(), &st), 0);  // the folder stays

    // A single file; a path that is gone counts as removed.
    std::string single = f.file("logs/single.txt", 20000);
    EXPECT_EQ(model(single)->remove()->state(), uint64_t(BVRemovalStateSucceeded));
    ASSERT_EQ(stat(single.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(model(f.home() + "/logs/never-there.log")->remove()->state(), uint64_t(BVRemovalStateSucceeded));
}

TEST_F(BVLogRemovalTest, FailuresInsideAFolderAreGatheredAndTheRestStillGoes) {
    std::string app = f.home() + "/logs/App";
    uint64_t removable = BVAllocatedBytes(f.file("logs/App/a-removable.gz", 30000));
    f.file("logs/App/locked/keep", 30000);
    f.file("logs/App/readonly.log", 30000);
    removable += BVAllocatedBytes(f.file("logs/App/z-removable.gz", 30000));
    auto fm = std::make_shared<BVFaultInjectingFileManager>();
    fm->fail(BVFaultInjectingFileManager::Operation::Remove, app + "/locked", EACCES);
    fm->fail(BVFaultInjectingFileManager::Operation::Empty, app + "/readonly.log", EACCES);
    auto logs = std::make_shared<BVLogModel>(std::make_shared<BVLogItem>(app, *paths, std::vector<std::string>{}), 120000, true, fm);
    logs->setRemover(std::make_shared<BVFileRemover>(nullptr, fm, paths));
    auto result = logs->remove();
    ASSERT_TRUE(result->error());
    EXPECT_EQ(result->error()->domain(), BVFolderModelErrorDomain);
    EXPECT_EQ(result->error()->code(), BVFolderModelErrorContents);
    const auto& errors = result->error()->userInfo().at(BVFolderContentErrorsKey).arrayValue();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0]["domain"].stringValue(), BVLogModelDomain);
    EXPECT_EQ(errors[0]["code"].int64Value(), BVLogModelErrorRemove);
    EXPECT_EQ(errors[1]["code"].int64Value(), BVLogModelErrorTruncate);
    EXPECT_EQ(result->state(), uint64_t(BVRemovalStateFailed));
    EXPECT_EQ(result->size(), removable);  // what the others gave back
    struct stat st {};
    EXPECT_NE(stat((app + "/a-removable.gz").c_str(), &st), 0);
    EXPECT_NE(stat((app + "/z-removable.gz").c_str(), &st), 0);
    EXPECT_EQ(stat((app + "/locked/keep").c_str(), &st), 0);
    ASSERT_EQ(stat((app + "/readonly.log").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 30000);
}

TEST_F(BVLogRemovalTest, SystemStoresWithoutAuthorisationFailNamingTheStore) {
    BVAgentEnvironment env;
    auto script = std::make_shared<BVScriptedAuthorization::Script>();
    auto performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
    ASSERT_TRUE(performer);
    performer->setShouldAskForAuthorization(false);  // as after a cancelled dialog
    auto item = [&](const std::string& name) { return std::make_shared<BVLogItem>(f.home() + "/" + name, *paths, std::vector<std::string>{}); };
    struct Case {
        BVEntityPtr model;
        const char* domain;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {std::make_shared<BVASLogModel>(item("asl"), 500, true, performer), BVASLogModelDomain, "ASL"},
        {std::make_shared<BVUnifiedLogModel>(item("diagnostics"), 500, true, performer), BVUnifiedLogModelDomain, "Diagnostics"},
        {std::make_shared<BVUnifiedLogModel>(item("journal"), 500, true, nullptr), BVUnifiedLogModelDomain, "Journal"},
    };
    for (const auto& c : cases) {
        auto result = c.model->remove();
        ASSERT_TRUE(result->error()) << c.shown;
        EXPECT_EQ(result->error()->domain(), c.domain);
        EXPECT_EQ(result->error()->code(), BVSystemLogErrorNotAuthorized);
        EXPECT_NE(result->error()->localizedDescription().find(c.shown), std::string::npos) << result->error()->localizedDescription();
        EXPECT_EQ(result->size(), 0u);
    }
}

TEST(BVLogModel, CannedRecordsRemoveNothing) {
    BVJunkFixture f;
    std::string file = f.file("logs/real.log", 20000);
    auto failing = BVLogModel::fromJSONDictionary(BVValue(BVDictionary{
        {"url", BVValue(file)}, {"size", BVValue(int64_t(7))}, {"autoselected", BVValue(true)}, {"removal_error", BVValue("nope")}}));
    auto passing = BVLogModel::fromJSONDictionary(BVValue(BVDictionary{{"size", BVValue(int64_t(3))}}));
    auto failed = failing->remove();
    ASSERT_TRUE(failed->error());
    EXPECT_EQ(failed->error()->domain(), "com.json.removalerror");
    EXPECT_EQ(failed->error()->localizedDescription(), "nope");
    EXPECT_TRUE(failing->autoselected());
    EXPECT_EQ(passing->remove()->state(), uint64_t(BVRemovalStateSucceeded));
    EXPECT_EQ(BVAllocatedBytes(file) >= 20000, true);  // untouched
}

TEST_F(BVLogRemovalTest, SystemStoresGoThroughTheAgentAndCarryItsError) {
    // The agent runs on this host's linux layout with a fixture root: it has no Apple System Log
    // store, and it vacuums the journal only on the live system. Both requests reach it and fail
    // with its own error, which the models report under their domains, code 101.
    BVAgentEnvironment env;
    env.install(::getuid());
    env.startInstalledAgent();
    auto script = std::make_shared<BVScriptedAuthorization::Script>();
    auto performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
    ASSERT_TRUE(performer && performer->isAuthorized());
    auto item = std::make_shared<BVLogItem>(f.home() + "/store", *paths, std::vector<std::string>{});
    const std::vector<std::pair<BVEntityPtr, const char*>> cases = {
        {std::make_shared<BVASLogModel>(item, 500, true, performer), BVASLogModelDomain},
        {std::make_shared<BVUnifiedLogModel>(item, 500, true, performer), BVUnifiedLogModelDomain},
    };
    for (const auto& [model, domain] : cases) {
        auto result = model->remove();
        ASSERT_TRUE(result->error()) << domain;
        EXPECT_EQ(result->error()->domain(), domain);
        EXPECT_EQ(result->error()->code(), BVSystemLogErrorAgentFailed);
        EXPECT_FALSE(result->error()->localizedDescription().empty());
        EXPECT_EQ(result->size(), 0u);
    }
}
