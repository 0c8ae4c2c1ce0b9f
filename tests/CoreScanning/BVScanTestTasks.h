// Scan tasks for tests: a stepping task that reports progress, checks pause and cancel at every
// step and can be held at a gate, and a task without progress.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "Foundation/BVComputableProgress.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

// A one-shot gate a test opens to let waiting tasks go on.
class BVTestGate {
public:
    void open();
    void wait();

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool isOpen_ = false;
};

class BVSteppingTask : public BVScanTask, public BVProgressReporting {
public:
    // `steps` items of `bytesPerItem`; waits at `gate` (when given) before the first step.
    BVSteppingTask(std::string identifier, int steps, uint64_t bytesPerItem = 10, BVTestGate* gate = nullptr);
    std::string identifier() const override { return identifier_; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

    std::atomic<int> stepsDone{0};
    std::atomic<bool> started{false};
    std::atomic<bool> ran{false};

private:
    std::string identifier_;
    int steps_;
    uint64_t bytes_;
    BVTestGate* gate_;
    std::shared_ptr<BVComputableProgress> progress_;
};

class BVPlainTask : public BVScanTask {
public:
    explicit BVPlainTask(std::string identifier) : identifier_(std::move(identifier)) {}
    std::string identifier() const override { return identifier_; }
    BVScanResultPtr scan() override;

private:
    std::string identifier_;
};
