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
    queue->onTaskFinish([&](const BVScanTaskPtr& task, const BVScanResultPtr& result) { results[task.get()] = result; });
    queue->onQueueFinish([&](BVScanQueue&, bool cancelled) { finished = true, cancelled_ = cancelled; });
    std::weak_ptr<BVScanQueue> weak = queue;
    BVInterruption::Scope stop(interruption_, [weak] {
        if (auto q = weak.lock()) q->cancel();
    });
    if (drawer_) {
        queue->onQueueProgressFractionChange([this](BVScanQueue&, double f) { drawer_->setFraction(f); });
        queue->onQueueProgressSizeChange([this](BVScanQueue&, uint64_t s) { drawer_->setBytes(s); });
        queue->onQueueProgressPathChange([this](BVScanQueue&, const std::string& p) { drawer_->setPath(p); });
        drawer_->begin(name);
    }
    queue->addTasks(tasks);
    // Task results are delivered before the finish callback, all on this thread, in order.
    BVRunLoop::runUntil([&] { return finished; }, std::chrono::hours(24 * 365));
    if (drawer_) drawer_->end();
    std::vector<BVTaskOutcomeRecord> out;
    for (const auto& t : tasks) out.push_back({t, results.count(t.get()) ? results[t.get()] : nullptr});
    return out;
}
