// BVRemovalResult: what removing one entity freed and what failed, as a tree mirroring the
// entity tree. A result without children succeeded (state 1) unless it carries an error
// (state 2); a result with children is 1 when all children are 1, 2 when all are 2, else 3.
// Its size is the size given at creation plus its children's sizes.
//
// Reads and writes of the children and the size are serialised by the result's own lock, so
// a result may be filled on the clean worker and read on the main thread.
#pragma once

#include "Foundation/BVThreadSafety.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Foundation/BVError.h"
#include "ScanningService/CoreScanning/BVEntity.h"

enum BVRemovalState : uint64_t {
    BVRemovalStateSucceeded = 1,
    BVRemovalStateFailed = 2,
    BVRemovalStatePartlySucceeded = 3,
};

class BVRemovalResult {
public:
    static BVRemovalResultPtr successfulResultWithModel(const BVEntityPtr& entity);
    static BVRemovalResultPtr failedResultWithModel(const BVEntityPtr& entity, const BVError& error);
    static BVRemovalResultPtr emptyResultWithModel(const BVEntityPtr& entity);
    BVRemovalResult(BVEntityPtr entity, uint64_t size, std::optional<BVError> error);

    const BVEntityPtr& entity() const { return entity_; }
    const std::optional<BVError>& error() const { return error_; }

    void addChild(const BVRemovalResultPtr& child);
    void addChildren(const std::vector<BVRemovalResultPtr>& children);
    void removeChild(const BVRemovalResultPtr& child);
    void removeChildren(const std::vector<BVRemovalResultPtr>& children);

    std::vector<BVRemovalResultPtr> children() const;
    uint64_t size() const;
    uint64_t state() const;
    std::vector<BVError> errors() const;

private:
    BVEntityPtr entity_;
    std::optional<BVError> error_;
    mutable BVMutex internalQueue_;  // "BVRemovalResult.internalQueue"
    std::vector<BVRemovalResultPtr> childrenContainer_ BV_GUARDED_BY(internalQueue_);
    uint64_t totalSizeContainer_ BV_GUARDED_BY(internalQueue_);
};
