#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

#include <sys/stat.h>

#include "Foundation/BVFileIO.h"
#include "Foundation/QLFileSizer.h"

bool BVFileIgnorePredicate::evaluate(const BVPredicateCandidate& candidate) const {
    if (!knowledgeBase_) return false;
    if (auto e = std::get_if<BVFTSEntity>(&candidate))
        return knowledgeBase_->isIgnoreItem(e->path) || knowledgeBase_->isIgnoreItem(e->name);
    std::string path = BVCandidatePath(candidate);
    return knowledgeBase_->isIgnoreItem(path) || knowledgeBase_->isIgnoreItem(BVFileIO::lastPathComponent(path));
}

bool BVFileExistancePredicate::evaluate(const BVPredicateCandidate& candidate) const {
    std::string path = BVCandidatePath(candidate);
    return !path.empty() && fileManager_ && fileManager_->fileExistsAtPath(path);
}

BVPredicatePtr BVFileNamePredicate::dsStoreFileNamePredicate() { return std::make_shared<BVFileNamePredicate>(".DS_Store"); }

bool BVFileNamePredicate::evaluate(const BVPredicateCandidate& candidate) const {
    if (auto e = std::get_if<BVFTSEntity>(&candidate)) return e->name == pattern_;
    return BVFileIO::lastPathComponent(BVCandidatePath(candidate)) == pattern_;
}

bool BVFileSizePredicate::evaluate(const BVPredicateCandidate& candidate) const {
    uint64_t size;
    if (auto e = std::get_if<BVFTSEntity>(&candidate)) size = e->isDirectory ? QLFileSizer::itemSizeAtPath(e->path) : e->size;
    else size = QLFileSizer::itemSizeAtPath(BVCandidatePath(candidate));
    return size > limit_;
}

bool BVFileIsReachablePredicate::evaluate(const BVPredicateCandidate& candidate) const {
    std::string path = BVCandidatePath(candidate);
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}
