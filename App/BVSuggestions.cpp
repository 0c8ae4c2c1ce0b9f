#include "App/BVSuggestions.h"

#include <algorithm>

namespace {

size_t distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::optional<std::string> BVClosestName(const std::string& typed, const std::vector<std::string>& known) {
    if (typed.empty()) return std::nullopt;
    std::optional<std::string> best;
    size_t bestDistance = std::min<size_t>(2, typed.size() / 2 + 1) + 1;
    for (const auto& k : known) {
        if (k.size() > typed.size() && k.compare(0, typed.size(), typed) == 0 && typed.size() >= 2) return k;
        size_t d = distance(typed, k);
        if (d < bestDistance) bestDistance = d, best = k;
    }
    return best;
}

std::string BVDidYouMean(const std::string& typed, const std::vector<std::string>& known) {
    auto closest = BVClosestName(typed, known);
    return closest ? " (did you mean '" + *closest + "'?)" : std::string();
}
