// BVCleanPrinter: what `brenvik clean` shows: the list of what will be removed (before asking),
// and the per-entity report afterwards, as text or as the JSON document of the command-line
// contract. Pure functions of entities and removal results; the caller writes the text.
#pragma once

#include <string>
#include <vector>

#include "App/BVOutputStyle.h"
#include "App/BVSortOrder.h"
#include "Foundation/BVKeepRule.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVValue.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

struct BVModuleClean {
    std::string module;
    std::vector<BVRemovalResultPtr> results;  // in task order, then entity order
    bool interrupted = false;                 // stopped by the user after the last of these
};

namespace BVCleanPrinter {

uint64_t totalSize(const std::vector<BVEntityPtr>& entities);
// One line per entity: its size, what happens to it ("remove", or "empty" for an item that
// stays emptied) and its path (home as "~") or value; under it the paths inside that `keep`
// leaves in place; then the total. A group without a path is listed as its members.
std::string selectionText(const std::vector<BVEntityPtr>& entities, const BVPaths& paths, const BVOutputStyle& style,
                          BVSortOrder order = BVSortOrder::Found, const BVKeepRule* keep = nullptr);
// {"module", "dryRun": true, "size", "items": [ENTITY...]}: what a dry run would remove.
BVValue selectionJSON(const std::string& module, const std::vector<BVEntityPtr>& entities);

uint64_t cleanedSize(const BVModuleClean& clean);
// 1 when every result succeeded (also when there were none), 2 when all failed, else 3.
uint64_t state(const BVModuleClean& clean);
BVValue resultJSON(const BVRemovalResultPtr& result);
BVValue cleanJSON(const BVModuleClean& clean);
// The document of a clean that removed nothing because it was declined ("declined") or could
// not ask ("no terminal").
BVValue abortedJSON(const std::string& module, const std::string& reason);
// Per entity: removed / failed / partly removed, the size freed and each error; failures of
// children are listed under their parent.
std::string cleanText(const BVModuleClean& clean, const BVPaths& paths, const BVOutputStyle& style);

}  // namespace BVCleanPrinter
