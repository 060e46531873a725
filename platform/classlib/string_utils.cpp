#include "platform/classlib/string_utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an integer that must lie within [lo, hi].
bool ParseInteger(const std::string& s, int64_t lo, int64_t hi, int64_t& out) {
  size_t i = 0, n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  while (n > i && IsBlank(s[n - 1])) --n;
  bool neg = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;
  // Accumulate the magnitude as unsigned. Decimal numbers must fit the signed
  // range (the negative side reaches one further). Hexadecimal numbers are
  // bit patterns: every pattern of the width is accepted, so "$FFFFFFFF" is
  // -1 and a colour written as "8000000F" reads back as the same value.
  const uint64_t hexLimit = static_cast<uint64_t>(hi) * 2 + 1;
  uint64_t limit = base == 16 ? hexLimit
                   : neg      ? static_cast<uint64_t>(-(lo + 1)) + 1
                              : static_cast<uint64_t>(hi);
  uint64_t mag = 0;
  for (; i < n; ++i) {
    int d = base == 16 ? HexValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return false;
    if (mag > (limit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
    mag = mag * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  if (base == 16) {
    // Reinterpret the pattern in the target width, then apply the sign with
    // wrap-around, as the hexadecimal form has always done.
    uint64_t bits = mag;
    if (neg) bits = (~bits + 1) & hexLimit;
    const uint64_t signBit = (hexLimit >> 1) + 1;
    out = (bits & signBit) ? -static_cast<int64_t>((hexLimit - bits)) - 1
                           : static_cast<int64_t>(bits);
    return true;
  }
  if (neg)
    out = mag == 0 ? 0 : -static_cast<int64_t>(mag - 1) - 1;
  else
    out = static_cast<int64_t>(mag);
  return true;
}

[[noreturn]] void RaiseFormatError(const std::string& fmt) {
  throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
}

[[noreturn]] void RaiseNotInteger(const std::string& s) {
  throw EConvertError("'" + s + "' is not a valid integer value");
}

// Decimal digits of |v| rounded to `sig` significant digits (1..18):
// |v| = 0.d1d2d3... x 10^exponent. Zero gives no digits.
struct Decimal {
  std::string digits;  // without trailing zeros
  int exponent = 0;
  bool negative = false;
};

Decimal ToDecimal(long double v, int sig) {
  Decimal d;
  d.negative = std::signbit(v);
  long double a = std::fabs(v);
  if (a == 0) return d;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, sig - 1);
  std::string t(buf, r.ptr);
  size_t e = t.find('e');
  std::string mant = t.substr(0, e);
  mant.erase(std::remove(mant.begin(), mant.end(), '.'), mant.end());
  int exp10 = 0;
  std::from_chars(t.data() + e + 1 + (t[e + 1] == '+' ? 1 : 0), t.data() + t.size(), exp10);
  while (!mant.empty() && mant.back() == '0') mant.pop_back();
  d.digits = mant;
  d.exponent = exp10 + 1;
  return d;
}

// Rounds a Decimal half away from zero so that it keeps `keep` digits
// (counted from the first digit); keep <= 0 leaves a possible carry into a
// new leading digit, or zero.
void RoundDigits(Decimal& d, int keep) {
  if (static_cast<int>(d.digits.size()) <= keep) return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  bool up = d.digits[static_cast<size_t>(keep)] >= '5';
  d.digits.resize(static_cast<size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
      d.digits[static_cast<size_t>(i)] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      d.exponent += 1;
    } else {
      d.digits[static_cast<size_t>(i)] += 1;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

bool SpecialFloatText(long double v, std::string& out) {
  if (std::isnan(v)) {
    out = "NAN";
    return true;
  }
  if (std::isinf(v)) {
    out = v < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

// General format with `precision` significant digits: fixed unless the
// number has more integer digits than the precision or is below 0.0001.
// Scientific form writes the exponent with `expDigits` digits at least.
std::string GeneralText(long double v, int precision, int expDigits, bool expPlus) {
  std::string special;
  if (SpecialFloatText(v, special)) return special;
  Decimal d = ToDecimal(v, precision);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  if (d.exponent > precision || d.exponent < -3) {
    out += d.digits[0];
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    int e = d.exponent - 1;
    out += 'E';
    if (e < 0)
      out += '-';
    else if (expPlus)
      out += '+';
    std::string ed = std::to_string(std::abs(e));
    if (static_cast<int>(ed.size()) < expDigits)
      ed.insert(0, static_cast<size_t>(expDigits) - ed.size(), '0');
    return out + ed;
  }
  if (d.exponent <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-d.exponent), '0');
    return out + d.digits;
  }
  std::string digits = d.digits;
  if (static_cast<int>(digits.size()) <= d.exponent) {
    digits.append(static_cast<size_t>(d.exponent) - digits.size(), '0');
    return out + digits;
  }
  return out + digits.substr(0, static_cast<size_t>(d.exponent)) + "." +
         digits.substr(static_cast<size_t>(d.exponent));
}

// Fixed format with exactly `decimals` decimals (rounded half away from zero
// on 18 significant digits) and optional thousands separators.
std::string FixedText(long double v, int decimals, bool thousands) {
  std::string special;
  if (SpecialFloatText(v, special)) return special;
  Decimal d = ToDecimal(v, 18);
  RoundDigits(d, d.exponent + decimals);
  std::string intPart, frac;
  for (int i = 0; i < d.exponent; ++i)
    intPart += i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(i)] : '0';
  if (intPart.empty()) intPart = "0";
  for (int i = 0; i < decimals; ++i) {
    int k = d.exponent + i;
    frac +=
        (k >= 0 && k < static_cast<int>(d.digits.size())) ? d.digits[static_cast<size_t>(k)] : '0';
  }
  if (thousands) {
    std::string g;
    for (size_t i = 0; i < intPart.size(); ++i) {
      if (i > 0 && (intPart.size() - i) % 3 == 0) g += ',';
      g += intPart[i];
    }
    intPart = g;
  }
  std::string out = (d.negative && !d.digits.empty()) ? "-" : "";
  out += intPart;
  if (decimals > 0) out += "." + frac;
  return out;
}

}  // namespace

// ---- integers -------------------------------------------------------------

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

std::string IntToHex(int64_t Value, int Digits) {
  static const char kHex[] = "0123456789ABCDEF";
  uint64_t u = static_cast<uint64_t>(Value);
  std::string s;
  do {
    s.insert(s.begin(), kHex[u & 15]);
    u >>= 4;
  } while (u != 0);
  if (Digits > 32) Digits = 32;
  if (static_cast<int>(s.size()) < Digits) s.insert(0, static_cast<size_t>(Digits) - s.size(), '0');
  return s;
}

bool TryStrToInt(const std::string& S, int32_t& Value) {
  int64_t v;
  if (!ParseInteger(S, INT32_MIN, INT32_MAX, v)) return false;
  Value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(const std::string& S) {
  int32_t v;
  if (!TryStrToInt(S, v)) RaiseNotInteger(S);
  return v;
}

int32_t StrToIntDef(const std::string& S, int32_t Default) {
  int32_t v;
  return TryStrToInt(S, v) ? v : Default;
}

bool TryStrToInt64(const std::string& S, int64_t& Value) {
  return ParseInteger(S, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
                      Value);
}

int64_t StrToInt64(const std::string& S) {
  int64_t v;
  if (!TryStrToInt64(S, v)) RaiseNotInteger(S);
  return v;
}

int64_t StrToInt64Def(const std::string& S, int64_t Default) {
  int64_t v;
  return TryStrToInt64(S, v) ? v : Default;
}

// ---- floating point -------------------------------------------------------

std::string FloatToStr(long double Value) { return GeneralText(Value, 15, 0, false); }

bool TryStrToFloat(const std::string& S, long double& Value) {
  size_t i = 0, n = S.size();
  while (i < n && IsBlank(S[i])) ++i;
  while (n > i && IsBlank(S[n - 1])) --n;
  // Rebuild the number in the one form from_chars reads, checking the
  // grammar on the way: [sign] digits [sep digits] [E [sign] digits].
  std::string t;
  if (i < n && (S[i] == '+' || S[i] == '-')) {
    if (S[i] == '-') t += '-';
    ++i;
  }
  int mantDigits = 0;
  while (i < n && S[i] >= '0' && S[i] <= '9') t += S[i++], ++mantDigits;
  if (i < n && (S[i] == '.' || S[i] == ',')) {
    t += '.';
    ++i;
    while (i < n && S[i] >= '0' && S[i] <= '9') t += S[i++], ++mantDigits;
  }
  if (mantDigits == 0) return false;
  if (i < n && (S[i] == 'e' || S[i] == 'E')) {
    t += 'e';
    ++i;
    if (i < n && (S[i] == '+' || S[i] == '-')) t += S[i++];
    int expDigits = 0;
    while (i < n && S[i] >= '0' && S[i] <= '9') t += S[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != n) return false;
  long double v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
    // Out of range: underflow to zero is still a number, overflow is not.
    // The order of magnitude tells them apart.
    if (r.ec != std::errc::result_out_of_range) return false;
    size_t k = t[0] == '-' ? 1 : 0;
    size_t e = t.find('e');
    std::string mant = t.substr(k, e == std::string::npos ? std::string::npos : e - k);
    long long exp10 = 0;
    if (e != std::string::npos) {
      const char* b = t.data() + e + 1 + (t[e + 1] == '+' ? 1 : 0);
      if (std::from_chars(b, t.data() + t.size(), exp10).ec != std::errc())
        exp10 = t[e + 1] == '-' ? -100000 : 100000;
    }
    size_t point = mant.find('.');
    std::string intPart = mant.substr(0, point);
    intPart.erase(0, std::min(intPart.find_first_not_of('0'), intPart.size()));
    long long lead = static_cast<long long>(intPart.size());
    if (lead == 0 && point != std::string::npos) {
      size_t nz = mant.find_first_not_of('0', point + 1);
      lead = nz == std::string::npos ? -100000 : -static_cast<long long>(nz - point - 1);
    }
    if (exp10 + lead > 0) return false;
    Value = 0;
    return true;
  }
  if (std::isinf(v)) return false;
  Value = v;
  return true;
}

bool TryStrToFloat(const std::string& S, double& Value) {
  long double v;
  if (!TryStrToFloat(S, v) || std::fabs(v) > std::numeric_limits<double>::max()) return false;
  Value = static_cast<double>(v);
  return true;
}

long double StrToFloat(const std::string& S) {
  long double v;
  if (!TryStrToFloat(S, v)) throw EConvertError("'" + S + "' is not a valid floating point value");
  return v;
}

long double StrToFloatDef(const std::string& S, long double Default) {
  long double v;
  return TryStrToFloat(S, v) ? v : Default;
}

// ---- FormatFloat ----------------------------------------------------------

namespace {

// Splits a picture into its ";" sections, ignoring ";" inside quotes.
std::vector<std::string> SplitSections(const std::string& f) {
  std::vector<std::string> parts(1);
  char quote = 0;
  for (char c : f) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      parts.emplace_back();
      continue;
    }
    parts.back() += c;
  }
  return parts;
}

struct Picture {
  int intPlaceholders = 0;  // '0' and '#' before the decimal point
  int intZeros = 0;         // placeholders from the first '0' on
  int minDecimals = 0;      // up to the last '0' after the point
  int maxDecimals = 0;      // every placeholder after the point
  bool thousands = false;
  bool scientific = false;
  bool expPlus = false;
  int expDigits = 0;
};

Picture Analyse(const std::string& f) {
  Picture p;
  bool afterPoint = false;
  bool seenZero = false;
  char quote = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if ((c == 'E' || c == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-')) {
      if (p.scientific) continue;
      p.scientific = true;
      p.expPlus = f[i + 1] == '+';
      i += 2;
      while (i < f.size() && f[i] == '0') ++p.expDigits, ++i;
      --i;
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      if (!afterPoint) p.thousands = true;
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        ++p.maxDecimals;
        if (c == '0') p.minDecimals = p.maxDecimals;
      } else {
        ++p.intPlaceholders;
        if (c == '0') seenZero = true;
        if (seenZero) ++p.intZeros;
      }
    }
  }
  return p;
}

std::string GroupThousands(const std::string& digits, bool thousands, size_t from, size_t count) {
  // Writes digits [from, from+count) of `digits`, with a separator before
  // every digit that starts a group of three (counted from the right).
  std::string out;
  for (size_t i = from; i < from + count; ++i) {
    if (thousands && i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string ApplyPicture(const std::string& f, long double value, bool forceMinus) {
  Picture p = Analyse(f);
  Decimal d = ToDecimal(value, 15);
  int exponent = 0;
  if (p.scientific) {
    int intDigits = std::max(p.intPlaceholders, 1);
    if (!d.digits.empty()) {
      RoundDigits(d, intDigits + p.maxDecimals);
      exponent = d.exponent - intDigits;
      d.exponent = intDigits;
    }
    if (d.digits.empty()) exponent = 0;
  } else {
    RoundDigits(d, d.exponent + p.maxDecimals);
  }
  // Integer digits, without leading zeros, then padded to the forced count.
  std::string intDigits;
  for (int i = 0; i < d.exponent; ++i)
    intDigits += i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(i)] : '0';
  if (static_cast<int>(intDigits.size()) < p.intZeros)
    intDigits.insert(0, static_cast<size_t>(p.intZeros) - intDigits.size(), '0');
  std::string frac;
  for (int i = 0; i < p.maxDecimals; ++i) {
    int k = d.exponent + i;
    frac +=
        (k >= 0 && k < static_cast<int>(d.digits.size())) ? d.digits[static_cast<size_t>(k)] : '0';
  }
  while (static_cast<int>(frac.size()) > p.minDecimals && frac.back() == '0') frac.pop_back();

  std::string out = forceMinus ? "-" : "";
  bool afterPoint = false;
  int intSeen = 0, fracSeen = 0;
  char quote = 0;
  const int n = p.intPlaceholders;
  const int len = static_cast<int>(intDigits.size());
  bool intWritten = false;
  auto writeAllIntDigits = [&]() {
    if (!intWritten) out += GroupThousands(intDigits, p.thousands, 0, intDigits.size());
    intWritten = true;
  };
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if ((c == 'E' || c == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-')) {
      writeAllIntDigits();
      out += c;
      if (exponent < 0)
        out += '-';
      else if (f[i + 1] == '+')
        out += '+';
      std::string ed = std::to_string(std::abs(exponent));
      if (static_cast<int>(ed.size()) < p.expDigits)
        ed.insert(0, static_cast<size_t>(p.expDigits) - ed.size(), '0');
      out += ed;
      i += 2;
      while (i < f.size() && f[i] == '0') ++i;
      --i;
    } else if (c == '.') {
      writeAllIntDigits();
      if (!afterPoint && !frac.empty()) out += '.';
      afterPoint = true;
    } else if (c == ',') {
      // A flag only: separators are placed with the digits.
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        if (fracSeen < static_cast<int>(frac.size())) out += frac[static_cast<size_t>(fracSeen)];
        ++fracSeen;
      } else {
        // Placeholder k (from the left) shows digit len - n + k; the first
        // one also shows every digit that has no placeholder of its own.
        int k = intSeen++;
        int pos = len - n + k;
        if (k == 0) {
          int upto = std::max(pos + 1, 0);
          out +=
              GroupThousands(intDigits, p.thousands, 0, static_cast<size_t>(std::min(upto, len)));
        } else if (pos >= 0) {
          out += GroupThousands(intDigits, p.thousands, static_cast<size_t>(pos), 1);
        }
        if (intSeen == n) intWritten = true;
      }
    } else {
      out += c;
    }
  }
  if (!intWritten && n == 0 && !afterPoint) writeAllIntDigits();
  return out;
}

}  // namespace

std::string FormatFloat(const std::string& Fmt, long double Value) {
  std::string special;
  if (SpecialFloatText(Value, special)) return special;
  if (Fmt.empty()) return FloatToStr(Value);
  std::vector<std::string> sections = SplitSections(Fmt);
  Picture p0 = Analyse(sections[0]);
  // The value as the first section rounds it decides between the sections.
  Decimal d = ToDecimal(Value, 15);
  if (p0.scientific)
    RoundDigits(d, std::max(p0.intPlaceholders, 1) + p0.maxDecimals);
  else
    RoundDigits(d, d.exponent + p0.maxDecimals);
  bool zero = d.digits.empty();
  if (zero) {
    if (sections.size() >= 3 && !sections[2].empty()) return ApplyPicture(sections[2], 0, false);
    return ApplyPicture(sections[0], 0, false);
  }
  if (Value < 0) {
    if (sections.size() >= 2 && !sections[1].empty())
      return ApplyPicture(sections[1], -Value, false);
    return ApplyPicture(sections[0], -Value, true);
  }
  return ApplyPicture(sections[0], Value, false);
}

// ---- text -----------------------------------------------------------------

std::string Trim(const std::string& S) { return TrimLeft(TrimRight(S)); }

std::string TrimLeft(const std::string& S) {
  size_t i = 0;
  while (i < S.size() && IsBlank(S[i])) ++i;
  return S.substr(i);
}

std::string TrimRight(const std::string& S) {
  size_t n = S.size();
  while (n > 0 && IsBlank(S[n - 1])) --n;
  return S.substr(0, n);
}

std::string UpperCase(const std::string& S) {
  std::string r = S;
  for (char& c : r) c = ToUpperAscii(c);
  return r;
}

std::string LowerCase(const std::string& S) {
  std::string r = S;
  for (char& c : r) c = ToLowerAscii(c);
  return r;
}

int CompareStr(const std::string& S1, const std::string& S2) {
  size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    int a = static_cast<unsigned char>(S1[i]), b = static_cast<unsigned char>(S2[i]);
    if (a != b) return a - b;
  }
  return static_cast<int>(S1.size() > S2.size()) - static_cast<int>(S1.size() < S2.size());
}

int CompareText(const std::string& S1, const std::string& S2) {
  size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    int a = static_cast<unsigned char>(ToUpperAscii(S1[i]));
    int b = static_cast<unsigned char>(ToUpperAscii(S2[i]));
    if (a != b) return a - b;
  }
  return static_cast<int>(S1.size() > S2.size()) - static_cast<int>(S1.size() < S2.size());
}

bool SameText(const std::string& S1, const std::string& S2) {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

bool SameStr(const std::string& S1, const std::string& S2) { return S1 == S2; }

std::string QuotedStr(const std::string& S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiQuotedStr(const std::string& S, char Quote) {
  std::string r(1, Quote);
  for (char c : S) {
    r += c;
    if (c == Quote) r += c;
  }
  r += Quote;
  return r;
}

std::string AnsiExtractQuotedStr(const std::string& S, size_t& Pos, char Quote) {
  if (Pos >= S.size() || S[Pos] != Quote) return "";
  std::string r;
  size_t i = Pos + 1;
  while (i < S.size()) {
    if (S[i] == Quote) {
      if (i + 1 < S.size() && S[i + 1] == Quote) {
        r += Quote;
        i += 2;
        continue;
      }
      ++i;  // the closing quote
      break;
    }
    r += S[i++];
  }
  Pos = i;
  return r;
}

std::string AnsiDequotedStr(const std::string& S, char Quote) {
  if (S.empty() || S[0] != Quote) return S;
  size_t pos = 0;
  std::string r = AnsiExtractQuotedStr(S, pos, Quote);
  // Text after the closing quote means S was not one quoted string.
  return pos == S.size() ? r : S;
}

std::string StringReplace(const std::string& S, const std::string& OldPattern,
                          const std::string& NewPattern, unsigned Flags) {
  if (OldPattern.empty()) return S;
  const bool ignoreCase = (Flags & rfIgnoreCase) != 0;
  const std::string hay = ignoreCase ? UpperCase(S) : S;
  const std::string needle = ignoreCase ? UpperCase(OldPattern) : OldPattern;
  std::string out;
  size_t from = 0;
  while (true) {
    size_t at = hay.find(needle, from);
    if (at == std::string::npos) break;
    out.append(S, from, at - from);
    out += NewPattern;
    from = at + needle.size();
    if (!(Flags & rfReplaceAll)) break;
  }
  out.append(S, from, std::string::npos);
  return out;
}

int LastDelimiter(const std::string& Delimiters, const std::string& S) {
  for (size_t i = S.size(); i > 0; --i)
    if (Delimiters.find(S[i - 1]) != std::string::npos) return static_cast<int>(i - 1);
  return -1;
}

// ---- Format ---------------------------------------------------------------

std::string Format(const std::string& Fmt, std::initializer_list<TFormatArg> Args) {
  const std::vector<const TFormatArg*> args = [&] {
    std::vector<const TFormatArg*> v;
    for (const TFormatArg& a : Args) v.push_back(&a);
    return v;
  }();
  size_t next = 0;
  auto take = [&]() -> const TFormatArg& {
    if (next >= args.size()) RaiseFormatError(Fmt);
    return *args[next++];
  };
  auto takeInt = [&]() -> int64_t {
    const auto* v = std::get_if<int64_t>(&take().Value());
    if (!v) RaiseFormatError(Fmt);
    return *v;
  };

  std::string out;
  size_t i = 0;
  const size_t n = Fmt.size();
  while (i < n) {
    char c = Fmt[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i >= n) RaiseFormatError(Fmt);
    if (Fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index ":"] ["-"] [width] ["." precision] type
    auto number = [&](int& value) -> bool {
      if (i < n && Fmt[i] == '*') {
        ++i;
        int64_t v = takeInt();
        value = static_cast<int>(std::clamp<int64_t>(v, -1000000, 1000000));
        return true;
      }
      if (i >= n || Fmt[i] < '0' || Fmt[i] > '9') return false;
      int64_t v = 0;
      while (i < n && Fmt[i] >= '0' && Fmt[i] <= '9') {
        v = v * 10 + (Fmt[i++] - '0');
        if (v > 1000000) RaiseFormatError(Fmt);
      }
      value = static_cast<int>(v);
      return true;
    };
    int first = -1;
    bool hasFirst = number(first);
    if (hasFirst && i < n && Fmt[i] == ':') {
      ++i;
      if (first < 0) RaiseFormatError(Fmt);
      next = static_cast<size_t>(first);
      hasFirst = false;
      first = -1;
    }
    bool left = false;
    int width = -1, precision = -1;
    if (!hasFirst) {
      if (i < n && Fmt[i] == '-') {
        left = true;
        ++i;
      }
      number(width);
    } else {
      width = first;
    }
    if (i < n && Fmt[i] == '.') {
      ++i;
      if (!number(precision)) precision = 0;
    }
    if (i >= n) RaiseFormatError(Fmt);
    char type = ToLowerAscii(Fmt[i++]);
    const TFormatArg& arg = take();
    const auto& v = arg.Value();
    std::string text;
    switch (type) {
      case 'd':
      case 'u': {
        const auto* iv = std::get_if<int64_t>(&v);
        if (!iv) RaiseFormatError(Fmt);
        int64_t x = *iv;
        if (type == 'u' && x < 0) x = static_cast<int64_t>(static_cast<uint32_t>(x));
        std::string digits =
            std::to_string(x < 0 ? -(x + 1) + 1ULL : static_cast<unsigned long long>(x));
        if (precision > 0 && static_cast<int>(digits.size()) < precision)
          digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        text = (x < 0 ? "-" : "") + digits;
        break;
      }
      case 'x': {
        const auto* iv = std::get_if<int64_t>(&v);
        if (!iv) RaiseFormatError(Fmt);
        int64_t x = *iv;
        // 32-bit values show as 32-bit two's complement, like the rest of the program's numbers.
        if (x < 0 && x >= INT32_MIN) x = static_cast<int64_t>(static_cast<uint32_t>(x));
        text = IntToHex(x, precision > 0 ? precision : 0);
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        long double x;
        if (const auto* fv = std::get_if<long double>(&v))
          x = *fv;
        else
          RaiseFormatError(Fmt);
        if (type == 'e') {
          int prec = precision < 0 ? 15 : std::clamp(precision, 1, 18);
          std::string special;
          if (SpecialFloatText(x, special)) {
            text = special;
          } else {
            Decimal d = ToDecimal(x, 18);
            RoundDigits(d, prec);
            std::string digits = d.digits;
            digits.resize(static_cast<size_t>(prec), '0');
            int e = d.digits.empty() ? 0 : d.exponent - 1;
            text = (d.negative && !d.digits.empty()) ? "-" : "";
            text += digits.substr(0, 1);
            if (prec > 1) text += "." + digits.substr(1);
            std::string ed = std::to_string(std::abs(e));
            ed.insert(0, ed.size() < 3 ? 3 - ed.size() : 0, '0');
            text += std::string("E") + (e < 0 ? "-" : "+") + ed;
          }
        } else if (type == 'g') {
          text = GeneralText(x, precision < 0 ? 15 : std::clamp(precision, 1, 18), 0, false);
        } else {
          text = FixedText(x, precision < 0 ? 2 : std::min(precision, 18), type != 'f');
        }
        break;
      }
      case 's': {
        const auto* sv = std::get_if<std::string>(&v);
        if (!sv) RaiseFormatError(Fmt);
        text = *sv;
        if (precision >= 0 && static_cast<size_t>(precision) < text.size())
          text.resize(static_cast<size_t>(precision));
        break;
      }
      case 'p': {
        const auto* pv = std::get_if<const void*>(&v);
        if (!pv) RaiseFormatError(Fmt);
        text = IntToHex(static_cast<int64_t>(reinterpret_cast<uintptr_t>(*pv)), 8);
        break;
      }
      default: RaiseFormatError(Fmt);
    }
    if (width > 0 && static_cast<int>(text.size()) < width) {
      std::string pad(static_cast<size_t>(width) - text.size(), ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace classlib
