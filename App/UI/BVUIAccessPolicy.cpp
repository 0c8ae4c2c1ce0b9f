#include "App/UI/BVUIAccessPolicy.h"

#include <sys/random.h>

#include <stdexcept>

namespace {

constexpr const char* kCookieName = "brenvik_token";

// Compares without an early exit, so that the time taken tells nothing of the token.
bool sameSecret(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// The value of one cookie in a Cookie header ("a=1; brenvik_token=...; b=2").
std::optional<std::string> cookieValue(const std::string& header, const std::string& name) {
    size_t at = 0;
    while (at < header.size()) {
        size_t end = header.find(';', at);
        if (end == std::string::npos) end = header.size();
        std::string pair = header.substr(at, end - at);
        size_t first = pair.find_first_not_of(' ');
        if (first != std::string::npos) pair = pair.substr(first);
        if (pair.size() > name.size() && pair.compare(0, name.size(), name) == 0 && pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace

BVUIAccessPolicy::BVUIAccessPolicy(std::string token, uint16_t port) : token_(std::move(token)), port_(port) {
    if (token_.size() < 32) throw std::invalid_argument("the review window's token is too short");
}

std::string BVUIAccessPolicy::makeToken() {
    unsigned char bytes[32];
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) throw std::runtime_error("no random bytes for the review window's token");
        got += size_t(n);
    }
    static const char* digits = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += digits[b >> 4];
        token += digits[b & 15];
    }
    return token;
}

std::string BVUIAccessPolicy::origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string BVUIAccessPolicy::cookie() const {
    return std::string(kCookieName) + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict";
}

BVUIAccessDecision BVUIAccessPolicy::decide(const BVUIRequestFacts& request) const {
    if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") return {false, false, "method"};
    if (request.host != "127.0.0.1:" + std::to_string(port_)) return {false, false, "host"};
    bool byQuery = request.queryToken && sameSecret(*request.queryToken, token_);
    auto cookie = cookieValue(request.cookies, kCookieName);
    bool byCookie = cookie && sameSecret(*cookie, token_);
    if (!byQuery && !byCookie) return {false, false, "token"};
    if (request.method == "POST" && (!request.origin || *request.origin != origin())) return {false, false, "origin"};
    return {true, byQuery && !byCookie, ""};
}
