// BVXBELRecentItems: the recent documents of the linux layout, the freedesktop list
// "~/.local/share/recently-used.xbel" (XBEL: one <bookmark href=...> per document, with its
// times and the applications that opened it). An item's name is its <title>, else the last part
// of its URL with escapes decoded; its date is when it was last visited (else modified, else
// added). Removing an item reads the file again, drops that bookmark, keeps every other element,
// attribute, comment and the whitespace as they were, and replaces the file whole, so a reader
// sees the old list or the new one. Another program that rewrites the list between that read
// and the replacement loses its change, as with any two writers of this file. Any thread.
#pragma once

#include "Foundation/BVPaths.h"
#include "Foundation/BVSharedFileList.h"

class BVXBELRecentItems : public BVSharedFileList {
public:
    BVXBELRecentItems(std::string path, std::shared_ptr<const BVPaths> paths) : path_(std::move(path)), paths_(std::move(paths)) {}

    bool hasList(BVSharedFileListKind kind) const override { return kind == BVSharedFileListKind::RecentDocuments; }
    std::vector<BVSharedFileListItem> snapshot(BVSharedFileListKind kind) const override;
    std::optional<BVError> removeItem(BVSharedFileListKind kind, const BVSharedFileListItem& item) override;

    // "2025-01-02T03:04:05.123456Z" as a date; none when it is not of that form.
    static std::optional<BVDate> parseTime(const std::string& text);

private:
    std::string path_;
    std::shared_ptr<const BVPaths> paths_;
};
