// Running tools: output capture, status, limits, cancellation and launch failures.
#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVProcess.h"

using namespace std::chrono_literals;

TEST(BVProcess, CapturesOutputAndReportsTheProcessIdentifier) {
    BVProcess p("/bin/sh", {"-c", "echo out; echo err >&2; cat"});
    p.setStandardInput("from stdin\n");
    pid_t launched = 0;
    p.onLaunch([&](pid_t pid) { launched = pid; });
    std::string out;
    EXPECT_FALSE(p.executeWithProgress(nullptr, BVStandardOutput{&out}));
    EXPECT_EQ(out, "out\nfrom stdin\n");
    EXPECT_EQ(p.outcome().standardError, "err\n");
    EXPECT_GT(launched, 0);
    EXPECT_EQ(p.actualID(), launched);

    std::string big;
    BVProcess large("/bin/sh", {"-c", "head -c 1000000 /dev/zero"});
    EXPECT_FALSE(large.executeWithProgress(nullptr, BVStandardOutput{&big}));
    EXPECT_EQ(big.size(), 1000000u);  // more than a pipe holds
}

TEST(BVProcess, MapsFailuresToProcessErrors) {
    struct Case {
        const char* name;
        std::string executable;
        std::vector<std::string> arguments;
        double timeout;
        int64_t code;
    };
    const std::vector<Case> cases = {
        {"non-zero status", "/bin/sh", {"-c", "exit 3"}, 0, BVProcessErrorUnsuccessfulTermination},
        {"killed by a signal", "/bin/sh", {"-c", "kill -9 $$"}, 0, BVProcessErrorUnsuccessfulTermination},
        {"missing tool", "/nonexistent/tool", {}, 0, BVProcessErrorLaunchFailed},
        {"time-out", "/bin/sleep", {"10"}, 0.2, BVProcessErrorTimedOut},
    };
    for (const auto& c : cases) {
        BVProcess p(c.executable, c.arguments);
        p.setTimeout(c.timeout);
        auto start = std::chrono::steady_clock::now();
        auto error = p.executeWithProgress(nullptr);
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->domain(), BVProcessErrorDomain) << c.name;
        EXPECT_EQ(error->code(), c.code) << c.name << ": " << error->localizedDescription();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << c.name;
    }
}

TEST(BVProcess, CancellingTheProgressEndsTheTool) {
    auto progress = BVComputableProgress::create();
    BVProcess p("/bin/sleep", {"30"});
    std::thread canceller([&] {
        std::this_thread::sleep_for(100ms);
        progress->cancel();
    });
    auto start = std::chrono::steady_clock::now();
    auto error = p.executeWithProgress(progress);
    canceller.join();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), BVProcessErrorCancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(p.outcome().terminatingSignal, SIGTERM);
}
