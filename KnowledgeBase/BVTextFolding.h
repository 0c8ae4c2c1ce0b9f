// Text forms used to compare paths with rules: NFC (file names may arrive decomposed, and
// decomposed accents would not match the stored composed ones) and NFC lower-cased. ASCII text,
// by far the most common, takes a fast path that does not touch ICU. Stateless; any thread.
#pragma once

#include <string>

namespace BVTextFolding {
std::string nfc(const std::string& utf8);
// NFC, then lower-cased (full Unicode lower-casing).
std::string foldedForMatching(const std::string& utf8);
bool isASCII(const std::string& text);
}  // namespace BVTextFolding
