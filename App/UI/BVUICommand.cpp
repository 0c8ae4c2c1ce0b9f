// `brenvik ui`: the review window. Serves the pages on 127.0.0.1, prints the address with this
// run's token, opens it in the desktop's browser when there is a desktop (and not --no-open),
// and runs until Ctrl-C or until its last page has been closed for a minute.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "App/BVCommands.h"
#include "App/UI/BVUIServer.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVProcess.h"

namespace {

constexpr std::chrono::minutes kIdleTimeout{1};

bool hasDesktopSession() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display && *display) || (wayland && *wayland);
}

// Opens the address while the window already serves; a failure is only a message (the address
// is printed anyway). The caller joins the thread before it ends.
std::thread openInBrowser(const std::string& address) {
    return std::thread([address] {
        BVProcess open("/usr/bin/xdg-open", {address});
        open.setTimeout(30);
        if (auto error = open.executeWithProgress(nullptr))
            BVLogger::warning("Could not open the browser: " + error->localizedDescription());
    });
}

}  // namespace

int BVCommandUI(const BVCommandContext& c) {
    if (!BVOpenKnowledgeBase(c)) return 3;
    BVUIServer server(c.environment, c.registry);
    if (!server.start(uint16_t(c.options.uiPort))) {
        std::fprintf(stderr, "brenvik: cannot listen on 127.0.0.1:%d (is another program using it?)\n", c.options.uiPort);
        return 2;
    }
    std::string address = server.address();
    // The address is the key to the window: it goes to the terminal, never to the log.
    std::printf("Brenvik's review window: %s\n(Ctrl-C to stop; it also stops a minute after its last page is closed)\n",
                address.c_str());
    std::fflush(stdout);
    std::thread opener;
    if (!c.options.uiNoOpen && hasDesktopSession()) opener = openInBrowser(address);
    server.runMainLoop(c.interruption, kIdleTimeout);
    if (opener.joinable()) opener.join();
    return 0;
}
