// Path predicates: small objects that answer whether a scan candidate is to be ignored, and
// BVCompoundPredicate, which combines them with not, and, or. A candidate is a path string, a
// file URL or a tree-walk entry; a predicate answers false for a kind it does not support.
// Built for one scan and used by one scan task on one thread.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Foundation/BVFTSEntity.h"
#include "Foundation/BVObject.h"

// std::monostate stands for a candidate of another kind.
using BVPredicateCandidate = std::variant<std::monostate, std::string, BVURLPtr, BVFTSEntity>;

enum BVPredicateKinds : unsigned {
    BVPredicateKindString = 1 << 0,
    BVPredicateKindURL = 1 << 1,
    BVPredicateKindEntity = 1 << 2,
};

class BVPredicate {
public:
    virtual ~BVPredicate() = default;
    // True when the candidate is to be ignored; false for a kind the predicate does not support.
    virtual bool shouldIgnoreObject(const BVPredicateCandidate& candidate) const;
    // The candidate kinds this predicate understands (BVPredicateKinds bits).
    virtual unsigned supportedTypes() const = 0;

protected:
    // Called only with a supported kind.
    virtual bool evaluate(const BVPredicateCandidate& candidate) const = 0;
};

using BVPredicatePtr = std::shared_ptr<const BVPredicate>;

class BVCompoundPredicate : public BVPredicate {
public:
    enum Type : uint64_t { Not = 0, And = 1, Or = 2 };
    // An empty list is a programming error (std::invalid_argument).
    BVCompoundPredicate(uint64_t type, std::vector<BVPredicatePtr> subpredicates);
    static BVPredicatePtr andPredicateWithSubpredicates(std::vector<BVPredicatePtr> subpredicates);
    static BVPredicatePtr orPredicateWithSubpredicates(std::vector<BVPredicatePtr> subpredicates);
    static BVPredicatePtr notPredicateWithSubpredicate(BVPredicatePtr subpredicate);

    uint64_t type() const { return type_; }
    // Compounds cannot tell their kinds: asking is a programming error (std::logic_error).
    unsigned supportedTypes() const override;
    // Every kind reaches the subpredicates, which answer false for kinds they do not support.
    bool shouldIgnoreObject(const BVPredicateCandidate& candidate) const override;

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override { return shouldIgnoreObject(candidate); }

private:
    uint64_t type_;
    std::vector<BVPredicatePtr> subpredicates_;
};

// The path of a string or URL candidate; empty for other kinds.
std::string BVCandidatePath(const BVPredicateCandidate& candidate);
