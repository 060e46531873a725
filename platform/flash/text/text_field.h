// The model of a text field: its formatted text, its settings and its laid-out lines. Built from
// a DefineEditText tag; scripts change it through the same members. The layout is made when
// first asked for after a change and kept until the next.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/flash/format/movie.h"
#include "platform/flash/format/text.h"
#include "platform/flash/text/font_face.h"
#include "platform/flash/text/style_sheet.h"
#include "platform/flash/text/text_format.h"
#include "platform/flash/text/text_layout.h"

namespace flash::text {

class TextField {
 public:
  // A field as the tag defines it, drawing with the fonts of `movie` (may be null).
  TextField(const EditTextDef& def, std::shared_ptr<const MovieDef> movie);
  TextField() = default;

  // Replacing the text: plain text takes the default format; HTML is parsed from it.
  void SetText(const std::string& utf8);
  void SetHtmlText(const std::string& html);
  void SetRuns(std::vector<TextRun> runs);
  std::string Text() const;      // UTF-8, paragraphs separated by '\r'
  std::string HtmlText() const;  // the runs as HTML (see ToHtml)
  const std::vector<TextRun>& Runs() const { return runs_; }
  size_t Length() const;  // characters, breaks included
  // Replaces the characters [begin, end) (clamped to the text) with `utf8`, which takes the
  // format of the first character replaced (of the one before when none is, else the default).
  void ReplaceText(size_t begin, size_t end, const std::string& utf8);
  // Changes the format of the characters [begin, end) (clamped) through `change`.
  void ChangeFormat(size_t begin, size_t end, const std::function<void(TextFormat&)>& change);
  // The format of the character at `index` (the default format past the end).
  const TextFormat& FormatAt(size_t index) const;
  // The size of `utf8` in `format` as this field would draw it.
  TextExtent Extent(const std::string& utf8, const TextFormat& format) const;

  // Settings; call Changed() after changing any of them directly.
  LayoutOptions options;
  bool multiline = false, html = false, read_only = true, selectable = true;
  bool border = false, background = false;
  Rgba border_color{0, 0, 0, 255}, background_color{255, 255, 255, 255};
  bool embed_fonts = false;
  int max_chars = 0;
  std::string variable;
  bool condense_white = false;  // HTML text condenses its white space (see ParseHtml)
  StyleMap styles;              // the styles HTML text takes (from the field's style sheet)
  // Settings scripts read back; the renderer draws every field the same way whatever they say.
  bool mouse_wheel_enabled = true;   // the wheel scrolls the field
  bool has_restrict = false;         // `restrict` set: only its characters may be typed
  std::string restrict;
  bool advanced_anti_alias = false;  // antiAliasType "advanced" (else "normal")
  int grid_fit = 1;                  // gridFitType: 0 none, 1 pixel, 2 subpixel
  double sharpness = 0, thickness = 0;
  TextFormat default_format;
  int scroll = 1;      // first line shown, from 1
  double hscroll = 0;  // pixels scrolled to the left
  void Changed() { dirty_ = runs_dirty_ = true; }

  const TextLayout& Layout() const;
  // The laid-out glyphs merged into runs of one colour (see kGlyphRunUnits), in the field's
  // twips, before scrolling.
  const std::vector<ShapeDef>& GlyphRuns() const;
  // The face a format is drawn with in this field: an embedded font of the movie when the field
  // embeds its fonts, a device font otherwise.
  const Face* FaceFor(const TextFormat& f) const;
  // Scrolling limits from the layout: the largest first line that still fills the box, and the
  // last line shown (both from 1).
  int MaxScroll() const;
  int BottomScroll() const;
  // The caret position nearest the point (x, y) in the field's pixels, scrolling applied: on
  // the line at that height (the first above the text, the last below it), before the first
  // character whose middle is right of x, or at the line's end.
  size_t CharIndexAt(double x, double y) const;
  // The character drawn under the point (x, y) in the field's pixels, scrolling applied: the
  // one whose glyph reaches from its origin to the next glyph of its line (the last one to the
  // line's end); none beside, above or below the lines.
  std::optional<size_t> CharAt(double x, double y) const;
  // Whether the text reaches past the box (drawing then clips to it).
  bool Overflows() const;

 private:
  std::vector<TextRun> runs_;
  std::shared_ptr<const MovieDef> movie_;
  std::shared_ptr<const FontDef> tag_font_;
  mutable std::vector<std::unique_ptr<EmbeddedFace>> embedded_;
  mutable TextLayout layout_;
  mutable std::vector<ShapeDef> glyph_runs_;
  mutable bool runs_dirty_ = true;
  mutable bool dirty_ = true;
};

}  // namespace flash::text
