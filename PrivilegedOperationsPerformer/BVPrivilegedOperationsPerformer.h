// BVPrivilegedOperationsPerformer: the client side of the privileged agent. It owns the
// authorisation, installs, checks, updates and uninstalls the agent, opens one connection per
// proxy, and offers blocking wrappers for a few requests.
//
// Status: -1 unknown until the first `isAuthorized`, 0 not authorised, 1 authorised, 2 broken
// (after `markBroken` or a failed install; stays not authorised until an authorisation or a
// deauthorisation resets it). Notifications go to the default centre with the performer as
// object; "PrivilegedAgentHasInterrupted" has none and carries the failing connection's
// identifier under BVAgentConnectionIdentifierKey.
// Thread safety: every operation may be called from any thread; state is guarded by one lock
// and authorisations are serialised, so two workers never raise two dialogs at once. Blocking
// wrappers must not run on the main thread.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Foundation/BVError.h"
#include "Foundation/BVProgress.h"
#include "PrivilegedOperationsPerformer/BVAgentConfiguration.h"
#include "PrivilegedOperationsPerformer/BVAgentConnection.h"
#include "PrivilegedOperationsPerformer/BVAgentController.h"
#include "PrivilegedOperationsPerformer/BVAuthorization.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperation.h"

inline constexpr const char* BVPrivilegedOperationStartedAuthenticating = "BVPrivilegedOperationStartedAuthenticating";
inline constexpr const char* BVPrivilegedOperationAuthorized = "BVPrivilegedOperationAuthorized";
inline constexpr const char* BVPrivilegedOperationDeauthenticated = "BVPrivilegedOperationDeauthenticated";
inline constexpr const char* BVPrivilegedAgentHasInterrupted = "PrivilegedAgentHasInterrupted";
inline constexpr const char* BVAgentConnectionIdentifierKey = "BVAgentConnectionIdentifier";

enum BVAuthorizationStatus : int64_t {
    BVAuthorizationStatusUnknown = -1,
    BVAuthorizationStatusNotAuthorized = 0,
    BVAuthorizationStatusAuthorized = 1,
    BVAuthorizationStatusBroken = 2,
};

class BVPrivilegedOperationsPerformer : public std::enable_shared_from_this<BVPrivilegedOperationsPerformer> {
public:
    // The process-wide performer on polkit and the host's configuration; none when the
    // authorisation cannot be created.
    static std::shared_ptr<BVPrivilegedOperationsPerformer> sharedInstance();
    // A performer with the system's authorisation (polkit) for `paths`; none when authorisation
    // cannot be created.
    static std::shared_ptr<BVPrivilegedOperationsPerformer> systemPerformer(std::shared_ptr<const BVPaths> paths);
    // A performer on the given authorisations and configuration; none when creating the
    // authorisation fails.
    static std::shared_ptr<BVPrivilegedOperationsPerformer> create(BVAuthorizationFactory factory,
                                                                   BVAgentConfiguration configuration);
    BVPrivilegedOperationsPerformer(BVAuthorizationFactory factory, BVAgentConfiguration configuration);
    ~BVPrivilegedOperationsPerformer();

    static void setAlertPromptText(const std::string& text);

    bool isAuthorized();
    void authorizeIfNeeded();
    void authorize();
    void authorizeWithPrompt(const std::optional<std::string>& prompt);
    bool isAuthorizedWithPrompt(const std::optional<std::string>& prompt);
    void toggleAuthorization(bool shouldAsk);
    void deauthorizeWithUninstall(bool uninstall);
    void markBroken();
    BVOSStatus preAuthorize();
    BVOSStatus copyRightsWithPrompt(const std::optional<std::string>& prompt);
    void forceUninstall();

    BVPrivilegedOperationPtr remoteObjectProxy();
    BVPrivilegedOperationPtr remoteObjectProxyWithExportedObject(BVPrivilegedOperationProgressPtr exported);

    // Blocking wrappers: the reply, or failure when the connection to the agent fails.
    bool enableLaunchAgentAtURL(const std::string& path, const std::optional<std::string>& prompt, BVError* error);
    bool disableLaunchAgentAtURL(const std::string& path, const std::optional<std::string>& prompt, BVError* error);
    bool removeLaunchAgentAtURL(const std::string& path, const std::optional<std::string>& prompt, BVError* error);
    // The agent's size of the item, 0 when it fails or the progress is cancelled first.
    uint64_t fileSizeAtURL(const std::string& path, const BVProgressPtr& progress);

    bool isAuthorizing() const { return authorizing_; }
    bool shouldAskForAuthorization() const { return shouldAskForAuthorization_; }
    void setShouldAskForAuthorization(bool value) { shouldAskForAuthorization_ = value; }
    BVOSStatus lastErrorCode() const { return lastErrorCode_; }
    int64_t authorizationStatus() const;
    // The last connection opened while it is still open; none otherwise.
    BVAgentConnectionPtr lastConnection() const;
    std::shared_ptr<BVAgentController> agentController();
    const BVAgentConfiguration& configuration() const { return configuration_; }

private:
    using Request = std::function<void(BVPrivilegedOperation&, BVPrivilegedReply)>;
    bool launchAgentRequest(const std::string& path, const std::optional<std::string>& prompt, BVError* error,
                            const Request& request);
    void post(const char* name);
    bool installAgent(BVOSStatus* status);

    BVAuthorizationFactory factory_;
    BVAgentConfiguration configuration_;
    mutable std::mutex mutex_;          // guards the fields below
    std::recursive_mutex authorizing_mutex_;  // one authorisation at a time
    BVAuthorizationPtr authRef_;
    std::shared_ptr<BVAgentController> agentController_;
    std::weak_ptr<BVAgentConnection> lastConnection_;
    int64_t status_ = BVAuthorizationStatusUnknown;
    std::atomic<bool> authorizing_{false};
    std::atomic<bool> shouldAskForAuthorization_{true};
    std::atomic<BVOSStatus> lastErrorCode_{0};
};

using BVPrivilegedOperationsPerformerPtr = std::shared_ptr<BVPrivilegedOperationsPerformer>;
