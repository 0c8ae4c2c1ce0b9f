// BVListing: the lines of a human listing with its sizes in one right-aligned column before
// the text ("  12.3 MB  User caches"); a line without a size leaves the column blank, and a
// heading stands outside it. The column is as wide as the widest size of the whole listing, so
// lines from several parts (every module of a Smart Scan) line up. Built on one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "App/BVOutputStyle.h"

class BVListing {
public:
    void addRow(std::optional<uint64_t> size, std::string text);
    void addHeading(std::string text);
    void append(const BVListing& other);
    bool empty() const { return lines_.empty(); }
    std::string render(const BVOutputStyle& style) const;

private:
    struct Line {
        bool heading;
        std::optional<uint64_t> size;
        std::string text;
    };
    std::vector<Line> lines_;
};
