// The Photos module's assembly: one task per photo library kept directly in ~/Pictures (a
// real folder, not a link) that this build may clean, offering its media caches. Only the macos
// layout has photo libraries; on linux the module has no task. Libraries of systems older than
// 12 are read through a library handle, which this host does not have (tests pass a fake).
#pragma once

#include <string>
#include <vector>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVPhotos.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

namespace BVPhotosModule {
// `ownVersion` is this program's version (the knowledge base's supported library versions
// depend on it).
std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const std::string& ownVersion, BVPhotosPtr photos = nullptr);
}
