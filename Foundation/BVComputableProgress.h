// BVComputableProgress: a leaf progress counting units of work, bytes and the current path.
// The fraction completed is done units over all units known (0 while none are known).
// Safe from any thread.
#pragma once

#include "Foundation/BVProgress.h"

class BVComputableProgress : public BVProgress, public BVProgressForceComplete {
public:
    static std::shared_ptr<BVComputableProgress> create(uint64_t pendingUnits = 0);
    explicit BVComputableProgress(uint64_t pendingUnits = 0) : totalUnits_(pendingUnits) {}

    void addPendingUnitsCount(uint64_t count);
    void addUnitsCount(uint64_t count);
    void addSize(uint64_t bytes);
    void setPath(const std::string& path);

    uint64_t totalUnitsCount() const;
    uint64_t completedUnitsCount() const;

    double fractionCompleted() const override;
    uint64_t size() const override;
    std::string path() const override;
    void forceComplete() override;

private:
    uint64_t totalUnits_ = 0;
    uint64_t doneUnits_ = 0;
    uint64_t size_ = 0;
    std::string path_;
};
