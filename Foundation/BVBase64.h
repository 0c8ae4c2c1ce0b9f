// Base64 (RFC 4648, with padding) for data values written as text. Stateless.
#pragma once

#include <optional>
#include <string>

namespace BVBase64 {
std::string encode(const std::string& bytes);
// Whitespace is skipped; any other character outside the alphabet makes the input invalid.
std::optional<std::string> decode(const std::string& text);
}  // namespace BVBase64
