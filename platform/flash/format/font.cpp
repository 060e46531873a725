// Reads the font tags. Glyph offsets, the code table offset and every count are checked against
// the tag; a font that fails any check is kept, empty, under its id.
#include "platform/flash/format/font.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/flash/format/definition_parser.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/format/reader.h"

namespace flash {
namespace {

// Drops the NULs some writers leave at the end of a font name.
std::string TrimNuls(std::string s) {
  while (!s.empty() && s.back() == '\0') s.pop_back();
  size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

std::string ReadFontName(Reader& r, int swf_version) {
  uint8_t len = r.U8();
  const uint8_t* p = r.Bytes(len);
  return MovieStringToUtf8(TrimNuls(std::string(reinterpret_cast<const char*>(p), len)),
                           swf_version);
}

// Reads the glyph shapes whose offsets (relative to `table`) are given; the shapes end at
// `shapes_end`. Each glyph reads from its offset to its own end record: offsets need not be in
// order, and glyphs may share their bytes.
void ReadGlyphShapes(const uint8_t* table, size_t table_size, const std::vector<uint32_t>& offsets,
                     size_t shapes_end, std::vector<FontGlyph>& glyphs) {
  if (shapes_end > table_size) throw FormatError("font glyphs run past the tag");
  glyphs.resize(offsets.size());
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (offsets[i] > shapes_end) throw FormatError("font glyph offset lies past the glyphs");
    glyphs[i].shape = ParseGlyphShape(table + offsets[i], shapes_end - offsets[i]);
  }
}

void ParseFont1(Reader& r, FontDef& font) {
  font.version = 1;
  const uint8_t* table = r.Current();
  size_t size = r.Remaining();
  if (size == 0) return;  // a font without glyphs (its text uses a device font)
  uint16_t first = r.U16();
  if (first % 2 != 0 || first > size) throw FormatError("font offset table is malformed");
  size_t count = first / 2;
  std::vector<uint32_t> offsets{first};
  for (size_t i = 1; i < count; ++i) offsets.push_back(r.U16());
  if (count > 0 && offsets.front() < count * 2)
    throw FormatError("font offset table overlaps its glyphs");
  ReadGlyphShapes(table, size, offsets, size, font.glyphs);
}

void ParseFont23(Reader& r, FontDef& font, int version, int swf_version) {
  font.version = version;
  uint8_t flags = r.U8();
  font.has_layout = flags & 0x80;
  font.shift_jis = flags & 0x40;
  font.small_text = flags & 0x20;
  font.ansi = flags & 0x10;
  bool wide_offsets = flags & 0x08;
  font.wide_codes = flags & 0x04;
  font.italic = flags & 0x02;
  font.bold = flags & 0x01;
  font.language = r.U8();
  font.name = ReadFontName(r, swf_version);
  uint16_t count = r.U16();
  const uint8_t* table = r.Current();
  size_t table_size = r.Remaining();
  if (count == 0 && r.AtEnd()) return;
  size_t entry = wide_offsets ? 4 : 2;
  if ((static_cast<size_t>(count) + 1) * entry > table_size)
    throw FormatError("font offset table runs past the tag");
  std::vector<uint32_t> offsets(count);
  for (auto& o : offsets) o = wide_offsets ? r.U32() : r.U16();
  uint32_t code_offset = wide_offsets ? r.U32() : r.U16();
  size_t header = (static_cast<size_t>(count) + 1) * entry;
  if (code_offset < header || code_offset > table_size)
    throw FormatError("font code table lies outside the tag");
  for (uint32_t o : offsets)
    if (o < header) throw FormatError("font glyph offset points into the offset table");
  ReadGlyphShapes(table, table_size, offsets, code_offset, font.glyphs);
  Reader rest(table + code_offset, table_size - code_offset);
  for (FontGlyph& g : font.glyphs) g.code = font.wide_codes ? rest.U16() : rest.U8();
  font.IndexCodes();
  if (!font.has_layout) return;
  font.ascent = rest.U16();
  font.descent = rest.U16();
  font.leading = rest.S16();
  // Advances are read unsigned: wide glyphs of real fonts use the full 16 bits.
  for (FontGlyph& g : font.glyphs) g.advance = rest.U16();
  for (FontGlyph& g : font.glyphs) g.bounds = rest.Rect();
  // Kerning: some writers leave the table out altogether.
  if (rest.Remaining() < 2) return;
  uint16_t kerns = rest.U16();
  for (uint16_t i = 0; i < kerns; ++i) {
    uint16_t a = font.wide_codes ? rest.U16() : rest.U8();
    uint16_t b = font.wide_codes ? rest.U16() : rest.U8();
    font.kerning[{a, b}] = rest.S16();
  }
}

// IEEE half-precision float of the alignment zones.
double Half(uint16_t h) {
  int exp = (h >> 10) & 0x1F;
  int mant = h & 0x3FF;
  double v;
  if (exp == 0)
    v = std::ldexp(mant, -24);
  else if (exp == 31)
    v = 0;  // infinities and NaNs carry no usable position
  else
    v = std::ldexp(mant + 1024, exp - 25);
  return (h & 0x8000) ? -v : v;
}

void ApplyFontInfo(Reader& r, FontDef& font, bool version2, int swf_version) {
  font.name = ReadFontName(r, swf_version);
  uint8_t flags = r.U8();
  font.small_text = flags & 0x20;
  font.shift_jis = flags & 0x10;
  font.ansi = flags & 0x08;
  font.italic = flags & 0x04;
  font.bold = flags & 0x02;
  font.wide_codes = version2 || (flags & 0x01);
  if (version2) font.language = r.U8();
  std::vector<uint16_t> codes(font.glyphs.size());
  for (auto& c : codes) c = font.wide_codes ? r.U16() : r.U8();
  for (size_t i = 0; i < codes.size(); ++i) font.glyphs[i].code = codes[i];
  font.IndexCodes();
}

void ApplyAlignZones(Reader& r, FontDef& font) {
  font.zone_hint = r.U8() >> 6;
  std::vector<FontGlyph> glyphs = font.glyphs;
  for (FontGlyph& g : glyphs) {
    uint8_t n = r.U8();
    g.zones.clear();
    for (uint8_t i = 0; i < n; ++i) {
      FontAlignZone z;
      z.position = Half(r.U16());
      z.range = Half(r.U16());
      g.zones.push_back(z);
    }
    uint8_t mask = r.U8();
    g.zone_y = mask & 0x80;
    g.zone_x = mask & 0x40;
  }
  font.glyphs = std::move(glyphs);
  font.has_zones = true;
}

}  // namespace

void FontDef::IndexCodes() {
  code_index_.clear();
  for (size_t i = 0; i < glyphs.size(); ++i)
    code_index_.emplace(glyphs[i].code, static_cast<int>(i));
}

std::shared_ptr<FontDef> ParseFont(uint16_t tag_code, const uint8_t* data, size_t length,
                                   int swf_version) {
  Reader r(data, length);
  auto font = std::make_shared<FontDef>(r.U16());
  try {
    if (tag_code == kTagDefineFont)
      ParseFont1(r, *font);
    else
      ParseFont23(r, *font, tag_code == kTagDefineFont3 ? 3 : 2, swf_version);
  } catch (const FormatError&) {
    auto empty = std::make_shared<FontDef>(font->id);
    empty->version = font->version;
    empty->name = font->name;
    empty->bold = font->bold;
    empty->italic = font->italic;
    return empty;
  }
  return font;
}

uint16_t FontIdOf(const uint8_t* data, size_t length) {
  Reader r(data, length);
  return r.U16();
}

std::shared_ptr<FontDef> ApplyFontTag(uint16_t tag_code, const uint8_t* data, size_t length,
                                      const FontDef& font, int swf_version) {
  auto copy = std::make_shared<FontDef>(font);
  Reader r(data, length);
  try {
    r.U16();
    switch (tag_code) {
      case kTagDefineFontInfo: ApplyFontInfo(r, *copy, false, swf_version); break;
      case kTagDefineFontInfo2: ApplyFontInfo(r, *copy, true, swf_version); break;
      case kTagDefineFontAlignZones: ApplyAlignZones(r, *copy); break;
      case kTagDefineFontName:
        copy->name = MovieStringToUtf8(r.CString(), swf_version);
        copy->copyright = MovieStringToUtf8(r.CString(), swf_version);
        break;
      default: break;
    }
  } catch (const FormatError&) {
    return std::make_shared<FontDef>(font);
  }
  return copy;
}

ShapeDef& GlyphRunFor(std::vector<ShapeDef>& runs, Rgba color) {
  if (runs.empty() || runs.back().groups.front().fill_styles.front().color != color) {
    runs.emplace_back();
    ShapeDef& run = runs.back();
    run.non_zero_winding = true;
    run.groups.emplace_back();
    FillStyle fill;
    fill.color = color;
    run.groups.front().fill_styles.push_back(fill);
  }
  return runs.back();
}

void AppendGlyph(ShapeDef& run, const ShapeDef& glyph, double scale, double x, double y) {
  auto px = [&](int32_t v) { return static_cast<int32_t>(std::lround(x + v * scale)); };
  auto py = [&](int32_t v) { return static_cast<int32_t>(std::lround(y + v * scale)); };
  std::vector<ShapePath>& paths = run.groups.front().paths;
  for (const ShapeGroup& g : glyph.groups) {
    for (const ShapePath& p : g.paths) {
      // Only the glyph's fill (style 1) is drawn; the run has one style.
      bool left = p.fill0 == 1, right = p.fill1 == 1;
      if (left == right) continue;
      ShapePath q;
      q.fill0 = left ? 1 : 0;
      q.fill1 = right ? 1 : 0;
      q.start_x = px(p.start_x);
      q.start_y = py(p.start_y);
      q.edges.reserve(p.edges.size());
      for (const ShapeEdge& e : p.edges)
        q.edges.push_back({e.curve, px(e.cx), py(e.cy), px(e.x), py(e.y)});
      paths.push_back(std::move(q));
    }
  }
  const RectTwips& b = glyph.bounds;
  RectTwips gb{px(b.xmin), px(b.xmax), py(b.ymin), py(b.ymax)};
  RectTwips& rb = run.bounds;
  if (rb.xmin == rb.xmax && rb.ymin == rb.ymax) {
    rb = gb;
  } else {
    rb = {std::min(rb.xmin, gb.xmin), std::max(rb.xmax, gb.xmax), std::min(rb.ymin, gb.ymin),
          std::max(rb.ymax, gb.ymax)};
  }
  run.edge_bounds = rb;
}

std::string MovieStringToUtf8(const std::string& s, int swf_version) {
  // Valid UTF-8 stays as it is from version 6 on; anything else is read as Latin-1.
  auto valid_utf8 = [&]() {
    for (size_t i = 0; i < s.size();) {
      unsigned char c = static_cast<unsigned char>(s[i]);
      int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
      if (n < 0 || i + n >= s.size() + (n == 0 ? 1 : 0)) return false;
      for (int k = 1; k <= n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
      i += n + 1;
    }
    return true;
  };
  if (swf_version >= 6 && valid_utf8()) return s;
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace flash
