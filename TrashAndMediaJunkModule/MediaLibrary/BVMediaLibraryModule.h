// The Media Library module's assembly: the five media-library scans in order (backups,
// applications, downloads, software updates, album-artwork caches) over one description of the
// library, on the macos layout; the linux layout has no such media player: no task.
#pragma once

#include <vector>

#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/BVScanTask.h"
#include "TrashAndMediaJunkModule/MediaLibrary/BVFilesUsageProvider.h"

namespace BVMediaLibraryModule {
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, std::shared_ptr<const BVFilesUsageProvider> usage = nullptr);
}
