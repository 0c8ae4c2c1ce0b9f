#include "LargeAndOldFilesModule/BVLAOFMetadataQuery.h"

#include <algorithm>
#include <charconv>
#include <mutex>

#include "Foundation/BVDirectoryWalker.h"
#include "LargeAndOldFilesModule/BVLAOFContentTypes.h"

namespace {

std::string trim(const std::string& text) {
    size_t b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
}

double seconds(const struct statx_timestamp& t) { return double(t.tv_sec) + double(t.tv_nsec) / 1e9; }

bool isExcluded(const std::vector<std::string>& tree, const std::set<std::string>& excluded) {
    return std::any_of(tree.begin(), tree.end(), [&](const std::string& t) { return excluded.count(t) > 0; });
}

BVMetadataItemPtr itemFor(const BVWalkEntry& entry, const std::string& type, std::vector<std::string> tree) {
    BVArray treeValues;
    for (auto& t : tree) treeValues.push_back(BVValue(std::move(t)));
    // The last use of a file is the later of its last read and its last change: access times
    // alone are unreliable where the file system is mounted with noatime or relatime.
    double lastUsed = std::max(seconds(entry.status.stx_atime), seconds(entry.status.stx_mtime));
    return std::make_shared<BVDictionaryMetadataItem>(BVDictionary{
        {kBVMDItemPath, BVValue(entry.path())},
        {kBVMDItemContentType, BVValue(type)},
        {kBVMDItemContentTypeTree, BVValue(std::move(treeValues))},
        {kBVMDItemFSSize, BVValue(uint64_t(entry.status.stx_size))},
        {kBVMDItemLastUsedDate, BVValue(BVDate{lastUsed})},
    });
}

}  // namespace

std::optional<BVLAOFQueryPredicate> BVLAOFCompileQueryPredicate(const std::string& predicate) {
    BVLAOFQueryPredicate compiled;
    bool hasSize = false;
    size_t start = 0;
    while (start <= predicate.size()) {
        size_t end = predicate.find("&&", start);
        std::string clause = trim(predicate.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? predicate.size() + 1 : end + 2;
        const std::string size = "kMDItemFSSize > ", tree = "kMDItemContentTypeTree != ";
        if (clause.rfind(size, 0) == 0) {
            std::string number = trim(clause.substr(size.size()));
            auto [p, ec] = std::from_chars(number.data(), number.data() + number.size(), compiled.sizeAbove);
            if (ec != std::errc() || p != number.data() + number.size() || hasSize) return std::nullopt;
            hasSize = true;
        } else if (clause.rfind(tree, 0) == 0) {
            std::string type = trim(clause.substr(tree.size()));
            if (type.empty() || type.find(' ') != std::string::npos) return std::nullopt;
            compiled.excludedTypes.insert(type);
        } else {
            return std::nullopt;
        }
    }
    if (!hasSize) return std::nullopt;
    return compiled;
}

std::unique_ptr<BVLAOFHomeWalkQuery> BVLAOFHomeWalkQuery::create(const std::string& predicate,
                                                                 std::vector<std::string> scopes, FolderPruning pruning,
                                                                 unsigned threads) {
    auto compiled = BVLAOFCompileQueryPredicate(predicate);
    if (!compiled) return nullptr;
    return std::unique_ptr<BVLAOFHomeWalkQuery>(
        new BVLAOFHomeWalkQuery(std::move(*compiled), std::move(scopes), std::move(pruning), threads));
}

BVLAOFHomeWalkQuery::BVLAOFHomeWalkQuery(BVLAOFQueryPredicate predicate, std::vector<std::string> scopes,
                                         FolderPruning pruning, unsigned threads)
    : predicate_(std::move(predicate)), scopes_(std::move(scopes)), pruning_(std::move(pruning)), threads_(threads) {}

bool BVLAOFHomeWalkQuery::execute(const BVProgressPtr& progress) {
    if (progress && progress->isCancelled()) return false;
    results_.clear();
    BVDirectoryWalker walker(threads_);
    std::mutex mutex;
    auto shouldStop = [&] {
        if (!progress) return false;
        progress->sleepThreadWhilePaused();
        return progress->isCancelled();
    };
    for (const auto& scope : scopes_) {
        walker.walk(
            scope,
            [&](unsigned, const BVWalkEntry& entry) {
                if (entry.isDirectory()) {
                    // Bundles, photo libraries and package documents are single items to an
                    // index: their inner files are never offered, because removing one would
                    // break the whole (an application, a library, a presentation).
                    std::string type = BVLAOFContentTypes::contentTypeForExtension(
                        BVLAOFContentTypes::pathExtension(entry.name), true);
                    if (type != "public.folder") {
                        auto tree = BVLAOFContentTypes::contentTypeTree(type);
                        if (isExcluded(tree, predicate_.excludedTypes) || isExcluded(tree, {"com.apple.package"}))
                            return false;
                    }
                    return !(pruning_ && pruning_(entry.path()));
                }
                if (!S_ISREG(entry.status.stx_mode) || entry.status.stx_size <= predicate_.sizeAbove) return true;
                std::string type =
                    BVLAOFContentTypes::contentTypeForExtension(BVLAOFContentTypes::pathExtension(entry.name));
                auto tree = BVLAOFContentTypes::contentTypeTree(type);
                if (isExcluded(tree, predicate_.excludedTypes)) return true;
                auto item = itemFor(entry, type, std::move(tree));
                std::lock_guard lock(mutex);
                results_.push_back(std::move(item));
                return true;
            },
            shouldStop);
        if (shouldStop()) break;
    }
    // Worker order is arbitrary; answer in path order so that repeated scans list alike.
    std::sort(results_.begin(), results_.end(), [](const BVMetadataItemPtr& a, const BVMetadataItemPtr& b) {
        return a->valueForAttribute(kBVMDItemPath)->stringValue() < b->valueForAttribute(kBVMDItemPath)->stringValue();
    });
    return true;
}

BVMetadataItemPtr BVLAOFHomeWalkQuery::resultAtIndex(size_t index) const {
    return index < results_.size() ? results_[index] : nullptr;
}
