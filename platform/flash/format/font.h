// Fonts embedded in movies: glyph outlines, character codes, advances, bounds, kerning and line
// metrics, as the font definition tags and the font information tags give them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/types.h"

namespace flash {

// One alignment zone of a glyph (two per glyph: x then y), in EM units.
struct FontAlignZone {
  double position = 0, range = 0;
};

struct FontGlyph {
  ShapeDef shape;     // outline in the font's EM square (y grows downwards); filled with style 1
  uint16_t code = 0;  // character code (UTF-16 unit, or the font's own encoding before version 6)
  int advance = 0;    // EM units; from the layout table, 0 without one
  RectTwips bounds;   // EM units; from the layout table
  std::vector<FontAlignZone> zones;
  bool zone_x = false, zone_y = false;
};

struct FontDef : CharacterDef {
  explicit FontDef(uint16_t character_id = 0) : CharacterDef(Kind::Font, character_id) {}

  int version = 1;        // DefineFont 1, 2 or 3
  std::string name;       // UTF-8, without trailing NULs
  std::string copyright;  // DefineFontName
  bool bold = false, italic = false, small_text = false, shift_jis = false, ansi = false;
  bool wide_codes = false;
  uint8_t language = 0;
  std::vector<FontGlyph> glyphs;
  bool has_layout = false;
  int ascent = 0, descent = 0, leading = 0;              // EM units
  std::map<std::pair<uint16_t, uint16_t>, int> kerning;  // (left code, right code) -> EM units
  uint8_t zone_hint = 0;  // DefineFontAlignZones' table hint (thin, medium, thick)
  bool has_zones = false;

  // Size of the EM square the outlines and metrics are given in: 1024 for DefineFont and
  // DefineFont2, twenty times finer for DefineFont3.
  int EmSquare() const { return version >= 3 ? 20480 : 1024; }
  // Glyph index of a character code, -1 when the font lacks it.
  int GlyphOf(uint16_t code) const {
    auto it = code_index_.find(code);
    return it == code_index_.end() ? -1 : it->second;
  }
  int Kerning(uint16_t left, uint16_t right) const {
    auto it = kerning.find({left, right});
    return it == kerning.end() ? 0 : it->second;
  }
  // Rebuilds the code -> glyph index map after the codes changed (the first glyph of a code wins).
  void IndexCodes();

 private:
  std::unordered_map<uint16_t, int> code_index_;
};

// Reads a DefineFont, DefineFont2 or DefineFont3 body. A malformed font gives an empty font with
// its id (so texts naming it draw nothing), never an error, as long as the id itself is present;
// a body too short to hold the id throws FormatError.
std::shared_ptr<FontDef> ParseFont(uint16_t tag_code, const uint8_t* data, size_t length,
                                   int swf_version);

// The font a DefineFontInfo/DefineFontInfo2, DefineFontAlignZones or DefineFontName body refers to.
// Throws FormatError when the body cannot hold it.
uint16_t FontIdOf(const uint8_t* data, size_t length);

// Applies a DefineFontInfo/2, DefineFontAlignZones or DefineFontName body to a copy of `font`.
// A malformed body leaves the font as it was.
std::shared_ptr<FontDef> ApplyFontTag(uint16_t tag_code, const uint8_t* data, size_t length,
                                      const FontDef& font, int swf_version);

// Glyphs drawn together: texts merge the outlines of neighbouring glyphs of one colour into one
// shape whose units are twips divided by kGlyphRunUnits, so that one pass of the renderer draws
// them all. The shape fills with non-zero winding (overlapping glyphs stay filled).
constexpr double kGlyphRunUnits = 64;
// Starts a run of colour `color` when `runs` is empty or its last run has another colour.
ShapeDef& GlyphRunFor(std::vector<ShapeDef>& runs, Rgba color);
// Adds `glyph` (an outline in EM units) scaled by `scale` with its origin at (x, y), all in run
// units.
void AppendGlyph(ShapeDef& run, const ShapeDef& glyph, double scale, double x, double y);

// Text of a movie string: UTF-8 from version 6 on, the font's 8-bit encoding (read as Latin-1)
// before, made valid UTF-8 either way.
std::string MovieStringToUtf8(const std::string& s, int swf_version);

}  // namespace flash
