#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVNotificationCenter.h"
#include "PrivilegedOperationsPerformer/BVPolkitAuthorization.h"

namespace {

constexpr const char* kAuthorizationPromptText = "Brenvik needs administrator rights to remove these items.";

struct PromptText {
    std::mutex mutex;
    std::optional<std::string> text;
};

PromptText& alertPrompt() {
    static PromptText* prompt = new PromptText();
    return *prompt;
}

}  // namespace

std::shared_ptr<BVPrivilegedOperationsPerformer> BVPrivilegedOperationsPerformer::sharedInstance() {
    static std::shared_ptr<BVPrivilegedOperationsPerformer>* instance = new std::shared_ptr<BVPrivilegedOperationsPerformer>(
        create([] { return std::make_shared<BVPolkitAuthorization>(); }, BVAgentConfiguration::defaultConfiguration()));
    return *instance;
}

std::shared_ptr<BVPrivilegedOperationsPerformer> BVPrivilegedOperationsPerformer::systemPerformer(std::shared_ptr<const BVPaths> paths) {
    return create([] { return std::make_shared<BVPolkitAuthorization>(); }, BVAgentConfiguration::defaultConfiguration(std::move(paths)));
}

std::shared_ptr<BVPrivilegedOperationsPerformer> BVPrivilegedOperationsPerformer::create(BVAuthorizationFactory factory,
                                                                                         BVAgentConfiguration configuration) {
    auto performer = std::make_shared<BVPrivilegedOperationsPerformer>(std::move(factory), std::move(configuration));
    if (performer->preAuthorize() != errAuthorizationSuccess) return nullptr;
    return performer;
}

BVPrivilegedOperationsPerformer::BVPrivilegedOperationsPerformer(BVAuthorizationFactory factory,
                                                                 BVAgentConfiguration configuration)
    : factory_(std::move(factory)), configuration_(std::move(configuration)) {}

BVPrivilegedOperationsPerformer::~BVPrivilegedOperationsPerformer() { deauthorizeWithUninstall(false); }

void BVPrivilegedOperationsPerformer::setAlertPromptText(const std::string& text) {
    std::lock_guard lock(alertPrompt().mutex);
    alertPrompt().text = text;
}

void BVPrivilegedOperationsPerformer::post(const char* name) {
    BVNotificationCenter::defaultCenter().postNotification(BVNotification{name, weak_from_this().lock(), {}});
}

BVOSStatus BVPrivilegedOperationsPerformer::preAuthorize() {
    BVAuthorizationPtr authorization = factory_ ? factory_() : nullptr;
    BVOSStatus status = authorization ? authorization->create(kBVAuthorizationFlags) : errAuthorizationInternal;
    lastErrorCode_ = status;
    if (status != errAuthorizationSuccess) {
        BVLogger::error(fmt::format("Failed to create AuthorizationRef, return code {}", status));
        return status;
    }
    std::lock_guard lock(mutex_);
    authRef_ = authorization;
    if (agentController_) agentController_->setAuthRef(authorization);
    return status;
}

std::shared_ptr<BVAgentController> BVPrivilegedOperationsPerformer::agentController() {
    std::lock_guard lock(mutex_);
    if (!agentController_) agentController_ = std::make_shared<BVAgentController>(authRef_, configuration_);
    return agentController_;
}

int64_t BVPrivilegedOperationsPerformer::authorizationStatus() const {
    std::lock_guard lock(mutex_);
    return status_;
}

bool BVPrivilegedOperationsPerformer::isAuthorized() {
    auto controller = agentController();
    std::lock_guard lock(mutex_);
    if (status_ == BVAuthorizationStatusUnknown)
        status_ = controller->isInstalled() && !controller->needsToBeUpdated() ? BVAuthorizationStatusAuthorized
                                                                               : BVAuthorizationStatusNotAuthorized;
    return status_ == BVAuthorizationStatusAuthorized;
}

void BVPrivilegedOperationsPerformer::markBroken() {
    std::lock_guard lock(mutex_);
    status_ = BVAuthorizationStatusBroken;
}

BVOSStatus BVPrivilegedOperationsPerformer::copyRightsWithPrompt(const std::optional<std::string>& prompt) {
    std::string text;
    if (prompt) {
        text = *prompt;
    } else {
        std::lock_guard lock(alertPrompt().mutex);
        if (alertPrompt().text) text = *alertPrompt().text;
        else BVLogger::warning("Alert prompt text not provided!");
    }
    BVAuthorizationPtr authorization;
    {
        std::lock_guard lock(mutex_);
        authorization = authRef_;
    }
    if (!authorization) return errAuthorizationInternal;
    return authorization->copyRights(kBVBlessHelperRight, text, kBVAuthorizationFlags);
}

bool BVPrivilegedOperationsPerformer::installAgent(BVOSStatus* status) { return agentController()->install(status); }

void BVPrivilegedOperationsPerformer::authorizeWithPrompt(const std::optional<std::string>& prompt) {
    std::lock_guard serial(authorizing_mutex_);
    authorizing_ = true;
    post(BVPrivilegedOperationStartedAuthenticating);
    bool haveReference;
    {
        std::lock_guard lock(mutex_);
        haveReference = authRef_ != nullptr;
    }
    if (!haveReference && preAuthorize() != errAuthorizationSuccess) {
        authorizing_ = false;
        post(BVPrivilegedOperationDeauthenticated);
        return;
    }
    BVOSStatus status = copyRightsWithPrompt(prompt);
    lastErrorCode_ = status;
    auto refused = [this](BVOSStatus s) {
        if (s == errAuthorizationCanceled) {
            BVLogger::info("User cancelled authorization.");
            shouldAskForAuthorization_ = false;
        } else {
            BVLogger::error(fmt::format("Failed to copy rights {}", s));
        }
        deauthorizeWithUninstall(false);
    };
    if (status != errAuthorizationSuccess) refused(status);
    authorizing_ = false;
    if (status != errAuthorizationSuccess) {
        post(BVPrivilegedOperationDeauthenticated);
        return;
    }
    if (authorizationStatus() == BVAuthorizationStatusBroken) forceUninstall();
    BVOSStatus installStatus = errAuthorizationSuccess;
    if (!installAgent(&installStatus)) {
        // Here the dialog appears while installing: a cancel or a refusal is the user's answer
        // and is not retried, only an install that failed for another reason is.
        if (installStatus == errAuthorizationCanceled || installStatus == errAuthorizationDenied) {
            lastErrorCode_ = installStatus;
            refused(installStatus);
            post(BVPrivilegedOperationDeauthenticated);
            return;
        }
        markBroken();
        forceUninstall();
        if (!installAgent(&installStatus)) {
            lastErrorCode_ = installStatus;
            post(BVPrivilegedOperationDeauthenticated);
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        status_ = BVAuthorizationStatusAuthorized;
    }
    post(BVPrivilegedOperationAuthorized);
}

void BVPrivilegedOperationsPerformer::authorizeIfNeeded() {
    std::lock_guard serial(authorizing_mutex_);
    if (isAuthorized() || !shouldAskForAuthorization_) return;
    authorizeWithPrompt(std::nullopt);
}

void BVPrivilegedOperationsPerformer::authorize() {
    if (!shouldAskForAuthorization_) return;
    auto main = BVDispatchQueue::main();
    if (main->isCurrent()) authorizeWithPrompt(std::string(kAuthorizationPromptText));
    else main->sync([this] { authorizeWithPrompt(std::string(kAuthorizationPromptText)); });
}

bool BVPrivilegedOperationsPerformer::isAuthorizedWithPrompt(const std::optional<std::string>& prompt) {
    std::lock_guard serial(authorizing_mutex_);
    if (!isAuthorized()) authorizeWithPrompt(prompt);
    return isAuthorized();
}

void BVPrivilegedOperationsPerformer::toggleAuthorization(bool shouldAsk) {
    shouldAskForAuthorization_ = shouldAsk;
    if (!isAuthorized()) authorize();
    else deauthorizeWithUninstall(true);
}

void BVPrivilegedOperationsPerformer::forceUninstall() {
    BVAuthorizationPtr authorization = factory_ ? factory_() : nullptr;
    if (!authorization || authorization->create(kBVAuthorizationFlags) != errAuthorizationSuccess) return;
    BVOSStatus status = authorization->copyRights(kBVAdministratorRight, "", kBVAuthorizationFlags);
    if (status != errAuthorizationCanceled)
        authorization->executeWithPrivileges(
            "/bin/rm", {"-rf", configuration_.configFilePath(), configuration_.installedToolPath()});
    authorization->free(true);
}
