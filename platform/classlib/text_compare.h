// Text comparison that is the same on every machine: characters are compared
// by Unicode case folding, then by code point. Texts are UTF-8.
#pragma once

#include <string>

namespace classlib {

// < 0, 0 or > 0 as A sorts before, with or after B ignoring case; texts that
// fold alike are ordered by their code points.
int AnsiCompareText(const std::string& A, const std::string& B);
// True when the first characters of Text equal Prefix ignoring case
// (characters, not bytes).
bool TextStartsWithIgnoreCase(const std::string& Text, const std::string& Prefix);
// The UTF-8 form of one code point (U+FFFD for values that are none).
std::string Utf8FromCodePoint(char32_t Code);

}  // namespace classlib
