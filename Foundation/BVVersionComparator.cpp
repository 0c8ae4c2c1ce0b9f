#include "Foundation/BVVersionComparator.h"

#include <cctype>
#include <vector>

namespace {

struct Part {
    enum Kind { Number, Word } kind;
    unsigned long long number = 0;
    std::string word;
};

std::vector<Part> split(const std::string& v) {
    std::vector<Part> parts;
    size_t i = 0;
    while (i < v.size()) {
        unsigned char c = v[i];
        if (std::isdigit(c)) {
            unsigned long long n = 0;
            while (i < v.size() && std::isdigit((unsigned char)v[i])) {
                n = n * 10 + (v[i] - '0');
                if (n > 1'000'000'000'000'000ull) n = 1'000'000'000'000'000ull;  // saturate
                ++i;
            }
            parts.push_back({Part::Number, n, {}});
        } else if (std::isalpha(c)) {
            std::string w;
            while (i < v.size() && std::isalpha((unsigned char)v[i])) w += char(std::tolower((unsigned char)v[i++]));
            parts.push_back({Part::Word, 0, w});
        } else {
            ++i;  // separators
        }
    }
    return parts;
}

int wordRank(const std::string& w) {
    if (w == "a" || w == "alpha" || w == "dev" || w == "d") return 0;
    if (w == "b" || w == "beta") return 1;
    if (w == "rc" || w == "c" || w == "pre") return 2;
    return 3;  // other words sort after known pre-release words, by their letters
}

int compareWords(const std::string& a, const std::string& b) {
    int ra = wordRank(a), rb = wordRank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (ra == 3 && a != b) return a < b ? -1 : 1;
    return 0;
}

}  // namespace

namespace BVVersionComparator {

BVComparisonResult compareVersion(const std::string& version, const std::string& toVersion) {
    auto a = split(version), b = split(toVersion);
    size_t n = std::max(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        bool hasA = i < a.size(), hasB = i < b.size();
        if (hasA && hasB) {
            const Part &x = a[i], &y = b[i];
            if (x.kind == y.kind) {
                int c = x.kind == Part::Number ? (x.number < y.number ? -1 : x.number > y.number ? 1 : 0)
                                               : compareWords(x.word, y.word);
                if (c != 0) return c < 0 ? BVComparisonResult::Ascending : BVComparisonResult::Descending;
                continue;
            }
            // A word where the other has a number: the word is a pre-release, so it is older.
            return x.kind == Part::Word ? BVComparisonResult::Ascending : BVComparisonResult::Descending;
        }
        const Part& rest = hasA ? a[i] : b[i];
        // Extra trailing part: a number (other than 0) makes that side newer, a word older.
        int sign;
        if (rest.kind == Part::Word) sign = -1;
        else if (rest.number == 0) continue;
        else sign = 1;
        if (!hasA) sign = -sign;
        return sign < 0 ? BVComparisonResult::Ascending : BVComparisonResult::Descending;
    }
    return BVComparisonResult::Same;
}

}  // namespace BVVersionComparator
