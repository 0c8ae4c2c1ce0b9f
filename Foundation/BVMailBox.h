// BVMailBox: one mailbox of the mail store (its name and folder) and, for an account's
// mailbox, what the trash scanner asks: the account type ("IMAPAccount", "POPAccount", ...),
// whether the account is enabled, the URL of its trash mailbox and the message files in that
// trash; and what the attachments scanner asks: the mailbox's unique identifier, whether it may
// be cleaned, and the local copies of its attachments. This host has no mail store of that kind;
// the mail-information layer (BVMailInfo) hands mailboxes to the scanners (fakes in tests).
// Values: compared by content.
#pragma once

#include <functional>
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

    virtual std::string uniqueID() const { return name(); }
    virtual bool isAvailableForClean() const { return true; }
    // Calls `handler` with each attachment file (a path) until it answers false.
    virtual void enumerateAttachments(const std::function<bool(const std::string&)>& /*handler*/) const {}

    // The mailbox that stands for the attachments the user opened (the mail downloads).
    static std::shared_ptr<const BVMailBox> unknownMailbox();
};

using BVMailBoxPtr = std::shared_ptr<const BVMailBox>;

// BVMailInfo: the mail information, listing the mailboxes of the user's accounts, how many
// attachments they hold, and where the mail application keeps the attachments the user opened
// (on the macos layout "~/Library/Mail Downloads", and the sandboxed copy in the mail
// application's container; the linux layout has none). `sharedMailInfo` is the process-wide
// instance; on this host there is no mail store and it lists no mailbox. Safe from any thread.
class BVPaths;
class BVMailInfo {
public:
    static std::shared_ptr<BVMailInfo> sharedMailInfo();
    virtual ~BVMailInfo() = default;
    virtual std::vector<BVMailBoxPtr> mailboxes() const = 0;
    virtual uint64_t attachmentsCount() const { return 0; }
    virtual std::optional<std::string> downloadsURL(const BVPaths& paths) const;
    virtual std::optional<std::string> sandboxedDownloadsURL(const BVPaths& paths) const;
};
