// Small whole-file helpers on POSIX: read with a size cap, write atomically, make folders.
// Each answers success as a boolean and puts a readable reason into `error` on failure.
// Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>

namespace BVFileIO {

bool readFile(const std::string& path, std::string& contents, size_t maximumBytes, std::string* error = nullptr);
// Writes to a temporary file beside `path`, flushes it and renames it over `path`.
bool writeFileAtomically(const std::string& path, const std::string& contents, std::string* error = nullptr);
// Creates `path` and every missing parent (mode 0755), like `mkdir -p`.
bool createDirectories(const std::string& path, std::string* error = nullptr);

std::string parentPath(const std::string& path);
std::string lastPathComponent(const std::string& path);
std::string pathExtension(const std::string& path);
// Joins with exactly one slash between the parts.
std::string appendPathComponent(const std::string& base, const std::string& component);
// An absolute path written the one way: repeated slashes, "." components and a trailing slash
// dropped, ".." folded into its parent by the text alone (as a person means it when typing
// "~/.cache/../.cache/foo"); none when `path` is not absolute.
std::optional<std::string> lexicallyNormalPath(const std::string& path);
// True when `path` lies inside `folder` (not equal to it), both normal absolute paths.
bool isPathInside(const std::string& path, const std::string& folder);

}  // namespace BVFileIO
