// Static texts (DefineText, DefineText2) and text fields (DefineEditText) as the tags give them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/types.h"

namespace flash {

struct TextGlyphEntry {
  uint32_t index = 0;   // into the record's font's glyphs
  int32_t advance = 0;  // twips
};

// One run of glyphs with the same font, colour and height. Positions and styles that a record
// leaves out are carried over from the record before, so every record holds its effective values.
struct TextRecord {
  uint16_t font_id = 0;
  bool has_font = false;
  Rgba color{0, 0, 0, 255};
  int32_t x = 0, y = 0;  // twips, of the first glyph's origin (the baseline)
  uint16_t height = 0;   // twips
  std::vector<TextGlyphEntry> glyphs;
};

struct StaticTextDef : CharacterDef {
  explicit StaticTextDef(uint16_t character_id = 0) : CharacterDef(Kind::Text, character_id) {}
  int version = 1;  // DefineText or DefineText2
  RectTwips bounds;
  Matrix matrix;
  std::vector<TextRecord> records;
  uint8_t anti_alias = 0;  // CSMTextSettings: 1 advanced (hit anywhere in its bounds), else 0
  // The glyphs merged into runs of one colour (see kGlyphRunUnits), in text coordinates; made
  // when the text is read, from the fonts defined before it.
  std::vector<ShapeDef> glyph_runs;
};

enum class TextAlign : uint8_t { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct EditTextDef : CharacterDef {
  explicit EditTextDef(uint16_t character_id = 0) : CharacterDef(Kind::EditText, character_id) {}
  RectTwips bounds;
  bool word_wrap = false, multiline = false, password = false, read_only = false;
  bool auto_size = false, no_select = false, border = false, was_static = false, html = false,
       use_outlines = false;
  bool has_font = false;
  uint16_t font_id = 0;
  std::string font_class;
  uint16_t font_height = 240;  // twips
  bool has_color = false;
  Rgba color{0, 0, 0, 255};
  bool has_max_length = false;
  uint16_t max_length = 0;
  bool has_layout = false;
  TextAlign align = TextAlign::Left;
  uint16_t left_margin = 0, right_margin = 0, indent = 0;  // twips
  int16_t leading = 0;                                     // twips
  std::string variable;                                    // UTF-8
  bool has_text = false;
  std::string initial_text;  // UTF-8
  // CSMTextSettings: how the field's embedded glyphs are rendered (0 normal, 1 advanced) and
  // fitted to pixels (0 none, 1 pixel, 2 subpixel).
  uint8_t anti_alias = 0, grid_fit = 1;
  float thickness = 0, sharpness = 0;
};

// Read a DefineText/DefineText2 or DefineEditText body. Throw FormatError when the body is
// malformed (glyph records running past the tag, missing strings).
std::shared_ptr<StaticTextDef> ParseStaticText(uint16_t tag_code, const uint8_t* data,
                                               size_t length);
std::shared_ptr<EditTextDef> ParseEditText(const uint8_t* data, size_t length, int swf_version);

// Reads a font, font information, static text or text field tag into the movie's dictionary
// (information tags update the font they name). Returns false for other tags.
bool ReadTextTag(uint16_t tag_code, const uint8_t* data, size_t length, int swf_version,
                 std::map<uint16_t, CharacterPtr>& dictionary);

}  // namespace flash
