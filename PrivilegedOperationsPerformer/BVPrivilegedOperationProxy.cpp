#include "PrivilegedOperationsPerformer/BVPrivilegedOperationProxy.h"

#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

using BVAgentProtocol::decodeError;

BVPrivilegedOperationProxy::BVPrivilegedOperationProxy(BVAgentConnectionPtr connection,
                                                       BVAgentConnection::ErrorHandler errorHandler)
    : connection_(std::move(connection)), errorHandler_(std::move(errorHandler)) {}

// Replies arrive checked against the request's shape, so the elements have the kinds read here.
void BVPrivilegedOperationProxy::sendOk(const char* request, BVArray arguments, BVPrivilegedReply reply) {
    connection_->send(request, std::move(arguments), errorHandler_, [reply](const BVArray& r) {
        if (reply) reply(r[0].boolValue(), decodeError(r[1]));
    });
}

void BVPrivilegedOperationProxy::pleaseTerminate() { connection_->send("pleaseTerminate", {}, errorHandler_, nullptr); }

void BVPrivilegedOperationProxy::echo(const std::string& text, BVPrivilegedTextReply reply) {
    connection_->send("echo:withReply:", {BVValue(text)}, errorHandler_, [reply](const BVArray& r) {
        if (reply) reply(r[0].stringValue(), decodeError(r[1]));
    });
}

void BVPrivilegedOperationProxy::fileExistsAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("fileExistsAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::moveItemAtPath(const std::string& source, const std::string& destination,
                                                BVPrivilegedReply reply) {
    sendOk("moveItemAtPath:toPath:withReply:", {BVValue(source), BVValue(destination)}, std::move(reply));
}
void BVPrivilegedOperationProxy::removeItemAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("removeItemAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::securelyRemoveItemAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("securelyRemoveItemAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::moveToTrashItemAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("moveToTrashItemAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::truncateFileAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("truncateFileAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::removePackageWithID(const std::string& identifier, BVPrivilegedReply reply) {
    sendOk("removePackageWithID:withReply:", {BVValue(identifier)}, std::move(reply));
}
void BVPrivilegedOperationProxy::removeKextAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("removeKextAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::removeASLWithReply(BVPrivilegedReply reply) {
    sendOk("removeASLWithReply:", {}, std::move(reply));
}
void BVPrivilegedOperationProxy::slimBinaryWithPath(const std::string& path, const std::vector<std::string>& archs,
                                                    BVPrivilegedReply reply) {
    BVArray names(archs.begin(), archs.end());
    sendOk("slimBinaryWithPath:archs:withReply:", {BVValue(path), BVValue(std::move(names))}, std::move(reply));
}
void BVPrivilegedOperationProxy::removeLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("removeLaunchdAgentAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::enableLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("enableLaunchdAgentAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::disableLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) {
    sendOk("disableLaunchdAgentAtPath:withReply:", {BVValue(path)}, std::move(reply));
}
void BVPrivilegedOperationProxy::removeSMLoginItem(const std::string& identifier, BVPrivilegedReply reply) {
    sendOk("removeSMLoginItem:withReply:", {BVValue(identifier)}, std::move(reply));
}
void BVPrivilegedOperationProxy::startStartupItem(const std::string& name, BVPrivilegedReply reply) {
    sendOk("startStartupItem:withReply:", {BVValue(name)}, std::move(reply));
}
void BVPrivilegedOperationProxy::stopStartupItem(const std::string& name, BVPrivilegedReply reply) {
    sendOk("stopStartupItem:withReply:", {BVValue(name)}, std::move(reply));
}
void BVPrivilegedOperationProxy::repairPermissionsWithReply(BVPrivilegedRepairReply reply) {
    connection_->send("repairPermissionsWithReply:", {}, errorHandler_, [reply](const BVArray& r) {
        if (reply) reply(r[0].boolValue(), int32_t(r[1].int64Value()), r[2].stringValue());
    });
}
void BVPrivilegedOperationProxy::runPeriodicScript(const std::string& name, BVPrivilegedReply reply) {
    sendOk("runPeriodicScript:withReply:", {BVValue(name)}, std::move(reply));
}
void BVPrivilegedOperationProxy::startSpotlightReindexWithReply(BVPrivilegedReply reply) {
    sendOk("startSpotlightReindexWithReply:", {}, std::move(reply));
}
void BVPrivilegedOperationProxy::removeLibraryFromLauchdConf(const std::string& library, BVPrivilegedReply reply) {
    sendOk("removeLibraryFromLauchdConf:withReply:", {BVValue(library)}, std::move(reply));
}
void BVPrivilegedOperationProxy::flushDNSWithReply(BVPrivilegedReply reply) {
    sendOk("flushDNSWithReply:", {}, std::move(reply));
}
void BVPrivilegedOperationProxy::removeDiagnosticLogsWithReply(BVPrivilegedDiagnosticsReply reply) {
    connection_->send("removeDiagnosticLogsWithReply:", {}, errorHandler_, [reply](const BVArray& r) {
        if (reply) reply(r[0].stringValue(), r[1].int64Value(), r[2].stringValue(), decodeError(r[3]));
    });
}
void BVPrivilegedOperationProxy::sizeOfItemAtPath(const std::string& path, BVPrivilegedSizeReply reply) {
    connection_->send("sizeOfItemAtPath:reply:", {BVValue(path)}, errorHandler_, [reply](const BVArray& r) {
        if (reply) reply(r[0].int64Value(), decodeError(r[1]));
    });
}
