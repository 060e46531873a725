// The URL-encoded variables format of LoadVars, loadVariables and getURL's variables
// ("name=value&name2=value2"), and the text decoding of loaded variable and XML files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace flash::scriptlib {

using UrlVariables = std::vector<std::pair<std::string, std::string>>;

// LoadVars.toString(): each name and value escaped as escape() does (letters and digits stay,
// every other byte %XX), joined as name=value with "&", in the given order.
std::string EncodeUrlVariables(const UrlVariables& variables);

// LoadVars.decode() and the variables of a loaded file: pairs separated by "&", name and value
// separated by the first "="; "+" is a space and escapes are undone as unescape() does (for
// `swfVersion`). A pair without "=" has the value ""; pairs with an empty name are skipped. Pairs
// come back in text order, repeated names included (the later assignment wins in the caller).
UrlVariables DecodeUrlVariables(std::string_view text, int swfVersion);

// The text of a loaded variables or XML file as a string: a UTF-8 byte-order mark is dropped,
// UTF-16 with a byte-order mark (either order) is converted, and otherwise the bytes are read as
// UTF-8 with bytes that form no UTF-8 sequence taken as Latin-1 characters.
// With `system_codepage` (System.useCodepage) a text that is not UTF-8 throughout is read in the
// legacy codepage it fits: Japanese Shift-JIS when every byte above 0x7F pairs into one of its
// double-byte characters, Latin-1 otherwise.
std::string DecodeLoadedText(std::string_view bytes, bool system_codepage = false);

// Shift-JIS (the Windows Japanese codepage) as UTF-8, when `bytes` is made of ASCII and
// double-byte characters only; nullopt otherwise (single-byte katakana included, so that Latin-1
// text is not taken for it).
std::optional<std::string> ReadShiftJis(std::string_view bytes);

}  // namespace flash::scriptlib
