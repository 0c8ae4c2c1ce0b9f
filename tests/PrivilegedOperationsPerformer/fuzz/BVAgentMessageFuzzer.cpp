// libFuzzer target for the two message decoders the agent and the performer run on untrusted
// lines. Every decoded request must survive its round trip and every decoded agent message must
// be one of the three kinds; nothing may throw or crash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace BVAgentProtocol;
    const std::string line(reinterpret_cast<const char*>(data), size);
    BVError error;
    std::optional<uint64_t> identifier;
    if (auto request = decodeRequest(line, &error, &identifier)) {
        const RequestShape* shape = requestNamed(request->name);
        if (!shape || !matchesKinds(request->arguments, shape->arguments, true)) std::abort();
        std::string again = encodeRequest(*request);
        auto decoded = decodeRequest(again.substr(0, again.size() - 1), &error, nullptr);
        if (!decoded || decoded->arguments != request->arguments || decoded->identifier != request->identifier) std::abort();
        (void)failureReply(*shape, makeError(1, "x"));
    } else if (error.domain() != BVPrivilegedAgentErrorDomain) {
        std::abort();
    }
    if (auto message = decodeAgentMessage(line, &error)) {
        if (message->type != AgentMessage::Type::Failure && !message->identifier) std::abort();
        (void)encodeFailure(message->identifier, message->error);
    }
    (void)isValidUTF8(line);
    return 0;
}
