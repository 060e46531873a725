// Character and paragraph formats of text fields, and runs of text that share one format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/flash/format/text.h"
#include "platform/flash/format/types.h"

namespace flash::text {

// Sizes, margins and spacing are in pixels. The paragraph fields (align to tab stops) of a
// paragraph are those of its first character.
struct TextFormat {
  std::string font = "Times New Roman";
  double size = 12;
  Rgba color{0, 0, 0, 255};
  bool bold = false, italic = false, underline = false;
  std::string url, target;
  double letter_spacing = 0;
  bool kerning = false;
  TextAlign align = TextAlign::Left;
  double left_margin = 0, right_margin = 0, indent = 0, block_indent = 0, leading = 0;
  bool bullet = false;
  std::vector<double> tab_stops;
  bool operator==(const TextFormat&) const = default;
};

// The members of a format as scripts name them, in the order the TextFormat constructor takes
// them, then the rest; bit (1 << member) marks a member in a set of them.
enum FormatMember {
  kFormatFont,
  kFormatSize,
  kFormatColor,
  kFormatBold,
  kFormatItalic,
  kFormatUnderline,
  kFormatUrl,
  kFormatTarget,
  kFormatAlign,
  kFormatLeftMargin,
  kFormatRightMargin,
  kFormatIndent,
  kFormatLeading,
  kFormatBlockIndent,
  kFormatBullet,
  kFormatTabStops,
  kFormatLetterSpacing,
  kFormatKerning,
  kFormatMemberCount
};

// Copies the members of `from` whose bits are set in `members` into `to`.
void CopyFormatMembers(const TextFormat& from, uint32_t members, TextFormat& to);

// Characters are Unicode code points; '\r' separates paragraphs.
struct TextRun {
  std::u32string text;
  TextFormat format;
};

std::u32string Utf8ToUtf32(const std::string& s);  // invalid bytes read as Latin-1
std::string Utf32ToUtf8(const std::u32string& s);

}  // namespace flash::text
