// BVCleanSelection: what `brenvik clean` removes. Starting from the preselection of a scan (or
// from nothing, for a module of the user's own files), an --include glob adds entities whose
// path (or an ancestor's path; for an entity that is not a file, the value it shows) matches, and an --exclude glob drops them the same way; excludes
// win. A tree whose every entity is selected is removed as a whole; otherwise its selected
// parts are; a group that holds nothing is never selected. Globs are fnmatch patterns ("*" also
// crosses "/") written the one way first: a leading "~" is the home, repeated slashes, "."
// and ".." components and a trailing slash are dropped, as a person typing them means.
// Pure; no file-system access.
#pragma once

#include <string>
#include <vector>

#include "App/BVScanRunner.h"
#include "Foundation/BVPaths.h"

struct BVCleanSelectionRules {
    std::vector<std::string> include;
    std::vector<std::string> exclude;
    // False for a module of the user's own files: only what an --include names is chosen.
    bool usePreselection = true;
};

struct BVCleanSelection {
    std::vector<BVEntityPtr> entities;  // to hand to the clean tasks, in scan order
    // The rules as given that name no entity: includes that chose nothing, and excludes that
    // neither dropped an entity nor lie inside a chosen one.
    std::vector<std::string> unmatchedIncludes;
    std::vector<std::string> unmatchedExcludes;
    // The excludes (normal form) that name something inside a chosen entity rather than an
    // entity: those paths stay while the entity around them is emptied.
    std::vector<std::string> excludesInside;
};

// A glob or path as the user wrote it, in the one form paths are compared in.
std::string BVNormalizedPattern(const std::string& glob, const BVPaths& paths);

BVCleanSelection BVSelectEntities(const std::vector<BVTaskOutcomeRecord>& outcomes, const BVCleanSelectionRules& rules,
                                  const BVPaths& paths);
