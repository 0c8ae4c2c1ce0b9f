// The two system log stores, cleared by the privileged agent rather than file by file:
// BVASLogModel (the Apple System Log store) and BVUnifiedLogModel (the diagnostics store; the
// systemd journal on linux, which the agent vacuums with the journal's own tool). Removal
// blocks the clean worker until the agent replies; without authorisation it fails with a
// "not authorised" error naming the store. Their factories make them for a log task.
#pragma once

#include "SystemJunkModule/BVLogModel.h"

class BVPrivilegedOperationsPerformer;

inline constexpr const char* BVASLogModelDomain = "BVASLogModelDomain";
inline constexpr const char* BVUnifiedLogModelDomain = "BVUnifiedLogModelDomain";
inline constexpr int64_t BVSystemLogErrorAgentFailed = 101;
inline constexpr int64_t BVSystemLogErrorNotAuthorized = 102;

class BVPrivilegedLogModel : public BVLogModel {
public:
    BVPrivilegedLogModel(BVLogItemPtr item, uint64_t size, bool autoselected,
                         std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
        : BVLogModel(std::move(item), size, autoselected), performer_(std::move(performer)) {}
    BVRemovalResultPtr remove() override;

protected:
    virtual const char* domain() const = 0;
    // The store's name as the not-authorised error shows it.
    virtual std::string shownName() const = 0;
    // Sends the request and waits for the reply: none on success, else the agent's error.
    virtual std::optional<BVError> clearThroughAgent() = 0;
    const std::shared_ptr<BVPrivilegedOperationsPerformer>& performer() const { return performer_; }

private:
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
};

class BVASLogModel : public BVPrivilegedLogModel {
    BV_ENTITY_CLASS(BVASLogModel)
public:
    using BVPrivilegedLogModel::BVPrivilegedLogModel;

protected:
    const char* domain() const override { return BVASLogModelDomain; }
    std::string shownName() const override;
    std::optional<BVError> clearThroughAgent() override;
};

class BVUnifiedLogModel : public BVPrivilegedLogModel {
    BV_ENTITY_CLASS(BVUnifiedLogModel)
public:
    using BVPrivilegedLogModel::BVPrivilegedLogModel;

protected:
    const char* domain() const override { return BVUnifiedLogModelDomain; }
    std::string shownName() const override;
    std::optional<BVError> clearThroughAgent() override;
};

class BVASLogModelFactory : public BVLogModelFactory {
public:
    explicit BVASLogModelFactory(std::shared_ptr<BVPrivilegedOperationsPerformer> performer) : performer_(std::move(performer)) {}
    BVEntityPtr logModelWithItem(const BVLogItemPtr& item, uint64_t size, bool autoselected) const override;

private:
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
};

class BVUnifiedLogModelFactory : public BVLogModelFactory {
public:
    explicit BVUnifiedLogModelFactory(std::shared_ptr<BVPrivilegedOperationsPerformer> performer) : performer_(std::move(performer)) {}
    BVEntityPtr logModelWithItem(const BVLogItemPtr& item, uint64_t size, bool autoselected) const override;

private:
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
};
