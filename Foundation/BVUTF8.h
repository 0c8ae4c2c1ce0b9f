// UTF-8 checks for text that comes from users and files: well-formed sequences only (no
// overlong forms, no surrogates, nothing above U+10FFFF). Pure; safe from any thread.
#pragma once

#include <string>

bool BVIsValidUTF8(const std::string& text);
// True when the text holds a control character (U+0000 to U+001F or U+007F).
bool BVHasControlCharacter(const std::string& text);
