// Font and static text tags: reading every table of the font tags, what malformed fonts become,
// and glyphs drawn at known pixels through the player and the stage painter.
#include <gtest/gtest.h>

#include "platform/flash/format/font.h"
#include "platform/flash/format/movie.h"
#include "platform/flash/format/text.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"

namespace {

using namespace flash;

// A glyph outline: a filled rectangle from (x0, y0) to (x1, y1) in EM units (empty when the
// rectangle is).
std::vector<uint8_t> SquareGlyph(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  ShapeBuilder g;
  int fill = g.AddFill(FillStyleSpec::Solid({0, 0, 0, 255}));
  if (x1 > x0 && y1 > y0) g.Rectangle(x0, y0, x1, y1, fill);
  return g.EncodeGlyph();
}

// A font with glyphs "a" (a box half an EM wide, three quarters high, on the baseline) and "b"
// (empty, with an advance beyond the signed range), with layout and kerning.
FontSpec SquareFont(int version, bool wide_offsets, const std::string& name = "Square") {
  int em = version == 3 ? 20480 : 1024;
  FontSpec f;
  f.version = version;
  f.name = name;
  f.wide_offsets = wide_offsets;
  f.glyphs = {{'a',
               SquareGlyph(0, -em * 3 / 4, em / 2, 0),
               static_cast<uint16_t>(em / 2),
               {0, em / 2, -em * 3 / 4, 0}},
              {'b', SquareGlyph(0, 0, 0, 0), 40000, {}}};
  f.ascent = static_cast<uint16_t>(em * 3 / 4);
  f.descent = static_cast<uint16_t>(em / 4);
  f.kerning = {{'a', 'b', -10}};
  return f;
}

std::vector<uint8_t> Font2Body(uint16_t id, bool wide_offsets, int em) {
  return SquareFont(em > 1024 ? 3 : 2, wide_offsets).Encode(id);
}

std::shared_ptr<MovieDef> MovieWith(
    const std::vector<std::pair<uint16_t, std::vector<uint8_t>>>& tags,
    const std::vector<PlaceSpec>& places = {}, int width = 100, int height = 100) {
  SwfWriter w(8, width, height, 12);
  for (const auto& [code, body] : tags) w.Tag(code, body);
  for (const auto& p : places) w.Place(p);
  w.ShowFrame();
  return ParseMovie(w.Finish(false));
}

const FontDef& FontOf(const MovieDef& m, uint16_t id) {
  const CharacterDef* c = m.Find(id);
  EXPECT_TRUE(c && c->kind == CharacterDef::Kind::Font);
  return static_cast<const FontDef&>(*c);
}

TEST(TextFont, Font2And3ReadGlyphsCodesLayoutAndKerning) {
  for (bool wide : {false, true}) {
    for (int version : {2, 3}) {
      int em = version == 3 ? 20480 : 1024;
      auto m =
          MovieWith({{version == 3 ? kTagDefineFont3 : kTagDefineFont2, Font2Body(5, wide, em)}});
      const FontDef& f = FontOf(*m, 5);
      SCOPED_TRACE(std::to_string(version) + (wide ? " wide" : " narrow"));
      EXPECT_EQ(f.EmSquare(), em);
      EXPECT_EQ(f.name, "Square");
      ASSERT_EQ(f.glyphs.size(), 2u);
      EXPECT_EQ(f.GlyphOf('a'), 0);
      EXPECT_EQ(f.GlyphOf('b'), 1);
      EXPECT_EQ(f.GlyphOf('c'), -1);
      EXPECT_EQ(f.ascent, em * 3 / 4);
      EXPECT_EQ(f.glyphs[0].advance, em / 2);
      EXPECT_EQ(f.glyphs[1].advance, 40000);
      EXPECT_EQ(f.Kerning('a', 'b'), -10);
      EXPECT_EQ(f.glyphs[0].shape.bounds.xmax, em / 2);
      EXPECT_EQ(f.glyphs[0].shape.bounds.ymin, -em * 3 / 4);
      ASSERT_EQ(f.glyphs[0].shape.groups.size(), 1u);
      EXPECT_EQ(f.glyphs[0].shape.groups[0].paths.size(), 1u);
    }
  }
}

TEST(TextFont, EveryTruncationLeavesTheFontEmptyButPresent) {
  std::vector<uint8_t> body = Font2Body(7, false, 1024);
  // Cut anywhere after the id: the movie still loads, and the font is either whole or empty
  // (a cut in the optional kerning table alone keeps the glyphs).
  for (size_t cut = 2; cut < body.size(); ++cut) {
    std::vector<uint8_t> part(body.begin(), body.begin() + static_cast<long>(cut));
    auto m = MovieWith({{kTagDefineFont2, part}});
    const FontDef& f = FontOf(*m, 7);
    EXPECT_TRUE(f.glyphs.empty() || f.glyphs.size() == 2u) << cut;
  }
  // Glyphs may share their bytes: each reads from its offset to its own end record.
  {
    std::vector<uint8_t> b = body;
    size_t table = 2 + 1 + 1 + 1 + 6 + 2;
    b[table + 2] = b[table];
    b[table + 3] = b[table + 1];
    const FontDef& f = FontOf(*MovieWith({{kTagDefineFont2, b}}), 7);
    ASSERT_EQ(f.glyphs.size(), 2u);
    EXPECT_EQ(f.glyphs[1].shape.bounds, f.glyphs[0].shape.bounds);
  }
  // Offsets into the offset table or past the code table.
  for (int bad : {0, 1, 3, 0x7FFF}) {
    std::vector<uint8_t> b = body;
    size_t table = 2 + 1 + 1 + 1 + 6 + 2;
    b[table] = static_cast<uint8_t>(bad);
    b[table + 1] = static_cast<uint8_t>(bad >> 8);
    auto m = MovieWith({{kTagDefineFont2, b}});
    EXPECT_TRUE(FontOf(*m, 7).glyphs.empty()) << bad;
  }
  // A code table offset beyond the tag.
  std::vector<uint8_t> b = body;
  size_t code_offset = 2 + 1 + 1 + 1 + 6 + 2 + 4;
  b[code_offset] = 0xFF;
  b[code_offset + 1] = 0x7F;
  EXPECT_TRUE(FontOf(*MovieWith({{kTagDefineFont2, b}}), 7).glyphs.empty());
  // Too short for even the id: the tag cannot be read at all.
  EXPECT_THROW(ParseFont(kTagDefineFont2, body.data(), 1, 8), FormatError);
}

TEST(TextFont, Font1WithInfoAlignZonesAndName) {
  auto glyph = SquareGlyph(0, -512, 512, 0);
  BitWriter f;
  f.U16(3);
  f.U16(2);  // one glyph: its offset
  f.Bytes(glyph);
  BitWriter info;  // DefineFontInfo2
  info.U16(3);
  info.U8(4);
  for (char c : std::string("Box\0", 4)) info.U8(static_cast<uint8_t>(c));
  info.U8(0x02 | 0x04);  // bold, italic
  info.U8(1);            // language
  info.U16(0x263A);
  BitWriter zones;
  zones.U16(3);
  zones.U8(0x40);  // medium hint
  zones.U8(2);
  zones.U16(0x3C00);  // 1.0
  zones.U16(0x4000);  // 2.0
  zones.U16(0xC000);  // -2.0
  zones.U16(0x0000);
  zones.U8(0xC0);
  BitWriter name;
  name.U16(3);
  name.String("Box Font");
  name.String("(c) nobody");
  auto m = MovieWith({{kTagDefineFont, f.Data()},
                      {kTagDefineFontInfo2, info.Data()},
                      {kTagDefineFontAlignZones, zones.Data()},
                      {kTagDefineFontName, name.Data()},
                      {kTagDefineFontInfo, {9, 0}}});  // a font that does not exist: ignored
  const FontDef& font = FontOf(*m, 3);
  ASSERT_EQ(font.glyphs.size(), 1u);
  EXPECT_EQ(font.GlyphOf(0x263A), 0);
  EXPECT_TRUE(font.bold);
  EXPECT_TRUE(font.italic);
  EXPECT_EQ(font.name, "Box Font");
  EXPECT_EQ(font.copyright, "(c) nobody");
  EXPECT_EQ(font.zone_hint, 1);
  ASSERT_EQ(font.glyphs[0].zones.size(), 2u);
  EXPECT_DOUBLE_EQ(font.glyphs[0].zones[0].position, 1.0);
  EXPECT_DOUBLE_EQ(font.glyphs[0].zones[0].range, 2.0);
  EXPECT_DOUBLE_EQ(font.glyphs[0].zones[1].position, -2.0);
  EXPECT_TRUE(font.glyphs[0].zone_x && font.glyphs[0].zone_y);

  // Information whose code table is cut short changes nothing.
  auto cut = info.Data();
  cut.pop_back();
  auto m2 = MovieWith({{kTagDefineFont, f.Data()}, {kTagDefineFontInfo2, cut}});
  EXPECT_EQ(FontOf(*m2, 3).GlyphOf(0x263A), -1);
  EXPECT_EQ(FontOf(*m2, 3).name, "");
}

// A static text: one record with font 5 at `height` twips, colour, offsets and glyph entries,
// then a record that only moves 1000 twips on and carries the rest over.
std::vector<uint8_t> TextBody(uint16_t id, bool text2, Rgba color, int16_t x, int16_t y,
                              uint16_t height,
                              const std::vector<std::pair<uint32_t, int32_t>>& glyphs) {
  StaticTextSpec t;
  t.version = text2 ? 2 : 1;
  t.bounds = {0, 2000, 0, 2000};
  StaticTextSpec::Record first;
  first.font_id = 5;
  first.height = height;
  first.has_color = true;
  first.color = color;
  first.has_x = first.has_y = true;
  first.x = x;
  first.y = y;
  first.glyphs = glyphs;
  StaticTextSpec::Record second;
  second.has_x = true;
  second.x = static_cast<int16_t>(x + 1000);
  second.glyphs = {{0, 0}};
  t.records = {first, second};
  return t.Encode(id);
}

TEST(TextFont, StaticTextRecordsCarryStylesAndDrawGlyphsAtKnownPixels) {
  auto body = TextBody(9, true, {255, 0, 0, 255}, 200, 600, 400, {{0, 400}, {1, 0}, {0, 400}});
  auto text = ParseStaticText(kTagDefineText2, body.data(), body.size());
  ASSERT_EQ(text->records.size(), 2u);
  EXPECT_EQ(text->records[1].height, 400);
  EXPECT_EQ(text->records[1].y, 600);
  EXPECT_EQ(text->records[1].font_id, 5);
  EXPECT_EQ(text->records[1].color, (Rgba{255, 0, 0, 255}));
  // A record cut in its glyphs ends the text where it breaks; earlier records stand.
  for (size_t cut = 20; cut < body.size(); ++cut) {
    auto t = ParseStaticText(kTagDefineText2, body.data(), cut);
    EXPECT_LE(t->records.size(), 2u);
  }

  // Glyph "a" fills x 0..512, y -768..0 of a 1024 EM; at 400 twips that is 10 by 15 pixels whose
  // bottom-left corner lies on the baseline at (10, 30) pixels; the second "a" starts 20 pixels on.
  auto m = MovieWith({{kTagDefineFont2, Font2Body(5, false, 1024)}, {kTagDefineText2, body}},
                     {flashtest::NewPlace(1, 9)});
  Player p;
  p.LoadMovie(0, m);
  std::vector<uint8_t> px(100 * 100 * 4);
  PaintStage(p, {px.data(), 100, 100, 400}, {255, 255, 255, 255});
  auto at = [&](int x, int y) {
    return Rgba{px[(y * 100 + x) * 4 + 2], px[(y * 100 + x) * 4 + 1], px[(y * 100 + x) * 4],
                px[(y * 100 + x) * 4 + 3]};
  };
  EXPECT_EQ(at(12, 25), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(at(19, 16), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(at(32, 25), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(at(25, 25), (Rgba{255, 255, 255, 255}));  // between the glyphs
  EXPECT_EQ(at(12, 12), (Rgba{255, 255, 255, 255}));  // above the glyph
  EXPECT_EQ(at(12, 32), (Rgba{255, 255, 255, 255}));  // below the baseline
  EXPECT_EQ(at(62, 25), (Rgba{255, 0, 0, 255}));      // the second record, 50 pixels on
}

TEST(TextFont, EditTextTagFields) {
  EditTextSpec spec;
  spec.bounds = {-40, 2000, 0, 400};
  spec.word_wrap = spec.multiline = spec.password = spec.auto_size = spec.border = spec.html =
      spec.use_outlines = true;
  spec.font_id = 5;
  spec.has_color = true;
  spec.color = {1, 2, 3, 4};
  spec.max_length = 12;
  spec.has_layout = true;
  spec.align = 2;
  spec.left_margin = 20;
  spec.leading = -20;
  spec.variable = "v";
  spec.text = "<b>hi</b>";
  auto bytes = spec.Encode(4);
  auto t = ParseEditText(bytes.data(), bytes.size(), 8);
  EXPECT_TRUE(t->word_wrap && t->multiline && t->password && t->auto_size && t->border && t->html &&
              t->use_outlines);
  EXPECT_FALSE(t->read_only || t->no_select);
  EXPECT_EQ(t->bounds.xmin, -40);
  EXPECT_EQ(t->font_id, 5);
  EXPECT_EQ(t->color, (Rgba{1, 2, 3, 4}));
  EXPECT_EQ(t->max_length, 12);
  EXPECT_EQ(t->align, TextAlign::Center);
  EXPECT_EQ(t->left_margin, 20);
  EXPECT_EQ(t->leading, -20);
  EXPECT_EQ(t->variable, "v");
  EXPECT_EQ(t->initial_text, "<b>hi</b>");
  // The last string without its terminator is still read; anything shorter is an error.
  bytes.pop_back();
  EXPECT_EQ(ParseEditText(bytes.data(), bytes.size(), 8)->initial_text, "<b>hi</b>");
  EXPECT_THROW(ParseEditText(bytes.data(), 20, 8), FormatError);
}

// A stage of `w` by `h` pixels as the painter draws it.
struct Stage {
  std::vector<uint8_t> px;
  int w, h;
  Stage(const Player& p, int width, int height)
      : px(static_cast<size_t>(width) * height * 4), w(width), h(height) {
    PaintStage(p, {px.data(), w, h, w * 4}, {255, 255, 255, 255});
  }
  Rgba At(int x, int y) const {
    const uint8_t* q = &px[(static_cast<size_t>(y) * w + x) * 4];
    return {q[2], q[1], q[0], q[3]};
  }
};

TEST(TextFont, FieldsDrawBackgroundFrameGlyphsAndClipToTheirBox) {
  // A 40 by 30 pixel field at (10, 10) with a frame and background, embedded glyphs of 20
  // pixels: "a" is a 10 by 15 pixel box whose baseline lies one ascent (15) below the gutter.
  SwfWriter w(8, 100, 100, 12);
  w.DefineFont(5, SquareFont(2, false));
  EditTextSpec spec;
  spec.bounds = {0, 800, 0, 600};
  spec.border = spec.use_outlines = spec.multiline = true;
  spec.font_id = 5;
  spec.font_height = 400;
  spec.has_color = true;
  spec.color = {0, 0, 255, 255};
  spec.text = "aaaaa\ra\ra";  // wider and taller than the box
  w.DefineEditText(6, spec);
  w.Place(flashtest::MatrixPlace(1, 6, {1, 0, 0, 1, 200, 200}));
  w.ShowFrame();
  Player p;
  p.LoadBytes(0, w.Finish(false));
  Stage s(p, 100, 100);
  const Rgba black{0, 0, 0, 255}, white{255, 255, 255, 255}, blue{0, 0, 255, 255};
  EXPECT_EQ(s.At(10, 10), black);  // frame: top-left corner
  EXPECT_EQ(s.At(50, 10), black);  // the top edge reaches one pixel past the box
  EXPECT_EQ(s.At(50, 39), black);  // right edge
  EXPECT_EQ(s.At(10, 40), black);  // bottom edge
  EXPECT_EQ(s.At(50, 40), white);  // the bottom-right corner stays open
  EXPECT_EQ(s.At(11, 11), white);  // background inside the gutter
  EXPECT_EQ(s.At(9, 20), white);   // outside the field
  EXPECT_EQ(s.At(13, 14), blue);   // first glyph: x 12..22, y 12..27
  EXPECT_EQ(s.At(21, 26), blue);
  EXPECT_EQ(s.At(23, 20), blue);   // the second glyph follows one advance (10 pixels) on
  EXPECT_EQ(s.At(13, 29), white);  // between the lines
  EXPECT_EQ(s.At(13, 33), blue);   // second line starts 20 pixels lower, clipped at the box
  EXPECT_EQ(s.At(13, 42), white);  // below the box: clipped
  EXPECT_EQ(s.At(55, 20), white);  // right of the box: the overflowing glyphs are clipped
}

TEST(TextFont, DeviceFieldsStayUprightEmbeddedFieldsTurn) {
  // Two 20-pixel fields with frames, turned by 30 degrees about their top-left corners at
  // (20, 20) and (60, 60): the device field is drawn upright, the embedded one turned.
  SwfWriter w(8, 100, 100, 12);
  w.DefineFont(5, SquareFont(2, false));
  EditTextSpec spec;
  spec.bounds = {0, 400, 0, 400};
  spec.border = true;
  spec.text = "";
  w.DefineEditText(6, spec);
  spec.use_outlines = true;
  spec.font_id = 5;
  w.DefineEditText(7, spec);
  const double c = 0.8660254, s = 0.5;
  w.Place(flashtest::MatrixPlace(1, 6, {c, s, -s, c, 400, 400}));
  w.Place(flashtest::MatrixPlace(2, 7, {c, s, -s, c, 1200, 1200}));
  w.ShowFrame();
  Player p;
  p.LoadBytes(0, w.Finish(false));
  Stage st(p, 100, 100);
  const Rgba black{0, 0, 0, 255};
  EXPECT_EQ(st.At(20, 20), black);
  EXPECT_EQ(st.At(39, 20), black);  // the top edge runs level
  EXPECT_EQ(st.At(20, 39), black);  // the left edge runs straight down
  EXPECT_NE(st.At(79, 60), black);  // the embedded field's top edge climbs down to the right
  EXPECT_NE(st.At(60, 79), black);
}

}  // namespace
