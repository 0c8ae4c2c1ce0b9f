// An entity whose value is an identifier (a privacy group is "...FirefoxCookies") names itself
// for people: human output shows the display name, JSON keeps the value. Pure; any thread.
#pragma once

#include <string>

class BVDisplayNamedEntity {
public:
    virtual ~BVDisplayNamedEntity() = default;
    virtual std::string displayName() const = 0;
};
