#include "ScanningService/CoreScanning/Predicates/BVPredicate.h"

#include <stdexcept>

namespace {
unsigned kindOf(const BVPredicateCandidate& c) {
    if (std::holds_alternative<std::string>(c)) return BVPredicateKindString;
    if (auto u = std::get_if<BVURLPtr>(&c)) return *u ? unsigned(BVPredicateKindURL) : 0u;
    if (std::holds_alternative<BVFTSEntity>(c)) return BVPredicateKindEntity;
    return 0;
}
}  // namespace

bool BVPredicate::shouldIgnoreObject(const BVPredicateCandidate& candidate) const {
    unsigned kind = kindOf(candidate);
    return kind != 0 && (supportedTypes() & kind) && evaluate(candidate);
}

std::string BVCandidatePath(const BVPredicateCandidate& candidate) {
    if (auto s = std::get_if<std::string>(&candidate)) return *s;
    if (auto u = std::get_if<BVURLPtr>(&candidate)) return *u ? (*u)->path() : std::string();
    return {};
}

BVCompoundPredicate::BVCompoundPredicate(uint64_t type, std::vector<BVPredicatePtr> subpredicates)
    : type_(type), subpredicates_(std::move(subpredicates)) {
    if (subpredicates_.empty()) throw std::invalid_argument("Invalid parameter not satisfying: subpredicates.count > 0");
}

BVPredicatePtr BVCompoundPredicate::andPredicateWithSubpredicates(std::vector<BVPredicatePtr> subpredicates) {
    return std::make_shared<BVCompoundPredicate>(And, std::move(subpredicates));
}
BVPredicatePtr BVCompoundPredicate::orPredicateWithSubpredicates(std::vector<BVPredicatePtr> subpredicates) {
    return std::make_shared<BVCompoundPredicate>(Or, std::move(subpredicates));
}
BVPredicatePtr BVCompoundPredicate::notPredicateWithSubpredicate(BVPredicatePtr subpredicate) {
    return std::make_shared<BVCompoundPredicate>(Not, std::vector<BVPredicatePtr>{std::move(subpredicate)});
}

unsigned BVCompoundPredicate::supportedTypes() const {
    throw std::logic_error("Can't predict supported types of compound predicates.");
}

bool BVCompoundPredicate::shouldIgnoreObject(const BVPredicateCandidate& candidate) const {
    switch (type_) {
        case Not: return !subpredicates_.front()->shouldIgnoreObject(candidate);
        case And:
            for (const auto& p : subpredicates_)
                if (!p->shouldIgnoreObject(candidate)) return false;
            return true;
        case Or:
            for (const auto& p : subpredicates_)
                if (p->shouldIgnoreObject(candidate)) return true;
            return false;
        default: return false;  // other types are not used
    }
}
