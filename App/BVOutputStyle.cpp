#include "App/BVOutputStyle.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "Foundation/QLFileSizer.h"

namespace {

std::string wrap(bool on, const char* code, const std::string& text) {
    return on ? std::string("\033[") + code + "m" + text + "\033[0m" : text;
}

}  // namespace

std::optional<BVColorWhen> BVColorWhenNamed(const std::string& name) {
    if (name == "never") return BVColorWhen::Never;
    if (name == "auto") return BVColorWhen::Auto;
    if (name == "always") return BVColorWhen::Always;
    return std::nullopt;
}

bool BVOutputStyle::wantsColour(BVColorWhen when, bool json, bool outputIsTerminal, const char* noColor, const char* term) {
    if (json || when == BVColorWhen::Never) return false;
    if (when == BVColorWhen::Always) return true;
    if (noColor && *noColor) return false;
    if (term && std::strcmp(term, "dumb") == 0) return false;
    return outputIsTerminal;
}

BVOutputStyle BVOutputStyle::forStandardOutput(BVColorWhen when, bool json, bool exactBytes) {
    BVOutputStyle style;
    style.colour = wantsColour(when, json, ::isatty(STDOUT_FILENO) == 1, std::getenv("NO_COLOR"), std::getenv("TERM"));
    style.exactBytes = exactBytes;
    return style;
}

std::string BVOutputStyle::size(uint64_t bytes) const {
    return exactBytes ? std::to_string(bytes) : QLFileSizer::nonLocalizedDisplayItemSizeFromSize(bytes);
}

std::string BVOutputStyle::ticked(const std::string& text) const { return wrap(colour, "32", text); }
std::string BVOutputStyle::failure(const std::string& text) const { return wrap(colour, "31", text); }
std::string BVOutputStyle::strong(const std::string& text) const { return wrap(colour, "1", text); }

std::string BVCountOf(size_t count, const std::string& singular, const std::string& plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural.empty() ? singular + "s" : plural);
}
