#include "PrivacyModule/Sources/Tools/Finder/BVXBELRecentItems.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <sstream>

#include <pugixml.hpp>

#include "Foundation/BVFileReplacement.h"
#include "PrivacyModule/Sources/Tools/BVURLText.h"

namespace {

constexpr size_t kMaximumBytes = 64u * 1024 * 1024;
// Everything the file holds is kept as it is: the declaration, comments, processing
// instructions and the whitespace between elements.
constexpr unsigned kParseOptions = pugi::parse_full | pugi::parse_ws_pcdata;

bool load(const BVSafeResolver& resolver, const std::string& path, pugi::xml_document& document, BVError* error) {
    std::string text;
    if (!BVFileReplacement::readFile(resolver, path, text, kMaximumBytes, error)) return false;
    auto parsed = document.load_buffer(text.data(), text.size(), kParseOptions);
    if (!parsed) {
        BVSetError(error, BVError::withDescription("BVXBELErrorDomain", 1, path + ": " + parsed.description()));
        return false;
    }
    return true;
}

std::string nameOf(const pugi::xml_node& bookmark, const std::string& href) {
    std::string title = bookmark.child("title").text().as_string();
    if (!title.empty()) return title;
    std::string path = BVURLText::path(href);
    size_t slash = path.find_last_of('/');
    return BVURLText::percentDecoded(slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace

std::optional<BVDate> BVXBELRecentItems::parseTime(const std::string& text) {
    std::tm tm{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min, &tm.tm_sec,
                    &consumed) != 6)
        return std::nullopt;
    double fraction = 0;
    size_t at = size_t(consumed);
    if (at < text.size() && text[at] == '.') {
        size_t end = at + 1;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        fraction = std::stod("0" + text.substr(at, end - at));
        at = end;
    }
    if (at >= text.size() || text[at] != 'Z') return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return BVDate{double(::timegm(&tm)) + fraction};
}

std::vector<BVSharedFileListItem> BVXBELRecentItems::snapshot(BVSharedFileListKind kind) const {
    std::vector<BVSharedFileListItem> items;
    pugi::xml_document document;
    if (!hasList(kind) || !load(paths_->resolver(), path_, document, nullptr)) return items;
    for (auto bookmark : document.child("xbel").children("bookmark")) {
        std::string href = bookmark.attribute("href").as_string();
        if (href.empty()) continue;
        BVSharedFileListItem item{href, href, std::nullopt, std::nullopt};
        std::string name = nameOf(bookmark, href);
        if (!name.empty()) item.displayName = name;
        for (const char* attribute : {"visited", "modified", "added"})
            if (!item.lastUsedDate) item.lastUsedDate = parseTime(bookmark.attribute(attribute).as_string());
        items.push_back(std::move(item));
    }
    return items;
}

namespace {

// The text without the bookmarks `gone` (each with the line break and indentation before it),
// cut from the file's own bytes so that nothing else changes; none when the cut does not leave
// exactly the other bookmarks (the caller then writes the parsed document instead).
std::optional<std::string> cutBookmarks(const std::string& text, const std::vector<pugi::xml_node>& gone, size_t remaining) {
    std::vector<std::pair<size_t, size_t>> ranges;
    for (const auto& bookmark : gone) {
        ptrdiff_t name = bookmark.offset_debug();
        if (name <= 0 || text[size_t(name) - 1] != '<') return std::nullopt;
        size_t begin = size_t(name) - 1, end;
        auto next = bookmark.next_sibling();
        if (next) {
            ptrdiff_t at = next.offset_debug();
            if (at <= 0) return std::nullopt;
            end = next.type() == pugi::node_element ? size_t(at) - 1 : size_t(at);
        } else {
            end = text.rfind("</xbel");
            if (end == std::string::npos) return std::nullopt;
        }
        auto before = bookmark.previous_sibling();
        if (before.type() == pugi::node_pcdata && std::string(before.value()).find_first_not_of(" \t\r\n") == std::string::npos)
            begin -= std::string(before.value()).size();
        if (end < begin) return std::nullopt;
        ranges.push_back({begin, end});
    }
    std::string out = text;
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) out.erase(it->first, it->second - it->first);
    pugi::xml_document check;
    if (!check.load_buffer(out.data(), out.size(), kParseOptions)) return std::nullopt;
    size_t count = 0;
    for (auto b : check.child("xbel").children("bookmark")) count += b ? 1 : 0;
    if (count != remaining) return std::nullopt;
    return out;
}

}  // namespace

std::optional<BVError> BVXBELRecentItems::removeItem(BVSharedFileListKind kind, const BVSharedFileListItem& item) {
    if (!hasList(kind)) return BVError::withDescription("NSOSStatusErrorDomain", -43, "there is no such list");
    std::string text;
    BVError error;
    if (!BVFileReplacement::readFile(paths_->resolver(), path_, text, kMaximumBytes, &error)) return error;
    pugi::xml_document document;
    if (!document.load_buffer(text.data(), text.size(), kParseOptions))
        return BVError::withDescription("BVXBELErrorDomain", 1, path_ + " is not a valid recent-items list");
    auto root = document.child("xbel");
    std::vector<pugi::xml_node> gone;
    size_t all = 0;
    for (auto bookmark : root.children("bookmark")) {
        ++all;
        if (item.identifier == bookmark.attribute("href").as_string()) gone.push_back(bookmark);
    }
    if (gone.empty()) return std::nullopt;
    auto contents = cutBookmarks(text, gone, all - gone.size());
    if (!contents) {
        for (auto& bookmark : gone) root.remove_child(bookmark);
        std::ostringstream out;
        unsigned flags = pugi::format_raw;
        if (document.first_child().type() != pugi::node_declaration) flags |= pugi::format_no_declaration;
        document.save(out, "", flags, pugi::encoding_utf8);
        contents = out.str();
    }
    if (!BVFileReplacement::replaceFile(paths_->resolver(), path_, *contents, &error)) return error;
    return std::nullopt;
}
