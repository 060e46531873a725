#include "platform/flash/text/text_format.h"

#include "platform/flash/format/utf8.h"

namespace flash::text {

std::u32string Utf8ToUtf32(const std::string& s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    bool ok = n >= 0 && i + n < s.size();
    char32_t v = n == 0 ? c : n == 1 ? (c & 0x1F) : n == 2 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; ok && k <= n; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) ok = false;
      v = (v << 6) | (d & 0x3F);
    }
    if (!ok || v > 0x10FFFF) {
      out.push_back(c);  // a stray byte stands for itself
      ++i;
      continue;
    }
    out.push_back(v);
    i += n + 1;
  }
  return out;
}

std::string Utf32ToUtf8(const std::u32string& s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace flash::text
