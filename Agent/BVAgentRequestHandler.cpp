#include "Agent/BVAgentRequestHandler.h"

#include <map>

BVAgentRequestHandler::BVAgentRequestHandler(std::shared_ptr<const BVPaths> paths, BVAgentSystemContext context)
    : paths_(std::move(paths)),
      policy_(*paths_),
      files_(policy_, paths_->systemTrash().value_or("")),
      system_([&] {
          context.paths = paths_.get();
          return context;
      }(), policy_, files_) {}

BVArray BVAgentRequestHandler::handle(const BVAgentProtocol::Request& request, const BVProgressPtr& progress,
                                      const Output& output) const {
    using Handler = std::function<BVArray(const BVAgentRequestHandler&, const BVArray&, const BVProgressPtr&, const Output&)>;
    using S = BVAgentSystemOperations;
    static const std::map<std::string, Handler>* table = new std::map<std::string, Handler>{
        {"echo:withReply:", [](auto&, auto& a, auto&, auto&) { return BVArray{a[0], BVValue()}; }},
        {"fileExistsAtPath:withReply:", [](auto& h, auto& a, auto&, auto&) { return h.files_.fileExists(a[0].stringValue()); }},
        {"moveItemAtPath:toPath:withReply:",
         [](auto& h, auto& a, auto&, auto&) { return h.files_.move(a[0].stringValue(), a[1].stringValue()); }},
        {"removeItemAtPath:withReply:", [](auto& h, auto& a, auto&, auto&) { return h.files_.remove(a[0].stringValue(), false); }},
        {"securelyRemoveItemAtPath:withReply:",
         [](auto& h, auto& a, auto&, auto&) { return h.files_.remove(a[0].stringValue(), true); }},
        {"moveToTrashItemAtPath:withReply:", [](auto& h, auto& a, auto&, auto&) { return h.files_.moveToTrash(a[0].stringValue()); }},
        {"truncateFileAtPath:withReply:", [](auto& h, auto& a, auto&, auto&) { return h.files_.truncate(a[0].stringValue()); }},
        {"sizeOfItemAtPath:reply:", [](auto& h, auto& a, auto&, auto&) { return h.files_.size(a[0].stringValue()); }},
        {"removeLaunchdAgentAtPath:withReply:",
         [](auto& h, auto& a, auto&, auto&) { return h.system_.removeLaunchdAgent(a[0].stringValue()); }},
        {"enableLaunchdAgentAtPath:withReply:",
         [](auto& h, auto& a, auto& p, auto& o) { return h.system_.switchLaunchdAgent(a[0].stringValue(), true, p, o); }},
        {"disableLaunchdAgentAtPath:withReply:",
         [](auto& h, auto& a, auto& p, auto& o) { return h.system_.switchLaunchdAgent(a[0].stringValue(), false, p, o); }},
        {"runPeriodicScript:withReply:",
         [](auto& h, auto& a, auto& p, auto& o) { return h.system_.runPeriodicScript(a[0].stringValue(), p, o); }},
        {"flushDNSWithReply:", [](auto& h, auto&, auto& p, auto& o) { return h.system_.flushDNS(p, o); }},
        {"startSpotlightReindexWithReply:", [](auto& h, auto&, auto& p, auto& o) { return h.system_.startSpotlightReindex(p, o); }},
        {"repairPermissionsWithReply:", [](auto& h, auto&, auto& p, auto& o) { return h.system_.repairPermissions(p, o); }},
        {"removeASLWithReply:", [](auto& h, auto&, auto&, auto&) { return h.system_.removeASL(); }},
        {"removeDiagnosticLogsWithReply:", [](auto& h, auto&, auto& p, auto& o) { return h.system_.removeDiagnosticLogs(p, o); }},
        {"removePackageWithID:withReply:",
         [](auto&, auto&, auto&, auto&) { return S::unsupported("This host has no installer package receipts to remove."); }},
        {"removeKextAtPath:withReply:",
         [](auto&, auto&, auto&, auto&) { return S::unsupported("This host has no kernel extensions to remove."); }},
        {"slimBinaryWithPath:archs:withReply:",
         [](auto&, auto&, auto&, auto&) { return S::unsupported("This host has no universal binaries to slim."); }},
        {"removeSMLoginItem:withReply:",
         [](auto&, auto&, auto&, auto&) { return S::unsupported("This host has no service-management login items."); }},
        {"startStartupItem:withReply:",
         [](auto&, auto&, auto&, auto&) { return S::unsupported("This host has no startup items to start."); }},
        {"stopStartupItem:withReply:",
         [](auto&, auto&, auto&, auto&) { return S::unsupported("This host has no startup items to stop."); }},
        {"removeLibraryFromLauchdConf:withReply:",
         [](auto&, auto&, auto&, auto&) { return S::unsupported("This host has no launchd.conf to edit."); }},
    };
    auto it = table->find(request.name);
    const auto* shape = BVAgentProtocol::requestNamed(request.name);
    if (it == table->end() || !shape)
        return shape ? BVAgentProtocol::failureReply(*shape, BVAgentProtocol::makeError(BVPrivilegedAgentErrorMalformedMessage,
                                                                                        "The request has no handler."))
                     : BVArray{};
    return it->second(*this, request.arguments, progress, output);
}
