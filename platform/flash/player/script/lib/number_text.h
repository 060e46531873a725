// Numbers and their text forms as scripts see them: printing a number (base 10 and other radixes),
// reading a string as a number per movie version, the global parseInt and parseFloat, and the
// integer conversions the bit operators and string methods apply. Plain functions over double and
// std::string; the interpreter converts its values to these before calling.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace flash::scriptlib {

// A number printed as scripts print it (String(n), trace, concatenation):
// "NaN", "Infinity", "-Infinity"; 0 and -0 as "0"; at most 15 significant digits with trailing
// zeros dropped; integers below 1e15 in full ("123456789012345"); exponent form for magnitudes
// of 1e15 and above ("1e+15", "1.23456789012346e+20") and below 1e-4 ("1e-5", "1.5e-7").
std::string NumberToString(double d);

// Number.prototype.toString(radix). Radix 10 and radixes outside 2..36 print as NumberToString.
// Other radixes print the value truncated to a 32-bit integer in lower-case digits with a leading
// "-" for negatives; values outside the 32-bit range, NaN and the infinities become -2^31, whose
// digits the player prints as characters below '0' (NaN.toString(16) is "-(0000000"), and so do we.
std::string NumberToStringRadix(double d, int radix);

// A string read as a number (ToNumber of a string; Number("..."), arithmetic on strings).
//  - version 4 and older: the longest decimal prefix after leading white space ("150a" is 150);
//    text without one is 0.
//  - version 5: leading white space, then a whole decimal number with optional sign, fraction and
//    exponent; anything else (trailing white space, "Infinity", "0x10") is NaN.
//  - version 6 and later as version 5, and also, only at the very start of the string, "0x"/"0X"
//    hexadecimal and a "0"-led octal run ("010" is 8, "-010" is -8); both keep the low 32 bits as
//    a signed integer ("0xFFFFFFFF" is -1), then apply the sign.
double StringToNumber(std::string_view s, int swfVersion);

// The global parseInt(s, radix). `radix` is the converted second argument when one was passed
// (undefined, null, booleans and objects convert to NaN or 0 or 1 first, all giving NaN); it is
// truncated and must be 2..36, else the result is NaN. Without a radix: "0x"/"0X" at the very
// start is hexadecimal (a sign may follow the prefix, after white space), a whole string of
// [sign]0 and octal digits is octal, anything else decimal. With a radix, a "0x" at the very start
// is still skipped. Leading white space is skipped (and turns off the prefix rules), then a sign,
// then the longest run of digits; no digits is NaN. A sign before "0x" skips two characters and
// loses the sign, as the player does ("-0x100" in radix 36 reads "x100").
double ParseInt(std::string_view s, std::optional<double> radix);

// The global parseFloat(s): leading white space, then the longest decimal prefix (sign, digits,
// fraction, exponent); no digits is NaN. "Infinity" and hexadecimal are not read.
double ParseFloat(std::string_view s);

// The 32-bit conversions of the bit operators and index arguments: modulo 2^32 after truncation,
// NaN and the infinities give 0.
int32_t ToInt32(double d);
uint32_t ToUint32(double d);
// Modulo 2^16 (character codes of String.fromCharCode and chr).
uint16_t ToUint16(double d);

// The white space the conversions skip: space, tab, line feed, carriage return, vertical tab, form
// feed.
bool IsScriptSpace(char c);

}  // namespace flash::scriptlib
