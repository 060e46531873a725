// Lays out runs of formatted text in a field's box: paragraphs, word wrap, alignment, margins,
// indents, leading, letter spacing, kerning and auto size, with the 2-pixel gutter around the
// text. Everything is in pixels in the field's own coordinates.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/flash/text/font_face.h"
#include "platform/flash/text/text_format.h"

namespace flash::text {

// The face a format's text is drawn with; null draws nothing, and such text takes neither room
// nor height (its line breaks still make lines).
using FaceResolver = std::function<const Face*(const TextFormat&)>;

enum class AutoSize { None, Left, Center, Right };

constexpr double kGutter = 2;

struct FieldBox {
  double x = 0, y = 0, width = 100, height = 100;
};

struct LayoutOptions {
  FieldBox box;
  bool word_wrap = false;
  bool password = false;  // every character shows as an asterisk
  AutoSize auto_size = AutoSize::None;
};

struct PlacedGlyph {
  const Face* face = nullptr;
  int glyph = -1;
  double x = 0, y = 0;  // origin on the baseline
  double size = 0;      // EM square in pixels
  Rgba color;
  size_t char_index = 0;
};

struct LaidLine {
  double x = 0, width = 0;  // left end and width of the ink-bearing text
  double top = 0, ascent = 0, descent = 0, leading = 0;
  size_t first_char = 0, end_char = 0;  // [first, end) in the field's characters
  double Bottom() const { return top + ascent + descent; }
};

struct UnderlineSpan {
  double x0 = 0, x1 = 0, y = 0, thickness = 1;
  Rgba color;
};

struct TextLayout {
  std::vector<PlacedGlyph> glyphs;
  std::vector<LaidLine> lines;
  std::vector<UnderlineSpan> underlines;
  double text_width = 0, text_height = 0;  // the widest line; all lines with their leading
  FieldBox box;                            // the field's box after auto size
};

TextLayout LayoutText(const std::vector<TextRun>& runs, const LayoutOptions& options,
                      const FaceResolver& faces);

// The size of `text` in one format on one line per paragraph: its widest line and the height of
// its lines, and the first line's ascent and descent.
struct TextExtent {
  double width = 0, height = 0, ascent = 0, descent = 0;
};
TextExtent MeasureText(const std::u32string& text, const TextFormat& format,
                       const FaceResolver& faces);

}  // namespace flash::text
