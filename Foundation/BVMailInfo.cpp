#include "Foundation/BVMailBox.h"

namespace {

class NoMailStore final : public BVMailInfo {
public:
    std::vector<BVMailBoxPtr> mailboxes() const override { return {}; }
};

}  // namespace

std::shared_ptr<BVMailInfo> BVMailInfo::sharedMailInfo() {
    static auto info = std::make_shared<NoMailStore>();
    return info;
}
