// BVSHA256: SHA-256 digests (OpenSSL EVP) of bytes and of files, as lower-case hex text.
// Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>

namespace BVSHA256 {
std::string hexDigest(const std::string& bytes);
// None when the file cannot be read.
std::optional<std::string> hexDigestOfFile(const std::string& path);
// The digest of everything readable from `fd` from its current offset; none on a read error.
// The descriptor stays open (its owner closes it).
std::optional<std::string> hexDigestOfDescriptor(int fd);
// Up to `maximumBytes` read from `fd` into `contents`; false on a read error.
bool readDescriptor(int fd, std::string& contents, size_t maximumBytes);
}  // namespace BVSHA256
