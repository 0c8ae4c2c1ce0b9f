// BVTrashListing: the part every file trash scan shares: list the direct contents of trash
// folders and measure each item into a trashed-file entity (autoselected) under one group
// entity. Folders that cannot be read, and trash folders that are symbolic links, contribute
// nothing. Runs on the calling scan thread with
// the task's progress (pause and cancel checked per item).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVFileManager.h"
#include "ScanningService/CoreScanning/BVFileModel.h"

namespace BVTrashListing {

// The direct contents of each folder, in order, hidden items included.
std::vector<BVURLPtr> contentsOfTrashFolders(const std::vector<std::string>& folders, const BVFileManager& fileManager,
                                             const std::shared_ptr<BVComputableProgress>& progress);
// A group entity with the value `groupPath` (size 0, autoselected) holding one entity per item.
std::shared_ptr<BVFileURLSequenceModel> sequenceOfItems(const std::string& groupPath, const std::vector<BVURLPtr>& items,
                                                        const std::shared_ptr<BVComputableProgress>& progress);

}  // namespace BVTrashListing
