#include "App/UI/BVUIServer.h"

#include <httplib.h>

#include <algorithm>
#include <future>

#include "App/BVCleanRun.h"
#include "App/BVIgnoreListEditor.h"
#include "App/BVInterruption.h"
#include "App/BVStartupItems.h"
#include "ScanningService/CoreScanning/BVIgnoreStrategyType.h"
#include "App/UI/BVUIAssets.h"
#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVLogger.h"
#include "App/BVScanRunner.h"
#include "OptimizationModule/BVOptimizationModule.h"

namespace {

// The documents go uncompressed: on the loopback address compressing costs time and saves
// nothing, and the server's compressor would spend seconds on a scan of many entities. The
// server compresses "application/json" exactly, not the type with its charset.
void sendJSON(httplib::Response& response, const BVValue& document, int status = 200) {
    response.status = status;
    response.set_content(BVJSONCodec::encode(document), "application/json; charset=utf-8");
}

void sendError(httplib::Response& response, int status, const std::string& message) {
    sendJSON(response, BVValue(BVDictionary{{"error", BVValue(message)}}), status);
}

const BVSmartScanSection kSections[] = {BVSmartScanSection::Cleanup, BVSmartScanSection::Protection,
                                        BVSmartScanSection::Speed};

BVValue modulesDocument(const BVModuleRegistry& registry, const BVPaths& paths) {
    auto withLists = BVIgnoreListEditor::modulesWithLists(registry);
    BVArray modules;
    for (const auto& m : registry.modules()) {
        BVArray tasks;
        for (const auto& t : m.tasks)
            tasks.push_back(BVValue(BVDictionary{{"identifier", BVValue(t.identifier)}, {"key", BVValue(t.key)},
                                                 {"displayName", BVValue(m.taskDisplayName(t.identifier))}}));
        modules.push_back(BVValue(BVDictionary{{"name", BVValue(m.name)},
                                               {"displayName", BVValue(m.displayName)},
                                               {"section", BVValue(BVSmartScanSectionName(m.section))},
                                               {"ownFiles", BVValue(m.ownFiles)},
                                               {"ignoreList", BVValue(std::find(withLists.begin(), withLists.end(), m.name) != withLists.end())},
                                               {"tasks", BVValue(std::move(tasks))}}));
    }
    return BVValue(BVDictionary{{"modules", BVValue(std::move(modules))}, {"home", BVValue(paths.home())}});
}

// A scan's or a clean's progress as the window keeps it: each change hands over the whole of it.
class BVUIProgress : public BVProgressSink {
public:
    using Report = std::function<void(double fraction, uint64_t bytes, const std::string& path)>;
    explicit BVUIProgress(Report report) : report_(std::move(report)) {}
    void begin(const std::string&) override {}
    void setFraction(double fraction) override { report_(fraction_ = fraction, bytes_, ""); }
    void setBytes(uint64_t bytes) override { report_(fraction_, bytes_ = bytes, ""); }
    void setPath(const std::string& path) override { report_(fraction_, bytes_, path); }
    void end() override {}

private:
    Report report_;
    double fraction_ = 0;
    uint64_t bytes_ = 0;
};

}  // namespace

BVUIServer::BVUIServer(const BVEnvironment& environment, const BVModuleRegistry& registry)
    : environment_(environment), registry_(registry), server_(std::make_unique<httplib::Server>()),
      token_(BVUIAccessPolicy::makeToken()) {}

BVUIServer::~BVUIServer() {
    requestStop();
    if (server_) server_->stop();
    if (listener_.joinable()) listener_.join();
}

bool BVUIServer::start(uint16_t port) {
    int bound = port == 0 ? server_->bind_to_any_port("127.0.0.1") : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) return false;
    port_ = uint16_t(bound);
    policy_ = std::make_unique<BVUIAccessPolicy>(token_, port_);
    routes();
    listener_ = std::thread([this] { server_->listen_after_bind(); });
    return true;
}

std::string BVUIServer::address() const { return policy_->origin() + "/?token=" + token_; }

void BVUIServer::routes() {
    // The gate every request passes first.
    server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        BVUIRequestFacts facts{request.method, request.get_header_value("Host"), std::nullopt, request.get_header_value("Cookie"),
                               std::nullopt};
        if (request.has_header("Origin")) facts.origin = request.get_header_value("Origin");
        if (request.has_param("token")) facts.queryToken = request.get_param_value("token");
        auto decision = policy_->decide(facts);
        if (!decision.allowed) {
            BVLogger::warning("Review window: refused " + request.method + " " + request.path + " (" + decision.reason + ")");
            response.status = 403;
            response.set_content("Forbidden\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (decision.setCookie) response.set_header("Set-Cookie", policy_->cookie());
        // The pages are this program's own: no framing by others, nothing fetched from elsewhere.
        response.set_header("Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Referrer-Policy", "no-referrer");
        response.set_header("Cache-Control", "no-store");
        return httplib::Server::HandlerResponse::Unhandled;
    });

    server_->Get("/", [this](const httplib::Request&, httplib::Response& response) {
        {
            std::lock_guard lock(mutex_);
            pageLoaded_ = true;
        }
        const BVUIAsset* page = BVUIAssetNamed("index.html");
        response.set_content(std::string(page->body), page->type);
    });
    server_->Get(R"(/assets/([A-Za-z0-9_.-]+))", [](const httplib::Request& request, httplib::Response& response) {
        const BVUIAsset* asset = BVUIAssetNamed(request.matches[1].str());
        if (!asset) return sendError(response, 404, "no such asset");
        response.set_content(std::string(asset->body), asset->type);
    });
    server_->Get("/api/modules", [this](const httplib::Request&, httplib::Response& response) {
        sendJSON(response, modulesDocument(registry_, *environment_.paths));
    });
    // One module's scan, or Smart Scan: a scan of every module of each section, in section order.
    server_->Post("/api/scans", [this](const httplib::Request& request, httplib::Response& response) {
        auto body = BVJSONCodec::decode(request.body);
        if (body && (*body)["smartScan"].boolValue()) {
            BVArray scans;
            for (BVSmartScanSection section : kSections)
                for (const BVModule* module : registry_.modulesInSection(section)) {
                    uint64_t id = scans_.begin(module->name);
                    post([this, id, module] { runScan(id, *module); });
                    scans.push_back(BVValue(BVDictionary{{"id", BVValue(int64_t(id))}, {"module", BVValue(module->name)},
                                                         {"section", BVValue(BVSmartScanSectionName(section))}}));
                }
            return sendJSON(response, BVValue(BVDictionary{{"scans", BVValue(std::move(scans))}}), 202);
        }
        std::string name = body ? (*body)["module"].stringValue() : "";
        const BVModule* module = registry_.moduleNamed(name);
        if (!module) return sendError(response, 400, "no module named \"" + name + "\"");
        uint64_t id = scans_.begin(module->name);
        post([this, id, module] { runScan(id, *module); });
        sendJSON(response, BVValue(BVDictionary{{"id", BVValue(int64_t(id))}}), 202);
    });
    server_->Get(R"(/api/scans/(\d{1,18}))", [this](const httplib::Request& request, httplib::Response& response) {
        auto snapshot = scans_.snapshot(std::stoull(request.matches[1].str()));
        if (!snapshot) return sendError(response, 404, "no such scan");
        sendJSON(response, *snapshot);
    });
    // What a clean of the chosen entities would take, and the applications it would have to quit.
    server_->Post(R"(/api/scans/(\d{1,18})/preview)", [this](const httplib::Request& request, httplib::Response& response) {
        auto chosen = choice(request, response);
        if (!chosen) return;
        const auto& entities = chosen->entities;
        BVCleanRun run(environment_, *chosen->module, entities, chosen->guard);
        BVArray applications;
        for (const auto& a : run.blockingApplications())
            applications.push_back(BVValue(BVDictionary{{"bundleIdentifier", BVValue(a->bundleIdentifier())},
                                                        {"processIdentifier", BVValue(int64_t(a->processIdentifier()))}}));
        sendJSON(response, BVValue(BVDictionary{{"count", BVValue(int64_t(entities.size()))},
                                                {"size", BVValue(int64_t(BVCleanPrinter::totalSize(entities)))},
                                                {"stale", BVValue(scans_.isStale(chosen->scan))},
                                                {"applications", BVValue(std::move(applications))}}));
    });
    // Removes exactly the chosen entities of a scan, re-checking each path as the command line does.
    server_->Post(R"(/api/scans/(\d{1,18})/clean)", [this](const httplib::Request& request, httplib::Response& response) {
        auto chosen = choice(request, response);
        if (!chosen) return;
        if (chosen->entities.empty()) return sendError(response, 400, "nothing is chosen");
        auto begun = scans_.beginClean(chosen->scan);
        if (!begun) return sendError(response, 409, "scan again");
        uint64_t id = *begun;
        post([this, id, chosen = *chosen] { runClean(id, *chosen.module, chosen.entities, chosen.guard, chosen.quitApplications); });
        sendJSON(response, BVValue(BVDictionary{{"id", BVValue(int64_t(id))}}), 202);
    });
    server_->Get(R"(/api/cleans/(\d{1,18}))", [this](const httplib::Request& request, httplib::Response& response) {
        auto snapshot = scans_.cleanSnapshot(std::stoull(request.matches[1].str()));
        if (!snapshot) return sendError(response, 404, "no such clean");
        sendJSON(response, *snapshot);
    });
    // "Never offer again" for an entity of a scan: it goes on the ignore list the way the entity
    // says it is ignored (a cache group by its application, a file by its path).
    server_->Post(R"(/api/scans/(\d{1,18})/ignore)", [this](const httplib::Request& request, httplib::Response& response) {
        auto chosen = choice(request, response);
        if (!chosen) return;
        if (chosen->entities.size() != 1) return sendError(response, 400, "name one entity");
        if (!BVIgnoreListEditor::forModule(chosen->module->name, environment_.knowledgeBase, *environment_.paths))
            return sendError(response, 409, "the module \"" + chosen->module->name + "\" has no ignore list");
        const auto& entity = chosen->entities.front();
        if (!entity->ignoreStrategy() || !entity->ignoreStrategy()->isIgnorable())
            return sendError(response, 409, "this item cannot be put on the ignore list");
        entity->ignore();
        sendJSON(response, BVValue(BVDictionary{{"ignored", BVValue(true)}}));
    });
    // A module's ignore list, and adding or taking back a path as `brenvik ignore` does.
    server_->Get("/api/ignore", [this](const httplib::Request& request, httplib::Response& response) {
        auto editor = ignoreListEditor(request.get_param_value("module"), response);
        if (!editor) return;
        BVArray items;
        for (const auto& entry : editor->entries()) {
            BVDictionary item{{"value", BVValue(entry.value)}, {"isRegex", BVValue(entry.isRegex)}, {"title", BVValue(entry.title)}};
            if (!entry.subtitle.empty()) item["subtitle"] = BVValue(entry.subtitle);
            items.push_back(BVValue(std::move(item)));
        }
        sendJSON(response, BVValue(BVDictionary{{"module", BVValue(request.get_param_value("module"))}, {"items", BVValue(std::move(items))}}));
    });
    server_->Post(R"(/api/ignore/(add|remove))", [this](const httplib::Request& request, httplib::Response& response) {
        auto body = BVJSONCodec::decode(request.body);
        if (!body) return sendError(response, 400, "the request is not JSON");
        auto editor = ignoreListEditor((*body)["module"].stringValue(), response);
        if (!editor) return;
        std::string given = (*body)["value"].stringValue();
        if (given.empty()) return sendError(response, 400, "no value is given");
        std::string value = editor->storedValue(given, false);
        if (request.matches[1].str() == "add") {
            if (editor->add(value, false) == BVIgnoreListEditor::Outcome::Failed)
                return sendError(response, 500, value + " could not be added to the ignore list");
        } else if (!editor->contains(value)) {
            return sendError(response, 404, value + " is not on the ignore list");
        } else if (!editor->remove(value)) {
            return sendError(response, 500, value + " could not be removed from the ignore list");
        }
        sendJSON(response, BVValue(BVDictionary{{"value", BVValue(value)}}));
    });
    // What starts by itself, and switching one item. The items come from a scan, which runs on
    // the main thread between the other jobs.
    server_->Get("/api/startup", [this](const httplib::Request&, httplib::Response& response) {
        auto answer = onMainThread([this] {
            auto services = BVOptimizationModule::standardServices(environment_);
            return Answer{200, BVStartupItemsDocument(BVListStartupItems(environment_, services), services)};
        });
        if (!answer) return sendError(response, 503, "the window is stopping");
        sendJSON(response, answer->document, answer->status);
    });
    server_->Post("/api/startup", [this](const httplib::Request& request, httplib::Response& response) {
        auto body = BVJSONCodec::decode(request.body);
        if (!body || !(*body)["enabled"].isBool()) return sendError(response, 400, "say which item, and whether it is to be on");
        std::string wanted = (*body)["item"].stringValue();
        bool on = (*body)["enabled"].boolValue();
        auto answer = onMainThread([this, wanted, on] {
            auto services = BVOptimizationModule::standardServices(environment_);
            auto items = BVListStartupItems(environment_, services);
            const BVStartupItem* item = BVFindStartupItem(items, *environment_.paths, wanted);
            auto error = [](int status, const std::string& message) {
                return Answer{status, BVValue(BVDictionary{{"error", BVValue(message)}})};
            };
            if (!item) return error(404, "no start-up item is named \"" + wanted + "\"");
            if (auto reason = BVSetStartupItemEnabled(*item, on)) return error(409, item->name + " was left as it was: " + *reason);
            return Answer{200, BVStartupItemsDocument(BVListStartupItems(environment_, services), services)};
        });
        if (!answer) return sendError(response, 503, "the window is stopping");
        sendJSON(response, answer->document, answer->status);
    });
    // Stops a scan or a clean the page started (the Stop button).
    server_->Post(R"(/api/(scans|cleans)/(\d{1,18})/stop)", [this](const httplib::Request& request, httplib::Response& response) {
        uint64_t id = std::stoull(request.matches[2].str());
        if (request.matches[1].str() == "scans") {
            if (!scans_.requestStop(id)) return sendError(response, 409, "the scan is not running");
        } else {
            if (!scans_.requestCleanStop(id)) return sendError(response, 409, "the clean is not running");
            std::lock_guard lock(mutex_);
            if (cleanStop_ && runningClean_ == id) cleanStop_->request();
        }
        sendJSON(response, BVValue(BVDictionary{{"stopping", BVValue(true)}}));
    });
    // The page's one event stream: every scan's progress whenever something changed, and a
    // comment every few seconds so that a closed page is noticed. While one is open the window
    // counts as in use.
    server_->Get("/api/events", [this](const httplib::Request&, httplib::Response& response) {
        {
            std::lock_guard lock(mutex_);
            ++openStreams_;
        }
        auto seen = std::make_shared<uint64_t>(UINT64_MAX);
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, seen](size_t, httplib::DataSink& sink) {
                auto quiet = std::chrono::steady_clock::now();
                for (;;) {
                    {
                        std::lock_guard lock(mutex_);
                        if (stop_) return false;
                    }
                    if (uint64_t generation = scans_.generation(); generation != *seen) {
                        *seen = generation;
                        std::string event = "data: " + BVJSONCodec::encode(scans_.progressOfAll()) + "\n\n";
                        if (!sink.write(event.data(), event.size())) return false;
                        quiet = std::chrono::steady_clock::now();
                    } else if (std::chrono::steady_clock::now() - quiet > std::chrono::seconds(5)) {
                        if (!sink.write(": still here\n\n", 14)) return false;
                        quiet = std::chrono::steady_clock::now();
                    }
                    if (!sink.is_writable()) return false;
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            },
            [this](bool) {
                std::lock_guard lock(mutex_);
                --openStreams_;
                lastStreamClosed_ = std::chrono::steady_clock::now();
            });
    });
}

void BVUIServer::post(std::function<void()> job) {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    wake_.notify_all();
}

std::optional<BVUIServer::Answer> BVUIServer::onMainThread(std::function<Answer()> work) {
    auto promise = std::make_shared<std::promise<Answer>>();
    auto future = promise->get_future();
    post([promise, work = std::move(work)] { promise->set_value(work()); });
    // A job the loop drops when it stops breaks its promise.
    try {
        return future.get();
    } catch (const std::future_error&) {
        return std::nullopt;
    }
}

std::optional<BVIgnoreListEditor> BVUIServer::ignoreListEditor(const std::string& module, httplib::Response& response) const {
    if (!registry_.moduleNamed(module)) {
        sendError(response, 400, "no module named \"" + module + "\"");
        return std::nullopt;
    }
    auto editor = BVIgnoreListEditor::forModule(module, environment_.knowledgeBase, *environment_.paths);
    if (!editor) sendError(response, 400, "the module \"" + module + "\" has no ignore list");
    else if (environment_.knowledgeBase->userDatabaseState() == BVUserDatabaseState::Damaged) {
        sendError(response, 409, "the user knowledge base cannot be read; the ignore list is unavailable");
        return std::nullopt;
    }
    return editor;
}

void BVUIServer::requestStop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    if (cleanStop_) cleanStop_->request();
    wake_.notify_all();
}

void BVUIServer::runScan(uint64_t id, const BVModule& module) {
    auto tasks = module.makeTasks(environment_);
    std::vector<std::string> identifiers;
    for (const auto& t : tasks) identifiers.push_back(t->identifier());
    scans_.setTasks(id, identifiers);
    BVUIProgress progress([this, id](double fraction, uint64_t bytes, const std::string& path) {
        scans_.setProgress(id, fraction, bytes, path);
    });
    BVScanRunner runner(&progress);
    runner.onTaskFinish([this, id](const BVScanTaskPtr& task, const BVScanResultPtr& result) {
        scans_.taskFinished(id, task->identifier(), result ? result->size() : 0);
    });
    runner.setStopCheck([this, id] {
        {
            std::lock_guard lock(mutex_);
            if (stop_) return true;
        }
        return scans_.stopRequested(id);
    });
    auto outcomes = runner.run("ui." + module.name, tasks);
    BVModuleScan scan{module.name, module.displayName, &module, std::move(outcomes), module.ownFiles, runner.cancelled()};
    // What is shown is what a clean may take: the identity of every path, as it is now.
    std::vector<BVEntityPtr> shown;
    for (const auto& o : scan.outcomes)
        if (o.result)
            for (const auto& item : o.result->items().value_or(std::vector<BVEntityPtr>{})) shown.push_back(item);
    auto guard = BVRecordShownEntities(shown, {}, environment_.knowledgeBase, module.name, environment_);
    scans_.finish(id, std::move(scan), std::move(guard));
}

std::optional<BVUIServer::Choice> BVUIServer::choice(const httplib::Request& request, httplib::Response& response) const {
    Choice chosen;
    chosen.scan = std::stoull(request.matches[1].str());
    auto finished = scans_.finishedScan(chosen.scan);
    if (!finished) {
        sendError(response, 404, "no finished scan " + std::to_string(chosen.scan));
        return std::nullopt;
    }
    chosen.module = registry_.moduleNamed(finished->first);
    chosen.guard = finished->second;
    auto refuse = [&] {
        sendError(response, 400, "the entities are not this scan's");
        return std::nullopt;
    };
    auto body = BVJSONCodec::decode(request.body);
    if (!body) return refuse();
    std::vector<std::vector<size_t>> paths;
    for (const auto& item : (*body)["entities"].arrayValue()) {
        std::vector<size_t> path;
        for (const auto& index : item.arrayValue()) {
            if (!index.isInteger() || index.int64Value(-1) < 0) return refuse();
            path.push_back(size_t(index.int64Value()));
        }
        paths.push_back(std::move(path));
    }
    chosen.quitApplications = (*body)["quitApplications"].boolValue();
    // In scan order, each once, and nothing inside something already chosen.
    std::sort(paths.begin(), paths.end());
    const std::vector<size_t>* outer = nullptr;
    for (const auto& path : paths) {
        if (outer && path.size() >= outer->size() && std::equal(outer->begin(), outer->end(), path.begin())) continue;
        auto entity = scans_.entityAt(chosen.scan, path);
        if (!entity) return refuse();
        chosen.entities.push_back(entity);
        outer = &path;
    }
    return chosen;
}

void BVUIServer::runClean(uint64_t id, const BVModule& module, std::vector<BVEntityPtr> entities,
                          std::shared_ptr<BVRemovalGuard> guard, bool quitApplications) {
    BVUIProgress progress([this, id](double fraction, uint64_t bytes, const std::string& path) {
        scans_.setCleanProgress(id, fraction, bytes, path);
    });
    BVCleanStop stop;
    {
        std::lock_guard lock(mutex_);
        cleanStop_ = &stop;
        runningClean_ = id;
        if (stop_ || scans_.cleanStopRequested(id)) stop.request();
    }
    BVCleanRun run(environment_, module, std::move(entities), std::move(guard));
    auto clean = run.run(quitApplications, progress, stop);
    {
        std::lock_guard lock(mutex_);
        cleanStop_ = nullptr;
    }
    run.finish();
    scans_.finishClean(id, clean);
}

void BVUIServer::runMainLoop(BVInterruption* interruption, std::chrono::milliseconds idleTimeout) {
    BVInterruption::Scope stop(interruption, [this] { requestStop(); });
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stop_ || !jobs_.empty(); });
            if (stop_) break;
            if (pageLoaded_ && openStreams_ == 0 && jobs_.empty() &&
                std::chrono::steady_clock::now() - lastStreamClosed_ > idleTimeout) {
                BVLogger::info("Review window: no page open any more; stopping");
                break;
            }
            if (!jobs_.empty()) {
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
        }
        if (job) job();
        BVRunLoop::drain();
    }
    // Requests waiting for a job that will not run now are answered (their promises break).
    {
        std::lock_guard lock(mutex_);
        jobs_.clear();
    }
    server_->stop();
}
