// BVUIServer: the review window's HTTP server on the loopback address. It serves the pages
// (compiled into the program) and a JSON API over the command line's documents:
//   GET  /                       the page (the token in the query on the first load)
//   GET  /assets/NAME            the pages' scripts and style
//   GET  /api/modules            the modules with their sections and tasks, and the home
//   POST /api/scans              {"module": NAME} starts a scan, answers {"id": N};
//                                {"smartScan": true} starts one of every module of each Smart
//                                Scan section, answers {"scans": [{"id", "module", "section"}]}
//   GET  /api/scans/N            the scan's progress, and its result once done
//   POST /api/scans/N/preview    {"entities": [INDEX PATH, ...]}: their count and size, and the
//                                applications that use them and run now
//   POST /api/scans/N/clean      {"entities": [...], "quitApplications": BOOL} removes exactly
//                                those, answers {"id": C}; a stale scan gets 409 "scan again"
//   GET  /api/cleans/C           the clean's progress, and its report once done
//   POST /api/scans/N/ignore     {"entities": [INDEX PATH]}: never offer that entity again
//   GET  /api/ignore?module=NAME the module's ignore list
//   POST /api/ignore/add|remove  {"module": NAME, "value": PATH} ("never offer again", and back)
//   GET  /api/startup            what starts by itself (`brenvik startup list --json`)
//   POST /api/startup            {"item": NAME or PATH, "enabled": BOOL} switches one item
//   POST /api/scans/N/stop, POST /api/cleans/C/stop   stops a running scan or clean
//   GET  /api/events             every scan's and clean's progress as server-sent events
// Every request passes BVUIAccessPolicy first; a refused one gets 403 and changes nothing.
// Requests are served on the server's own threads; scans run on the main thread, which must
// call `runMainLoop` (the scan queues deliver their callbacks there). The page keeps an event
// stream open: once none has been open for `idleTimeout` after the first page load, or on a
// stop request, the loop ends and the server stops.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "App/BVIgnoreListEditor.h"
#include "App/BVModuleRegistry.h"
#include "App/UI/BVUIAccessPolicy.h"
#include "App/UI/BVUIScans.h"
#include "Foundation/BVEnvironment.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}
class BVCleanStop;
class BVInterruption;

class BVUIServer {
public:
    BVUIServer(const BVEnvironment& environment, const BVModuleRegistry& registry);
    ~BVUIServer();

    // Binds 127.0.0.1:`port` (0: a free port) and starts serving; false when it cannot bind.
    bool start(uint16_t port);
    uint16_t port() const { return port_; }
    // The address to open, with this run's token.
    std::string address() const;

    // Runs the scans the pages ask for until the window is left or a stop is requested.
    void runMainLoop(BVInterruption* interruption, std::chrono::milliseconds idleTimeout);
    // Ends the loop (any thread).
    void requestStop();

    const BVUIScans& scans() const { return scans_; }

private:
    void routes();
    void post(std::function<void()> job);
    // Runs `work` on the main thread between the other jobs and answers its result; none when
    // the window stopped first.
    struct Answer {
        int status = 200;
        BVValue document;
    };
    std::optional<Answer> onMainThread(std::function<Answer()> work);
    // The editor of a module's ignore list; none, with the error sent, when there is none.
    std::optional<BVIgnoreListEditor> ignoreListEditor(const std::string& module, httplib::Response& response) const;
    void runScan(uint64_t id, const BVModule& module);
    void runClean(uint64_t id, const BVModule& module, std::vector<BVEntityPtr> entities, std::shared_ptr<BVRemovalGuard> guard,
                  bool quitApplications);
    // What a preview or clean request names: a finished scan (its number in the path) and its
    // entities by index path. None, with the error sent, when the scan is not finished or an
    // entity is not of it.
    struct Choice {
        uint64_t scan = 0;
        const BVModule* module = nullptr;
        std::shared_ptr<BVRemovalGuard> guard;
        std::vector<BVEntityPtr> entities;
        bool quitApplications = false;
    };
    std::optional<Choice> choice(const httplib::Request& request, httplib::Response& response) const;

    const BVEnvironment& environment_;
    const BVModuleRegistry& registry_;
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<BVUIAccessPolicy> policy_;
    std::string token_;
    uint16_t port_ = 0;
    std::thread listener_;
    BVUIScans scans_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stop_ = false;
    BVCleanStop* cleanStop_ = nullptr;  // the clean running now
    uint64_t runningClean_ = 0;
    int openStreams_ = 0;
    bool pageLoaded_ = false;
    std::chrono::steady_clock::time_point lastStreamClosed_ = std::chrono::steady_clock::now();
};
