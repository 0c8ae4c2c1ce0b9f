// Helpers shared by the system junk scanners: the canned-result debug switch, the file entity
// every scanner reports (preselection, ignore strategy and removal dependencies from the
// knowledge base), the size measure with the privileged fallback, and where a sandbox container
// keeps its caches and logs on each layout. Stateless; safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/Predicates/BVPredicate.h"

class BVPrivilegedOperationsPerformer;
using BVJunkKnowledgeBasePtr = std::shared_ptr<BVKnowledgeBaseWrapper>;

namespace BVSystemJunk {

// When "DebugModeFakeScanningJSONResults" is on: the canned result `name`, or an empty result
// with `identifier` when there is none. Null when the switch is off (scan for real).
BVScanResultPtr cannedResult(const std::string& name, const std::string& identifier);
// When "DebugModeFakeScanningEmptyResults" is on, an empty result with `identifier`; else null.
BVScanResultPtr fakeEmptyResult(const std::string& identifier);

// Puts the ignore strategy on `value` (a path or a group identifier) onto `entity`.
void attachIgnoreStrategy(const BVEntityPtr& entity, const BVJunkKnowledgeBasePtr& knowledgeBase, const std::string& value);
// A file entity for `path`: preselected when the knowledge base says so, ignorable by its path,
// with the applications that must be quit before its removal.
std::shared_ptr<BVFileModel> fileModel(const std::string& path, uint64_t size, const BVJunkKnowledgeBasePtr& knowledgeBase,
                                       std::optional<bool> autoselected = std::nullopt);

// The allocated size of an item (its tree walked with `threads`, 0 for the processor count).
// When that is 0 because the user cannot read the item, and the agent is authorised, the
// agent measures it.
uint64_t itemSize(const BVFileManager& fileManager, const std::string& path,
                  const std::shared_ptr<BVPrivilegedOperationsPerformer>& performer, const BVProgressPtr& progress,
                  unsigned threads = 0);
// The sizes of many items, measured two at a time (the calling thread and one helper), each
// reported to the progress (its size, its path, and one unit when `countsUnits`) as it is measured. Cache folders
// hold thousands of small trees: walking one tree with two threads costs more in thread
// start-up and hand-over than it gains, walking two trees at once does not. Pauses are
// honoured and a cancellation stops the measuring; an item not measured has no size.
std::vector<std::optional<uint64_t>> itemSizes(const BVFileManager& fileManager, const std::vector<std::string>& paths,
                                               const std::shared_ptr<BVPrivilegedOperationsPerformer>& performer,
                                               const std::shared_ptr<BVComputableProgress>& progress, bool countsUnits = true);

// A deep-searched folder: its own children (those `filter` does not ignore, measured as
// itemSizes does without counting units) as one sequence, preselected and ignorable like a file
// entity; none when nothing in it is offered. Removing the sequence's files keeps the folder.
std::shared_ptr<BVFileURLSequenceModel> folderContentsModel(const BVFileManager& fileManager, const std::string& folder,
                                                            const BVPredicatePtr& filter, const BVJunkKnowledgeBasePtr& knowledgeBase,
                                                            const std::shared_ptr<BVPrivilegedOperationsPerformer>& performer,
                                                            const std::shared_ptr<BVComputableProgress>& progress);

// The children of a folder a scanner searches (full paths, sorted); none when it cannot be
// listed. A folder refused because a link or a mount is in its way (a cache the user keeps on
// another disk through a link, say) is said in the log: nothing behind it is offered.
std::vector<std::string> searchedFolderContents(const BVFileManager& fileManager, const std::string& folder,
                                                const std::shared_ptr<BVComputableProgress>& progress);

// Inside one sandbox container: the folder that plays its caches folder and its logs folder
// ("Data/Library/Caches" and "Data/Library/Logs" on macos; a flatpak application's "cache" and
// ".local/state" on linux).
std::string containerCachesSubpath(BVLayout layout);
std::string containerLogsSubpath(BVLayout layout);
// For every container in `containersFolder`, the direct children of its `subpath` folder,
// concatenated in container order. A cancelled progress stops before the next container.
std::vector<std::string> containerContents(const BVFileManager& fileManager, const std::optional<std::string>& containersFolder,
                                           const std::string& subpath, const std::shared_ptr<BVComputableProgress>& progress);

// True when the system's integrity protection keeps `path` from everyone, the agent included
// (the system's own folders on macos 10.11 and later: "/System", "/usr" less "/usr/local",
// "/bin", "/sbin"). Never on the linux layout.
bool isSystemIntegrityProtected(const BVPaths& paths, const std::string& path);

}  // namespace BVSystemJunk
