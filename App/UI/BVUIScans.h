// BVUIScans: the scans and cleans the review window has run, kept for as long as the window
// runs, so that a clean can name the entities of one scan. A scan is numbered from 1; while it
// runs it has a progress (fraction, bytes found, current path, each task's state); when done,
// its outcomes, their JSON document (the command line's, so pages read what `brenvik scan
// --json` prints) and the guard holding the identity of every path it showed. An entity is named
// by its index path in that document: the result's index, then the index of each entity on the
// way down. A clean is numbered from 1 too, with its progress and, when done, the command line's
// clean document. A scan that ended before the last clean of its module ended is stale: what it
// shows may be gone. Safe from any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "App/BVCleanPrinter.h"
#include "App/BVResultPrinter.h"
#include "App/BVScanRunner.h"
#include "Foundation/BVThreadSafety.h"
#include "Foundation/BVValue.h"
#include "ScanningService/CoreScanning/BVRemovalGuard.h"

class BVUIScans {
public:
    // A new running scan of `module`; answers its number. Its tasks are known once they are made.
    uint64_t begin(const std::string& module);
    void setTasks(uint64_t scan, const std::vector<std::string>& taskIdentifiers);
    void setProgress(uint64_t scan, double fraction, uint64_t bytes, const std::string& path);
    void taskFinished(uint64_t scan, const std::string& identifier, uint64_t size);
    void finish(uint64_t scan, BVModuleScan result, std::shared_ptr<BVRemovalGuard> guard);

    // {"id", "module", "state": "running"|"done"|"cancelled", "fraction", "bytes", "path",
    //  "tasks": [{"identifier", "state", "size"}], "result": scan document (when done and
    //  asked for)}; none for an unknown scan.
    std::optional<BVValue> snapshot(uint64_t scan, bool withResult = true) const;
    // Every scan's snapshot without its result, in order.
    BVValue progressOfAll() const;
    // A change counter: it grows whenever any scan changes, for event streams to wait on.
    uint64_t generation() const;
    // The entity at `indexPath` of a finished scan; none when the scan or the path is unknown.
    BVEntityPtr entityAt(uint64_t scan, const std::vector<size_t>& indexPath) const;
    // The module of a finished scan and the guard of what it showed; none for an unknown or
    // unfinished scan.
    std::optional<std::pair<std::string, std::shared_ptr<BVRemovalGuard>>> finishedScan(uint64_t scan) const;
    // Stale: a clean of its module ended after it, or is running now.
    bool isStale(uint64_t scan) const;

    // A new running clean of a finished scan; none when the scan is stale or a clean of its
    // module has not ended yet (what it shows is about to change).
    std::optional<uint64_t> beginClean(uint64_t scan);
    void setCleanProgress(uint64_t clean, double fraction, uint64_t bytes, const std::string& path);
    void finishClean(uint64_t clean, const BVModuleClean& result);
    // {"id", "scan", "module", "state": "running"|"done", "fraction", "bytes", "path",
    //  "report": clean document (when done and asked for)}
    std::optional<BVValue> cleanSnapshot(uint64_t clean, bool withReport = true) const;

    // Asks a running scan (or clean) to stop; false when it is not running. A scan stops between
    // its tasks' steps and keeps what finished; a clean stops between entities.
    bool requestStop(uint64_t scan);
    bool requestCleanStop(uint64_t clean);
    bool stopRequested(uint64_t scan) const;
    bool cleanStopRequested(uint64_t clean) const;

private:
    struct Task {
        std::string identifier;
        std::string state = "waiting";
        uint64_t size = 0;
    };
    // What a scan and a clean both have: their module and their progress.
    struct Job {
        std::string module;
        std::string state = "running";
        double fraction = 0;
        uint64_t bytes = 0;
        std::string path;
        bool stopRequested = false;
        void setProgress(double fraction, uint64_t bytes, const std::string& path);
        BVDictionary describe(uint64_t id) const;  // "id", "module", "state", "fraction", "bytes", "path"
    };
    struct Scan : Job {
        std::vector<Task> tasks;
        std::optional<BVModuleScan> result;
        std::optional<BVValue> document;
        std::shared_ptr<BVRemovalGuard> guard;
        uint64_t cleansBefore = 0;  // the module's cleans that had ended when the scan ended
    };

    struct Clean : Job {
        uint64_t scan = 0;
        std::optional<BVValue> report;
    };
    bool staleLocked(uint64_t scan) const BV_REQUIRES(mutex_);
    static BVValue describe(uint64_t id, const Scan& scan, bool withResult);
    static BVValue describe(uint64_t id, const Clean& clean, bool withReport);

    mutable BVMutex mutex_;
    std::map<uint64_t, Scan> scans_ BV_GUARDED_BY(mutex_);
    std::map<uint64_t, Clean> cleans_ BV_GUARDED_BY(mutex_);
    std::map<std::string, uint64_t> cleansEnded_ BV_GUARDED_BY(mutex_);  // by module
    uint64_t next_ BV_GUARDED_BY(mutex_) = 1;
    uint64_t nextClean_ BV_GUARDED_BY(mutex_) = 1;
    uint64_t generation_ BV_GUARDED_BY(mutex_) = 0;
};
