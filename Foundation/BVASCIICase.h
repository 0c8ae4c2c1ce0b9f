// Case folding of ASCII letters only, for identifiers and names compared without regard to case
// (bundle identifiers, file-name matches). Other bytes, UTF-8 included, pass unchanged.
#pragma once

#include <string>

inline std::string BVASCIILowercase(std::string text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}
