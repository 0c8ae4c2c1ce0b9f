// The parts of a URL that the privacy scans group by: its scheme, its host and its path, read
// from the text as a browser stored it (no network, no normalisation beyond lower-casing the
// scheme and the host). Pure; any thread.
#pragma once

#include <string>

namespace BVURLText {
// "https" of "https://example.com/"; empty when the text has no scheme.
std::string scheme(const std::string& url);
// "example.com" of "https://user@Example.COM:8080/x"; "[::1]" keeps its brackets; empty for
// "file:///x", "about:blank" or text that is not a URL.
std::string host(const std::string& url);
// "/x/y" of "https://example.com/x/y?q#f"; the text after "scheme:" for URLs without "//".
std::string path(const std::string& url);
// "%20" and the like decoded as UTF-8 bytes; a malformed escape stays as it is.
std::string percentDecoded(const std::string& text);
}  // namespace BVURLText
