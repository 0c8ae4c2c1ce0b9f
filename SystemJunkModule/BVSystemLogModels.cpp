#include "SystemJunkModule/BVSystemLogModels.h"

#include <algorithm>

#include "Foundation/BVLocalizedStrings.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedReplyWaiter.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

namespace {

using Outcome = std::pair<bool, BVOptionalError>;

std::string uppercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

std::string capitalised(std::string text) {
    bool wordStart = true;
    for (auto& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        c = char(wordStart ? std::toupper(u) : std::tolower(u));
        wordStart = std::isspace(u) != 0;
    }
    return text;
}

std::optional<BVError> outcomeError(const Outcome& outcome) {
    if (outcome.first) return std::nullopt;
    return outcome.second ? *outcome.second : BVError::withDescription("BVPrivilegedOperationErrorDomain", 0, "The agent did not answer.");
}

}  // namespace

BVRemovalResultPtr BVPrivilegedLogModel::remove() {
    bool authorized = false;
    if (performer_) {
        performer_->authorizeIfNeeded();
        authorized = performer_->isAuthorized();
    }
    BVDictionary userInfo;
    bool succeeded = false;
    if (authorized) {
        auto error = clearThroughAgent();
        succeeded = !error;
        if (error) userInfo = error->userInfo();
    } else {
        std::string format = BVLocalizedString("Errors", "ErrorDescriptionRemoving_FileWasntAuthorized");
        userInfo[BVLocalizedDescriptionKey] = BVValue(BVFormatLocalized(format, {shownName()}));
    }
    if (succeeded) return BVRemovalResult::successfulResultWithModel(shared_from_this());
    return BVRemovalResult::failedResultWithModel(
        shared_from_this(), BVError(domain(), authorized ? BVSystemLogErrorAgentFailed : BVSystemLogErrorNotAuthorized, userInfo));
}

std::string BVASLogModel::shownName() const { return uppercased(logItem()->displayName()); }

std::string BVUnifiedLogModel::shownName() const { return capitalised(logItem()->displayName()); }

std::optional<BVError> BVASLogModel::clearThroughAgent() {
    auto proxy = performer()->remoteObjectProxy();
    auto outcome = BVPrivilegedReplyWaiter::wait<Outcome>(
        BVPrivilegedReplyWaiter::connectionOf(proxy), Outcome{false, std::nullopt},
        [&](auto done) { proxy->removeASLWithReply([done](bool ok, BVOptionalError error) { done(Outcome{ok, error}); }); });
    return outcomeError(outcome);
}

std::optional<BVError> BVUnifiedLogModel::clearThroughAgent() {
    auto proxy = performer()->remoteObjectProxy();
    auto outcome = BVPrivilegedReplyWaiter::wait<Outcome>(
        BVPrivilegedReplyWaiter::connectionOf(proxy), Outcome{false, std::nullopt}, [&](auto done) {
            proxy->removeDiagnosticLogsWithReply([done](std::string, int64_t, std::string, BVOptionalError error) {
                done(Outcome{!error, error});
            });
        });
    return outcomeError(outcome);
}

BVEntityPtr BVASLogModelFactory::logModelWithItem(const BVLogItemPtr& item, uint64_t size, bool autoselected) const {
    return std::make_shared<BVASLogModel>(item, size, autoselected, performer_);
}

BVEntityPtr BVUnifiedLogModelFactory::logModelWithItem(const BVLogItemPtr& item, uint64_t size, bool autoselected) const {
    return std::make_shared<BVUnifiedLogModel>(item, size, autoselected, performer_);
}
