// What starts by itself (login items, helper registrations, launch agents and daemons), as the
// optimization module's scan finds it, in the shape `brenvik startup` and the review window show
// it; and switching one item on or off.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVEnvironment.h"
#include "Foundation/BVStartupServices.h"
#include "Foundation/BVValue.h"
#include "ScanningService/CoreScanning/BVEntity.h"

struct BVStartupItem {
    BVEntityPtr entity;
    std::string kind;     // "login item", "helper", "launch agent" or "launch daemon"
    std::string name;     // what the item is named by
    std::string program;  // what it starts, when known
    std::string path;     // the item's own file
    bool enabled = false, programExists = false;
};

// Runs the optimization module's scan; on the main thread (the one that drains the main queue).
std::vector<BVStartupItem> BVListStartupItems(const BVEnvironment& environment, const BVStartupServicesPtr& services);
// The item named `wanted`: its name, or its file's path in any spelling.
const BVStartupItem* BVFindStartupItem(const std::vector<BVStartupItem>& items, const BVPaths& paths, const std::string& wanted);
// Switches the item; none when done, else why it was left as it was.
std::optional<std::string> BVSetStartupItemEnabled(const BVStartupItem& item, bool on);
// {"items": [{"kind", "name", "program", "enabled", "programExists", "path"} or, for a login item
// that does not parse, {"kind", "path", "error"}]}
BVValue BVStartupItemsDocument(const std::vector<BVStartupItem>& items, const BVStartupServicesPtr& services);
