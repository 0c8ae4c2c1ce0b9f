// BVPrivilegedOperation: the requests the privileged agent serves, and
// BVPrivilegedOperationProgress, the interface a client exports so that the agent can stream a
// tool's output back while a request runs.
//
// Every reply is a callback that runs exactly once: with the agent's answer, or, when the
// connection to the agent fails, with the failure values of its shape (false, 0, empty text)
// and an error. Replies run on the connection's reader thread, never on the caller's; a reply
// must not block for long. Implementations are safe from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"

using BVOptionalError = std::optional<BVError>;
using BVPrivilegedReply = std::function<void(bool ok, BVOptionalError error)>;
using BVPrivilegedTextReply = std::function<void(std::string text, BVOptionalError error)>;
using BVPrivilegedSizeReply = std::function<void(int64_t size, BVOptionalError error)>;
using BVPrivilegedRepairReply = std::function<void(bool ok, int32_t code, std::string output)>;
using BVPrivilegedDiagnosticsReply =
    std::function<void(std::string folder, int64_t freedBytes, std::string output, BVOptionalError error)>;

class BVPrivilegedOperation {
public:
    virtual ~BVPrivilegedOperation() = default;

    virtual void pleaseTerminate() = 0;
    virtual void echo(const std::string& text, BVPrivilegedTextReply reply) = 0;
    virtual void fileExistsAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void moveItemAtPath(const std::string& source, const std::string& destination, BVPrivilegedReply reply) = 0;
    virtual void removeItemAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void securelyRemoveItemAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void moveToTrashItemAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void truncateFileAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void removePackageWithID(const std::string& identifier, BVPrivilegedReply reply) = 0;
    virtual void removeKextAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void removeASLWithReply(BVPrivilegedReply reply) = 0;
    virtual void slimBinaryWithPath(const std::string& path, const std::vector<std::string>& archs,
                                    BVPrivilegedReply reply) = 0;
    virtual void removeLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void enableLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void disableLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) = 0;
    virtual void removeSMLoginItem(const std::string& identifier, BVPrivilegedReply reply) = 0;
    virtual void startStartupItem(const std::string& name, BVPrivilegedReply reply) = 0;
    virtual void stopStartupItem(const std::string& name, BVPrivilegedReply reply) = 0;
    virtual void repairPermissionsWithReply(BVPrivilegedRepairReply reply) = 0;
    virtual void runPeriodicScript(const std::string& name, BVPrivilegedReply reply) = 0;
    virtual void startSpotlightReindexWithReply(BVPrivilegedReply reply) = 0;
    virtual void removeLibraryFromLauchdConf(const std::string& library, BVPrivilegedReply reply) = 0;
    virtual void flushDNSWithReply(BVPrivilegedReply reply) = 0;
    virtual void removeDiagnosticLogsWithReply(BVPrivilegedDiagnosticsReply reply) = 0;
    virtual void sizeOfItemAtPath(const std::string& path, BVPrivilegedSizeReply reply) = 0;
};

using BVPrivilegedOperationPtr = std::shared_ptr<BVPrivilegedOperation>;

class BVPrivilegedOperationProgress {
public:
    virtual ~BVPrivilegedOperationProgress() = default;
    // Called on the connection's reader thread with each piece of output, in order.
    virtual void receiveNewOutput(const std::string& output) = 0;
};

using BVPrivilegedOperationProgressPtr = std::shared_ptr<BVPrivilegedOperationProgress>;
