// The Trash module's assembly: its scan tasks in order (the user's trashes, one task per
// cleanable mounted volume, one per eligible mail account, and, when a photo library is given,
// the library trash and the duplicate finder's album), and the clean tasks for a selection of
// its entities (photos go to the photo-library clean tasks, everything else is removed as
// files). This host has no photo library, so the shell passes none.
#pragma once

#include <vector>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVPhotos.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

std::vector<BVScanTaskPtr> BVTrashScanTasks(const BVEnvironment& environment, BVPhotosPtr photos = nullptr);
std::vector<BVCleanTaskPtr> BVTrashCleanTasks(const std::vector<BVEntityPtr>& entities, BVPhotosPtr photos = nullptr);
