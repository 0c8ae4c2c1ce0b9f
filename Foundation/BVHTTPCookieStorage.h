// BVHTTPCookieStorage: a platform cookie store (the one Safari uses). This host has none: the
// Safari cookies of the macos layout are read through this interface, which tests script, and a
// run without a store lists no Safari cookies. Implementations are safe from any thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVValue.h"

struct BVHTTPCookie {
    std::string domain;
    std::string name;
    std::string path;
    // The cookie's properties by the platform's keys ("Created", "Expires", ...).
    BVDictionary properties;
    bool operator==(const BVHTTPCookie& other) const = default;
};

class BVHTTPCookieStorage {
public:
    virtual ~BVHTTPCookieStorage() = default;
    virtual std::vector<BVHTTPCookie> cookies() const = 0;
    virtual void deleteCookie(const BVHTTPCookie& cookie) = 0;
};

using BVHTTPCookieStoragePtr = std::shared_ptr<BVHTTPCookieStorage>;
