// The real agent process on a socket in a temporary folder, spoken to line by line.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "Foundation/BVJSONCodec.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"
#include "tests/PrivilegedOperationsPerformer/BVAgentTestSupport.h"
#include "tests/fixtures/BVDiskSnapshot.h"

namespace {

class BVAgentServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.install(::getuid());
        env.startInstalledAgent();
    }

    // Sends one request and answers the decoded message that answers it.
    BVValue ask(BVRawAgentClient& client, const std::string& line) {
        EXPECT_TRUE(client.send(line));
        auto answer = client.readLine();
        EXPECT_TRUE(answer) << "no answer to " << line.substr(0, 80);
        return answer ? BVJSONCodec::decode(*answer).value_or(BVValue()) : BVValue();
    }
    BVValue request(const std::string& name, const BVArray& arguments) {
        BVRawAgentClient client(env.configuration().socketPath());
        std::string line = BVAgentProtocol::encodeRequest({1, name, arguments, false});
        line.pop_back();  // `send` ends the line
        return ask(client, line);
    }

    BVAgentEnvironment env;
};

int64_t errorCode(const BVValue& reply, size_t slot = 1) { return reply["reply"].arrayValue().at(slot)["code"].int64Value(); }

}  // namespace

TEST_F(BVAgentServerTest, MalformedLinesGetFailuresAndTheAgentGoesOn) {
    BVRawAgentClient client(env.configuration().socketPath());
    for (const std::string& line : std::vector<std::string>{"garbage", "{}", R"({"id":3,"request":"nope","arguments":[]})",
                                   R"({"id":4,"request":"echo:withReply:","arguments":[1]})",
                                   std::string(3000, '[') + std::string(3000, ']')}) {
        BVValue answer = ask(client, line);
        EXPECT_EQ(answer["failure"]["code"].int64Value(), BVPrivilegedAgentErrorMalformedMessage) << line.substr(0, 40);
    }
    BVValue echo = ask(client, R"({"id":9,"request":"echo:withReply:","arguments":["still here"]})");
    EXPECT_EQ(echo["reply"].arrayValue().at(0).stringValue(), "still here");

    // A line past the bound ends that connection, not the agent.
    EXPECT_TRUE(client.send(std::string(BVAgentProtocol::kMaximumMessageBytes + 10, 'x')));
    auto tooLarge = client.readLine();
    ASSERT_TRUE(tooLarge);
    EXPECT_EQ(BVJSONCodec::decode(*tooLarge)->operator[]("failure")["code"].int64Value(), BVPrivilegedAgentErrorMessageTooLarge);
    EXPECT_FALSE(client.readLine(5));
    EXPECT_EQ(request("echo:withReply:", {BVValue("again")})["reply"].arrayValue().at(0).stringValue(), "again");
}

TEST_F(BVAgentServerTest, AConnectionFromAnotherUserIsRefused) {
    if (::getuid() != 0) GTEST_SKIP() << "dropping to another uid needs root";
    ::chmod(env.folder().path().c_str(), 0755);
    ::chmod((env.folder() / "run").c_str(), 0755);
    const std::string socketPath = env.configuration().socketPath();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        BVRawAgentClient client(socketPath);
        if (!client.isConnected()) ::_exit(4);
        client.send(R"({"id":1,"request":"echo:withReply:","arguments":["let me in"]})");
        auto answer = client.readLine(5);
        // Refused: a "not permitted" failure or an ended connection, never a reply.
        if (!answer) ::_exit(0);
        if (answer->find("\"reply\"") != std::string::npos) ::_exit(1);
        ::_exit(answer->find("\"code\":3") != std::string::npos ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(request("echo:withReply:", {BVValue("me")})["reply"].arrayValue().at(0).stringValue(), "me");
}

TEST_F(BVAgentServerTest, PathsAreCanonicalisedAndProtectedFoldersRefused) {
    const auto& f = env.folder();
    std::string target = f.fileWithText("root/data/target.txt", "keep me");
    std::string link = f.symlink("root/data/link", target);
    f.folder("root/real/inner");
    std::string viaLink = f.symlink("root/alias", f / "root/real");

    EXPECT_TRUE(request("removeItemAtPath:withReply:", {BVValue(link)})["reply"].arrayValue().at(0).boolValue());
    EXPECT_EQ(BVReadText(target), "keep me");  // the link went, not what it points to
    EXPECT_TRUE(request("removeItemAtPath:withReply:", {BVValue(viaLink + "/inner")})["reply"].arrayValue().at(0).boolValue());
    EXPECT_FALSE(std::ifstream(f / "root/real/inner").good());

    for (const std::string& refused : std::vector<std::string>{env.rootPath("usr"), env.rootPath("var/log"), f / "home", f.path(), std::string("/"),
                                      std::string("/usr"), f / "root/data/..", std::string("relative/path")}) {
        BVValue reply = request("removeItemAtPath:withReply:", {BVValue(refused)});
        EXPECT_FALSE(reply["reply"].arrayValue().at(0).boolValue()) << refused;
        EXPECT_EQ(errorCode(reply), BVPrivilegedAgentErrorPathRefused) << refused;
    }
    EXPECT_TRUE(std::ifstream(target).good());
    // Reading a protected folder is fine: the log scanner sizes /var/log.
    EXPECT_EQ(request("fileExistsAtPath:withReply:", {BVValue(env.rootPath("var/log"))})["reply"].arrayValue().at(0), BVValue(true));
}

TEST_F(BVAgentServerTest, AFolderSwappedForALinkAfterTheCheckFailsTheRequest) {
    // The agent checks a path's canonical parent against the protected folders, then acts in
    // it. A racing thread exchanges the checked folder with a link to the root prefix, whose
    // "usr" is protected: the request may fail, but the protected folder must never go.
    const auto& f = env.folder();
    f.file("root/usr/lib/libc.so", 4000);
    const BVDiskSnapshot usr = BVSnapshot(env.rootPath("usr"));
    const std::string swap = f / "root/data/swap", link = f / "root/data/swap-link";
    f.symlink("root/data/swap-link", env.rootPath(""));
    for (int round = 0; round < 30; ++round) {
        f.folder("root/data/swap/usr");  // the unprotected folder the request names
        std::atomic<bool> stop{false};
        std::thread racer([&] {
            while (!stop.load()) ::renameat2(AT_FDCWD, swap.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
        });
        for (int i = 0; i < 4; ++i) request("removeItemAtPath:withReply:", {BVValue(swap + "/usr")});
        stop = true;
        racer.join();
        struct stat st {};
        if (::lstat(swap.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {  // put them back in place
            ASSERT_EQ(::renameat2(AT_FDCWD, swap.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE), 0);
        }
        ASSERT_EQ(BVSnapshot(env.rootPath("usr")), usr) << "round " << round;
    }
}

TEST_F(BVAgentServerTest, FileRequestsNeverFollowLinksNorReplaceNorTouchOtherNames) {
    const auto& f = env.folder();
    std::string target = f.fileWithText("root/data/big.log", "0123456789");
    std::string link = f.symlink("root/data/link.log", target);
    BVValue truncateLink = request("truncateFileAtPath:withReply:", {BVValue(link)});
    EXPECT_FALSE(truncateLink["reply"].arrayValue().at(0).boolValue());
    EXPECT_EQ(BVReadText(target), "0123456789");
    EXPECT_TRUE(request("truncateFileAtPath:withReply:", {BVValue(target)})["reply"].arrayValue().at(0).boolValue());
    EXPECT_EQ(BVReadText(target), "");

    std::string other = f.fileWithText("root/data/other", "other");
    BVValue replace = request("moveItemAtPath:toPath:withReply:", {BVValue(other), BVValue(target)});
    EXPECT_FALSE(replace["reply"].arrayValue().at(0).boolValue());
    EXPECT_EQ(BVReadText(other), "other");

    // Secure removal overwrites a file, but not one whose data another name still holds.
    std::string shared = f.fileWithText("root/data/shared", "precious");
    ASSERT_EQ(::link(shared.c_str(), (f / "root/elsewhere").c_str()), 0);
    EXPECT_TRUE(request("securelyRemoveItemAtPath:withReply:", {BVValue(shared)})["reply"].arrayValue().at(0).boolValue());
    EXPECT_EQ(BVReadText(f / "root/elsewhere"), "precious");

    EXPECT_TRUE(request("moveToTrashItemAtPath:withReply:", {BVValue(other)})["reply"].arrayValue().at(0).boolValue());
    EXPECT_EQ(BVReadText(f / "home/.local/share/Trash/files/other"), "other");
}

TEST_F(BVAgentServerTest, PleaseTerminateEndsTheAgent) {
    BVRawAgentClient client(env.configuration().socketPath());
    EXPECT_TRUE(client.send(R"({"id":1,"request":"pleaseTerminate","arguments":[]})"));
    EXPECT_EQ(env.waitForExit(10), 0);
}
