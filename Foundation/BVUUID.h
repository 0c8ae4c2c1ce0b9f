// BVUUID: a random (version 4) UUID. Value type; `create` is safe from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct BVUUID {
    std::array<uint8_t, 16> bytes{};
    static BVUUID create();
    std::string string() const;  // upper-case, 8-4-4-4-12
    bool operator==(const BVUUID&) const = default;
};
