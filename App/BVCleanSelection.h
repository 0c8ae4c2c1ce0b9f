// BVCleanSelection: what `brenvik clean` removes. Starting from the preselection of a scan, an
// --include glob adds entities whose path (or an ancestor's path) matches, and an --exclude glob
// drops them the same way; excludes win. A tree whose every entity is selected is removed as a
// whole; otherwise its selected parts are. Globs are fnmatch patterns ("*" also crosses "/"),
// with a leading "~" standing for the home. Pure; no file-system access.
#pragma once

#include <string>
#include <vector>

#include "App/BVScanRunner.h"
#include "Foundation/BVPaths.h"

struct BVCleanSelectionRules {
    std::vector<std::string> include;
    std::vector<std::string> exclude;
};

// The entities to hand to the clean task, in scan order.
std::vector<BVEntityPtr> BVSelectEntities(const std::vector<BVTaskOutcomeRecord>& outcomes, const BVCleanSelectionRules& rules,
                                          const BVPaths& paths);
