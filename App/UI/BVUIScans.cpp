#include "App/UI/BVUIScans.h"

#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"

uint64_t BVUIScans::begin(const std::string& module) {
    BVLockGuard lock(mutex_);
    uint64_t id = next_++;
    scans_[id].module = module;
    ++generation_;
    return id;
}

void BVUIScans::setTasks(uint64_t scan, const std::vector<std::string>& taskIdentifiers) {
    BVLockGuard lock(mutex_);
    auto it = scans_.find(scan);
    if (it == scans_.end()) return;
    it->second.tasks.clear();
    for (const auto& identifier : taskIdentifiers) it->second.tasks.push_back({identifier});
    ++generation_;
}

void BVUIScans::Job::setProgress(double newFraction, uint64_t newBytes, const std::string& newPath) {
    fraction = newFraction;
    bytes = newBytes;
    if (!newPath.empty()) path = newPath;
}

BVDictionary BVUIScans::Job::describe(uint64_t id) const {
    return BVDictionary{{"id", BVValue(int64_t(id))},   {"module", BVValue(module)},         {"state", BVValue(state)},
                        {"fraction", BVValue(fraction)}, {"bytes", BVValue(int64_t(bytes))}, {"path", BVValue(path)}};
}

void BVUIScans::setProgress(uint64_t scan, double fraction, uint64_t bytes, const std::string& path) {
    BVLockGuard lock(mutex_);
    auto it = scans_.find(scan);
    if (it == scans_.end()) return;
    it->second.setProgress(fraction, bytes, path);
    ++generation_;
}

void BVUIScans::taskFinished(uint64_t scan, const std::string& identifier, uint64_t size) {
    BVLockGuard lock(mutex_);
    auto it = scans_.find(scan);
    if (it == scans_.end()) return;
    for (auto& task : it->second.tasks)
        if (task.identifier == identifier && task.state == "waiting") {
            task.state = "done";
            task.size = size;
            break;
        }
    ++generation_;
}

void BVUIScans::finish(uint64_t scan, BVModuleScan result, std::shared_ptr<BVRemovalGuard> guard) {
    auto document = BVResultPrinter::scanJSON(result);
    BVLockGuard lock(mutex_);
    auto it = scans_.find(scan);
    if (it == scans_.end()) return;
    it->second.state = result.cancelled ? "cancelled" : "done";
    it->second.fraction = 1;
    it->second.result = std::move(result);
    it->second.document = std::move(document);
    it->second.guard = std::move(guard);
    it->second.cleansBefore = cleansEnded_[it->second.module];
    ++generation_;
}

std::optional<BVValue> BVUIScans::snapshot(uint64_t scan, bool withResult) const {
    BVLockGuard lock(mutex_);
    auto it = scans_.find(scan);
    if (it == scans_.end()) return std::nullopt;
    return describe(it->first, it->second, withResult);
}

BVValue BVUIScans::progressOfAll() const {
    BVLockGuard lock(mutex_);
    BVArray scans, cleans;
    for (const auto& [id, scan] : scans_) scans.push_back(describe(id, scan, false));
    for (const auto& [id, clean] : cleans_) cleans.push_back(describe(id, clean, false));
    return BVValue(BVDictionary{{"generation", BVValue(int64_t(generation_))},
                                {"scans", BVValue(std::move(scans))},
                                {"cleans", BVValue(std::move(cleans))}});
}

BVValue BVUIScans::describe(uint64_t id, const Clean& c, bool withReport) {
    BVDictionary out = c.describe(id);
    out["scan"] = BVValue(int64_t(c.scan));
    if (withReport && c.report) out["report"] = *c.report;
    return BVValue(std::move(out));
}

BVValue BVUIScans::describe(uint64_t scan, const Scan& s, bool withResult) {
    BVArray tasks;
    for (const auto& t : s.tasks)
        tasks.push_back(BVValue(BVDictionary{{"identifier", BVValue(t.identifier)}, {"state", BVValue(t.state)},
                                             {"size", BVValue(int64_t(t.size))}}));
    BVDictionary out = s.describe(scan);
    out["tasks"] = BVValue(std::move(tasks));
    if (withResult && s.document) out["result"] = *s.document;
    return BVValue(std::move(out));
}

uint64_t BVUIScans::generation() const {
    BVLockGuard lock(mutex_);
    return generation_;
}

BVEntityPtr BVUIScans::entityAt(uint64_t scan, const std::vector<size_t>& indexPath) const {
    BVLockGuard lock(mutex_);
    auto it = scans_.find(scan);
    if (it == scans_.end() || !it->second.result || indexPath.size() < 2) return nullptr;
    const auto& outcomes = it->second.result->outcomes;
    if (indexPath[0] >= outcomes.size() || !outcomes[indexPath[0]].result) return nullptr;
    auto items = outcomes[indexPath[0]].result->items().value_or(std::vector<BVEntityPtr>{});
    if (indexPath[1] >= items.size()) return nullptr;
    BVEntityPtr entity = items[indexPath[1]];
    for (size_t level = 2; level < indexPath.size(); ++level) {
        auto tree = std::dynamic_pointer_cast<BVTreeEntity>(entity);
        if (!tree) return nullptr;
        const auto& children = tree->children();
        if (indexPath[level] >= children.size()) return nullptr;
        entity = children[indexPath[level]];
    }
    return entity;
}

std::optional<std::pair<std::string, std::shared_ptr<BVRemovalGuard>>> BVUIScans::finishedScan(uint64_t scan) const {
    BVLockGuard lock(mutex_);
    auto it = scans_.find(scan);
    if (it == scans_.end() || it->second.state != "done") return std::nullopt;
    return std::make_pair(it->second.module, it->second.guard);
}

bool BVUIScans::isStale(uint64_t scan) const {
    BVLockGuard lock(mutex_);
    return staleLocked(scan);
}

bool BVUIScans::staleLocked(uint64_t scan) const {
    auto it = scans_.find(scan);
    if (it == scans_.end() || it->second.state != "done") return true;
    auto ended = cleansEnded_.find(it->second.module);
    if (ended != cleansEnded_.end() && ended->second != it->second.cleansBefore) return true;
    for (const auto& [id, clean] : cleans_)
        if (clean.module == it->second.module && clean.state == "running") return true;
    return false;
}

std::optional<uint64_t> BVUIScans::beginClean(uint64_t scan) {
    BVLockGuard lock(mutex_);
    if (staleLocked(scan)) return std::nullopt;
    uint64_t id = nextClean_++;
    Clean& clean = cleans_[id];
    clean.scan = scan;
    clean.module = scans_[scan].module;
    ++generation_;
    return id;
}

void BVUIScans::setCleanProgress(uint64_t clean, double fraction, uint64_t bytes, const std::string& path) {
    BVLockGuard lock(mutex_);
    auto it = cleans_.find(clean);
    if (it == cleans_.end()) return;
    it->second.setProgress(fraction, bytes, path);
    ++generation_;
}

void BVUIScans::finishClean(uint64_t clean, const BVModuleClean& result) {
    auto report = BVCleanPrinter::cleanJSON(result);
    BVLockGuard lock(mutex_);
    auto it = cleans_.find(clean);
    if (it == cleans_.end()) return;
    it->second.state = "done";
    it->second.fraction = 1;
    it->second.report = std::move(report);
    ++cleansEnded_[it->second.module];
    ++generation_;
}

std::optional<BVValue> BVUIScans::cleanSnapshot(uint64_t clean, bool withReport) const {
    BVLockGuard lock(mutex_);
    auto it = cleans_.find(clean);
    if (it == cleans_.end()) return std::nullopt;
    return describe(it->first, it->second, withReport);
}

namespace {
template <typename Jobs>
bool requestStopOf(Jobs& jobs, uint64_t id) {
    auto it = jobs.find(id);
    if (it == jobs.end() || it->second.state != "running") return false;
    it->second.stopRequested = true;
    return true;
}
template <typename Jobs>
bool stopRequestedOf(const Jobs& jobs, uint64_t id) {
    auto it = jobs.find(id);
    return it != jobs.end() && it->second.stopRequested;
}
}  // namespace

bool BVUIScans::requestStop(uint64_t scan) {
    BVLockGuard lock(mutex_);
    return requestStopOf(scans_, scan);
}

bool BVUIScans::requestCleanStop(uint64_t clean) {
    BVLockGuard lock(mutex_);
    return requestStopOf(cleans_, clean);
}

bool BVUIScans::stopRequested(uint64_t scan) const {
    BVLockGuard lock(mutex_);
    return stopRequestedOf(scans_, scan);
}

bool BVUIScans::cleanStopRequested(uint64_t clean) const {
    BVLockGuard lock(mutex_);
    return stopRequestedOf(cleans_, clean);
}
