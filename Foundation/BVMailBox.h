// BVMailBox: one mailbox of the mail store (its name and folder) and, for an account's
// mailbox, what the trash scanner asks: the account type ("IMAPAccount", "POPAccount", ...),
// whether the account is enabled, the URL of its trash mailbox and the message files in that
// trash. This host has no mail store of that kind; the mail-information layer (BVMailInfo)
// hands mailboxes to the scanners (fakes in tests). Values: compared by content.
#pragma once

#include <optional>
#include <vector>

#include "Foundation/BVObject.h"

class BVMailBox : public BVObject {
public:
    virtual std::string name() const = 0;
    virtual std::string folderPath() const = 0;

    virtual std::string accountType() const { return {}; }
    virtual bool isEnabled() const { return true; }
    virtual std::optional<std::string> trashMailBoxURL() const { return std::nullopt; }
    // The message files (paths) of the account's trash mailbox.
    virtual std::vector<std::string> trashes() const { return {}; }
};

using BVMailBoxPtr = std::shared_ptr<const BVMailBox>;

// BVMailInfo: the mail information, listing the mailboxes of the user's accounts.
// `sharedMailInfo` is the process-wide instance; on this host there is no mail store and it
// lists none. Safe from any thread.
class BVMailInfo {
public:
    static std::shared_ptr<BVMailInfo> sharedMailInfo();
    virtual ~BVMailInfo() = default;
    virtual std::vector<BVMailBoxPtr> mailboxes() const = 0;
};
