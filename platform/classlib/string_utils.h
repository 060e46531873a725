// Number and text helpers of the class library.
//
// Numbers are written with "." as the decimal separator whatever the locale;
// floating-point text is read with "." or "," so values written under another
// locale keep their value. Case-insensitive helpers fold ASCII letters only;
// other bytes (UTF-8 sequences) compare as they are.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace classlib {

// ---- integers -------------------------------------------------------------

std::string IntToStr(int64_t Value);
// Upper-case hexadecimal, at least Digits digits (padded with "0"). Negative
// values are written as the two's complement of their own width: a 32-bit
// (or narrower) value as 8 digits at most, so IntToHex(-1, 8) is "FFFFFFFF"
// and a system colour reads back through StrToInt; a 64-bit value as up to
// 16 digits.
std::string IntToHex(int64_t Value, int Digits);
template <std::integral T>
requires(!std::same_as<T, bool>) std::string IntToHex(T Value, int Digits) {
  if constexpr (sizeof(T) <= 4)
    return IntToHex(static_cast<int64_t>(static_cast<uint32_t>(Value)), Digits);
  else
    return IntToHex(static_cast<int64_t>(Value), Digits);
}

// Accepts blanks around the number, an optional sign, then decimal digits, or
// "$", "0x"/"0X" followed by hexadecimal digits. Raises EConvertError
// "'<text>' is not a valid integer value" on anything else and when the value
// does not fit in 32 bits (64 bits for the Int64 forms). Hexadecimal text is
// a bit pattern of that width: "$FFFFFFFF" is -1, "$80000005" is INT32_MIN + 5.
int32_t StrToInt(const std::string& S);
int32_t StrToIntDef(const std::string& S, int32_t Default);
bool TryStrToInt(const std::string& S, int32_t& Value);
int64_t StrToInt64(const std::string& S);
int64_t StrToInt64Def(const std::string& S, int64_t Default);
bool TryStrToInt64(const std::string& S, int64_t& Value);

// ---- floating point -------------------------------------------------------

// Shortest general form with at most 15 significant digits: "0.1", "1E20",
// "1.5E-7", "-3". Infinities and NaN give "INF", "-INF", "NAN".
std::string FloatToStr(long double Value);
// Accepts blanks around the number, an optional sign, digits with "." or ","
// as decimal separator and an optional exponent "E[+-]digits". Raises
// EConvertError "'<text>' is not a valid floating point value".
long double StrToFloat(const std::string& S);
long double StrToFloatDef(const std::string& S, long double Default);
bool TryStrToFloat(const std::string& S, long double& Value);
bool TryStrToFloat(const std::string& S, double& Value);

// Formats with a picture: "0" digit placeholder, "#" optional digit, "."
// decimal point, "," thousands separators (anywhere in the integer part),
// "E+"/"E-"/"e+"/"e-" scientific, quoted '..' or ".." literal text, ";"
// sections for positive;negative;zero. Output uses "." and ",".
std::string FormatFloat(const std::string& Format, long double Value);

// ---- text -----------------------------------------------------------------

std::string Trim(const std::string& S);  // removes bytes <= ' ' at both ends
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);
std::string UpperCase(const std::string& S);  // ASCII letters only
std::string LowerCase(const std::string& S);
// <0, 0, >0 like strcmp; CompareText ignores ASCII case (compares upper case).
int CompareStr(const std::string& S1, const std::string& S2);
int CompareText(const std::string& S1, const std::string& S2);
bool SameText(const std::string& S1, const std::string& S2);
bool SameStr(const std::string& S1, const std::string& S2);

// Quote handling: QuotedStr("it's") is "'it''s'". AnsiQuotedStr doubles Quote
// inside and encloses. AnsiExtractQuotedStr reads a quoted string starting at
// Pos (which must hold Quote), undoubles inner quotes, stops after the closing
// quote (or at the end of the text) and moves Pos past what it read; it
// returns "" and leaves Pos when S[Pos] is not Quote.
std::string QuotedStr(const std::string& S);
std::string AnsiQuotedStr(const std::string& S, char Quote);
std::string AnsiExtractQuotedStr(const std::string& S, size_t& Pos, char Quote);
// Removes enclosing quotes when S starts with Quote; otherwise returns S.
std::string AnsiDequotedStr(const std::string& S, char Quote);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(const std::string& S, const std::string& OldPattern,
                          const std::string& NewPattern, unsigned Flags);

// Index of the last byte of S that is one of Delimiters, or -1.
int LastDelimiter(const std::string& Delimiters, const std::string& S);

// Formatted text in the class library's style:
//   "%" [index ":"] ["-"] [width] ["." precision] type
// types d (integer; precision = minimum digits), u, x (upper-case hex), e, f,
// g, n (f with thousands separators), m (as n), s, p, and "%%". Width and
// precision may be "*" (taken from the next argument). A mismatched or
// missing argument raises EConvertError
// "Format '<format>' invalid or incompatible with argument".
class TFormatArg {
 public:
  TFormatArg(int v) : v_(static_cast<int64_t>(v)) {}
  TFormatArg(long v) : v_(static_cast<int64_t>(v)) {}
  TFormatArg(long long v) : v_(static_cast<int64_t>(v)) {}
  TFormatArg(unsigned v) : v_(static_cast<int64_t>(v)) {}
  TFormatArg(unsigned long v) : v_(static_cast<int64_t>(v)) {}
  TFormatArg(unsigned long long v) : v_(static_cast<int64_t>(v)) {}
  TFormatArg(double v) : v_(static_cast<long double>(v)) {}
  TFormatArg(long double v) : v_(v) {}
  TFormatArg(const char* v) : v_(std::string(v ? v : "")) {}
  TFormatArg(std::string v) : v_(std::move(v)) {}
  TFormatArg(std::string_view v) : v_(std::string(v)) {}
  TFormatArg(const void* v) : v_(v) {}

  const std::variant<int64_t, long double, std::string, const void*>& Value() const { return v_; }

 private:
  std::variant<int64_t, long double, std::string, const void*> v_;
};

std::string Format(const std::string& Fmt, std::initializer_list<TFormatArg> Args);

}  // namespace classlib
