#include "PrivacyModule/Sources/Tools/BVURLText.h"

#include "Foundation/BVASCIICase.h"

namespace {

// The position after "scheme:", or npos when the text does not begin with a scheme.
size_t afterScheme(const std::string& url) {
    size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return std::string::npos;
    for (size_t i = 0; i < colon; ++i) {
        char c = url[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return std::string::npos;
    }
    return colon + 1;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

namespace BVURLText {

std::string scheme(const std::string& url) {
    size_t after = afterScheme(url);
    return after == std::string::npos ? std::string() : BVASCIILowercase(url.substr(0, after - 1));
}

std::string host(const std::string& url) {
    size_t after = afterScheme(url);
    if (after == std::string::npos || url.compare(after, 2, "//") != 0) return {};
    size_t begin = after + 2;
    size_t end = url.find_first_of("/?#", begin);
    std::string authority = url.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    if (size_t at = authority.rfind('@'); at != std::string::npos) authority = authority.substr(at + 1);
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        return close == std::string::npos ? std::string() : BVASCIILowercase(authority.substr(0, close + 1));
    }
    if (size_t colon = authority.find(':'); colon != std::string::npos) authority = authority.substr(0, colon);
    return BVASCIILowercase(authority);
}

std::string path(const std::string& url) {
    size_t after = afterScheme(url);
    if (after == std::string::npos) return url;
    size_t begin = after;
    if (url.compare(after, 2, "//") == 0) {
        begin = url.find_first_of("/?#", after + 2);
        if (begin == std::string::npos) return {};
    }
    size_t end = url.find_first_of("?#", begin);
    return url.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string percentDecoded(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace BVURLText
