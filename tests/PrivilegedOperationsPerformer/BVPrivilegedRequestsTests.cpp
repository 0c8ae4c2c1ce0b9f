// Every request a caller sends, through the performer's proxies to the real agent.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <mutex>

#include <gtest/gtest.h>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVExecutor.h"
#include "Foundation/QLFileSizer.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"

namespace {

struct Outcome {
    bool ok = false;
    BVOptionalError error;
};

class OutputCollector final : public BVPrivilegedOperationProgress {
public:
    void receiveNewOutput(const std::string& output) override {
        std::lock_guard lock(mutex_);
        text_ += output;
    }
    std::string text() {
        std::lock_guard lock(mutex_);
        return text_;
    }

private:
    std::mutex mutex_;
    std::string text_;
};

class BVPrivilegedRequestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.install(::getuid());
        env.startInstalledAgent();
        performer = BVPrivilegedOperationsPerformer::create(BVScriptedAuthorization::factory(script), env.configuration());
        ASSERT_TRUE(performer && performer->isAuthorized());
    }
    // Sends one [ok, error] request on a new proxy and waits for its reply.
    Outcome send(const std::function<void(BVPrivilegedOperation&, BVPrivilegedReply)>& request,
                 BVPrivilegedOperationProgressPtr exported = nullptr) {
        auto proxy = performer->remoteObjectProxyWithExportedObject(std::move(exported));
        return runSync<Outcome>([&](std::function<void(Outcome)> done) {
            request(*proxy, [done](bool ok, BVOptionalError e) { done(Outcome{ok, e}); });
        });
    }

    BVAgentEnvironment env;
    std::shared_ptr<BVScriptedAuthorization::Script> script = std::make_shared<BVScriptedAuthorization::Script>();
    BVPrivilegedOperationsPerformerPtr performer;
};

int64_t codeOf(const Outcome& o) { return o.error ? o.error->code() : 0; }

}  // namespace

TEST_F(BVPrivilegedRequestsTest, TheRemoversRequestsAndSizing) {
    const auto& f = env.folder();
    std::string plain = f.file("root/var/log/app/plain.bin", 5000);
    std::string secret = f.file("root/var/log/app/secret.bin", 3000);
    std::string log = f.file("root/var/log/app/system.log", 2000);

    EXPECT_TRUE(send([&](auto& a, auto r) { a.fileExistsAtPath(plain, r); }).ok);
    EXPECT_EQ(performer->fileSizeAtURL(f / "root/var/log/app", nullptr), QLFileSizer::itemSizeAtPath(f / "root/var/log/app"));
    EXPECT_TRUE(send([&](auto& a, auto r) { a.removeItemAtPath(plain, r); }).ok);
    EXPECT_FALSE(send([&](auto& a, auto r) { a.fileExistsAtPath(plain, r); }).ok);
    EXPECT_TRUE(send([&](auto& a, auto r) { a.securelyRemoveItemAtPath(secret, r); }).ok);
    EXPECT_TRUE(send([&](auto& a, auto r) { a.truncateFileAtPath(log, r); }).ok);
    EXPECT_EQ(BVReadText(log), "");

    Outcome missing = send([&](auto& a, auto r) { a.removeItemAtPath(plain, r); });
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error->domain(), BVPOSIXErrorDomain);
    EXPECT_NE(missing.error->localizedDescription().find(plain), std::string::npos);  // the remover shows it as is

    auto cancelled = BVComputableProgress::create();
    cancelled->cancel();
    EXPECT_EQ(performer->fileSizeAtURL(log, cancelled), 0u);
}

TEST_F(BVPrivilegedRequestsTest, LaunchAgentWrappers) {
    std::string job = env.folder().fileWithText("root/etc/systemd/system/com.example.job.service", "[Service]\nExecStart=/bin/true\n");
    std::string own = env.folder().fileWithText("home/.config/systemd/user/mine.service", "[Service]\nExecStart=/bin/true\n");
    BVError error;
    EXPECT_FALSE(performer->enableLaunchAgentAtURL(job, "Enable it", &error));
    EXPECT_EQ(error.code(), BVPrivilegedAgentErrorUnsupported);  // no service manager loads it here
    EXPECT_FALSE(performer->disableLaunchAgentAtURL(job, std::nullopt, &error));
    EXPECT_EQ(error.code(), BVPrivilegedAgentErrorUnsupported);
    EXPECT_TRUE(performer->removeLaunchAgentAtURL(job, std::nullopt, &error));
    EXPECT_FALSE(std::ifstream(job).good());
    EXPECT_TRUE(performer->removeLaunchAgentAtURL(own, std::nullopt, &error));
    EXPECT_FALSE(std::ifstream(own).good());

    // Nothing but a unit file in a unit folder: not a text file, not a unit anywhere else, not a
    // property list on this layout, not a unit reached through a folder link.
    env.folder().symlink("root/etc/systemd/linked", env.folder() / "root/opt");
    const std::vector<std::string> refused = {
        env.folder().fileWithText("root/data/notes.txt", "x"),
        env.folder().fileWithText("root/opt/evil.service", "[Service]\nExecStart=/bin/true\n"),
        env.folder().fileWithText("root/etc/systemd/system/job.plist", "<plist/>"),
        env.folder().fileWithText("root/etc/systemd/system/sub/nested.service", "[Service]\n"),
        env.folder() / "root/etc/systemd/linked/evil.service",
    };
    for (const auto& path : refused) {
        EXPECT_FALSE(performer->removeLaunchAgentAtURL(path, std::nullopt, &error)) << path;
        EXPECT_EQ(error.code(), BVPrivilegedAgentErrorPathRefused) << path;
        EXPECT_FALSE(performer->enableLaunchAgentAtURL(path, std::nullopt, &error)) << path;
        EXPECT_EQ(error.code(), BVPrivilegedAgentErrorPathRefused) << path;
    }
    EXPECT_TRUE(std::ifstream(env.folder() / "root/opt/evil.service").good());
    EXPECT_TRUE(std::ifstream(env.folder() / "root/data/notes.txt").good());
}

TEST_F(BVPrivilegedRequestsTest, RequestsThisHostCannotPerformAnswerAnErrorNeverASuccess) {
    using Request = std::function<void(BVPrivilegedOperation&, BVPrivilegedReply)>;
    const std::vector<std::pair<const char*, Request>> requests = {
        {"removeASL", [](auto& a, auto r) { a.removeASLWithReply(r); }},
        {"flushDNS", [](auto& a, auto r) { a.flushDNSWithReply(r); }},
        {"startSpotlightReindex", [](auto& a, auto r) { a.startSpotlightReindexWithReply(r); }},
        {"runPeriodicScript weekly", [](auto& a, auto r) { a.runPeriodicScript("weekly", r); }},
        {"removePackageWithID", [](auto& a, auto r) { a.removePackageWithID("com.example.pkg", r); }},
        {"removeKextAtPath", [](auto& a, auto r) { a.removeKextAtPath("/Library/Extensions/x.kext", r); }},
        {"slimBinaryWithPath", [](auto& a, auto r) { a.slimBinaryWithPath("/usr/bin/true", {"arm64"}, r); }},
        {"removeSMLoginItem", [](auto& a, auto r) { a.removeSMLoginItem("com.example.helper", r); }},
        {"startStartupItem", [](auto& a, auto r) { a.startStartupItem("Item", r); }},
        {"stopStartupItem", [](auto& a, auto r) { a.stopStartupItem("Item", r); }},
        {"removeLibraryFromLauchdConf", [](auto& a, auto r) { a.removeLibraryFromLauchdConf("/x.dylib", r); }},
    };
    for (const auto& [name, request] : requests) {
        Outcome o = send(request);
        EXPECT_FALSE(o.ok) << name;
        EXPECT_EQ(codeOf(o), BVPrivilegedAgentErrorUnsupported) << name;
        EXPECT_FALSE(o.error && o.error->localizedDescription().empty()) << name;
    }
    EXPECT_EQ(codeOf(send([](auto& a, auto r) { a.runPeriodicScript("../../bin/sh", r); })), BVPrivilegedAgentErrorMalformedMessage);

    auto proxy = performer->remoteObjectProxy();
    struct Diagnostics {
        int64_t freed;
        BVOptionalError error;
    };
    Diagnostics d = runSync<Diagnostics>([&](std::function<void(Diagnostics)> done) {
        proxy->removeDiagnosticLogsWithReply(
            [done](std::string, int64_t freed, std::string, BVOptionalError e) { done(Diagnostics{freed, e}); });
    });
    EXPECT_EQ(d.freed, 0);
    ASSERT_TRUE(d.error);
    EXPECT_EQ(d.error->code(), BVPrivilegedAgentErrorUnsupported);
    struct Repair {
        bool ok;
        int32_t code;
        std::string text;
    };
    Repair repair = runSync<Repair>([&](std::function<void(Repair)> done) {
        proxy->repairPermissionsWithReply([done](bool ok, int32_t code, std::string text) { done(Repair{ok, code, text}); });
    });
    EXPECT_FALSE(repair.ok);
    EXPECT_EQ(repair.code, BVPrivilegedAgentErrorUnsupported);
    EXPECT_FALSE(repair.text.empty());
}

TEST_F(BVPrivilegedRequestsTest, PeriodicScriptsStreamTheirOutputAndPleaseTerminateStopsThem) {
    const auto& f = env.folder();
    f.fileWithText("root/etc/cron.daily/hello", "#!/bin/sh\necho hello from daily\n");
    ::chmod((f / "root/etc/cron.daily/hello").c_str(), 0755);
    auto output = std::make_shared<OutputCollector>();
    EXPECT_TRUE(send([](auto& a, auto r) { a.runPeriodicScript("daily", r); }, output).ok);
    EXPECT_NE(output->text().find("hello from daily"), std::string::npos);

    // A cancelled maintenance task sends pleaseTerminate on the same proxy while it waits.
    f.fileWithText("root/etc/cron.monthly/slow", "#!/bin/sh\nexec sleep 30\n");
    ::chmod((f / "root/etc/cron.monthly/slow").c_str(), 0755);
    auto proxy = performer->remoteObjectProxyWithExportedObject(output);
    auto began = std::chrono::steady_clock::now();
    Outcome slow = runSync<Outcome>([&](std::function<void(Outcome)> done) {
        proxy->runPeriodicScript("monthly", [done](bool ok, BVOptionalError e) { done(Outcome{ok, e}); });
        proxy->pleaseTerminate();
    });
    EXPECT_FALSE(slow.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
    EXPECT_EQ(env.waitForExit(10), 0);
}
