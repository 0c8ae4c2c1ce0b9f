#include "KnowledgeBase/BVTextFolding.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace BVTextFolding {

bool isASCII(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

namespace {
icu::UnicodeString nfcString(const std::string& utf8) {
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return text;
    icu::UnicodeString normalized = normalizer->normalize(text, status);
    return U_FAILURE(status) ? text : normalized;
}
}  // namespace

std::string nfc(const std::string& utf8) {
    if (isASCII(utf8)) return utf8;
    std::string out;
    nfcString(utf8).toUTF8String(out);
    return out;
}

std::string foldedForMatching(const std::string& utf8) {
    if (isASCII(utf8)) {
        std::string out = utf8;
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return out;
    }
    std::string out;
    nfcString(utf8).foldCase(U_FOLD_CASE_DEFAULT).toUTF8String(out);
    return out;
}

}  // namespace BVTextFolding
