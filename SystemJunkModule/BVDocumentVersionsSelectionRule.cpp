#include "SystemJunkModule/BVDocumentVersionsSelectionRule.h"

#include <cmath>

namespace BVDocumentVersionsSelectionRule {

std::set<size_t> selectionIndexesForObjects(const std::vector<BVFileVersionPtr>& versions) {
    std::set<size_t> indexes;
    for (size_t i = 1; i + 1 < versions.size(); ++i) {
        auto date = versions[i]->modificationDate(), newer = versions[i - 1]->modificationDate();
        if (date && newer && std::fabs(date->secondsSince1970 - newer->secondsSince1970) < kNeighbourInterval) indexes.insert(i);
    }
    return indexes;
}

}  // namespace BVDocumentVersionsSelectionRule
