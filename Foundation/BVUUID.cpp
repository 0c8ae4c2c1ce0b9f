#include "Foundation/BVUUID.h"

#include <cstdio>
#include <random>

BVUUID BVUUID::create() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    BVUUID u;
    uint64_t a = generator(), b = generator();
    for (int i = 0; i < 8; ++i) u.bytes[i] = uint8_t(a >> (8 * i));
    for (int i = 0; i < 8; ++i) u.bytes[8 + i] = uint8_t(b >> (8 * i));
    u.bytes[6] = uint8_t((u.bytes[6] & 0x0f) | 0x40);
    u.bytes[8] = uint8_t((u.bytes[8] & 0x3f) | 0x80);
    return u;
}

std::string BVUUID::string() const {
    char text[37];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}
