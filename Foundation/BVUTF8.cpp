#include "Foundation/BVUTF8.h"

bool BVIsValidUTF8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t size = text.size();
    for (size_t i = 0; i < size;) {
        unsigned char c = s[i];
        size_t length;
        unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (c < 0x80) length = 1;
        else if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;       // overlong
            else if (c == 0xED) high = 0x9F;  // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;        // overlong
            else if (c == 0xF4) high = 0x8F;  // above U+10FFFF
        } else return false;
        if (size - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            unsigned char b = s[i + k];
            if (k == 1 ? (b < low || b > high) : (b & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

bool BVHasControlCharacter(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}
