// Property-list encoding and decoding of BVValue (libplist underneath).
//
// Decoding accepts binary and XML property lists, refuses input larger than a cap or nested deeper
// than a cap before libplist sees it (libplist's recursive parser overflows the stack on deeply
// nested or cyclic input), and never throws. libplist keeps integers as unsigned 64-bit: a stored
// negative number reads back as a value above 2^63, so such values are returned as negative
// int64. Dates are limited by the binary format to about 1933-2069. Stateless; any thread.
#pragma once

#include <optional>
#include <string>

#include "Foundation/BVValue.h"

namespace BVPlistCodec {

inline constexpr size_t kMaximumInputBytes = 64u * 1024 * 1024;
inline constexpr size_t kMaximumDepth = 256;

enum class Format { Binary, XML };

std::optional<BVValue> decode(const std::string& bytes, std::string* error = nullptr);
std::string encode(const BVValue& value, Format format = Format::Binary);

// Reads and decodes a file; a missing or unreadable file is an error like a corrupt one.
std::optional<BVValue> decodeFile(const std::string& path, std::string* error = nullptr);
// Writes atomically (temporary file, then rename) so a reader never sees half a file.
bool encodeToFile(const BVValue& value, const std::string& path, Format format, std::string* error = nullptr);

}  // namespace BVPlistCodec
