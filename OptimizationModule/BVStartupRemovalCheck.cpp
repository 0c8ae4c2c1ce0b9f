#include "OptimizationModule/BVStartupRemovalCheck.h"

#include "Foundation/BVFileManager.h"
#include "ScanningService/CoreScanning/BVEntity.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"

namespace BVStartupRemovalCheck {

std::optional<BVError> refusal(const BVEntity& entity, const std::string& path) {
    auto remover = entity.remover();
    auto guard = remover ? remover->removalGuard() : nullptr;
    auto listed = guard ? guard->identity(path) : std::nullopt;
    if (!listed) return std::nullopt;
    BVError error;
    auto now = BVFileManager::defaultManager()->identityAtPath(path, &error);
    if (!now) return error.posixCode() == ENOENT ? std::nullopt : std::optional<BVError>(error);
    if (!listed->isSameItem(*now)) return BVChangedRefusal(path, *listed, *now);
    return std::nullopt;
}

}  // namespace BVStartupRemovalCheck
