#include "platform/flash/player/script/lib/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace flash::scriptlib {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of `c` as a digit of any radix up to 36, or 99 for other characters.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The length of the decimal number at the start of `s` (sign, digits, fraction, exponent), or 0
// when it holds no mantissa digit. An "e" without exponent digits is not part of the number.
size_t DecimalPrefix(std::string_view s) {
  size_t j = 0;
  if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
  bool digits = false;
  while (j < s.size() && IsDigit(s[j])) {
    ++j;
    digits = true;
  }
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && IsDigit(s[j])) {
      ++j;
      digits = true;
    }
  }
  if (!digits) return 0;
  if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    size_t k = j + 1;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    if (k < s.size() && IsDigit(s[k])) {
      while (k < s.size() && IsDigit(s[k])) ++k;
      j = k;
    }
  }
  return j;
}

double ReadDecimal(std::string_view s) { return std::strtod(std::string(s).c_str(), nullptr); }

size_t SkipSpace(std::string_view s, size_t i) {
  while (i < s.size() && IsScriptSpace(s[i])) ++i;
  return i;
}

// Digits of `radix` from `s`, the low 32 bits kept as a signed integer; nullopt when `s` is empty
// or holds anything else.
std::optional<int32_t> WrappedInteger(std::string_view s, int radix) {
  if (s.empty()) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    int d = DigitValue(c);
    if (d >= radix) return std::nullopt;
    v = v * static_cast<uint32_t>(radix) + static_cast<uint32_t>(d);
  }
  return static_cast<int32_t>(v);
}

bool IsOctalRun(std::string_view s) {
  if (s.size() < 2 || s[0] != '0') return false;
  for (char c : s)
    if (c < '0' || c > '7') return false;
  return true;
}

}  // namespace

bool IsScriptSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string NumberToString(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  if (d == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  if (std::isinf(std::strtod(buf, nullptr))) {
    // Rounded to 15 digits the largest numbers would read back as infinite: their digits are
    // cut instead ("1.79769313486231e+308").
    char full[48];
    std::snprintf(full, sizeof full, "%.20e", d);
    std::string m = full;
    size_t e = m.find('e');
    std::string mantissa = m.substr(0, (d < 0 ? 1 : 0) + 16);
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
    std::snprintf(buf, sizeof buf, "%s%s", mantissa.c_str(), m.substr(e).c_str());
  }
  std::string s = buf;
  // The C library pads exponents to two digits ("1e-05"); scripts print "1e-5".
  size_t e = s.find('e');
  if (e != std::string::npos && e + 2 < s.size()) {
    size_t digits = e + 2;
    while (digits + 1 < s.size() && s[digits] == '0') ++digits;
    s = s.substr(0, e + 2) + s.substr(digits);
  }
  return s;
}

std::string NumberToStringRadix(double d, int radix) {
  if (radix < 2 || radix > 36 || radix == 10) return NumberToString(d);
  // Out-of-range values convert like the processor's truncating conversion: to -2^31.
  int64_t n = (d > -2147483649.0 && d < 2147483648.0)
                  ? static_cast<int64_t>(static_cast<int32_t>(d))
                  : std::numeric_limits<int32_t>::min();
  if (n == 0) return "0";
  bool negative = n < 0;
  // The player negates in 32 bits, so -2^31 stays negative and yields negative "digits".
  if (negative && n != std::numeric_limits<int32_t>::min()) n = -n;
  std::string digits;
  while (n != 0) {
    int digit = static_cast<int>(n % radix);
    digits.insert(digits.begin(), static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10));
    n /= radix;
  }
  return negative ? "-" + digits : digits;
}

double StringToNumber(std::string_view s, int swfVersion) {
  if (swfVersion < 5) {
    std::string_view rest = s.substr(SkipSpace(s, 0));
    size_t n = DecimalPrefix(rest);
    return n == 0 ? 0.0 : ReadDecimal(rest.substr(0, n));
  }
  if (swfVersion >= 6) {
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      std::optional<int32_t> v = WrappedInteger(s.substr(2), 16);
      return v ? static_cast<double>(*v) : kNaN;
    }
    bool negative = !s.empty() && s[0] == '-';
    std::string_view body = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? s.substr(1) : s;
    if (IsOctalRun(body)) {
      double v = static_cast<double>(*WrappedInteger(body, 8));
      return negative ? -v : v;
    }
  }
  std::string_view rest = s.substr(SkipSpace(s, 0));
  size_t n = DecimalPrefix(rest);
  if (n == 0 || n != rest.size()) return kNaN;
  return ReadDecimal(rest);
}

double ParseInt(std::string_view s, std::optional<double> radix) {
  int r = 10;
  if (radix) {
    if (std::isnan(*radix)) return kNaN;
    double t = std::trunc(*radix);
    if (t < 2 || t > 36) return kNaN;
    r = static_cast<int>(t);
  }
  size_t i = 0;
  bool negative = false;
  auto prefixAt = [&](size_t at) {
    return s.size() > at + 1 && s[at] == '0' && (s[at + 1] == 'x' || s[at + 1] == 'X');
  };
  if (prefixAt(0)) {
    if (!radix) r = 16;
    i = SkipSpace(s, 2);
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  } else if (!s.empty() && (s[0] == '+' || s[0] == '-') && prefixAt(1)) {
    // The player skips two characters as for an unsigned prefix: the sign is lost and reading
    // starts at the "x".
    i = 2;
  } else {
    std::string_view body = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? s.substr(1) : s;
    if (!radix && IsOctalRun(body)) {
      r = 8;
      negative = s[0] == '-';
      i = s.size() - body.size();
    } else {
      i = SkipSpace(s, 0);
      if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    }
  }
  size_t start = i;
  while (i < s.size() && DigitValue(s[i]) < r) ++i;
  if (i == start) return kNaN;
  double v = 0;
  if (r == 10) {
    v = ReadDecimal(s.substr(start, i - start));  // correctly rounded for long digit runs
  } else {
    for (size_t k = start; k < i; ++k) v = v * r + DigitValue(s[k]);
  }
  return negative ? -v : v;
}

double ParseFloat(std::string_view s) {
  std::string_view rest = s.substr(SkipSpace(s, 0));
  size_t n = DecimalPrefix(rest);
  return n == 0 ? kNaN : ReadDecimal(rest.substr(0, n));
}

int32_t ToInt32(double d) { return static_cast<int32_t>(ToUint32(d)); }

uint32_t ToUint32(double d) {
  if (!std::isfinite(d)) return 0;
  double m = std::fmod(std::trunc(d), 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<uint32_t>(m);
}

uint16_t ToUint16(double d) { return static_cast<uint16_t>(ToUint32(d) & 0xFFFF); }

}  // namespace flash::scriptlib
