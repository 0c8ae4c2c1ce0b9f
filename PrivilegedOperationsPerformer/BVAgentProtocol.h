// BVAgentProtocol: the messages between the performer and the privileged agent, one JSON
// object per line over a Unix domain socket (Agent/PROTOCOL.md describes them), and the table
// of requests with the kinds of their arguments and replies.
//
// Both decoders take untrusted text: they bound its size, check every field's kind against the
// table and answer an error instead of throwing. Texts that carry a path or a name are at most
// kMaximumTextBytes, valid UTF-8 and free of NUL bytes, so what the agent acts on is exactly
// what the client sent. Stateless; safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"

inline constexpr const char* BVPrivilegedAgentLabel = "com.quillon.Brenvik4.Agent";
inline constexpr const char* BVPrivilegedAgentErrorDomain = "BVPrivilegedAgentErrorDomain";

enum BVPrivilegedAgentErrorCode : int64_t {
    BVPrivilegedAgentErrorMalformedMessage = 1,   // not a request of the table, or wrong arguments
    BVPrivilegedAgentErrorMessageTooLarge = 2,
    BVPrivilegedAgentErrorNotPermitted = 3,       // the peer is not the user the agent serves
    BVPrivilegedAgentErrorPathRefused = 4,        // not absolute, or a protected folder
    BVPrivilegedAgentErrorUnsupported = 5,        // this host cannot perform the request
    BVPrivilegedAgentErrorToolFailed = 6,         // a system tool the request runs failed
    BVPrivilegedAgentErrorBusy = 7,               // too many connections or requests at once
    BVPrivilegedAgentErrorConnection = 8,         // the client lost its connection to the agent
};

namespace BVAgentProtocol {

inline constexpr size_t kMaximumMessageBytes = 64 * 1024;
inline constexpr size_t kMaximumTextBytes = 4096;
inline constexpr size_t kMaximumListCount = 64;

enum class Kind { Text, TextList, Bool, Int32, Int64, Error };

struct RequestShape {
    std::string name;
    std::vector<Kind> arguments;
    std::vector<Kind> reply;  // empty: the request has no reply
};

const std::vector<RequestShape>& allRequests();
const RequestShape* requestNamed(const std::string& name);
// The reply a failed request gets: false, 0 and empty texts, and `error` where the shape has
// an error (a reply without an error slot gets the error's description as its text).
BVArray failureReply(const RequestShape& shape, const BVError& error);
// True when `values` has the kinds of `kinds`, element by element.
bool matchesKinds(const BVArray& values, const std::vector<Kind>& kinds, bool strictTexts);
bool isValidUTF8(const std::string& text);

BVValue encodeError(const BVError& error);
std::optional<BVError> decodeError(const BVValue& value);
BVError makeError(int64_t code, const std::string& description);

struct Request {
    uint64_t identifier = 0;
    std::string name;
    BVArray arguments;
    bool wantsOutput = false;  // the client exported a BVPrivilegedOperationProgress
};

struct AgentMessage {
    enum class Type { Reply, Output, Failure } type = Type::Failure;
    std::optional<uint64_t> identifier;  // none for a failure that names no request
    BVArray reply;
    std::string output;
    BVError error;
};

// Each encoder answers one line, newline included.
std::string encodeRequest(const Request& request);
std::string encodeReply(uint64_t identifier, const BVArray& reply);
std::string encodeOutput(uint64_t identifier, const std::string& output);
std::string encodeFailure(std::optional<uint64_t> identifier, const BVError& error);

// `line` without its newline. On failure `error` says why and `identifier` holds the request's
// identifier when one could be read, so the failure can name the request.
std::optional<Request> decodeRequest(const std::string& line, BVError* error, std::optional<uint64_t>* identifier);
std::optional<AgentMessage> decodeAgentMessage(const std::string& line, BVError* error);

}  // namespace BVAgentProtocol
