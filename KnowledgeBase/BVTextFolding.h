// Text forms used to compare paths with rules: NFC (file names may arrive decomposed, and
// decomposed accents would not match the stored composed ones) and NFC case-folded (the folding
// of case-insensitive regular expressions, so "STRASSE" and "Straße" are one value). ASCII text,
// by far the most common, takes a fast path that does not touch ICU. Stateless; any thread.
#pragma once

#include <string>

namespace BVTextFolding {
std::string nfc(const std::string& utf8);
// NFC, then case-folded (full Unicode case folding; ASCII is simply lower-cased).
std::string foldedForMatching(const std::string& utf8);
bool isASCII(const std::string& text);
}  // namespace BVTextFolding
