// BVSharedFileList: the lists of recently used items the desktop keeps (recent documents,
// applications, servers). On the macos layout they are the platform's shared file lists, which
// this host does not have: tests script them through this interface. On linux the recent
// documents are the freedesktop list "recently-used.xbel" (its reader is the privacy module's);
// that list has no applications or servers. Implementations are safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVValue.h"

enum class BVSharedFileListKind { RecentDocuments, RecentApplications, RecentServers };

struct BVSharedFileListItem {
    std::string identifier;  // what names the item in its list (a URL)
    std::string url;
    std::optional<std::string> displayName;  // none when it cannot be read
    std::optional<BVDate> lastUsedDate;
    bool operator==(const BVSharedFileListItem& other) const { return identifier == other.identifier; }
};

class BVSharedFileList {
public:
    virtual ~BVSharedFileList() = default;
    // Whether this platform keeps a list of that kind at all.
    virtual bool hasList(BVSharedFileListKind kind) const = 0;
    // The items of the list now, most recent first where the list says.
    virtual std::vector<BVSharedFileListItem> snapshot(BVSharedFileListKind kind) const = 0;
    // Removes the item from a fresh copy of the list; the error, none on success (an item no
    // longer listed is already gone).
    virtual std::optional<BVError> removeItem(BVSharedFileListKind kind, const BVSharedFileListItem& item) = 0;
};

using BVSharedFileListPtr = std::shared_ptr<BVSharedFileList>;
