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

void CopyFormatMembers(const TextFormat& from, uint32_t members, TextFormat& to) {
  auto has = [&](FormatMember m) { return (members >> m) & 1u; };
  if (has(kFormatFont)) to.font = from.font;
  if (has(kFormatSize)) to.size = from.size;
  if (has(kFormatColor)) to.color = from.color;
  if (has(kFormatBold)) to.bold = from.bold;
  if (has(kFormatItalic)) to.italic = from.italic;
  if (has(kFormatUnderline)) to.underline = from.underline;
  if (has(kFormatUrl)) to.url = from.url;
  if (has(kFormatTarget)) to.target = from.target;
  if (has(kFormatAlign)) to.align = from.align;
  if (has(kFormatLeftMargin)) to.left_margin = from.left_margin;
  if (has(kFormatRightMargin)) to.right_margin = from.right_margin;
  if (has(kFormatIndent)) to.indent = from.indent;
  if (has(kFormatLeading)) to.leading = from.leading;
  if (has(kFormatBlockIndent)) to.block_indent = from.block_indent;
  if (has(kFormatBullet)) to.bullet = from.bullet;
  if (has(kFormatTabStops)) to.tab_stops = from.tab_stops;
  if (has(kFormatLetterSpacing)) to.letter_spacing = from.letter_spacing;
  if (has(kFormatKerning)) to.kerning = from.kerning;
}

}  // namespace flash::text
