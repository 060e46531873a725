#include "platform/flash/player/value.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace flash {

std::string NumberToString(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  if (d == 0) return "0";
  if (std::fabs(d) < 1e15 && d == std::trunc(d)) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", d);
    return buf;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  std::string s = buf;
  // "1e-05" -> "1e-5", "1e+21" stays with its sign but without leading zeros.
  size_t e = s.find('e');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e);
    char sign = s[e + 1];
    size_t digits = e + 2;
    while (digits + 1 < s.size() && s[digits] == '0') ++digits;
    s = mant + "e" + sign + s.substr(digits);
  }
  return s;
}

double StringToNumber(const std::string& s, int swf_version) {
  const double bad = swf_version < 5 ? 0.0 : std::numeric_limits<double>::quiet_NaN();
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  if (i == s.size()) return bad;
  if (swf_version >= 6 && s.size() > i + 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    char* end = nullptr;
    long long v = std::strtoll(s.c_str() + i + 2, &end, 16);
    if (end && *end == 0) return static_cast<double>(static_cast<int32_t>(v));
    return bad;
  }
  // Only plain decimal notation: no hex floats, "inf" or "nan" words.
  size_t j = i;
  if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
  bool digits = false;
  while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) { ++j; digits = true; }
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) { ++j; digits = true; }
  }
  if (!digits) return bad;
  if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    size_t k = j + 1;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      j = k;
    }
  }
  size_t tail = j;
  while (tail < s.size() && std::isspace(static_cast<unsigned char>(s[tail]))) ++tail;
  if (tail != s.size()) return bad;
  return std::strtod(s.substr(i, j - i).c_str(), nullptr);
}

}  // namespace flash
