#include "tests/CoreScanning/BVScanTestTasks.h"

#include <thread>

void BVTestGate::open() {
    std::lock_guard lock(mutex_);
    isOpen_ = true;
    opened_.notify_all();
}

void BVTestGate::wait() {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [&] { return isOpen_; });
}

BVSteppingTask::BVSteppingTask(std::string identifier, int steps, uint64_t bytesPerItem, BVTestGate* gate)
    : identifier_(std::move(identifier)), steps_(steps), bytes_(bytesPerItem), gate_(gate),
      progress_(BVComputableProgress::create(uint64_t(steps))) {}

BVScanResultPtr BVSteppingTask::scan() {
    started = true;
    if (gate_) gate_->wait();
    std::vector<BVEntityPtr> items;
    for (int i = 0; i < steps_; ++i) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        std::string path = "/scan/" + identifier_ + "/" + std::to_string(i);
        items.push_back(BVEntity::model<BVTreeEntity>(BVValueObject::with(BVValue(path)), bytes_, i % 2 == 0));
        progress_->setPath(path);
        progress_->addSize(bytes_);
        progress_->addUnitsCount(1);
        ++stepsDone;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ran = true;
    return BVScanResult::resultWithIdentifier(identifier_, items);
}

BVScanResultPtr BVPlainTask::scan() {
    return BVScanResult::resultWithIdentifier(
        identifier_, std::vector<BVEntityPtr>{BVEntity::model<BVTreeEntity>(BVValueObject::with(BVValue("plain")), 3, true)});
}
