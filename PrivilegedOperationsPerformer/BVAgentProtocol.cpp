#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

#include <cstdint>

#include "Foundation/BVJSONCodec.h"

namespace BVAgentProtocol {

namespace {

using K = Kind;

const std::vector<K> kOkError = {K::Bool, K::Error};

bool isCleanText(const std::string& text) {
    return text.size() <= kMaximumTextBytes && text.find('\0') == std::string::npos && isValidUTF8(text);
}

bool matchesKind(const BVValue& value, Kind kind, bool strictTexts) {
    switch (kind) {
        case Kind::Text: return value.isString() && (!strictTexts || isCleanText(value.stringValue()));
        case Kind::TextList: {
            if (!value.isArray() || value.arrayValue().size() > kMaximumListCount) return false;
            for (const auto& e : value.arrayValue())
                if (!e.isString() || !isCleanText(e.stringValue())) return false;
            return true;
        }
        case Kind::Bool: return value.isBool();
        case Kind::Int32:
            return std::holds_alternative<int64_t>(value.storage()) && value.int64Value() >= INT32_MIN &&
                   value.int64Value() <= INT32_MAX;
        case Kind::Int64: return std::holds_alternative<int64_t>(value.storage());
        case Kind::Error: return value.isNull() || decodeError(value).has_value();
    }
    return false;
}

std::optional<uint64_t> readIdentifier(const BVValue& value) {
    if (std::holds_alternative<int64_t>(value.storage()) && value.int64Value() >= 0) return uint64_t(value.int64Value());
    if (std::holds_alternative<uint64_t>(value.storage())) return value.uint64Value();
    return std::nullopt;
}

std::string line(const BVDictionary& message) { return BVJSONCodec::encode(BVValue(message)) + "\n"; }

std::optional<BVValue> decodeLine(const std::string& text, BVError* error) {
    if (text.size() > kMaximumMessageBytes) {
        BVSetError(error, makeError(BVPrivilegedAgentErrorMessageTooLarge, "The message is larger than the agent accepts."));
        return std::nullopt;
    }
    std::string reason;
    auto value = BVJSONCodec::decode(text, &reason);
    if (!value || !value->isDictionary()) {
        BVSetError(error, makeError(BVPrivilegedAgentErrorMalformedMessage,
                                    "The message is not a JSON object" + (reason.empty() ? "." : ": " + reason)));
        return std::nullopt;
    }
    return value;
}

}  // namespace

const std::vector<RequestShape>& allRequests() {
    static const std::vector<RequestShape>* table = new std::vector<RequestShape>{
        {"pleaseTerminate", {}, {}},
        {"echo:withReply:", {K::Text}, {K::Text, K::Error}},
        {"fileExistsAtPath:withReply:", {K::Text}, kOkError},
        {"moveItemAtPath:toPath:withReply:", {K::Text, K::Text}, kOkError},
        {"removeItemAtPath:withReply:", {K::Text}, kOkError},
        {"securelyRemoveItemAtPath:withReply:", {K::Text}, kOkError},
        {"moveToTrashItemAtPath:withReply:", {K::Text}, kOkError},
        {"truncateFileAtPath:withReply:", {K::Text}, kOkError},
        {"removePackageWithID:withReply:", {K::Text}, kOkError},
        {"removeKextAtPath:withReply:", {K::Text}, kOkError},
        {"removeASLWithReply:", {}, kOkError},
        {"slimBinaryWithPath:archs:withReply:", {K::Text, K::TextList}, kOkError},
        {"removeLaunchdAgentAtPath:withReply:", {K::Text}, kOkError},
        {"enableLaunchdAgentAtPath:withReply:", {K::Text}, kOkError},
        {"disableLaunchdAgentAtPath:withReply:", {K::Text}, kOkError},
        {"removeSMLoginItem:withReply:", {K::Text}, kOkError},
        {"startStartupItem:withReply:", {K::Text}, kOkError},
        {"stopStartupItem:withReply:", {K::Text}, kOkError},
        {"repairPermissionsWithReply:", {}, {K::Bool, K::Int32, K::Text}},
        {"runPeriodicScript:withReply:", {K::Text}, kOkError},
        {"startSpotlightReindexWithReply:", {}, kOkError},
        {"removeLibraryFromLauchdConf:withReply:", {K::Text}, kOkError},
        {"flushDNSWithReply:", {}, kOkError},
        {"removeDiagnosticLogsWithReply:", {}, {K::Text, K::Int64, K::Text, K::Error}},
        {"sizeOfItemAtPath:reply:", {K::Text}, {K::Int64, K::Error}},
    };
    return *table;
}

const RequestShape* requestNamed(const std::string& name) {
    for (const auto& shape : allRequests())
        if (shape.name == name) return &shape;
    return nullptr;
}

BVArray failureReply(const RequestShape& shape, const BVError& error) {
    bool hasErrorSlot = false;
    for (Kind k : shape.reply) hasErrorSlot = hasErrorSlot || k == Kind::Error;
    BVArray out;
    bool textUsed = false;
    for (Kind k : shape.reply) {
        switch (k) {
            case Kind::Text:
                out.emplace_back(!hasErrorSlot && !textUsed ? error.localizedDescription() : std::string());
                textUsed = true;
                break;
            case Kind::TextList: out.emplace_back(BVArray{}); break;
            case Kind::Bool: out.emplace_back(false); break;
            case Kind::Int32: out.emplace_back(int64_t(error.code())); break;
            case Kind::Int64: out.emplace_back(int64_t(0)); break;
            case Kind::Error: out.push_back(encodeError(error)); break;
        }
    }
    return out;
}

bool matchesKinds(const BVArray& values, const std::vector<Kind>& kinds, bool strictTexts) {
    if (values.size() != kinds.size()) return false;
    for (size_t i = 0; i < kinds.size(); ++i)
        if (!matchesKind(values[i], kinds[i], strictTexts)) return false;
    return true;
}

bool isValidUTF8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t extra;
        uint32_t cp;
        if ((c & 0xE0) == 0xC0) extra = 1, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0) extra = 2, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0) extra = 3, cp = c & 0x07;
        else return false;
        if (n - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        static const uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

BVValue encodeError(const BVError& error) {
    return BVValue(BVDictionary{{"domain", BVValue(error.domain())},
                                {"code", BVValue(error.code())},
                                {"userInfo", BVValue(error.userInfo())}});
}

std::optional<BVError> decodeError(const BVValue& value) {
    if (!value.isDictionary()) return std::nullopt;
    const BVValue& domain = value["domain"];
    const BVValue& code = value["code"];
    const BVValue& info = value["userInfo"];
    if (!domain.isString() || !std::holds_alternative<int64_t>(code.storage())) return std::nullopt;
    if (!info.isNull() && !info.isDictionary()) return std::nullopt;
    return BVError(domain.stringValue(), code.int64Value(), info.dictionaryValue());
}

BVError makeError(int64_t code, const std::string& description) {
    return BVError::withDescription(BVPrivilegedAgentErrorDomain, code, description);
}

std::string encodeRequest(const Request& request) {
    BVDictionary m{{"id", BVValue(request.identifier)},
                   {"request", BVValue(request.name)},
                   {"arguments", BVValue(request.arguments)}};
    if (request.wantsOutput) m["progress"] = BVValue(true);
    return line(m);
}

std::string encodeReply(uint64_t identifier, const BVArray& reply) {
    return line({{"id", BVValue(identifier)}, {"reply", BVValue(reply)}});
}

std::string encodeOutput(uint64_t identifier, const std::string& output) {
    return line({{"id", BVValue(identifier)}, {"output", BVValue(output)}});
}

std::string encodeFailure(std::optional<uint64_t> identifier, const BVError& error) {
    return line({{"id", identifier ? BVValue(*identifier) : BVValue()}, {"failure", encodeError(error)}});
}

std::optional<Request> decodeRequest(const std::string& text, BVError* error, std::optional<uint64_t>* identifier) {
    auto value = decodeLine(text, error);
    if (!value) return std::nullopt;
    auto id = readIdentifier((*value)["id"]);
    if (identifier) *identifier = id;
    auto malformed = [&](const std::string& why) {
        BVSetError(error, makeError(BVPrivilegedAgentErrorMalformedMessage, why));
        return std::nullopt;
    };
    if (!id) return malformed("The request has no identifier.");
    const BVValue& name = (*value)["request"];
    const RequestShape* shape = name.isString() ? requestNamed(name.stringValue()) : nullptr;
    if (!shape) return malformed("The agent does not know the request " + name.description() + ".");
    const BVValue& arguments = (*value)["arguments"];
    if (!arguments.isArray() || !matchesKinds(arguments.arrayValue(), shape->arguments, true))
        return malformed("The arguments of " + shape->name + " do not have the kinds it takes.");
    const BVValue& progress = (*value)["progress"];
    if (!progress.isNull() && !progress.isBool()) return malformed("The progress field is not a boolean.");
    return Request{*id, shape->name, arguments.arrayValue(), progress.boolValue()};
}

std::optional<AgentMessage> decodeAgentMessage(const std::string& text, BVError* error) {
    auto value = decodeLine(text, error);
    if (!value) return std::nullopt;
    AgentMessage message;
    const BVValue& id = (*value)["id"];
    message.identifier = readIdentifier(id);
    auto malformed = [&](const std::string& why) {
        BVSetError(error, makeError(BVPrivilegedAgentErrorMalformedMessage, why));
        return std::nullopt;
    };
    if (value->contains("failure")) {
        auto failure = decodeError((*value)["failure"]);
        if (!failure || (!id.isNull() && !message.identifier)) return malformed("The failure message is malformed.");
        message.type = AgentMessage::Type::Failure;
        message.error = *failure;
        return message;
    }
    if (!message.identifier) return malformed("The message names no request.");
    if (value->contains("output")) {
        if (!(*value)["output"].isString()) return malformed("The output is not a text.");
        message.type = AgentMessage::Type::Output;
        message.output = (*value)["output"].stringValue();
        return message;
    }
    if (!(*value)["reply"].isArray()) return malformed("The message is neither a reply, an output nor a failure.");
    message.type = AgentMessage::Type::Reply;
    message.reply = (*value)["reply"].arrayValue();
    return message;
}

}  // namespace BVAgentProtocol
