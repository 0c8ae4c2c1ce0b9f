// BVCompoundProgress: aggregates attached progresses. Its size is the sum of theirs, its path
// the last path any of them reported, and its fraction the mean of their fractions (each child
// weighs the same, so a task with many small units does not drown the others). Pause, resume
// and cancel reach every child, including children attached later. Safe from any thread.
#pragma once

#include "Foundation/BVProgress.h"

class BVCompoundProgress : public BVProgress, public BVProgressForceComplete {
public:
    static std::shared_ptr<BVCompoundProgress> create();

    void attachProgress(const BVProgressPtr& child);
    std::vector<BVProgressPtr> children() const;

    double fractionCompleted() const override;
    uint64_t size() const override;
    std::string path() const override;
    void pause() override;
    void resume() override;
    void cancel() override;
    // Completes every child that can be completed.
    void forceComplete() override;

private:
    friend class BVProgress;
    void childPathChanged(const std::string& path);

    std::vector<BVProgressPtr> children_;
    std::string path_;
};
