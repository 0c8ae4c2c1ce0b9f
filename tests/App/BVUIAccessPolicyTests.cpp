// Who may talk to the review window's server: this run's token (query once, then the cookie),
// this server's Host, and for POST this server's Origin; everything else is refused.
#include <gtest/gtest.h>

#include "App/UI/BVUIAccessPolicy.h"

TEST(BVUIAccessPolicy, OnlyThisServersPagesWithTheTokenGetIn) {
    const std::string token(64, 'a');
    const std::string other(64, 'b');
    BVUIAccessPolicy policy(token, 8123);
    const std::string host = "127.0.0.1:8123";
    const std::string cookie = "brenvik_token=" + token;
    struct Case {
        const char* what;
        BVUIRequestFacts request;
        bool allowed;
        bool setCookie;
    } cases[] = {
        {"first load with the token", {"GET", host, std::nullopt, "", token}, true, true},
        {"later loads by the cookie", {"GET", host, std::nullopt, "theme=dark; " + cookie + "; x=1", std::nullopt}, true, false},
        {"cookie and query", {"GET", host, std::nullopt, cookie, token}, true, false},
        {"no token", {"GET", host, std::nullopt, "", std::nullopt}, false, false},
        {"a wrong token", {"GET", host, std::nullopt, "", other}, false, false},
        {"a wrong cookie", {"GET", host, std::nullopt, "brenvik_token=" + other, std::nullopt}, false, false},
        {"a cookie of another name", {"GET", host, std::nullopt, "xbrenvik_token=" + token, std::nullopt}, false, false},
        {"a shorter token", {"GET", host, std::nullopt, "", token.substr(1)}, false, false},
        {"a rebinding name", {"GET", "evil.example:8123", std::nullopt, cookie, std::nullopt}, false, false},
        {"localhost", {"GET", "localhost:8123", std::nullopt, cookie, std::nullopt}, false, false},
        {"another port", {"GET", "127.0.0.1:8124", std::nullopt, cookie, std::nullopt}, false, false},
        {"no Host", {"GET", "", std::nullopt, cookie, std::nullopt}, false, false},
        {"POST from its pages", {"POST", host, "http://127.0.0.1:8123", cookie, std::nullopt}, true, false},
        {"POST without Origin", {"POST", host, std::nullopt, cookie, std::nullopt}, false, false},
        {"POST from a foreign page", {"POST", host, "http://evil.example", cookie, std::nullopt}, false, false},
        {"POST from a null origin", {"POST", host, "null", cookie, std::nullopt}, false, false},
        {"PUT", {"PUT", host, "http://127.0.0.1:8123", cookie, std::nullopt}, false, false},
        {"DELETE", {"DELETE", host, "http://127.0.0.1:8123", cookie, std::nullopt}, false, false},
    };
    for (const auto& c : cases) {
        auto decision = policy.decide(c.request);
        EXPECT_EQ(decision.allowed, c.allowed) << c.what << ": " << decision.reason;
        EXPECT_EQ(decision.setCookie, c.setCookie) << c.what;
    }
    EXPECT_EQ(policy.cookie(), cookie + "; Path=/; HttpOnly; SameSite=Strict");
}

TEST(BVUIAccessPolicy, TokensAreLongAndFresh) {
    auto a = BVUIAccessPolicy::makeToken();
    auto b = BVUIAccessPolicy::makeToken();
    EXPECT_EQ(a.size(), 64u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(a, b);
    EXPECT_THROW(BVUIAccessPolicy("short", 1), std::invalid_argument);
}
