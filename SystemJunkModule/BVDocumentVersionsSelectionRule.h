// BVDocumentVersionsSelectionRule: which stored versions of one document are preselected. Given
// the versions sorted newest first, a version is preselected when it is neither the newest nor
// the oldest and was saved less than four hours before its newer neighbour: of a burst of saves
// the user keeps the ends. Pure; any thread.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "Foundation/BVFileVersion.h"

namespace BVDocumentVersionsSelectionRule {

inline constexpr double kNeighbourInterval = 14400;  // seconds

// Versions without a modification date are never preselected.
std::set<size_t> selectionIndexesForObjects(const std::vector<BVFileVersionPtr>& versionsNewestFirst);
// The class of the objects the rule judges.
inline std::set<std::string> supportedClasses() { return {"BVFileVersion"}; }

}  // namespace BVDocumentVersionsSelectionRule
