// BVUIAccessPolicy: who may talk to the review window's server. The server listens on the
// loopback address only, but any page the user has open in a browser can send requests there,
// and a name that resolves to 127.0.0.1 (DNS rebinding) can make a foreign page look same-site.
// So every request must:
// - name this server in its Host header exactly ("127.0.0.1:PORT"): a rebinding page's requests
//   carry its own name;
// - carry this run's secret token, in the query ("?token=...", the address printed at start, used
//   once) or in the cookie the server sets on that first request (HttpOnly, SameSite=Strict, so
//   other sites' pages neither read nor send it);
// - when it changes anything (POST, the only such method the server has), come from this
//   server's own pages: an Origin header of "http://127.0.0.1:PORT".
// Any other method is refused. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct BVUIRequestFacts {
    std::string method;
    std::string host;                       // the Host header, "" when absent
    std::optional<std::string> origin;      // the Origin header
    std::string cookies;                    // the Cookie header, "" when absent
    std::optional<std::string> queryToken;  // the "token" query parameter
};

struct BVUIAccessDecision {
    bool allowed = false;
    bool setCookie = false;  // the token came in the query: hand the cookie over
    std::string reason;      // why it was refused
};

class BVUIAccessPolicy {
public:
    BVUIAccessPolicy(std::string token, uint16_t port);
    // 32 random bytes from the kernel, as 64 hexadecimal digits.
    static std::string makeToken();

    BVUIAccessDecision decide(const BVUIRequestFacts& request) const;
    // The Set-Cookie value that carries the token.
    std::string cookie() const;
    const std::string& token() const { return token_; }
    // "http://127.0.0.1:PORT"
    std::string origin() const;

private:
    std::string token_;
    uint16_t port_;
};
