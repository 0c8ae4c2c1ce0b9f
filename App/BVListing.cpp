#include "App/BVListing.h"

#include <algorithm>

void BVListing::addRow(std::optional<uint64_t> size, std::string text) { lines_.push_back({false, size, std::move(text)}); }

void BVListing::addHeading(std::string text) { lines_.push_back({true, std::nullopt, std::move(text)}); }

void BVListing::append(const BVListing& other) { lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end()); }

std::string BVListing::render(const BVOutputStyle& style) const {
    size_t width = 0;
    for (const auto& line : lines_)
        if (line.size) width = std::max(width, style.size(*line.size).size());
    std::string out;
    for (const auto& line : lines_) {
        if (line.heading) {
            out += line.text + "\n";
            continue;
        }
        std::string size = line.size ? style.size(*line.size) : std::string();
        out += "  " + std::string(width - size.size(), ' ') + (size.empty() ? size : style.strong(size)) + "  " + line.text + "\n";
    }
    return out;
}
