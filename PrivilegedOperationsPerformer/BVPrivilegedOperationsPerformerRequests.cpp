// The performer's connections, deauthorisation and blocking wrappers.
#include "Foundation/BVExecutor.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVNotificationCenter.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationProxy.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedReplyWaiter.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"

namespace {

std::shared_ptr<BVPrivilegedOperationProxy> proxyFor(const BVPrivilegedOperationPtr& proxy) {
    return std::static_pointer_cast<BVPrivilegedOperationProxy>(proxy);
}

struct OkReply {
    bool ok = false;
    BVOptionalError error;
};

}  // namespace

uint64_t BVPrivilegedReplyWaiter::connectionOf(const BVPrivilegedOperationPtr& proxy) {
    return proxyFor(proxy)->connection()->identifier();
}

BVAgentConnectionPtr BVPrivilegedOperationsPerformer::lastConnection() const {
    std::lock_guard lock(mutex_);
    return lastConnection_.lock();
}

BVPrivilegedOperationPtr BVPrivilegedOperationsPerformer::remoteObjectProxy() {
    return remoteObjectProxyWithExportedObject(nullptr);
}

BVPrivilegedOperationPtr BVPrivilegedOperationsPerformer::remoteObjectProxyWithExportedObject(
    BVPrivilegedOperationProgressPtr exported) {
    auto connection = std::make_shared<BVAgentConnection>(configuration_.socketPath());
    std::weak_ptr<BVPrivilegedOperationsPerformer> weak = weak_from_this();
    connection->setInterruptionHandler([] { BVLogger::info("Called privileged agent interruption handler."); });
    connection->setInvalidationHandler([weak] {
        BVLogger::info("Called privileged agent invalidation handler.");
        if (auto performer = weak.lock()) performer->markBroken();
    });
    if (exported) connection->setExportedObject(std::move(exported));
    connection->resume();
    {
        std::lock_guard lock(mutex_);
        lastConnection_ = connection;
    }
    const uint64_t identifier = connection->identifier();
    return std::make_shared<BVPrivilegedOperationProxy>(connection, [identifier](const BVError& error) {
        BVLogger::error(fmt::format("Error while communicating with privileged agent {}", error.localizedDescription()));
        BVNotificationCenter::defaultCenter().postNotification(BVNotification{
            BVPrivilegedAgentHasInterrupted, nullptr, {{BVAgentConnectionIdentifierKey, BVValue(identifier)}}});
    });
}

void BVPrivilegedOperationsPerformer::deauthorizeWithUninstall(bool uninstall) {
    if (uninstall) {
        auto proxy = proxyFor(remoteObjectProxy());
        std::string config = configuration_.configFilePath();
        OkReply reply = BVPrivilegedReplyWaiter::wait<OkReply>(proxy->connection()->identifier(), OkReply{}, [&](auto done) {
            proxy->removeLaunchdAgentAtPath(config, [done](bool ok, BVOptionalError e) { done(OkReply{ok, e}); });
        });
        if (!reply.ok)
            BVLogger::error(fmt::format("Failed to deauthorize (uninstall agent) with error {}",
                                        reply.error ? reply.error->localizedDescription() : std::string("none")));
    } else if (auto connection = lastConnection(); connection && connection->processIdentifier() != 0) {
        BVLogger::info(fmt::format("Will try to terminate agent with pid {}", connection->processIdentifier()));
        BVPrivilegedOperationProxy(connection, nullptr).pleaseTerminate();
    }
    BVAuthorizationPtr authorization;
    {
        std::lock_guard lock(mutex_);
        authorization.swap(authRef_);
        status_ = BVAuthorizationStatusNotAuthorized;
        agentController_.reset();
    }
    if (authorization) {
        BVOSStatus status = authorization->free(true);
        if (status != errAuthorizationSuccess) BVLogger::error(fmt::format("Failed to deauthorize with error {}", status));
    }
    post(BVPrivilegedOperationDeauthenticated);
}

bool BVPrivilegedOperationsPerformer::launchAgentRequest(const std::string& path, const std::optional<std::string>& prompt,
                                                         BVError* error, const Request& request) {
    if (!isAuthorizedWithPrompt(prompt)) {
        BVSetError(error, BVAgentProtocol::makeError(BVPrivilegedAgentErrorNotPermitted,
                                                     "Administrator rights were not granted for " + path + "."));
        return false;
    }
    auto proxy = proxyFor(remoteObjectProxy());
    OkReply failure{false, BVAgentProtocol::makeError(BVPrivilegedAgentErrorConnection,
                                                      "The connection to the privileged agent was interrupted.")};
    OkReply reply = BVPrivilegedReplyWaiter::wait<OkReply>(proxy->connection()->identifier(), failure, [&](auto done) {
        request(*proxy, [done](bool ok, BVOptionalError e) { done(OkReply{ok, e}); });
    });
    if (!reply.ok && reply.error) BVSetError(error, *reply.error);
    return reply.ok;
}

bool BVPrivilegedOperationsPerformer::enableLaunchAgentAtURL(const std::string& path,
                                                             const std::optional<std::string>& prompt, BVError* error) {
    return launchAgentRequest(path, prompt, error,
                              [&](BVPrivilegedOperation& agent, BVPrivilegedReply reply) { agent.enableLaunchdAgentAtPath(path, reply); });
}

bool BVPrivilegedOperationsPerformer::disableLaunchAgentAtURL(const std::string& path,
                                                              const std::optional<std::string>& prompt, BVError* error) {
    return launchAgentRequest(path, prompt, error,
                              [&](BVPrivilegedOperation& agent, BVPrivilegedReply reply) { agent.disableLaunchdAgentAtPath(path, reply); });
}

bool BVPrivilegedOperationsPerformer::removeLaunchAgentAtURL(const std::string& path,
                                                             const std::optional<std::string>& prompt, BVError* error) {
    return launchAgentRequest(path, prompt, error,
                              [&](BVPrivilegedOperation& agent, BVPrivilegedReply reply) { agent.removeLaunchdAgentAtPath(path, reply); });
}

uint64_t BVPrivilegedOperationsPerformer::fileSizeAtURL(const std::string& path, const BVProgressPtr& progress) {
    auto proxy = remoteObjectProxy();
    return BVExecutor(progress).executeWithDefaultValue<uint64_t>(0, [&](std::function<void(uint64_t)> done) {
        proxy->sizeOfItemAtPath(path, [done](int64_t size, BVOptionalError) { done(size > 0 ? uint64_t(size) : 0); });
    });
}
