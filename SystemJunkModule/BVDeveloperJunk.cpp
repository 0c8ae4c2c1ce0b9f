#include "SystemJunkModule/BVDeveloperJunk.h"

#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

bool BVXcodeJunkItem::isEqual(const BVObject& other) const {
    auto* o = dynamic_cast<const BVXcodeJunkItem*>(&other);
    return o && o->type_ == type_ && o->name_ == name_ && o->url_ == url_;
}

BVURLPtr BVXcodeJunkItemModel::fileURL() const {
    auto item = junkItem();
    return item ? BVURL::fileURLWithPath(item->url()) : nullptr;
}

BVRemovalResultPtr BVXcodeJunkItemModel::remove() {
    auto item = junkItem();
    BVFileRemover::Path path = item ? BVFileRemover::Path(item->url()) : std::nullopt;
    if (item && item->type() == BVXcodeJunkItemTypeDocumentationCache) {
        // The last documentation set of a folder takes the folder along.
        BVError error;
        if (remover()->removeFileAtPath(path, true, &error)) return std::make_shared<BVRemovalResult>(shared_from_this(), size(), std::nullopt);
        return std::make_shared<BVRemovalResult>(shared_from_this(), 0, error);
    }
    BVRemovalFlags flags;
    flags.makeFoldersWritable = item && item->type() == BVXcodeJunkItemTypeReadOnlyStore;
    return BVRemovalResultFromReport(shared_from_this(), remover()->removeItem(path, BVRemovalMode::Delete, flags));
}

BVURLPtr BVXcodeJunkGroupModel::fileURL() const {
    auto item = groupModel();
    return item && !item->url().empty() ? BVURL::fileURLWithPath(item->url(), true) : nullptr;
}

bool BVXcodeJunkGroupModel::removesItsOwnFolder() const {
    auto item = groupModel();
    return item && item->type() == BVXcodeJunkItemTypeDeviceLogs;
}

BVRemovalResultPtr BVXcodeJunkGroupModel::remove() {
    auto item = groupModel();
    if (!item || item->type() != BVXcodeJunkItemTypeDeviceLogs) return BVGroupedSequenceModel::remove();
    return BVRemovalResultFromReport(shared_from_this(), remover()->removeItem(BVFileRemover::Path(item->url())));
}

namespace BVDeveloperToolCaches {

// Each of these is fetched or built again by its tool when it is missing, at the cost of the
// network or of build time; the README names each tool's own clean command.
const std::vector<BVDeveloperToolCache>& forLayout(BVLayout layout) {
    static const std::vector<BVDeveloperToolCache> linux{
        {"pip", "pip", {{".cache/pip", false, false}}},
        {"npm", "npm", {{".npm/_cacache", false, false}}},
        {"yarn", "Yarn", {{".cache/yarn", false, false}, {".yarn/berry/cache", false, false}}},
        {"pnpm", "pnpm", {{".local/share/pnpm/store", false, false}, {".cache/pnpm", false, false}}},
        {"cargo", "Cargo", {{".cargo/registry/cache", false, false}, {".cargo/git/db", false, false}}},
        {"go", "Go", {{".cache/go-build", false, false}, {"go/pkg/mod", false, true}}},
        {"gradle", "Gradle", {{".gradle/caches", false, false}}},
        {"maven", "Maven", {{".m2/repository", false, false}}},
        {"ccache", "ccache", {{".cache/ccache", false, false}, {".ccache", false, false}}},
        {"jetbrains", "JetBrains", {{".cache/JetBrains", true, false}}},
        {"huggingface", "Hugging Face", {{".cache/huggingface", true, false}}},
        {"playwright", "Playwright", {{".cache/ms-playwright", true, false}}},
    };
    static const std::vector<BVDeveloperToolCache> none;
    return layout == BVLayout::linux ? linux : none;
}

std::vector<std::string> folders(const BVPaths& paths) {
    std::vector<std::string> result;
    for (const auto& tool : forLayout(paths.layout()))
        for (const auto& folder : tool.folders) result.push_back(BVFileIO::appendPathComponent(paths.home(), folder.subpath));
    // The development environment keeps its downloads inside its own caches folder.
    if (auto installs = paths.xcodeInstalls()) result.push_back(*installs);
    return result;
}

bool overlaps(const std::string& candidate, const std::vector<std::string>& folders) {
    for (const auto& folder : folders) {
        if (folder == candidate) return true;
        if (folder.size() > candidate.size() && folder.compare(0, candidate.size(), candidate) == 0 &&
            folder[candidate.size()] == '/')
            return true;
    }
    return false;
}

}  // namespace BVDeveloperToolCaches
