#include "platform/flash/player/script/lib/string_ops.h"

#include "platform/flash/format/utf8.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/flash/player/script/lib/number_text.h"

namespace flash::scriptlib {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

int32_t Index(double d) { return ToInt32(d); }

// An end, length or limit argument: undefined (NaN) counts as left out.
bool Given(std::optional<double> d) { return d && !std::isnan(*d); }

// Positions clamped to 0..n.
int32_t Clamp(int64_t v, int32_t n) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, n)); }

char32_t UpperOf(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179);
    bool isLower = oddUpper ? (c % 2 == 0) : (c % 2 == 1);
    return isLower ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

char32_t LowerOf(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c < 0x80) return c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179);
    bool isUpper = oddUpper ? (c % 2 == 1) : (c % 2 == 0);
    return isUpper ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  // The three-form letters (DŽ Dž dž and the like) lower to their small form.
  if (c == 0x1C4 || c == 0x1C7 || c == 0x1CA || c == 0x1F1) return c + 2;
  if (c == 0x1C5 || c == 0x1C8 || c == 0x1CB || c == 0x1F2) return c + 1;
  // Cyrillic letters beyond the basic alphabet come in capital/small pairs.
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4F9))
    return c % 2 == 0 ? c + 1 : c;
  if (c >= 0x4C1 && c <= 0x4CE) return c % 2 == 1 ? c + 1 : c;
  return c;
}

std::string MapCase(std::string_view s, int swfVersion, char32_t (*map)(char32_t)) {
  std::string out;
  out.reserve(s.size());
  if (swfVersion < 6) {
    for (char c : s) {
      auto u = static_cast<unsigned char>(c);
      out += u < 0x80 ? static_cast<char>(map(u)) : c;
    }
    return out;
  }
  for (char32_t c : DecodeUtf8(s)) AppendUtf8(out, map(c));
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The length of the UTF-8 sequence starting at `s[i]` and its code point, or 0 when the bytes
// there form none. Surrogates encoded in three bytes are accepted.
size_t Utf8Sequence(std::string_view s, size_t i, char32_t& c) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = b(i);
  size_t n;
  char32_t min;
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
    c = lead & 0x1F;
    min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    c = lead & 0x0F;
    min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    c = lead & 0x07;
    min = 0x10000;
  } else
    return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(i + k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF) return 0;
  return n;
}

// Code points of `s`; bytes that form no UTF-8 sequence become U+FFFD, or with `latin1` the
// Latin-1 character of the byte.
std::u32string DecodeLeniently(std::string_view s, bool latin1) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t c;
    size_t n = Utf8Sequence(s, i, c);
    if (n == 0) {
      out += latin1 ? static_cast<unsigned char>(s[i]) : kReplacement;
      ++i;
    } else {
      out += c;
      i += n;
    }
  }
  return out;
}

}  // namespace

std::u32string DecodeUtf8(std::string_view s) { return DecodeLeniently(s, false); }

void AppendUtf8(std::string& out, char32_t c) { flash::AppendUtf8(out, c); }

std::u16string ToUnits(std::string_view s, int swfVersion) {
  std::u16string out;
  out.reserve(s.size());
  if (swfVersion < 6) {
    for (char c : s) out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
  }
  for (char32_t c : DecodeUtf8(s)) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

namespace {

// Code points, a surrogate pair (kept as two three-byte sequences) read as its character.
std::u32string CodePoints(std::string_view s) {
  std::u32string in = DecodeUtf8(s), out;
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    }
    out += c;
  }
  return out;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b, int swfVersion) {
  if (swfVersion < 6) return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
  int r = CodePoints(a).compare(CodePoints(b));
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

std::string FromUnits(std::u16string_view units, int swfVersion) {
  std::string out;
  out.reserve(units.size());
  if (swfVersion < 6) {
    for (char16_t u : units) out += static_cast<char>(u & 0xFF);
    return out;
  }
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string ToWellFormedUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : CodePoints(s)) AppendUtf8(out, IsSurrogate(c) ? kReplacement : c);
  return out;
}

size_t StringLength(std::string_view s, int swfVersion) { return ToUnits(s, swfVersion).size(); }

std::string CharAt(std::string_view s, double index, int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  int32_t i = Index(index);
  if (i < 0 || static_cast<size_t>(i) >= u.size()) return "";
  return FromUnits(u.substr(i, 1), swfVersion);
}

double CharCodeAt(std::string_view s, double index, int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  int32_t i = Index(index);
  if (i < 0) return std::numeric_limits<double>::quiet_NaN();
  if (static_cast<size_t>(i) >= u.size()) return 0;
  return u[i];
}

std::string FromCharCode(const std::vector<double>& codes) {
  std::u16string u;
  for (double d : codes) {
    uint16_t c = ToUint16(d);
    if (c == 0) break;
    u += static_cast<char16_t>(c);
  }
  return FromUnits(u, 6);
}

int32_t IndexOf(std::string_view s, std::string_view search, std::optional<double> start,
                int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  std::u16string w = ToUnits(search, swfVersion);
  int64_t from = start ? std::max<int32_t>(0, Index(*start)) : 0;
  if (from > static_cast<int64_t>(u.size())) return -1;
  size_t at = u.find(w, static_cast<size_t>(from));
  return at == std::u16string::npos ? -1 : static_cast<int32_t>(at);
}

int32_t LastIndexOf(std::string_view s, std::string_view search, std::optional<double> start,
                    int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  std::u16string w = ToUnits(search, swfVersion);
  if (w.size() > u.size()) return -1;
  int64_t from = static_cast<int64_t>(u.size() - w.size());
  if (Given(start)) from = std::min<int64_t>(from, Index(*start));
  if (from < 0) return -1;
  size_t at = u.rfind(w, static_cast<size_t>(from));
  return at == std::u16string::npos ? -1 : static_cast<int32_t>(at);
}

std::string Slice(std::string_view s, double start, std::optional<double> end, int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  auto n = static_cast<int32_t>(u.size());
  auto position = [n](double d) {
    int64_t v = Index(d);
    return Clamp(v < 0 ? v + n : v, n);
  };
  int32_t from = position(start);
  int32_t to = Given(end) ? position(*end) : n;
  if (from >= to) return "";
  return FromUnits(u.substr(from, to - from), swfVersion);
}

std::string Substr(std::string_view s, double start, std::optional<double> length, int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  auto n = static_cast<int32_t>(u.size());
  int64_t from = Index(start);
  from = Clamp(from < 0 ? from + n : from, n);
  int64_t count = Given(length) ? Index(*length) : n - from;
  if (count <= 0) return "";
  count = std::min<int64_t>(count, n - from);
  return FromUnits(u.substr(from, count), swfVersion);
}

std::string Substring(std::string_view s, double start, std::optional<double> end, int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  auto n = static_cast<int32_t>(u.size());
  int32_t a = Clamp(Index(start), n);
  int32_t b = Given(end) ? Clamp(Index(*end), n) : n;
  if (a > b) std::swap(a, b);
  return FromUnits(u.substr(a, b - a), swfVersion);
}

std::vector<std::string> Split(std::string_view s, std::optional<std::string_view> separator,
                               std::optional<double> limit, int swfVersion) {
  std::vector<std::string> parts;
  size_t max = std::numeric_limits<size_t>::max();
  if (Given(limit)) {
    int32_t l = Index(*limit);
    if (l <= 0) return parts;
    max = static_cast<size_t>(l);
  }
  std::u16string u = ToUnits(s, swfVersion);
  std::u16string sep = ToUnits(separator ? *separator : std::string_view(","), swfVersion);
  if (sep.empty()) {
    if (swfVersion < 6) {
      parts.emplace_back(s);
    } else {
      for (size_t i = 0; i < u.size() && parts.size() < max; ++i)
        parts.push_back(FromUnits(u.substr(i, 1), swfVersion));
    }
    return parts;
  }
  size_t from = 0;
  while (parts.size() < max) {
    size_t at = u.find(sep, from);
    if (at == std::u16string::npos) {
      parts.push_back(FromUnits(u.substr(from), swfVersion));
      break;
    }
    parts.push_back(FromUnits(u.substr(from, at - from), swfVersion));
    from = at + sep.size();
  }
  return parts;
}

std::string ToUpperCase(std::string_view s, int swfVersion) {
  return MapCase(s, swfVersion, UpperOf);
}
std::string ToLowerCase(std::string_view s, int swfVersion) {
  return MapCase(s, swfVersion, LowerOf);
}

std::u32string FoldCase(std::string_view s) {
  std::u32string out = DecodeUtf8(s);
  for (char32_t& c : out) c = LowerOf(c);
  return out;
}

std::string Escape(std::string_view s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string ReadUtf8OrLatin1(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char32_t c : DecodeLeniently(bytes, true)) AppendUtf8(out, c);
  return out;
}

bool IsUtf8(std::string_view bytes) {
  char32_t c;
  for (size_t i = 0; i < bytes.size();) {
    size_t n = Utf8Sequence(bytes, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Unescape(std::string_view s, int swfVersion) {
  // Bytes from %XX and literal text, with %uXXXX characters kept apart so that they are never
  // re-read as Latin-1.
  std::string bytes;
  std::string out;
  auto flushBytes = [&] {
    out += swfVersion < 6 ? bytes : ReadUtf8OrLatin1(bytes);
    bytes.clear();
  };
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '%') {
      if (i + 5 < s.size() && (s[i + 1] == 'u' || s[i + 1] == 'U')) {
        int a = HexValue(s[i + 2]), b = HexValue(s[i + 3]), c = HexValue(s[i + 4]),
            d = HexValue(s[i + 5]);
        if (a >= 0 && b >= 0 && c >= 0 && d >= 0) {
          flushBytes();
          char32_t code = static_cast<char32_t>((a << 12) | (b << 8) | (c << 4) | d);
          AppendUtf8(out, code);
          i += 6;
          continue;
        }
      }
      if (i + 2 < s.size()) {
        int hi = HexValue(s[i + 1]), lo = HexValue(s[i + 2]);
        if (hi >= 0 && lo >= 0) {
          bytes += static_cast<char>((hi << 4) | lo);
          i += 3;
          continue;
        }
      }
    }
    bytes += s[i];
    ++i;
  }
  flushBytes();
  return out;
}

double Ord(std::string_view s, int swfVersion) {
  if (swfVersion < 6) return s.empty() ? 0 : static_cast<unsigned char>(s[0]);
  return MbOrd(s);
}

double MbOrd(std::string_view s) {
  if (s.empty()) return 0;
  char32_t c = DecodeUtf8(s.substr(0, std::min<size_t>(4, s.size())))[0];
  return c > 0xFFFF ? 0xFFFD : c;
}

std::string Chr(double code, int swfVersion) {
  if (swfVersion < 6) {
    char c = static_cast<char>(ToUint32(code) & 0xFF);
    return c == 0 ? "" : std::string(1, c);
  }
  return MbChr(code);
}

std::string MbChr(double code) {
  uint16_t c = ToUint16(code);
  std::string out;
  if (c != 0) AppendUtf8(out, c);
  return out;
}

size_t MbLength(std::string_view s, int swfVersion) {
  return swfVersion < 6 ? DecodeUtf8(s).size() : StringLength(s, swfVersion);
}

std::string Substring4(std::string_view s, double index, double count, int swfVersion) {
  std::u16string u = ToUnits(s, swfVersion);
  auto n = static_cast<int32_t>(u.size());
  int32_t from = Clamp(static_cast<int64_t>(Index(index)) - 1, n);
  int32_t c = Index(count);
  int64_t take = c < 0 ? n - from : std::min<int64_t>(c, n - from);
  return FromUnits(u.substr(from, take), swfVersion);
}

std::string MbSubstring(std::string_view s, double index, double count, int swfVersion) {
  if (swfVersion >= 6) return Substring4(s, index, count, swfVersion);
  std::u32string chars = DecodeUtf8(s);
  auto n = static_cast<int32_t>(chars.size());
  int32_t from = Clamp(static_cast<int64_t>(Index(index)) - 1, n);
  int32_t c = Index(count);
  int64_t take = c < 0 ? n - from : std::min<int64_t>(c, n - from);
  std::string out;
  for (int64_t i = from; i < from + take; ++i) AppendUtf8(out, chars[i]);
  return out;
}

}  // namespace flash::scriptlib
