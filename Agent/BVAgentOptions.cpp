#include "Agent/BVAgentOptions.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

namespace {

std::optional<uid_t> parseUid(const std::string& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    unsigned long value = std::stoul(text);
    if (value > 0x7fffffffUL) return std::nullopt;
    return uid_t(value);
}

}  // namespace

std::optional<BVAgentOptions> BVAgentOptions::parse(int argc, char** argv, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    if (argc < 2) return fail("a command is required: install, serve or version");
    BVAgentOptions o;
    o.command = argv[1];
    if (o.command != "install" && o.command != "serve" && o.command != "version") return fail("unknown command " + o.command);
    std::optional<uid_t> uid;
    if (const char* pkexecUid = std::getenv("PKEXEC_UID"); pkexecUid && o.command == "install") uid = parseUid(pkexecUid);
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--no-start") {
            o.startsService = false;
            continue;
        }
        if (i + 1 >= argc) return fail(option + " needs a value");
        std::string value = argv[++i];
        if (option == "--uid" || option == "--allowed-uid") {
            uid = parseUid(value);
            if (!uid) return fail("not a user id: " + value);
        } else if (option == "--layout") {
            auto layout = BVPaths::layoutNamed(value);
            if (!layout) return fail("unknown layout " + value);
            o.layout = *layout;
        } else if (option == "--home") {
            o.home = value;
        } else if (option == "--root") {
            o.root = value;
        } else if (option == "--socket-dir") {
            o.socketFolder = value;
        } else {
            return fail("unknown option " + option);
        }
    }
    if (o.command == "serve" && !uid) return fail("serve needs --allowed-uid");
    if (o.command == "install" && !uid) uid = ::getuid();
    o.uid = uid.value_or(0);
    if (o.home.empty()) {
        const passwd* pw = ::getpwuid(o.uid);
        o.home = pw && pw->pw_dir ? pw->pw_dir : "/";
    }
    if (o.socketFolder.empty()) o.socketFolder = o.layout == BVLayout::macos ? "/var/run" : "/run";
    for (const auto* path : {&o.home, &o.root, &o.socketFolder})
        if (!path->empty() && (*path)[0] != '/') return fail("paths must be absolute: " + *path);
    return o;
}

BVAgentConfiguration BVAgentOptions::configuration(const std::string& tool) const {
    BVAgentConfiguration c;
    c.label = BVPrivilegedAgentLabel;
    c.paths = std::make_shared<BVPaths>(layout, home, root);
    c.bundledToolPath = tool;
    c.socketFolder = socketFolder;
    c.startsService = startsService;
    return c;
}
