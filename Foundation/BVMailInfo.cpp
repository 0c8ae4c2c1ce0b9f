#include "Foundation/BVMailBox.h"

#include "Foundation/BVPaths.h"

namespace {

class NoMailStore final : public BVMailInfo {
public:
    std::vector<BVMailBoxPtr> mailboxes() const override { return {}; }
};

class UnknownMailbox final : public BVMailBox {
public:
    std::string name() const override { return "Mail Downloads"; }
    std::string folderPath() const override { return {}; }
    std::string uniqueID() const override { return "BVUnknownMailbox"; }
    bool isEqual(const BVObject& other) const override { return dynamic_cast<const UnknownMailbox*>(&other) != nullptr; }
    size_t hash() const override { return std::hash<std::string>()(uniqueID()); }
    std::string description() const override { return name(); }
};

}  // namespace

std::shared_ptr<BVMailInfo> BVMailInfo::sharedMailInfo() {
    static auto info = std::make_shared<NoMailStore>();
    return info;
}

std::optional<std::string> BVMailInfo::downloadsURL(const BVPaths& paths) const {
    if (paths.layout() != BVLayout::macos) return std::nullopt;
    return paths.home() + "/Library/Mail Downloads";
}

std::optional<std::string> BVMailInfo::sandboxedDownloadsURL(const BVPaths& paths) const {
    if (paths.layout() != BVLayout::macos) return std::nullopt;
    return paths.home() + "/Library/Containers/com.apple.mail/Data/Library/Mail Downloads";
}

std::shared_ptr<const BVMailBox> BVMailBox::unknownMailbox() {
    static const std::shared_ptr<const BVMailBox> mailbox = std::make_shared<UnknownMailbox>();
    return mailbox;
}
