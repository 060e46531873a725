// The String methods, the global escape/unescape and the version 4 string functions (length, ord,
// chr, substring and their multibyte forms) over std::string.
//
// Positions and lengths count "units": for movies of version 6 and later the UTF-16 code units the
// player counts (a character outside the basic plane is two), the string being UTF-8; for older
// movies the bytes of the string, which then holds the movie's own single- or multibyte text as it
// stands. A unit sequence that splits a surrogate pair is stored with the lone surrogate encoded
// as a three-byte sequence, so that cutting and joining again restores the character;
// `ToWellFormedUtf8` turns such strings into printable UTF-8.
//
// Numeric arguments arrive as numbers (the caller applies ToNumber; undefined is NaN, null is 0)
// and are truncated to 32 bits here as the player does (4294967297 is 1, NaN is 0). Arguments
// the script may leave out are std::optional: nullopt when left out. Where the player reads
// undefined as "left out" (ends, lengths, limits and the start of lastIndexOf), NaN does the same,
// so undefined may be passed as nullopt or as NaN.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace flash::scriptlib {

// The units of `s` for `swfVersion` (bytes before version 6), and back.
std::u16string ToUnits(std::string_view s, int swfVersion);
std::string FromUnits(std::u16string_view units, int swfVersion);
// The order of two strings for the comparison operators: -1, 0 or 1. Bytes before version 6,
// code points after.
int CompareText(std::string_view a, std::string_view b, int swfVersion);
// `s` with a surrogate pair kept as two sequences joined into its character, and lone
// surrogates and invalid bytes replaced by U+FFFD.
std::string ToWellFormedUtf8(std::string_view s);

// String.length and length().
size_t StringLength(std::string_view s, int swfVersion);

// charAt(index): the unit at the index, "" outside the string.
std::string CharAt(std::string_view s, double index, int swfVersion);
// charCodeAt(index): the unit's code; NaN for a negative index and 0 past the end, as the player.
double CharCodeAt(std::string_view s, double index, int swfVersion);
// String.fromCharCode(codes...): each code modulo 2^16, written as UTF-8 (adjacent surrogate
// codes make one character); a code 0 ends the string.
std::string FromCharCode(const std::vector<double>& codes);

// indexOf(search, start): the first match at or after `start` (negative is 0); -1 when not found
// or `start` is past the end (even for an empty `search`).
int32_t IndexOf(std::string_view s, std::string_view search, std::optional<double> start,
                int swfVersion);
// lastIndexOf(search, start): the last match beginning at or before `start` (left out or
// undefined: the end); -1 when not found or `start` is negative.
int32_t LastIndexOf(std::string_view s, std::string_view search, std::optional<double> start,
                    int swfVersion);

// slice(start, end): negative positions count from the end; `end` left out or undefined is the end;
// empty when start >= end.
std::string Slice(std::string_view s, double start, std::optional<double> end, int swfVersion);
// substr(start, length): negative start counts from the end; `length` left out or undefined is the
// rest; a negative length gives "".
std::string Substr(std::string_view s, double start, std::optional<double> length, int swfVersion);
// substring(start, end): negatives are 0, the larger end bounds; `end` left out or undefined is the
// end.
std::string Substring(std::string_view s, double start, std::optional<double> end, int swfVersion);

// split(separator, limit). `separator` nullopt (left out or undefined) splits at ","; an empty
// separator gives the whole string as one element before version 6 and one element per unit
// after. `limit` nullopt (left out or undefined) is no limit; otherwise at most that many
// elements, none when it is 0 or negative.
std::vector<std::string> Split(std::string_view s, std::optional<std::string_view> separator,
                               std::optional<double> limit, int swfVersion);

// toUpperCase/toLowerCase: ASCII before version 6; Latin, Greek and Cyrillic letters after.
std::string ToUpperCase(std::string_view s, int swfVersion);
std::string ToLowerCase(std::string_view s, int swfVersion);
// Case folding for comparisons that ignore case (Array.CASEINSENSITIVE): code point by code point
// lower case over the same letters.
std::u32string FoldCase(std::string_view s);

// escape(s): ASCII letters and digits stay, every other byte becomes %XX (upper-case hex); for
// version 6 and later the bytes are UTF-8 ("Ā" is "%C4%80").
std::string Escape(std::string_view s);
// unescape(s): %XX gives the byte XX, %uXXXX the character XXXX in UTF-8; a "%" not followed by a
// valid escape stays as it is. For version 6 and later the bytes are read as UTF-8, with bytes that
// form no UTF-8 sequence taken as Latin-1 characters; before version 6 they are kept as they are.
std::string Unescape(std::string_view s, int swfVersion);

// The version 4 functions. Positions count from 1.
// ord(s) / mbord(s): the code of the first character (0 for ""); ord counts bytes before version
// 6. A character outside the basic plane gives 0xFFFD, as the player.
double Ord(std::string_view s, int swfVersion);
double MbOrd(std::string_view s);
// chr(n) / mbchr(n): the character with code n modulo 2^16 ("" for 0); before version 6 chr makes
// the single byte n modulo 256.
std::string Chr(double code, int swfVersion);
std::string MbChr(double code);
// mblength(s): characters (UTF-16 units from version 6, as length(); code points before).
size_t MbLength(std::string_view s, int swfVersion);
// substring(s, index, count) / mbsubstring: `count` units from the 1-based `index` (below 1 is 1);
// a negative count takes the rest. Before version 6 substring counts bytes and mbsubstring
// characters.
std::string Substring4(std::string_view s, double index, double count, int swfVersion);
std::string MbSubstring(std::string_view s, double index, double count, int swfVersion);

// Bytes as UTF-8 where they form UTF-8 sequences, other bytes taken as Latin-1 characters.
std::string ReadUtf8OrLatin1(std::string_view bytes);
// True when every byte belongs to a well-formed UTF-8 sequence.
bool IsUtf8(std::string_view bytes);

// UTF-8 <-> code points. Decoding maps invalid bytes to U+FFFD and keeps lone surrogates
// encoded in three bytes; encoding writes lone surrogates the same way.
std::u32string DecodeUtf8(std::string_view s);
void AppendUtf8(std::string& out, char32_t c);

}  // namespace flash::scriptlib
