// BVPrivilegedOperationProxy: the BVPrivilegedOperation requests sent over one agent
// connection. The proxy keeps its connection; the error handler runs (before the failure
// reply) for every request the connection fails. Safe from any thread.
#pragma once

#include "PrivilegedOperationsPerformer/BVAgentConnection.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperation.h"

class BVPrivilegedOperationProxy final : public BVPrivilegedOperation {
public:
    BVPrivilegedOperationProxy(BVAgentConnectionPtr connection, BVAgentConnection::ErrorHandler errorHandler);

    const BVAgentConnectionPtr& connection() const { return connection_; }

    void pleaseTerminate() override;
    void echo(const std::string& text, BVPrivilegedTextReply reply) override;
    void fileExistsAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void moveItemAtPath(const std::string& source, const std::string& destination, BVPrivilegedReply reply) override;
    void removeItemAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void securelyRemoveItemAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void moveToTrashItemAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void truncateFileAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void removePackageWithID(const std::string& identifier, BVPrivilegedReply reply) override;
    void removeKextAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void removeASLWithReply(BVPrivilegedReply reply) override;
    void slimBinaryWithPath(const std::string& path, const std::vector<std::string>& archs,
                            BVPrivilegedReply reply) override;
    void removeLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void enableLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void disableLaunchdAgentAtPath(const std::string& path, BVPrivilegedReply reply) override;
    void removeSMLoginItem(const std::string& identifier, BVPrivilegedReply reply) override;
    void startStartupItem(const std::string& name, BVPrivilegedReply reply) override;
    void stopStartupItem(const std::string& name, BVPrivilegedReply reply) override;
    void repairPermissionsWithReply(BVPrivilegedRepairReply reply) override;
    void runPeriodicScript(const std::string& name, BVPrivilegedReply reply) override;
    void startSpotlightReindexWithReply(BVPrivilegedReply reply) override;
    void removeLibraryFromLauchdConf(const std::string& library, BVPrivilegedReply reply) override;
    void flushDNSWithReply(BVPrivilegedReply reply) override;
    void removeDiagnosticLogsWithReply(BVPrivilegedDiagnosticsReply reply) override;
    void sizeOfItemAtPath(const std::string& path, BVPrivilegedSizeReply reply) override;

private:
    void sendOk(const char* request, BVArray arguments, BVPrivilegedReply reply);

    BVAgentConnectionPtr connection_;
    BVAgentConnection::ErrorHandler errorHandler_;
};
