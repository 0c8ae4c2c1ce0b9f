// The file predicates: ignored by the knowledge base, existing, named, larger than a limit,
// reachable. See BVPredicate.h for the candidate kinds.
#pragma once

#include <cstdint>

#include "Foundation/BVFileManager.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/Predicates/BVPredicate.h"

// Ignores what the knowledge base ignores, by full path or by last component (entity: name).
class BVFileIgnorePredicate : public BVPredicate {
public:
    explicit BVFileIgnorePredicate(std::shared_ptr<BVScanKnowledgeBase> knowledgeBase) : knowledgeBase_(std::move(knowledgeBase)) {}
    unsigned supportedTypes() const override { return BVPredicateKindString | BVPredicateKindURL | BVPredicateKindEntity; }

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override;

private:
    std::shared_ptr<BVScanKnowledgeBase> knowledgeBase_;
};

// Ignores what exists (negate it to skip vanished items).
class BVFileExistancePredicate : public BVPredicate {
public:
    explicit BVFileExistancePredicate(BVFileManagerPtr fileManager) : fileManager_(std::move(fileManager)) {}
    unsigned supportedTypes() const override { return BVPredicateKindString | BVPredicateKindURL; }

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override;

private:
    BVFileManagerPtr fileManager_;
};

// Ignores items whose last component is exactly the pattern (case-sensitive).
class BVFileNamePredicate : public BVPredicate {
public:
    explicit BVFileNamePredicate(std::string pattern) : pattern_(std::move(pattern)) {}
    static BVPredicatePtr dsStoreFileNamePredicate();
    unsigned supportedTypes() const override { return BVPredicateKindString | BVPredicateKindURL | BVPredicateKindEntity; }

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override;

private:
    std::string pattern_;
};

// Ignores items larger than the limit (bytes), measured at every call.
class BVFileSizePredicate : public BVPredicate {
public:
    explicit BVFileSizePredicate(uint64_t limit) : limit_(limit) {}
    unsigned supportedTypes() const override { return BVPredicateKindString | BVPredicateKindURL | BVPredicateKindEntity; }

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override;

private:
    uint64_t limit_;
};

// Ignores items that can be reached (that exist, links followed).
class BVFileIsReachablePredicate : public BVPredicate {
public:
    unsigned supportedTypes() const override { return BVPredicateKindString | BVPredicateKindURL; }

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override;
};
