#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

#include <gtest/gtest.h>

using namespace BVAgentProtocol;

TEST(BVAgentProtocol, RequestsRoundTripAndEveryFailureReplyHasItsShape) {
    for (const auto& shape : allRequests()) {
        BVArray arguments;
        for (Kind k : shape.arguments)
            arguments.push_back(k == Kind::Text ? BVValue("/tmp/é x") : BVValue(BVArray{BVValue("x86_64")}));
        std::string line = encodeRequest(Request{7, shape.name, arguments, true});
        ASSERT_EQ(line.back(), '\n');
        BVError error;
        auto decoded = decodeRequest(line.substr(0, line.size() - 1), &error, nullptr);
        ASSERT_TRUE(decoded) << shape.name << ": " << error.localizedDescription();
        EXPECT_EQ(decoded->name, shape.name);
        EXPECT_EQ(decoded->arguments, arguments);
        EXPECT_TRUE(decoded->wantsOutput);
        EXPECT_TRUE(matchesKinds(failureReply(shape, makeError(5, "no")), shape.reply, false)) << shape.name;
    }
}

TEST(BVAgentProtocol, MalformedRequestsAreRefusedWithTheirIdentifierWhenKnown) {
    struct Case {
        std::string line;
        int64_t code;
        std::optional<uint64_t> identifier;
    };
    const std::string deep = std::string(5000, '[') + std::string(5000, ']');
    const std::vector<Case> cases = {
        {"", BVPrivilegedAgentErrorMalformedMessage, std::nullopt},
        {"garbage", BVPrivilegedAgentErrorMalformedMessage, std::nullopt},
        {"[1,2]", BVPrivilegedAgentErrorMalformedMessage, std::nullopt},
        {deep, BVPrivilegedAgentErrorMalformedMessage, std::nullopt},
        {R"({"request":"echo:withReply:","arguments":["a"]})", BVPrivilegedAgentErrorMalformedMessage, std::nullopt},
        {R"({"id":-4,"request":"echo:withReply:","arguments":["a"]})", BVPrivilegedAgentErrorMalformedMessage, std::nullopt},
        {R"({"id":1.5,"request":"echo:withReply:","arguments":["a"]})", BVPrivilegedAgentErrorMalformedMessage, std::nullopt},
        {R"({"id":3,"request":"rm -rf /","arguments":[]})", BVPrivilegedAgentErrorMalformedMessage, 3},
        {R"({"id":3,"request":7,"arguments":[]})", BVPrivilegedAgentErrorMalformedMessage, 3},
        {R"({"id":4,"request":"echo:withReply:"})", BVPrivilegedAgentErrorMalformedMessage, 4},
        {R"({"id":5,"request":"echo:withReply:","arguments":[]})", BVPrivilegedAgentErrorMalformedMessage, 5},
        {R"({"id":6,"request":"echo:withReply:","arguments":[1]})", BVPrivilegedAgentErrorMalformedMessage, 6},
        {R"({"id":7,"request":"removeItemAtPath:withReply:","arguments":["/a\u0000/b"]})", BVPrivilegedAgentErrorMalformedMessage, 7},
        {R"({"id":8,"request":"removeItemAtPath:withReply:","arguments":["/a","/b"]})", BVPrivilegedAgentErrorMalformedMessage, 8},
        {R"({"id":9,"request":"slimBinaryWithPath:archs:withReply:","arguments":["/a",[1]]})", BVPrivilegedAgentErrorMalformedMessage, 9},
        {R"({"id":10,"request":"echo:withReply:","arguments":["a"],"progress":"yes"})", BVPrivilegedAgentErrorMalformedMessage, 10},
        {R"({"id":11,"request":"removeItemAtPath:withReply:","arguments":[")" + std::string(5000, 'a') + "\"]}",
         BVPrivilegedAgentErrorMalformedMessage, 11},
        {"{\"id\":12,\"request\":\"echo:withReply:\",\"arguments\":[\"" + std::string(kMaximumMessageBytes, 'a') + "\"]}",
         BVPrivilegedAgentErrorMessageTooLarge, std::nullopt},
    };
    for (const auto& c : cases) {
        BVError error;
        std::optional<uint64_t> identifier;
        EXPECT_FALSE(decodeRequest(c.line, &error, &identifier)) << c.line.substr(0, 80);
        EXPECT_EQ(error.domain(), BVPrivilegedAgentErrorDomain) << c.line.substr(0, 80);
        EXPECT_EQ(error.code(), c.code) << c.line.substr(0, 80);
        EXPECT_EQ(identifier, c.identifier) << c.line.substr(0, 80);
    }
}

TEST(BVAgentProtocol, AgentMessagesAreReadOrRefused) {
    BVError error;
    auto reply = decodeAgentMessage(R"({"id":2,"reply":[true,null]})", &error);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->type, AgentMessage::Type::Reply);
    EXPECT_EQ(reply->identifier, 2u);
    auto output = decodeAgentMessage(R"({"id":2,"output":"line\n"})", &error);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->output, "line\n");
    auto failure = decodeAgentMessage(encodeFailure(std::nullopt, makeError(3, "no")), &error);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->type, AgentMessage::Type::Failure);
    EXPECT_FALSE(failure->identifier);
    EXPECT_EQ(failure->error.code(), 3);
    for (const char* bad : {"", "{}", R"({"reply":[true]})", R"({"id":1,"output":3})", R"({"id":1,"failure":{"code":1}})",
                            R"({"id":"x","failure":{"domain":"d","code":1}})", R"({"id":1,"reply":{}})"})
        EXPECT_FALSE(decodeAgentMessage(bad, &error)) << bad;
}

TEST(BVAgentProtocol, RepliesOfTheWrongKindsDoNotMatchTheirShape) {
    const auto* remove = requestNamed("removeItemAtPath:withReply:");
    ASSERT_TRUE(remove);
    EXPECT_TRUE(matchesKinds({BVValue(true), BVValue()}, remove->reply, false));
    EXPECT_FALSE(matchesKinds({BVValue(1), BVValue()}, remove->reply, false));
    EXPECT_FALSE(matchesKinds({BVValue(true), BVValue("error")}, remove->reply, false));
    EXPECT_FALSE(matchesKinds({BVValue(true)}, remove->reply, false));
    const auto* repair = requestNamed("repairPermissionsWithReply:");
    EXPECT_FALSE(matchesKinds({BVValue(true), BVValue(int64_t(1) << 40), BVValue("")}, repair->reply, false));
}

TEST(BVAgentProtocol, UTF8Validation) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"plain", true},         {"caf\xc3\xa9", true},      {"\xf0\x9f\x98\x80", true}, {"\xc3", false},
        {"\xc0\xaf", false},     {"\xed\xa0\x80", false},    {"\xf4\x90\x80\x80", false}, {"\xff", false},
        {"a\xe2\x82", false},    {"\xe2\x82\xac", true},
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(isValidUTF8(text), valid) << text;
}
