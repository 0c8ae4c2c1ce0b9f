// The review window's server over real loopback HTTP: the gate in front of every request, a
// scan of a fixture home through the API with its progress stream, a clean of chosen entities,
// Smart Scan, the ignore list, start-up items, and the end of the window once its last page has
// gone.
#include <gtest/gtest.h>

#include <httplib.h>

#include <thread>

#include "App/BVModuleRegistry.h"
#include "App/UI/BVUIServer.h"
#include "Foundation/BVJSONCodec.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVDiskSnapshot.h"

namespace {

struct Window {
    BVJunkFixture fixture;
    BVModuleRegistry registry;
    std::unique_ptr<BVUIServer> server;
    std::string token;

    Window() {
        BVRegisterModules(registry);
        server = std::make_unique<BVUIServer>(fixture.environment(), registry);
        EXPECT_TRUE(server->start(0));
        std::string address = server->address();
        token = address.substr(address.find("token=") + 6);
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(server->port()); }
    std::string origin() const { return "http://" + host(); }
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", server->port());
        c.set_read_timeout(10, 0);
        return c;
    }
    // Polls a scan's or a clean's address until its state is "done"; none after half a minute.
    static std::optional<BVValue> whenDone(httplib::Client& c, const std::string& path, const httplib::Headers& headers) {
        for (int i = 0; i < 600; ++i) {
            auto r = c.Get(path, headers);
            auto document = r ? BVJSONCodec::decode(r->body) : std::nullopt;
            if (document && (*document)["state"].stringValue() == "done") return document;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }
    // Runs `requests` on another thread while this (the main) thread serves the window's loop.
    void drive(const std::function<void()>& requests, std::chrono::milliseconds idle = std::chrono::minutes(1)) {
        std::thread driver([&] {
            requests();
            server->requestStop();
        });
        server->runMainLoop(nullptr, idle);
        driver.join();
    }
};

}  // namespace

TEST(BVUIServer, RefusesEveryRequestWithoutTheTokenTheHostOrTheOrigin) {
    Window w;
    w.drive([&] {
        auto c = w.client();
        std::string cookie = "brenvik_token=" + w.token;
        struct Case {
            const char* what;
            std::string method, path;
            httplib::Headers headers;
            int status;
        } cases[] = {
            {"the page without the token", "GET", "/", {}, 403},
            {"an asset without the token", "GET", "/assets/app.js", {}, 403},
            {"the API without the token", "GET", "/api/modules", {}, 403},
            {"a wrong token", "GET", "/?token=" + std::string(64, '0'), {}, 403},
            {"the page with the token", "GET", "/?token=" + w.token, {}, 200},
            {"the API by the cookie", "GET", "/api/modules", {{"Cookie", cookie}}, 200},
            {"a rebinding name", "GET", "/api/modules", {{"Cookie", cookie}, {"Host", "evil.example:" + std::to_string(w.server->port())}}, 403},
            {"a scan without Origin", "POST", "/api/scans", {{"Cookie", cookie}}, 403},
            {"a scan from a foreign page", "POST", "/api/scans", {{"Cookie", cookie}, {"Origin", "http://evil.example"}}, 403},
            {"a scan by the query token from a foreign page", "POST", "/api/scans?token=" + w.token, {{"Origin", "http://evil.example"}}, 403},
        };
        for (const auto& k : cases) {
            auto r = k.method == "GET" ? c.Get(k.path, k.headers) : c.Post(k.path, k.headers, R"({"module":"system-junk"})", "application/json");
            ASSERT_TRUE(r) << k.what;
            EXPECT_EQ(r->status, k.status) << k.what;
            if (k.status == 403) {
                EXPECT_EQ(r->body, "Forbidden\n") << k.what;
            }
        }
        // The first load hands over the cookie, HttpOnly and SameSite=Strict.
        auto first = c.Get("/?token=" + w.token);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->get_header_value("Set-Cookie"), cookie + "; Path=/; HttpOnly; SameSite=Strict");
        EXPECT_NE(first->body.find("/assets/app.js"), std::string::npos);
    });
    // Nothing refused started anything.
    EXPECT_FALSE(w.server->scans().snapshot(1));
}

TEST(BVUIServer, ScansAModuleAndStreamsItsProgress) {
    Window w;
    w.fixture.file(".cache/com.example.app/data", 40000);
    w.drive([&] {
        auto c = w.client();
        httplib::Headers headers = {{"Cookie", "brenvik_token=" + w.token}, {"Origin", w.origin()}};
        // Documents go uncompressed whatever the browser accepts: compressing a large scan's
        // document took the server's compressor half a minute.
        auto withBrotli = headers;
        withBrotli.emplace("Accept-Encoding", "gzip, deflate, br");
        auto modules = c.Get("/api/modules", withBrotli);
        ASSERT_TRUE(modules && modules->status == 200);
        EXPECT_FALSE(modules->has_header("Content-Encoding"));
        auto document = BVJSONCodec::decode(modules->body);
        ASSERT_TRUE(document);
        EXPECT_EQ((*document)["modules"].arrayValue().at(0)["name"].stringValue(), "system-junk");

        auto unknown = c.Post("/api/scans", headers, R"({"module":"nothing"})", "application/json");
        ASSERT_TRUE(unknown);
        EXPECT_EQ(unknown->status, 400);

        // The event stream is read on its own thread, as a page does, until the scan has ended.
        std::string events;
        std::vector<BVValue> progress;
        std::thread listener([&] {
            auto stream = w.client();
            stream.Get("/api/events", headers, [&](const char* data, size_t length) {
                events.append(data, length);
                for (size_t end; (end = events.find("\n\n")) != std::string::npos; events.erase(0, end + 2))
                    if (events.starts_with("data: "))
                        if (auto event = BVJSONCodec::decode(events.substr(6, end - 6))) progress.push_back(*event);
                if (progress.empty()) return true;
                const auto& scans = progress.back()["scans"].arrayValue();
                return scans.empty() || scans[0]["state"].stringValue() == "running";
            });
        });
        auto started = c.Post("/api/scans", headers, R"({"module":"system-junk"})", "application/json");
        ASSERT_TRUE(started);
        EXPECT_EQ(started->status, 202);
        int64_t id = BVJSONCodec::decode(started->body).value()["id"].int64Value();
        listener.join();
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back()["scans"].arrayValue().at(0)["state"].stringValue(), "done");
        for (const auto& task : progress.back()["scans"].arrayValue().at(0)["tasks"].arrayValue())
            EXPECT_EQ(task["state"].stringValue(), "done") << task["identifier"].stringValue();

        auto scan = c.Get("/api/scans/" + std::to_string(id), headers);
        ASSERT_TRUE(scan && scan->status == 200);
        auto result = BVJSONCodec::decode(scan->body);
        ASSERT_TRUE(result);
        EXPECT_EQ((*result)["state"].stringValue(), "done");
        // The command line's document: the user caches hold the fixture's cache.
        bool found = false;
        for (const auto& r : (*result)["result"]["results"].arrayValue())
            if (r["identifier"].stringValue() == "BVSystemJunkScanIdentifierUserCachesCompound")
                found = r["size"].int64Value() >= 40000;
        EXPECT_TRUE(found) << scan->body.substr(0, 2000);
        EXPECT_EQ(c.Get("/api/scans/99", headers)->status, 404);
        EXPECT_EQ(c.Get("/api/scans/99999999999999999999999", headers)->status, 404);  // no number that long
    });
}

TEST(BVUIServer, StopsOnceItsLastPageHasGone) {
    Window w;
    auto begun = std::chrono::steady_clock::now();
    std::thread page([&] {
        auto c = w.client();
        ASSERT_TRUE(c.Get("/?token=" + w.token));
        // A page that listens for a moment, then is closed.
        auto stream = w.client();
        auto opened = std::chrono::steady_clock::now();
        stream.Get("/api/events", {{"Cookie", "brenvik_token=" + w.token}},
                   [&](const char*, size_t) { return std::chrono::steady_clock::now() - opened < std::chrono::milliseconds(300); });
    });
    w.server->runMainLoop(nullptr, std::chrono::milliseconds(500));
    page.join();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(20));
    // Stopped: nothing answers any more.
    EXPECT_FALSE(w.client().Get("/?token=" + w.token));
}

TEST(BVUIServer, CleansExactlyTheChosenEntitiesOfAScanOnce) {
    Window w;
    w.fixture.file(".cache/com.example.gone/data", 40000);
    w.fixture.file(".cache/com.example.kept/data", 40000);
    BVDiskSnapshot before;
    w.drive([&] {
        auto c = w.client();
        httplib::Headers headers = {{"Cookie", "brenvik_token=" + w.token}, {"Origin", w.origin()}};
        auto started = c.Post("/api/scans", headers, R"({"module":"system-junk"})", "application/json");
        ASSERT_TRUE(started && started->status == 202);
        std::string scan = "/api/scans/" + std::to_string(BVJSONCodec::decode(started->body).value()["id"].int64Value());
        auto done = Window::whenDone(c, scan, headers);
        ASSERT_TRUE(done);
        // The index path of the group of the cache to go: its result, then its place there.
        std::string chosen;
        const auto& results = (*done)["result"]["results"].arrayValue();
        for (size_t r = 0; r < results.size(); ++r)
            for (size_t i = 0; i < results[r]["items"].arrayValue().size(); ++i)
                if (results[r]["items"].arrayValue()[i]["value"].stringValue() == "com.example.gone")
                    chosen = "[" + std::to_string(r) + "," + std::to_string(i) + "]";
        ASSERT_FALSE(chosen.empty()) << done->dictionaryValue().size();

        for (const char* wrong : {R"({"entities":[[0,999]]})", R"({"entities":[[0,-1]]})", R"({"entities":[["0"]]})", "not json"})
            EXPECT_EQ(c.Post(scan + "/clean", headers, wrong, "application/json")->status, 400) << wrong;
        auto preview = c.Post(scan + "/preview", headers, "{\"entities\":[" + chosen + "]}", "application/json");
        ASSERT_TRUE(preview && preview->status == 200);
        auto shown = BVJSONCodec::decode(preview->body).value();
        EXPECT_EQ(shown["count"].int64Value(), 1);
        EXPECT_GE(shown["size"].int64Value(), 40000);

        before = BVSnapshot(w.fixture.kb.folder.path());
        auto clean = c.Post(scan + "/clean", headers, "{\"entities\":[" + chosen + "]}", "application/json");
        ASSERT_TRUE(clean && clean->status == 202) << (clean ? clean->body : "");
        std::string report = "/api/cleans/" + std::to_string(BVJSONCodec::decode(clean->body).value()["id"].int64Value());
        auto cleaned = Window::whenDone(c, report, headers);
        ASSERT_TRUE(cleaned);
        EXPECT_GE((*cleaned)["report"]["cleanedSize"].int64Value(), 40000);
        // What it showed has changed: the same scan cannot clean again.
        auto again = c.Post(scan + "/clean", headers, "{\"entities\":[" + chosen + "]}", "application/json");
        ASSERT_TRUE(again);
        EXPECT_EQ(again->status, 409);
        EXPECT_NE(again->body.find("scan again"), std::string::npos);
    });
    std::string gone = w.fixture.home() + "/.cache/com.example.gone";
    auto changed = BVChangedPaths(before, BVSnapshot(w.fixture.kb.folder.path()));
    std::erase_if(changed, [&](const std::string& p) { return p.find("/.local/state/brenvik") != std::string::npos; });
    EXPECT_EQ(changed, (std::vector<std::string>{gone, gone + "/data"}));
}

TEST(BVUIServer, SmartScanScansEveryModuleOfEachSectionInOrderAndOneStops) {
    Window w;
    w.fixture.file(".cache/com.example.app/data", 40000);
    std::vector<std::string> expected;
    for (auto section : {BVSmartScanSection::Cleanup, BVSmartScanSection::Protection, BVSmartScanSection::Speed})
        for (const auto* m : w.registry.modulesInSection(section)) expected.push_back(m->name);
    w.drive([&] {
        auto c = w.client();
        httplib::Headers headers = {{"Cookie", "brenvik_token=" + w.token}, {"Origin", w.origin()}};
        auto started = c.Post("/api/scans", headers, R"({"smartScan":true})", "application/json");
        ASSERT_TRUE(started && started->status == 202);
        std::vector<std::string> modules;
        auto answer = BVJSONCodec::decode(started->body).value();
        const auto& scans = answer["scans"].arrayValue();
        ASSERT_FALSE(scans.empty());
        // The last scan waits behind the others: stopped now, it ends stopped, and what a
        // stopped scan shows cannot be cleaned.
        std::string last = "/api/scans/" + std::to_string(scans.back()["id"].int64Value());
        EXPECT_EQ(c.Post(last + "/stop", headers, "{}", "application/json")->status, 200);
        for (const auto& s : scans) {
            modules.push_back(s["module"].stringValue());
            if (&s == &scans.back()) continue;
            auto done = Window::whenDone(c, "/api/scans/" + std::to_string(s["id"].int64Value()), headers);
            ASSERT_TRUE(done) << s["module"].stringValue();
            EXPECT_EQ((*done)["result"]["module"].stringValue(), s["module"].stringValue());
        }
        EXPECT_EQ(modules, expected);
        std::string state;
        for (int i = 0; i < 600 && state != "cancelled"; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
            state = BVJSONCodec::decode(c.Get(last, headers)->body).value()["state"].stringValue();
        EXPECT_EQ(state, "cancelled");
        EXPECT_EQ(c.Post(last + "/clean", headers, R"({"entities":[[0,0]]})", "application/json")->status, 404);
        EXPECT_EQ(c.Post(last + "/stop", headers, "{}", "application/json")->status, 409);  // not running any more
        EXPECT_EQ(c.Post("/api/cleans/99/stop", headers, "{}", "application/json")->status, 409);
    });
    // Large & Old Files has no section: the user's own files are not part of Smart Scan.
    EXPECT_EQ(std::find(expected.begin(), expected.end(), "large-files"), expected.end());
    EXPECT_GE(expected.size(), 3u);
}

// "Never offer again": an entity of a scan goes on the ignore list the way it says it is
// ignored, and the next scan does not offer it. A path added by value is stored as the command
// line stores it, and taking it back offers it again. Lists and refusals too.
TEST(BVUIServer, EditsAModulesIgnoreList) {
    Window w;
    w.fixture.file(".cache/com.example.ignored/data", 40000);
    w.fixture.file(".cache/com.example.group/data", 40000);
    // A scan's document, and the index path of the cache group named `group` in it ("" if none).
    auto scan = [&](httplib::Client& c, const httplib::Headers& headers, const std::string& group) {
        auto started = c.Post("/api/scans", headers, R"({"module":"system-junk"})", "application/json");
        auto id = BVJSONCodec::decode(started->body).value()["id"].int64Value();
        auto done = Window::whenDone(c, "/api/scans/" + std::to_string(id), headers).value_or(BVValue());
        std::string found;
        const auto& results = done["result"]["results"].arrayValue();
        for (size_t r = 0; r < results.size(); ++r)
            for (size_t i = 0; i < results[r]["items"].arrayValue().size(); ++i)
                if (results[r]["items"].arrayValue()[i]["value"].stringValue() == group)
                    found = "[" + std::to_string(r) + "," + std::to_string(i) + "]";
        return std::make_pair("/api/scans/" + std::to_string(id), found);
    };
    w.drive([&] {
        auto c = w.client();
        httplib::Headers headers = {{"Cookie", "brenvik_token=" + w.token}, {"Origin", w.origin()}};
        auto [first, group] = scan(c, headers, "com.example.group");
        ASSERT_FALSE(group.empty());
        EXPECT_FALSE(scan(c, headers, "com.example.ignored").second.empty());
        auto ignored = c.Post(first + "/ignore", headers, "{\"entities\":[" + group + "]}", "application/json");
        ASSERT_TRUE(ignored && ignored->status == 200) << (ignored ? ignored->body : "");
        EXPECT_EQ(c.Post(first + "/ignore", headers, R"({"entities":[[0,999]]})", "application/json")->status, 400);
        // The trash keeps no ignore list: its entities cannot go on one.
        auto trash = c.Post("/api/scans", headers, R"({"module":"trash"})", "application/json");
        std::string trashScan = "/api/scans/" + std::to_string(BVJSONCodec::decode(trash->body).value()["id"].int64Value());
        ASSERT_TRUE(Window::whenDone(c, trashScan, headers));
        EXPECT_EQ(c.Post(trashScan + "/ignore", headers, R"({"entities":[[0,0]]})", "application/json")->status, 409);

        std::string path = w.fixture.home() + "//.cache/com.example.ignored/";
        auto added = c.Post("/api/ignore/add", headers, R"({"module":"system-junk","value":")" + path + "\"}", "application/json");
        ASSERT_TRUE(added && added->status == 200) << (added ? added->body : "");
        EXPECT_EQ(BVJSONCodec::decode(added->body).value()["value"].stringValue(), "~/.cache/com.example.ignored");
        auto list = c.Get("/api/ignore?module=system-junk", headers);
        ASSERT_TRUE(list && list->status == 200);
        std::vector<std::string> values;
        auto listed = BVJSONCodec::decode(list->body).value();
        for (const auto& item : listed["items"].arrayValue()) values.push_back(item["value"].stringValue());
        EXPECT_NE(std::find(values.begin(), values.end(), "~/.cache/com.example.ignored"), values.end()) << list->body;
        EXPECT_TRUE(scan(c, headers, "com.example.ignored").second.empty());
        EXPECT_TRUE(scan(c, headers, "com.example.group").second.empty());

        struct Case {
            const char* what;
            std::string path, body;
            int status;
        } refused[] = {
            {"an unknown module", "/api/ignore/add", R"({"module":"nothing","value":"/x"})", 400},
            {"a module without a list", "/api/ignore/add", R"({"module":"optimization","value":"/x"})", 400},
            {"no value", "/api/ignore/add", R"({"module":"system-junk"})", 400},
            {"not JSON", "/api/ignore/add", "value", 400},
            {"a value not on the list", "/api/ignore/remove", R"({"module":"system-junk","value":"/not/there"})", 404},
        };
        for (const auto& k : refused) {
            auto r = c.Post(k.path, headers, k.body, "application/json");
            ASSERT_TRUE(r) << k.what;
            EXPECT_EQ(r->status, k.status) << k.what;
        }
        auto removed = c.Post("/api/ignore/remove", headers, R"({"module":"system-junk","value":"~/.cache/com.example.ignored"})",
                              "application/json");
        ASSERT_TRUE(removed && removed->status == 200);
        EXPECT_FALSE(scan(c, headers, "com.example.ignored").second.empty());
    });
}

TEST(BVUIServer, ListsAndSwitchesStartupItems) {
    Window w;
    std::string entry = w.fixture.kb.folder.fileWithText("home/.config/autostart/notes.desktop",
                                                        "[Desktop Entry]\nType=Application\nName=Notes\nExec=/bin/true\n");
    w.drive([&] {
        auto c = w.client();
        httplib::Headers headers = {{"Cookie", "brenvik_token=" + w.token}, {"Origin", w.origin()}};
        auto list = c.Get("/api/startup", headers);
        ASSERT_TRUE(list && list->status == 200);
        auto items = BVJSONCodec::decode(list->body).value()["items"].arrayValue();
        auto notes = std::find_if(items.begin(), items.end(), [](const BVValue& i) { return i["name"].stringValue() == "Notes"; });
        ASSERT_NE(notes, items.end()) << list->body;
        EXPECT_TRUE((*notes)["enabled"].boolValue());

        auto off = c.Post("/api/startup", headers, R"({"item":"Notes","enabled":false})", "application/json");
        ASSERT_TRUE(off && off->status == 200) << (off ? off->body : "");
        EXPECT_NE(off->body.find("\"enabled\":false"), std::string::npos);
        EXPECT_EQ(c.Post("/api/startup", headers, R"({"item":"Nothing","enabled":false})", "application/json")->status, 404);
        EXPECT_EQ(c.Post("/api/startup", headers, R"({"item":"Notes"})", "application/json")->status, 400);
    });
    EXPECT_NE(BVReadText(entry).find("Hidden=true"), std::string::npos);
}
