// BVSHA256: SHA-256 digests (OpenSSL EVP) of bytes and of files, as lower-case hex text.
// Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>

namespace BVSHA256 {
std::string hexDigest(const std::string& bytes);
// None when the file cannot be read.
std::optional<std::string> hexDigestOfFile(const std::string& path);
}  // namespace BVSHA256
