// What a clean promised holds for start-up items too: an item whose file is removed by its
// manager (not by the file remover, which checks this itself) must still be the item that was
// listed. Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>

#include "Foundation/BVError.h"

class BVEntity;

namespace BVStartupRemovalCheck {
// During a clean that recorded `path`, the refusal when something else is there now (a file
// swapped for a link, another file renamed into its place); none otherwise.
std::optional<BVError> refusal(const BVEntity& entity, const std::string& path);
}
