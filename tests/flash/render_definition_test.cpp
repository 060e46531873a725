// Definition tags of shapes, morph shapes and bitmaps: what they parse into, and malformed
// input (truncation, corrupted bytes, out-of-range sizes) failing cleanly.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QBuffer>
#include <QImage>
#include <random>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/definition_parser.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/format/writer.h"

namespace {

using namespace flash;

// Shape-record writers on top of the movie writer's bit writer.
void StyleChange(BitWriter& w, bool move, int32_t x, int32_t y, int fill0, int fill1, int line,
                 int fill_bits, int line_bits, bool new_styles = false) {
  w.UB(0, 1);
  w.UB(new_styles, 1);
  w.UB(line >= 0, 1);
  w.UB(fill1 >= 0, 1);
  w.UB(fill0 >= 0, 1);
  w.UB(move, 1);
  if (move) {
    int n = std::max(BitWriter::SignedBits(x), BitWriter::SignedBits(y));
    w.UB(n, 5);
    w.SB(x, n);
    w.SB(y, n);
  }
  if (fill0 >= 0) w.UB(fill0, fill_bits);
  if (fill1 >= 0) w.UB(fill1, fill_bits);
  if (line >= 0) w.UB(line, line_bits);
}

void StraightEdge(BitWriter& w, int32_t dx, int32_t dy) {
  w.UB(1, 1);
  w.UB(1, 1);
  w.UB(14, 4);  // 16-bit deltas
  if (dx != 0 && dy != 0) {
    w.UB(1, 1);
    w.SB(dx, 16);
    w.SB(dy, 16);
  } else {
    w.UB(0, 1);
    w.UB(dx == 0, 1);
    w.SB(dx == 0 ? dy : dx, 16);
  }
}

void CurvedEdge(BitWriter& w, int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
  w.UB(1, 1);
  w.UB(0, 1);
  w.UB(14, 4);
  for (int32_t v : {cx, cy, ax, ay}) w.SB(v, 16);
}

void EndShape(BitWriter& w) {
  w.UB(0, 6);
  w.Flush();
}

// DefineShape3: a solid fill, a linear gradient, a red line; one path with a straight, a
// vertical and a curved edge, then a style change that switches fill 0 and keeps the rest.
std::vector<uint8_t> SampleShape3() {
  BitWriter w;
  w.U16(7);
  w.Rect({0, 1000, 0, 1000});
  w.U8(2);
  w.U8(0x00);
  w.RgbaColor({10, 20, 30, 40});
  w.U8(0x10);
  Matrix m;
  m.a = 0.5;
  m.d = 0.25;
  m.tx = 100;
  w.WriteMatrix(m);
  w.U8(0x40 | 0x10 | 2);  // reflect, linear RGB, two stops
  w.U8(0);
  w.RgbaColor({255, 0, 0, 255});
  w.U8(255);
  w.RgbaColor({0, 0, 255, 128});
  w.U8(1);
  w.U16(40);
  w.RgbaColor({255, 0, 0, 255});
  w.UB(2, 4);
  w.UB(1, 4);
  StyleChange(w, true, 100, 200, -1, 1, 1, 2, 1);
  StraightEdge(w, 300, 50);
  StraightEdge(w, 0, 300);
  CurvedEdge(w, -150, 10, -150, -10);
  StyleChange(w, false, 0, 0, 2, -1, -1, 2, 1);
  StraightEdge(w, -150, 0);
  EndShape(w);
  return w.Data();
}

std::shared_ptr<const ShapeDef> ParseShapeTag(uint16_t code, const std::vector<uint8_t>& body) {
  CharacterPtr out;
  EXPECT_TRUE(ParseDefinitionTag(code, body.data(), body.size(), {}, out));
  return std::dynamic_pointer_cast<const ShapeDef>(out);
}

TEST(DefinitionShape, StylesAndEdgesBecomePathsWithAbsoluteCoordinates) {
  auto s = ParseShapeTag(kTagDefineShape3, SampleShape3());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->id, 7);
  EXPECT_EQ(s->version, 3);
  EXPECT_EQ(s->bounds, (RectTwips{0, 1000, 0, 1000}));
  ASSERT_EQ(s->groups.size(), 1u);
  const ShapeGroup& g = s->groups[0];
  ASSERT_EQ(g.fill_styles.size(), 2u);
  EXPECT_EQ(g.fill_styles[0].color, (Rgba{10, 20, 30, 40}));
  const FillStyle& grad = g.fill_styles[1];
  EXPECT_EQ(grad.type, FillStyle::Type::LinearGradient);
  EXPECT_DOUBLE_EQ(grad.matrix.a, 0.5);
  EXPECT_DOUBLE_EQ(grad.matrix.d, 0.25);
  EXPECT_DOUBLE_EQ(grad.matrix.tx, 100);
  EXPECT_EQ(grad.gradient.spread, SpreadMode::Reflect);
  EXPECT_EQ(grad.gradient.interpolation, InterpolationMode::LinearRgb);
  ASSERT_EQ(grad.gradient.stops.size(), 2u);
  EXPECT_EQ(grad.gradient.stops[1].color, (Rgba{0, 0, 255, 128}));
  ASSERT_EQ(g.line_styles.size(), 1u);
  EXPECT_EQ(g.line_styles[0].width, 40);

  ASSERT_EQ(g.paths.size(), 2u);
  const ShapePath& p = g.paths[0];
  EXPECT_EQ(p.fill0, 0u);
  EXPECT_EQ(p.fill1, 1u);
  EXPECT_EQ(p.line, 1u);
  EXPECT_EQ(p.start_x, 100);
  EXPECT_EQ(p.start_y, 200);
  ASSERT_EQ(p.edges.size(), 3u);
  EXPECT_EQ(p.edges[0], (ShapeEdge{false, 0, 0, 400, 250}));
  EXPECT_EQ(p.edges[1], (ShapeEdge{false, 0, 0, 400, 550}));
  EXPECT_EQ(p.edges[2], (ShapeEdge{true, 250, 560, 100, 550}));
  // The style change keeps fill 1 and the line and starts where the pen is.
  const ShapePath& q = g.paths[1];
  EXPECT_EQ(q.fill0, 2u);
  EXPECT_EQ(q.fill1, 1u);
  EXPECT_EQ(q.line, 1u);
  EXPECT_EQ(q.start_x, 100);
  EXPECT_EQ(q.start_y, 550);
  EXPECT_EQ(q.edges[0].x, -50);
}

TEST(DefinitionShape, NewStylesStartAGroupAndResetTheStyles) {
  BitWriter w;
  w.U16(3);
  w.Rect({0, 100, 0, 100});
  w.U8(1);
  w.U8(0);
  w.Rgb({255, 0, 0, 255});
  w.U8(0);
  w.UB(2, 4);
  w.UB(0, 4);
  StyleChange(w, true, 0, 0, -1, 1, -1, 2, 0);
  // The style numbers of this record are read with the old bit counts and name the new table.
  StyleChange(w, false, 0, 0, -1, 2, -1, 2, 0, true);
  w.Flush();
  w.U8(2);
  w.U8(0);
  w.Rgb({0, 255, 0, 255});
  w.U8(0);
  w.Rgb({0, 0, 255, 255});
  w.U8(1);
  w.U16(20);
  w.Rgb({1, 2, 3, 255});
  w.UB(2, 4);
  w.UB(1, 4);
  StraightEdge(w, 0, 100);
  StyleChange(w, false, 0, 0, -1, -1, 1, 2, 1);
  StraightEdge(w, -100, 0);
  EndShape(w);
  auto s = ParseShapeTag(kTagDefineShape2, w.Data());
  ASSERT_TRUE(s);
  ASSERT_EQ(s->groups.size(), 2u);
  EXPECT_TRUE(s->groups[0].paths.empty());
  const ShapeGroup& g = s->groups[1];
  ASSERT_EQ(g.fill_styles.size(), 2u);
  EXPECT_EQ(g.fill_styles[1].color, (Rgba{0, 0, 255, 255}));
  ASSERT_EQ(g.paths.size(), 2u);
  EXPECT_EQ(g.paths[0].fill1, 2u);
  EXPECT_EQ(g.paths[1].line, 1u);
  EXPECT_EQ(g.paths[1].fill1, 2u);
}

TEST(DefinitionShape, Shape4ReadsWindingFlagAndExtendedLineStyles) {
  BitWriter w;
  w.U16(9);
  w.Rect({0, 100, 0, 100});
  w.Rect({10, 90, 10, 90});
  w.U8(0x04);  // non-zero winding
  w.U8(0);     // no fills
  w.U8(2);
  // Line 1: square start cap, miter join with limit 2.5, no horizontal scaling, no end cap.
  w.U16(60);
  w.UB(2, 2);
  w.UB(2, 2);
  w.UB(0, 1);
  w.UB(1, 1);
  w.UB(0, 1);
  w.UB(0, 1);
  w.UB(0, 5);
  w.UB(1, 1);
  w.UB(1, 2);
  w.U16(0x0280);
  w.RgbaColor({1, 2, 3, 4});
  // Line 2: round/bevel, filled with a solid style.
  w.U16(20);
  w.UB(0, 2);
  w.UB(1, 2);
  w.UB(1, 1);
  w.UB(0, 3);
  w.UB(0, 8);
  w.U8(0x00);
  w.RgbaColor({9, 8, 7, 6});
  w.UB(0, 4);
  w.UB(2, 4);
  EndShape(w);
  auto s = ParseShapeTag(kTagDefineShape4, w.Data());
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->non_zero_winding);
  EXPECT_EQ(s->edge_bounds, (RectTwips{10, 90, 10, 90}));
  ASSERT_EQ(s->groups[0].line_styles.size(), 2u);
  const LineStyle& a = s->groups[0].line_styles[0];
  EXPECT_EQ(a.start_cap, CapStyle::Square);
  EXPECT_EQ(a.end_cap, CapStyle::None);
  EXPECT_EQ(a.join, JoinStyle::Miter);
  EXPECT_DOUBLE_EQ(a.miter_limit, 2.5);
  EXPECT_TRUE(a.no_hscale);
  EXPECT_FALSE(a.no_vscale);
  EXPECT_TRUE(a.no_close);
  EXPECT_EQ(a.color, (Rgba{1, 2, 3, 4}));
  const LineStyle& b = s->groups[0].line_styles[1];
  EXPECT_EQ(b.join, JoinStyle::Bevel);
  EXPECT_TRUE(b.has_fill);
  EXPECT_EQ(b.fill.color, (Rgba{9, 8, 7, 6}));
}

TEST(DefinitionShape, BadStyleReferencesAndTypes) {
  // A style number beyond the table reads as none.
  BitWriter w;
  w.U16(1);
  w.Rect({0, 100, 0, 100});
  w.U8(1);
  w.U8(0);
  w.Rgb({1, 1, 1, 255});
  w.U8(0);
  w.UB(3, 4);
  w.UB(0, 4);
  StyleChange(w, true, 0, 0, 5, 1, -1, 3, 0);
  StraightEdge(w, 10, 10);
  EndShape(w);
  auto s = ParseShapeTag(kTagDefineShape, w.Data());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->groups[0].paths[0].fill0, 0u);
  EXPECT_EQ(s->groups[0].paths[0].fill1, 1u);

  // An unknown fill style type is an error: the bytes after it cannot be read.
  std::vector<uint8_t> body = SampleShape3();
  CharacterPtr out;
  BitWriter rect;
  rect.Rect({0, 1000, 0, 1000});
  size_t type_at = 2 + rect.Data().size() + 1;
  body[type_at] = 0x77;
  EXPECT_THROW(ParseDefinitionTag(kTagDefineShape3, body.data(), body.size(), {}, out),
               FormatError);
}

TEST(DefinitionShape, OtherTagsAreNotHandled) {
  CharacterPtr out;
  uint8_t byte = 0;
  EXPECT_FALSE(ParseDefinitionTag(1, &byte, 1, {}, out));
  EXPECT_FALSE(ParseDefinitionTag(kTagJpegTables, &byte, 1, {}, out));
  EXPECT_FALSE(out);
}

// ---- morph shapes ----

std::vector<uint8_t> SampleMorph(bool short_end, uint32_t offset_fudge = 0) {
  BitWriter end;
  end.UB(0, 4);
  end.UB(0, 4);
  StyleChange(end, true, 1000, 1000, -1, -1, -1, 0, 0);
  CurvedEdge(end, 100, 0, 100, 100);
  if (!short_end) StraightEdge(end, -200, 0);
  EndShape(end);

  BitWriter w;
  w.U16(4);
  w.Rect({0, 200, 0, 200});
  w.Rect({1000, 1200, 1000, 1200});
  BitWriter styles;
  styles.U8(1);
  styles.U8(0);
  styles.RgbaColor({255, 0, 0, 255});
  styles.RgbaColor({0, 0, 255, 255});
  styles.U8(1);
  styles.U16(20);
  styles.U16(60);
  styles.RgbaColor({0, 0, 0, 255});
  styles.RgbaColor({0, 0, 0, 0});
  styles.UB(1, 4);
  styles.UB(1, 4);
  StyleChange(styles, true, 0, 0, -1, 1, 1, 1, 1);
  StraightEdge(styles, 200, 0);
  StraightEdge(styles, 0, 200);
  EndShape(styles);
  const std::vector<uint8_t>& sb = styles.Data();
  w.U32(static_cast<uint32_t>(sb.size()) + offset_fudge);
  w.Bytes(sb);
  w.Bytes(end.Data());
  return w.Data();
}

TEST(DefinitionMorph, StartAndEndEdgesPairUpAndStraightMeetsCurve) {
  std::vector<uint8_t> body = SampleMorph(false);
  CharacterPtr out;
  ASSERT_TRUE(ParseDefinitionTag(kTagDefineMorphShape, body.data(), body.size(), {}, out));
  auto m = std::dynamic_pointer_cast<const MorphShapeDef>(out);
  ASSERT_TRUE(m);
  ASSERT_EQ(m->start_paths.size(), 1u);
  ASSERT_EQ(m->end_paths.size(), 1u);
  const ShapePath& a = m->start_paths[0];
  const ShapePath& b = m->end_paths[0];
  EXPECT_EQ(a.fill1, 1u);
  EXPECT_EQ(b.fill1, 1u);
  EXPECT_EQ(b.start_x, 1000);
  ASSERT_EQ(a.edges.size(), 2u);
  ASSERT_EQ(b.edges.size(), 2u);
  // The first start edge is straight, its partner curved: both become curves.
  EXPECT_TRUE(a.edges[0].curve);
  EXPECT_EQ(a.edges[0].cx, 100);
  EXPECT_EQ(a.edges[0].cy, 0);
  EXPECT_EQ(b.edges[0], (ShapeEdge{true, 1100, 1000, 1200, 1100}));
  EXPECT_FALSE(a.edges[1].curve);
  EXPECT_EQ(b.edges[1].x, 1000);

  ShapeDef half = m->Interpolate(0.5);
  const ShapeGroup& g = half.groups[0];
  EXPECT_EQ(g.fill_styles[0].color.r, 127);
  EXPECT_EQ(g.line_styles[0].width, 40);
  EXPECT_EQ(g.paths[0].start_x, 500);
  EXPECT_EQ(g.paths[0].edges[1].x, 600);
}

TEST(DefinitionMorph, MismatchedOrMisplacedEndEdgesAreErrors) {
  CharacterPtr out;
  std::vector<uint8_t> short_end = SampleMorph(true);
  EXPECT_THROW(
      ParseDefinitionTag(kTagDefineMorphShape, short_end.data(), short_end.size(), {}, out),
      FormatError);
  std::vector<uint8_t> far = SampleMorph(false, 100000);
  EXPECT_THROW(ParseDefinitionTag(kTagDefineMorphShape, far.data(), far.size(), {}, out),
               FormatError);
  // An offset that puts the end edges inside the start edges.
  BitWriter r1, r2;
  r1.Rect({0, 200, 0, 200});
  r2.Rect({1000, 1200, 1000, 1200});
  size_t at = 2 + r1.Data().size() + r2.Data().size();
  std::vector<uint8_t> bad = SampleMorph(false);
  bad[at] = 1;
  bad[at + 1] = bad[at + 2] = bad[at + 3] = 0;
  EXPECT_THROW(ParseDefinitionTag(kTagDefineMorphShape, bad.data(), bad.size(), {}, out),
               FormatError);
}

// ---- malformed input ----

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw, int level = Z_DEFAULT_COMPRESSION) {
  uLongf n = compressBound(raw.size());
  std::vector<uint8_t> out(n);
  compress2(out.data(), &n, raw.data(), raw.size(), level);
  out.resize(n);
  return out;
}

std::vector<uint8_t> LosslessTag(uint8_t format, uint16_t w, uint16_t h, int colors,
                                 const std::vector<uint8_t>& raw,
                                 int level = Z_DEFAULT_COMPRESSION) {
  std::vector<uint8_t> t = {1,
                            0,
                            format,
                            static_cast<uint8_t>(w),
                            static_cast<uint8_t>(w >> 8),
                            static_cast<uint8_t>(h),
                            static_cast<uint8_t>(h >> 8)};
  if (format == 3) t.push_back(static_cast<uint8_t>(colors - 1));
  std::vector<uint8_t> z = Zlib(raw, level);
  t.insert(t.end(), z.begin(), z.end());
  return t;
}

// Parses a definition and, for a bitmap, decodes its image (bitmaps are decoded when drawn).
void ParseAndDecode(uint16_t code, const std::vector<uint8_t>& body) {
  CharacterPtr out;
  ParseDefinitionTag(code, body.data(), body.size(), {}, out);
  if (auto bmp = std::dynamic_pointer_cast<const BitmapDef>(out)) bmp->Decode();
}

TEST(DefinitionMalformed, EveryTruncationAndRandomCorruptionFailsCleanly) {
  std::vector<std::pair<uint16_t, std::vector<uint8_t>>> samples = {
      {kTagDefineShape3, SampleShape3()},
      {kTagDefineMorphShape, SampleMorph(false)},
      {kTagDefineBitsLossless2,
       LosslessTag(5, 3, 2, 0, std::vector<uint8_t>(24, 200), 0)},  // stored
  };
  for (const auto& [code, body] : samples) {
    // The bitmap's zlib checksum (its last four bytes) is not needed to decode it.
    size_t complete = code == kTagDefineBitsLossless2 ? body.size() - 4 : body.size();
    for (size_t n = 0; n < complete; ++n) {
      std::vector<uint8_t> cut(body.begin(), body.begin() + n);
      EXPECT_THROW(ParseAndDecode(code, cut), FormatError)
          << "tag " << code << " cut to " << n << " bytes";
    }
  }
  std::mt19937 rng(1234);
  int parsed = 0, rejected = 0;
  for (int i = 0; i < 600; ++i) {
    const auto& [code, body] = samples[i % samples.size()];
    std::vector<uint8_t> bytes = body;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < flips; ++k)
      bytes[rng() % bytes.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    try {
      ParseAndDecode(code, bytes);
      ++parsed;
    } catch (const FormatError&) {
      ++rejected;
    }
  }
  EXPECT_EQ(parsed + rejected, 600);
}

// ---- bitmaps ----

std::shared_ptr<const BitmapDef> ParseBitmapTag(uint16_t code, const std::vector<uint8_t>& body,
                                                const std::vector<uint8_t>* tables = nullptr) {
  CharacterPtr out;
  DefinitionContext ctx;
  ctx.jpeg_tables = tables;
  EXPECT_TRUE(ParseDefinitionTag(code, body.data(), body.size(), ctx, out));
  return std::dynamic_pointer_cast<const BitmapDef>(out);
}

TEST(DefinitionBitmap, LosslessFormatsDecodeToPremultipliedBgra) {
  // Colour-mapped, 3 pixels wide: rows padded to 4 bytes; index 9 lies beyond the table.
  std::vector<uint8_t> raw = {255, 0, 0, 0, 0, 255};  // table: red, blue
  raw.insert(raw.end(), {0, 1, 9, 0xEE, 1, 0, 0, 0xEE});
  auto a = ParseBitmapTag(kTagDefineBitsLossless, LosslessTag(3, 3, 2, 2, raw));
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Decode().width, 3);
  EXPECT_EQ(a->Decode().height, 2);
  EXPECT_EQ(a->Decode().bgra_premultiplied,
            (std::vector<uint8_t>{0,   0, 255, 255, 255, 0, 0,   255, 0, 0, 0,   0,
                                  255, 0, 0,   255, 0,   0, 255, 255, 0, 0, 255, 255}));

  // Version 2 table entries carry alpha; colours above alpha are clamped to stay premultiplied.
  auto b = ParseBitmapTag(kTagDefineBitsLossless2,
                          LosslessTag(3, 1, 1, 1, {200, 50, 100, 100, 0, 0, 0, 0}));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Decode().bgra_premultiplied, (std::vector<uint8_t>{100, 50, 100, 100}));

  // 32-bit: version 1 ignores the first byte, version 2 takes it as alpha.
  auto c = ParseBitmapTag(kTagDefineBitsLossless, LosslessTag(5, 1, 1, 0, {0, 10, 20, 30}));
  EXPECT_EQ(c->Decode().bgra_premultiplied, (std::vector<uint8_t>{30, 20, 10, 255}));
  auto d = ParseBitmapTag(kTagDefineBitsLossless2, LosslessTag(5, 1, 1, 0, {128, 10, 20, 30}));
  EXPECT_EQ(d->Decode().bgra_premultiplied, (std::vector<uint8_t>{30, 20, 10, 128}));

  // 15-bit (big-endian 0RRRRRGGGGGBBBBB), rows padded to 4 bytes.
  auto e = ParseBitmapTag(kTagDefineBitsLossless, LosslessTag(4, 1, 1, 0, {0x7C, 0x1F, 0, 0}));
  EXPECT_EQ(e->Decode().bgra_premultiplied, (std::vector<uint8_t>{255, 0, 255, 255}));
}

TEST(DefinitionBitmap, LosslessRejectsBadSizesFormatsAndShortData) {
  auto expect_error = [&](uint16_t code, const std::vector<uint8_t>& body) {
    EXPECT_THROW(ParseAndDecode(code, body), FormatError);
  };
  expect_error(kTagDefineBitsLossless2, LosslessTag(5, 65535, 65535, 0, {1, 2, 3}));
  expect_error(kTagDefineBitsLossless2, LosslessTag(5, 8000, 8000, 0, {1, 2, 3}));
  expect_error(kTagDefineBitsLossless2, LosslessTag(5, 4, 4, 0, std::vector<uint8_t>(63, 1)));
  expect_error(kTagDefineBitsLossless2,
               LosslessTag(4, 1, 1, 0, {0, 0, 0, 0}));  // 15-bit only in version 1
  expect_error(kTagDefineBitsLossless, LosslessTag(7, 1, 1, 0, {0, 0, 0, 0}));
  std::vector<uint8_t> garbage = {1, 0, 5, 1, 0, 1, 0, 0x78, 0x9C, 0xFF, 0xFF, 0xFF};
  expect_error(kTagDefineBitsLossless, garbage);
}

QByteArray Encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, 95);
  return bytes;
}

QImage TestImage() {
  QImage image(16, 8, QImage::Format_RGB32);
  image.fill(QColor(200, 40, 40));
  for (int y = 0; y < 8; ++y)
    for (int x = 8; x < 16; ++x) image.setPixel(x, y, qRgb(40, 40, 200));
  return image;
}

void ExpectTestImage(const BitmapPixels& b, int alpha = 255) {
  ASSERT_EQ(b.width, 16);
  ASSERT_EQ(b.height, 8);
  const uint8_t* left = &b.bgra_premultiplied[(4 * 16 + 2) * 4];
  const uint8_t* right = &b.bgra_premultiplied[(4 * 16 + 13) * 4];
  EXPECT_NEAR(left[2], 200 * alpha / 255, 8);
  EXPECT_NEAR(left[0], 40 * alpha / 255, 8);
  EXPECT_NEAR(right[0], 200 * alpha / 255, 8);
  EXPECT_EQ(left[3], alpha);
}

std::vector<uint8_t> Bytes(const QByteArray& a) { return std::vector<uint8_t>(a.begin(), a.end()); }

std::vector<uint8_t> WithId(const std::vector<uint8_t>& body) {
  std::vector<uint8_t> t(body.size() + 2);
  t[0] = 2;  // character id 2
  std::copy(body.begin(), body.end(), t.begin() + 2);
  return t;
}

TEST(DefinitionBitmap, JpegWithBogusLeadingMarkersAndSeparateTables) {
  std::vector<uint8_t> jpeg = Bytes(Encode(TestImage(), "JPEG"));
  // Some encoders put an end-of-image/start-of-image pair in front.
  std::vector<uint8_t> quirky = {0xFF, 0xD9, 0xFF, 0xD8};
  quirky.insert(quirky.end(), jpeg.begin(), jpeg.end());
  auto a = ParseBitmapTag(kTagDefineBitsJpeg2, WithId(quirky));
  ASSERT_TRUE(a);
  ExpectTestImage(a->Decode());

  // Split the file into the movie's shared tables (quantisation and Huffman tables) and the
  // image proper, as DefineBits stores it.
  std::vector<uint8_t> tables = {0xFF, 0xD8}, image = {0xFF, 0xD8};
  size_t i = 2;
  while (i + 4 <= jpeg.size()) {
    uint8_t marker = jpeg[i + 1];
    size_t len = (jpeg[i + 2] << 8) | jpeg[i + 3];
    if (marker == 0xDA) {
      image.insert(image.end(), jpeg.begin() + i, jpeg.end());
      break;
    }
    auto& dst = (marker == 0xDB || marker == 0xC4) ? tables : image;
    dst.insert(dst.end(), jpeg.begin() + i, jpeg.begin() + i + 2 + len);
    i += 2 + len;
  }
  tables.insert(tables.end(), {0xFF, 0xD9});
  auto b = ParseBitmapTag(kTagDefineBits, WithId(image), &tables);
  ASSERT_TRUE(b);
  ExpectTestImage(b->Decode());
  // Without the tables the image cannot be decoded: the bitmap stays, empty.
  auto c = ParseBitmapTag(kTagDefineBits, WithId(image));
  ASSERT_TRUE(c);
  EXPECT_THROW(c->Decode(), FormatError);
  EXPECT_EQ(c->Pixels()->width, 0);
  EXPECT_TRUE(c->Pixels()->bgra_premultiplied.empty());
}

TEST(DefinitionBitmap, Jpeg3AlphaPremultipliesAndPngIsAccepted) {
  std::vector<uint8_t> jpeg = Bytes(Encode(TestImage(), "JPEG"));
  std::vector<uint8_t> body = {2, 0};
  uint32_t n = static_cast<uint32_t>(jpeg.size());
  body.insert(body.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)});
  body.insert(body.end(), jpeg.begin(), jpeg.end());
  std::vector<uint8_t> alpha = Zlib(std::vector<uint8_t>(16 * 8, 128));
  std::vector<uint8_t> with_alpha = body;
  with_alpha.insert(with_alpha.end(), alpha.begin(), alpha.end());
  auto a = ParseBitmapTag(kTagDefineBitsJpeg3, with_alpha);
  ASSERT_TRUE(a);
  ExpectTestImage(a->Decode(), 128);

  // Alpha data that ends early, and an image size beyond the tag, leave the bitmap without an
  // image instead of refusing the movie.
  std::vector<uint8_t> short_alpha = body;
  std::vector<uint8_t> few = Zlib(std::vector<uint8_t>(10, 128));
  short_alpha.insert(short_alpha.end(), few.begin(), few.end());
  auto s = ParseBitmapTag(kTagDefineBitsJpeg3, short_alpha);
  ASSERT_TRUE(s);
  EXPECT_THROW(s->Decode(), FormatError);
  EXPECT_EQ(s->Pixels()->width, 0);
  std::vector<uint8_t> oversize = with_alpha;
  oversize[5] = 0x7F;
  auto o = ParseBitmapTag(kTagDefineBitsJpeg3, oversize);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->Pixels()->width, 0);

  QImage rgba(16, 8, QImage::Format_ARGB32);
  rgba.fill(QColor(200, 40, 40, 255));
  for (int y = 0; y < 8; ++y)
    for (int x = 8; x < 16; ++x) rgba.setPixel(x, y, qRgba(40, 40, 200, 255));
  auto p = ParseBitmapTag(kTagDefineBitsJpeg2, WithId(Bytes(Encode(rgba, "PNG"))));
  ASSERT_TRUE(p);
  ExpectTestImage(p->Decode());

  auto junk =
      ParseBitmapTag(kTagDefineBitsJpeg2, WithId({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x40, 1, 2, 3}));
  ASSERT_TRUE(junk);
  EXPECT_THROW(junk->Decode(), FormatError);
  EXPECT_EQ(junk->Pixels()->width, 0);
}

}  // namespace
