// BVVersionComparator: orders version texts such as "4.2", "4.2.0b3" and "10.15.7".
//
// A version splits into runs of digits, runs of letters and separators. Numbers compare
// numerically; a letter run after a number marks a pre-release ("b3" is before the release),
// so "4.2.0b3" < "4.2.0" < "4.2.0.1"; missing trailing numeric parts count as 0 ("4.2" equals
// "4.2.0"). Pre-release words order alpha < beta < rc (and by their letters otherwise).
// Stateless; any thread.
#pragma once

#include <string>

enum class BVComparisonResult { Ascending = -1, Same = 0, Descending = 1 };

namespace BVVersionComparator {
BVComparisonResult compareVersion(const std::string& version, const std::string& toVersion);
}
