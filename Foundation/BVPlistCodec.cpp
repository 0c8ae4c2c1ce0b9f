#include "Foundation/BVPlistCodec.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "Foundation/BVFileIO.h"

namespace {

constexpr double kPlistEpochOffset = 978307200.0;  // 2001-01-01 in seconds since 1970

struct PlistDeleter {
    void operator()(plist_t p) const {
        if (p) plist_free(p);
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

BVValue fromPlist(plist_t node) {
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return BVValue(b != 0);
        }
        case PLIST_UINT: {
            uint64_t u = 0;
            plist_get_uint_val(node, &u);
            return BVValue(int64_t(u));
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return BVValue(d);
        }
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* s = plist_get_string_ptr(node, &length);
            return BVValue(std::string(s ? s : "", s ? length : 0));
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* d = plist_get_data_ptr(node, &length);
            return BVValue(BVData{std::string(d ? d : "", d ? length : 0)});
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            return BVValue(BVDate{kPlistEpochOffset + sec + usec / 1e6});
        }
        case PLIST_UID: {
            uint64_t u = 0;
            plist_get_uid_val(node, &u);
            return BVValue(BVDictionary{{"CF$UID", BVValue(int64_t(u))}});
        }
        case PLIST_ARRAY: {
            BVArray a;
            uint32_t n = plist_array_get_size(node);
            a.reserve(n);
            for (uint32_t i = 0; i < n; ++i) a.push_back(fromPlist(plist_array_get_item(node, i)));
            return BVValue(std::move(a));
        }
        case PLIST_DICT: {
            BVDictionary d;
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            while (it) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, it, &key, &value);
                if (!key) break;
                d.emplace(key, fromPlist(value));
                free(key);
            }
            free(it);
            return BVValue(std::move(d));
        }
        default: return BVValue();
    }
}

plist_t toPlist(const BVValue& v) {
    struct Visitor {
        plist_t operator()(const BVNull&) const { return plist_new_string(""); }
        plist_t operator()(bool b) const { return plist_new_bool(b); }
        plist_t operator()(int64_t i) const { return plist_new_uint(uint64_t(i)); }
        plist_t operator()(uint64_t u) const { return plist_new_uint(u); }
        plist_t operator()(double d) const { return plist_new_real(d); }
        plist_t operator()(const std::string& s) const { return plist_new_string(s.c_str()); }
        plist_t operator()(const BVData& d) const { return plist_new_data(d.bytes.data(), d.bytes.size()); }
        plist_t operator()(const BVDate& d) const {
            double since2001 = d.secondsSince1970 - kPlistEpochOffset;
            double whole = std::floor(since2001);
            return plist_new_date(int32_t(whole), int32_t((since2001 - whole) * 1e6));
        }
        plist_t operator()(const std::shared_ptr<const BVArray>& a) const {
            plist_t out = plist_new_array();
            for (const auto& e : *a) plist_array_append_item(out, toPlist(e));
            return out;
        }
        plist_t operator()(const std::shared_ptr<const BVDictionary>& d) const {
            plist_t out = plist_new_dict();
            for (const auto& [k, e] : *d) plist_dict_set_item(out, k.c_str(), toPlist(e));
            return out;
        }
    };
    return std::visit(Visitor{}, v.storage());
}

// Depth of an XML property list, counted on its container tags.
size_t xmlDepth(const std::string& text) {
    size_t depth = 0, maximum = 0;
    for (size_t i = text.find('<'); i != std::string::npos; i = text.find('<', i + 1)) {
        if (text.compare(i, 5, "<dict") == 0 || text.compare(i, 6, "<array") == 0) {
            size_t close = text.find('>', i);
            if (close != std::string::npos && text[close - 1] == '/') continue;  // <dict/>
            maximum = std::max(maximum, ++depth);
        } else if (text.compare(i, 7, "</dict>") == 0 || text.compare(i, 8, "</array>") == 0) {
            if (depth) --depth;
        }
    }
    return maximum;
}

// Walks the object graph of a binary property list without building it, to refuse cycles and
// excessive depth. Returns false when the structure is malformed in a way that would make the
// walk itself unsafe; libplist then reports any remaining format errors.
class BinaryDepthChecker {
public:
    explicit BinaryDepthChecker(const std::string& b) : b_(b) {}

    bool check(std::string* error) {
        if (b_.size() < 8 + 32) return fail(error, "binary property list too short");
        const unsigned char* t = reinterpret_cast<const unsigned char*>(b_.data()) + b_.size() - 32;
        offsetSize_ = t[6];
        refSize_ = t[7];
        objects_ = readBE(t + 8, 8);
        uint64_t top = readBE(t + 16, 8);
        tableOffset_ = readBE(t + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || objects_ == 0 ||
            top >= objects_ || tableOffset_ >= b_.size() ||
            objects_ > (b_.size() - tableOffset_) / offsetSize_) {
            return fail(error, "binary property list has a malformed trailer");
        }
        // Iterative post-order walk computing, per object, the height of the tree below it and
        // the number of nodes it expands to (libplist copies shared objects, so a small file of
        // shared references could otherwise expand without bound).
        std::vector<std::pair<uint64_t, bool>> work{{top, false}};
        std::vector<uint8_t> state(objects_, 0);  // 0 unseen, 1 on the current path, 2 done
        std::vector<uint32_t> height(objects_, 0);
        std::vector<uint64_t> expanded(objects_, 0);
        std::vector<uint64_t> children;
        while (!work.empty()) {
            auto [object, leaving] = work.back();
            work.pop_back();
            children.clear();
            if (!childrenOf(object, children)) return fail(error, "binary property list has a malformed object");
            if (leaving) {
                uint32_t h = 0;
                uint64_t n = 1;
                for (uint64_t child : children) {
                    h = std::max(h, height[child]);
                    n = std::min<uint64_t>(n + expanded[child], kMaximumNodes + 1);
                }
                height[object] = h + 1;
                expanded[object] = n;
                state[object] = 2;
                if (height[object] > BVPlistCodec::kMaximumDepth) return fail(error, "property list nested too deeply");
                if (n > kMaximumNodes) return fail(error, "property list expands to too many objects");
                continue;
            }
            if (state[object] == 2) continue;
            state[object] = 1;
            work.emplace_back(object, true);
            for (uint64_t child : children) {
                if (child >= objects_) return fail(error, "binary property list refers to a missing object");
                if (state[child] == 1) return fail(error, "binary property list contains a cycle");
                if (state[child] == 0) work.emplace_back(child, false);
            }
        }
        return true;
    }

private:
    static uint64_t readBE(const unsigned char* p, size_t n) {
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
        return v;
    }
    static bool fail(std::string* error, const char* text) {
        if (error) *error = text;
        return false;
    }
    bool childrenOf(uint64_t object, std::vector<uint64_t>& out) {
        const auto* data = reinterpret_cast<const unsigned char*>(b_.data());
        uint64_t offset = readBE(data + tableOffset_ + object * offsetSize_, offsetSize_);
        if (offset >= tableOffset_) return false;
        unsigned marker = data[offset] >> 4;
        if (marker != 0xA && marker != 0xC && marker != 0xD) return true;  // not a container
        uint64_t count = data[offset] & 0x0f;
        uint64_t position = offset + 1;
        if (count == 0x0f) {
            if (position >= tableOffset_ || (data[position] >> 4) != 0x1) return false;
            size_t bytes = size_t(1) << (data[position] & 0x0f);
            if (bytes > 8 || position + 1 + bytes > tableOffset_) return false;
            count = readBE(data + position + 1, bytes);
            position += 1 + bytes;
        }
        uint64_t refs = marker == 0xD ? count * 2 : count;
        if (count > objects_ * 2 || position + refs * refSize_ > tableOffset_) return false;
        for (uint64_t i = 0; i < refs; ++i) out.push_back(readBE(data + position + i * refSize_, refSize_));
        return true;
    }

    static constexpr uint64_t kMaximumNodes = 10'000'000;
    const std::string& b_;
    size_t offsetSize_ = 0, refSize_ = 0;
    uint64_t objects_ = 0, tableOffset_ = 0;
};

}  // namespace

namespace BVPlistCodec {

std::optional<BVValue> decode(const std::string& bytes, std::string* error) {
    if (bytes.size() > kMaximumInputBytes) {
        if (error) *error = "property list larger than " + std::to_string(kMaximumInputBytes) + " bytes";
        return std::nullopt;
    }
    if (bytes.empty()) {
        if (error) *error = "empty property list";
        return std::nullopt;
    }
    bool binary = plist_is_binary(bytes.data(), uint32_t(bytes.size()));
    if (binary) {
        if (!BinaryDepthChecker(bytes).check(error)) return std::nullopt;
    } else if (xmlDepth(bytes) > kMaximumDepth) {
        if (error) *error = "property list nested too deeply";
        return std::nullopt;
    }
    plist_t root = nullptr;
    if (binary) plist_from_bin(bytes.data(), uint32_t(bytes.size()), &root);
    else plist_from_xml(bytes.data(), uint32_t(bytes.size()), &root);
    PlistPtr owner(root);
    if (!root) {
        if (error) *error = "not a valid property list";
        return std::nullopt;
    }
    return fromPlist(root);
}

std::string encode(const BVValue& value, Format format) {
    PlistPtr root(toPlist(value));
    char* out = nullptr;
    uint32_t length = 0;
    if (format == Format::Binary) plist_to_bin(root.get(), &out, &length);
    else plist_to_xml(root.get(), &out, &length);
    std::string result(out ? out : "", out ? length : 0);
    if (format == Format::Binary) plist_to_bin_free(out);
    else plist_to_xml_free(out);
    return result;
}

std::optional<BVValue> decodeFile(const std::string& path, std::string* error) {
    std::string bytes;
    if (!BVFileIO::readFile(path, bytes, kMaximumInputBytes, error)) return std::nullopt;
    return decode(bytes, error);
}

bool encodeToFile(const BVValue& value, const std::string& path, Format format, std::string* error) {
    return BVFileIO::writeFileAtomically(path, encode(value, format), error);
}

}  // namespace BVPlistCodec
