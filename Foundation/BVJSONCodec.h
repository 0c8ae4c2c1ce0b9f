// JSON encoding and decoding of BVValue (nlohmann-json underneath).
//
// Decoding caps input size and nesting depth and never throws: a failure is reported through
// `error` (the parser's message) and an empty optional. Encoding never fails: text that is not
// valid UTF-8 (file names on this host can be any bytes) is written with replacement characters.
// Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>

#include "Foundation/BVValue.h"

namespace BVJSONCodec {

inline constexpr size_t kMaximumInputBytes = 256u * 1024 * 1024;
inline constexpr size_t kMaximumDepth = 512;

// `allowComments` accepts // and /* */ comments as the parser defines them.
std::optional<BVValue> decode(const std::string& text, std::string* error = nullptr, bool allowComments = false);

// Data is written as base64 text, dates as seconds since 1970.
std::string encode(const BVValue& value, int indent = -1);

}  // namespace BVJSONCodec
