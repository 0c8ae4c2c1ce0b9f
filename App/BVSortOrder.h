// The order of a listing's entities: as the scan found them, largest first, or by name (the
// text shown, compared byte by byte so the order is the same on every machine). Pure.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVPaths.h"
#include "ScanningService/CoreScanning/BVEntity.h"

enum class BVSortOrder { Found, Size, Name };

std::optional<BVSortOrder> BVSortOrderNamed(const std::string& name);
std::vector<BVEntityPtr> BVSorted(std::vector<BVEntityPtr> entities, BVSortOrder order, const BVPaths& paths);
