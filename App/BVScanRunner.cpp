#include "App/BVScanRunner.h"

#include <map>

#include "App/BVInterruption.h"
#include "App/BVProgressDrawer.h"
#include "Foundation/BVDispatchQueue.h"

std::vector<BVTaskOutcomeRecord> BVScanRunner::run(const std::string& name, const std::vector<BVScanTaskPtr>& tasks) {
    auto queue = BVScanQueue::create(name);
    std::map<BVScanTask*, BVScanResultPtr> results;
    bool finished = false;
    cancelled_ = false;
    queue->onTaskFinish([&](const BVScanTaskPtr& task, const BVScanResultPtr& result) {
        results[task.get()] = result;
        if (taskFinished_) taskFinished_(task, result);
    });
    queue->onQueueFinish([&](BVScanQueue&, bool cancelled) { finished = true, cancelled_ = cancelled; });
    std::weak_ptr<BVScanQueue> weak = queue;
    BVInterruption::Scope stop(interruption_, [weak] {
        if (auto q = weak.lock()) q->cancel();
    });
    if (progress_) {
        queue->onQueueProgressFractionChange([this](BVScanQueue&, double f) { progress_->setFraction(f); });
        queue->onQueueProgressSizeChange([this](BVScanQueue&, uint64_t s) { progress_->setBytes(s); });
        queue->onQueueProgressPathChange([this](BVScanQueue&, const std::string& p) { progress_->setPath(p); });
        progress_->begin(name);
    }
    queue->addTasks(tasks);
    // Task results are delivered before the finish callback, all on this thread, in order.
    BVRunLoop::runUntil(
        [&] {
            if (stopCheck_ && stopCheck_()) queue->cancel();
            return finished;
        },
        std::chrono::hours(24 * 365));
    if (progress_) progress_->end();
    std::vector<BVTaskOutcomeRecord> out;
    for (const auto& t : tasks) out.push_back({t, results.count(t.get()) ? results[t.get()] : nullptr});
    return out;
}
