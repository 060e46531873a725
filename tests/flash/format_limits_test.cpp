// Hostile and generated movies against the format layer's limits: errors that locate the tag and
// byte that failed, tag blocks cut short, compressed bodies that claim far more than they hold,
// bitmaps decoded when drawn under a budget, images that cannot be decoded, and the writer's long
// edges.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/inflate.h"
#include "platform/flash/format/movie.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/renderer/renderer.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"

using namespace flash;

namespace {

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw) {
  uLongf n = compressBound(raw.size());
  std::vector<uint8_t> out(n);
  compress2(out.data(), &n, raw.data(), raw.size(), Z_BEST_COMPRESSION);
  out.resize(n);
  return out;
}

// Where the first tag of a movie written by SwfWriter begins in the file.
size_t FirstTagOffset(const std::vector<uint8_t>& plain_movie) {
  SwfHeader h;
  return kMoviePrefixSize + ReadStageFields(plain_movie.data() + kMoviePrefixSize,
                                            plain_movie.size() - kMoviePrefixSize, h);
}

std::string ErrorOf(const std::vector<uint8_t>& movie) {
  try {
    ParseMovie(movie);
  } catch (const FormatError& e) {
    return e.what();
  }
  return "(no error)";
}

// A DefineBitsLossless2 body of `w` x `h` pixels of one premultiplied colour (A, R, G, B).
std::vector<uint8_t> LosslessBody(uint16_t id, int w, int h, std::array<uint8_t, 4> argb) {
  std::vector<uint8_t> raw;
  for (int i = 0; i < w * h; ++i) raw.insert(raw.end(), argb.begin(), argb.end());
  std::vector<uint8_t> body = {
      static_cast<uint8_t>(id),    static_cast<uint8_t>(id >> 8), 5,
      static_cast<uint8_t>(w),     static_cast<uint8_t>(w >> 8),  static_cast<uint8_t>(h),
      static_cast<uint8_t>(h >> 8)};
  auto z = Zlib(raw);
  body.insert(body.end(), z.begin(), z.end());
  return body;
}

const BitmapDef& BitmapOf(const MovieDef& m, uint16_t id) {
  const CharacterDef* c = m.Find(id);
  EXPECT_TRUE(c && c->kind == CharacterDef::Kind::Bitmap) << id;
  return static_cast<const BitmapDef&>(*c);
}

// Restores the cache budget when a test ends, also when it fails.
struct BudgetGuard {
  ~BudgetGuard() { SetDecodedBitmapBudget(size_t{256} << 20); }
};

}  // namespace

TEST(FormatErrors, NameTheTagAndTheByteWhereReadingFailed) {
  // A PlaceObject2 that announces a character and a matrix but ends after the character id.
  SwfWriter w(6, 100, 100, 12);
  w.Tag(kTagPlaceObject2, {0x06, 1, 0, 1, 0});
  w.ShowFrame();
  auto plain = w.Finish(false);
  size_t tag_at = FirstTagOffset(plain);
  std::string expected =
      "tag 26 at byte " + std::to_string(tag_at + 2 + 5) + ": unexpected end of data";
  EXPECT_EQ(ErrorOf(plain), expected);
  // The offset counts in the inflated movie, so a compressed copy says the same.
  EXPECT_EQ(ErrorOf(w.Finish(true)), expected);

  // Inside a sprite the inner tag is named, not the sprite.
  TimelineWriter sprite;
  sprite.Tag(kTagRemoveObject2, {7});  // a depth needs two bytes
  sprite.ShowFrame();
  SwfWriter s(6, 100, 100, 12);
  s.DefineSprite(3, sprite);
  s.ShowFrame();
  auto with_sprite = s.Finish(false);
  // Sprite tag header (long form: 6 bytes), id, frame count, then the inner tag's 2-byte header.
  size_t inner_data = FirstTagOffset(with_sprite) + 2 + 2 + 2 + 2;
  if (with_sprite[FirstTagOffset(with_sprite)] % 64 == 0x3F) inner_data += 4;
  EXPECT_EQ(ErrorOf(with_sprite),
            "tag 28 at byte " + std::to_string(inner_data) + ": unexpected end of data");

  // A definition names the byte of the bad value: here a fill style of an unknown type.
  BitWriter shape;
  shape.U16(1);
  shape.Rect({0, 200, 0, 200});
  size_t type_at = shape.Data().size() + 1;
  shape.U8(1);     // one fill style
  shape.U8(0x77);  // of no known type
  SwfWriter d(6, 100, 100, 12);
  d.Tag(kTagDefineShape3, shape.Data());
  auto bad_shape = d.Finish(false);
  EXPECT_EQ(ErrorOf(bad_shape), "tag 32 at byte " +
                                    std::to_string(FirstTagOffset(bad_shape) + 2 + type_at) +
                                    ": unknown fill style type 119");

  // A header cut inside its frame count.
  std::vector<uint8_t> header_only(plain.begin(), plain.begin() + static_cast<long>(tag_at - 1));
  header_only[4] = static_cast<uint8_t>(header_only.size());
  EXPECT_EQ(ErrorOf(header_only),
            "movie header at byte " + std::to_string(tag_at - 2) + ": unexpected end of data");

  // A player given such a movie stays empty.
  Player p;
  EXPECT_THROW(p.LoadBytes(0, plain), FormatError);
  EXPECT_EQ(p.TotalFrames(), 0);
}

TEST(FormatTolerance, TagsRunningPastTheirBlockAreCut) {
  // A sprite whose last tag claims more bytes than the sprite holds keeps its earlier frames and
  // the cut tag.
  TimelineWriter sprite;
  sprite.DoAction(flashtest::TraceCode("in sprite"));
  sprite.ShowFrame();
  sprite.ShowFrame();
  SwfWriter w(6, 100, 100, 12);
  w.DefineSprite(2, sprite);
  w.Place(flashtest::NewPlace(1, 2));
  w.ShowFrame();
  auto movie = w.Finish(false);
  // The sprite's own End tag becomes a long DoAction header whose length runs past the sprite.
  std::vector<uint8_t> cut = movie;
  size_t at = FirstTagOffset(cut);
  uint32_t sprite_len = cut[at] & 0x3F;
  size_t header = 2;
  if (sprite_len == 0x3F) {
    sprite_len = cut[at + 2] | cut[at + 3] << 8;
    header = 6;
  }
  size_t end_tag = at + header + sprite_len - 2;
  ASSERT_EQ(cut[end_tag], 0);
  ASSERT_EQ(cut[end_tag + 1], 0);
  cut[end_tag] = 0x01;  // DoAction, length 1 ... of which only the sprite's end remains
  cut[end_tag + 1] = 0x03;
  auto m = ParseMovie(cut);
  const auto* def = m->Find(2);
  ASSERT_TRUE(def);
  const auto& timeline = static_cast<const SpriteDef&>(*def).timeline;
  // Its two frames, then the cut tag in a last frame of its own; no End tag closed the sprite.
  EXPECT_EQ(timeline.frames.size(), 3u);
  EXPECT_TRUE(timeline.open_last_frame);
  EXPECT_FALSE(timeline.complete);
  Player p;
  p.LoadMovie(0, m);
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "in sprite\n");
}

TEST(FormatLimits, CompressedBodyGrowsWithWhatInflatesNotWithItsClaim) {
  // 73 bytes or so that claim a body of 500 MB.
  auto movie = flashtest::TracingMovie(1).Finish(true);
  uint32_t claim = 500u << 20;
  for (int i = 0; i < 4; ++i) movie[4 + i] = static_cast<uint8_t>(claim >> (8 * i));
  ASSERT_LT(movie.size(), 100u);
  auto m = ParseMovie(movie);
  EXPECT_LT(m->body->capacity(), size_t{1} << 20);
  EXPECT_EQ(m->header.file_length, claim);
  Player p;
  p.LoadMovie(0, m);
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "f1\n");
}

TEST(FormatLimits, InflateStopsAtItsLimitAndReportsHowItEnded) {
  std::vector<uint8_t> zeros(3u << 20, 0);
  auto packed = Zlib(zeros);
  InflateEnd end;
  auto capped = InflateUpTo(packed.data(), packed.size(), 1u << 20, &end);
  EXPECT_EQ(capped.size(), 1u << 20);
  EXPECT_EQ(end, InflateEnd::Limit);
  auto whole = InflateUpTo(packed.data(), packed.size(), 8u << 20, &end);
  EXPECT_EQ(whole, zeros);
  EXPECT_EQ(end, InflateEnd::StreamEnd);
  auto cut = InflateUpTo(packed.data(), packed.size() / 2, 8u << 20, &end);
  EXPECT_EQ(end, InflateEnd::InputEnd);
  EXPECT_LT(cut.size(), zeros.size());
  std::vector<uint8_t> garbage = packed;
  garbage[0] ^= 0xFF;
  InflateUpTo(garbage.data(), garbage.size(), 100, &end);
  EXPECT_EQ(end, InflateEnd::Corrupt);
  EXPECT_THROW(InflateExact(packed.data(), packed.size() / 2, zeros.size(), "test data"),
               FormatError);

  // Streamed through one-byte reads, the output is the same and arrives in bounded pieces.
  std::vector<uint8_t> text;
  for (int i = 0; i < 200000; ++i) text.push_back(static_cast<uint8_t>(i * 7 % 251));
  auto packed_text = Zlib(text);
  size_t pos = 0, largest_piece = 0;
  std::vector<uint8_t> streamed;
  uint64_t produced = 0;
  end = InflateStream(
      [&](uint8_t* buf, size_t) -> size_t {
        if (pos == packed_text.size()) return 0;
        *buf = packed_text[pos++];
        return 1;
      },
      [&](const uint8_t* d, size_t n) {
        largest_piece = std::max(largest_piece, n);
        streamed.insert(streamed.end(), d, d + n);
      },
      ~uint64_t{0}, &produced);
  EXPECT_EQ(end, InflateEnd::StreamEnd);
  EXPECT_EQ(streamed, text);
  EXPECT_EQ(produced, text.size());
  EXPECT_LE(largest_piece, 65536u);
}

TEST(FormatLimits, BitmapsAreDecodedWhenDrawnAndKeptUnderTheBudget) {
  BudgetGuard guard;
  SetDecodedBitmapBudget(size_t{256} << 20);
  size_t before = DecodedBitmapBytes();
  SwfWriter w(8, 100, 100, 12);
  w.Tag(kTagDefineBitsLossless2, LosslessBody(1, 64, 64, {255, 200, 0, 0}));
  w.Tag(kTagDefineBitsLossless2, LosslessBody(2, 64, 64, {255, 0, 200, 0}));
  w.Tag(kTagDefineBitsLossless2, LosslessBody(3, 64, 64, {255, 0, 0, 200}));
  w.ShowFrame();
  auto m = ParseMovie(w.Finish(true));
  EXPECT_EQ(DecodedBitmapBytes(), before) << "nothing is decoded while parsing";

  const size_t one = 64 * 64 * 4;
  SetDecodedBitmapBudget(before + 2 * one + one / 2);
  auto a = BitmapOf(*m, 1).Pixels();
  ASSERT_EQ(a->width, 64);
  EXPECT_EQ(a->bgra_premultiplied[2], 200);  // red
  BitmapOf(*m, 2).Pixels();
  EXPECT_EQ(DecodedBitmapBytes(), before + 2 * one);
  BitmapOf(*m, 1).Pixels();  // drawn again: now the most recent
  BitmapOf(*m, 3).Pixels();  // over budget: the least recently drawn (2) goes
  EXPECT_EQ(DecodedBitmapBytes(), before + 2 * one);
  // Pixels still held by a drawer stay valid after their cache entry went, and a dropped bitmap
  // decodes again to the same pixels.
  auto b = BitmapOf(*m, 2).Pixels();
  EXPECT_EQ(b->bgra_premultiplied[1], 200);  // green
  EXPECT_EQ(a->bgra_premultiplied[2], 200);
  EXPECT_LE(DecodedBitmapBytes(), before + 2 * one + one / 2);

  // A bitmap larger than the whole budget is still drawn (it alone stays).
  SetDecodedBitmapBudget(1);
  EXPECT_EQ(BitmapOf(*m, 3).Pixels()->bgra_premultiplied[0], 200);  // blue
  EXPECT_EQ(DecodedBitmapBytes(), one);
  // A movie going away takes its decoded bitmaps with it.
  m.reset();
  EXPECT_EQ(DecodedBitmapBytes(), 0u);
}

TEST(FormatLimits, BitmapFillsDrawTheSameAfterTheCacheDroppedThem) {
  BudgetGuard guard;
  SwfWriter w(8, 10, 10, 12);
  w.Tag(kTagDefineBitsLossless2, LosslessBody(1, 4, 4, {255, 10, 220, 30}));
  w.ShowFrame();
  auto m = ParseMovie(w.Finish(false));
  struct Lookup : CharacterLookup {
    const MovieDef* movie;
    const CharacterDef* Find(uint16_t id) const override { return movie->Find(id); }
  } lookup;
  lookup.movie = m.get();
  ShapeDef shape;
  ShapeGroup& g = shape.groups.emplace_back();
  FillStyle f;
  f.type = FillStyle::Type::NonSmoothedRepeatingBitmap;
  f.bitmap_id = 1;
  f.matrix.a = f.matrix.d = 20;
  g.fill_styles.push_back(f);
  ShapePath p;
  p.fill1 = 1;
  for (auto [x, y] : std::vector<std::pair<int, int>>{{200, 0}, {200, 200}, {0, 200}, {0, 0}}) {
    ShapeEdge e;
    e.x = x;
    e.y = y;
    p.edges.push_back(e);
  }
  g.paths.push_back(p);
  auto draw = [&] {
    std::vector<uint8_t> px(10 * 10 * 4);
    Renderer r({px.data(), 10, 10, 40}, Quality::High, &lookup);
    r.Clear({255, 255, 255, 255});
    Matrix to_pixels;
    to_pixels.a = to_pixels.d = 1 / 20.0;
    r.DrawShape(shape, to_pixels, ColorTransform());
    return px;
  };
  SetDecodedBitmapBudget(0);
  auto first = draw();
  EXPECT_EQ(first[(5 * 10 + 5) * 4 + 1], 220);
  EXPECT_EQ(draw(), first);
}

TEST(FormatTolerance, ImagesThatCannotBeDecodedLeaveTheirBitmapEmpty) {
  SwfWriter w(8, 100, 100, 12);
  w.Tag(kTagDefineBitsJpeg2, {1, 0, 0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x40, 1, 2, 3});  // broken JPEG
  w.Tag(kTagDefineBitsJpeg3, {2, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xD8});     // image past the tag
  w.Tag(kTagDefineBits, {3, 0});                                        // no image at all
  w.Tag(kTagDefineBitsJpeg2, {4, 0, 'G', 'I', 'F', '8', '9', 'a', 1});  // truncated GIF
  w.Tag(kTagDefineBitsJpeg2, {5, 0, 0x89, 'P', 'N', 'G', 13, 10});      // truncated PNG
  w.DoAction(flashtest::TraceCode("played"));
  w.ShowFrame();
  std::shared_ptr<MovieDef> m;
  ASSERT_NO_THROW(m = ParseMovie(w.Finish(false)));
  for (uint16_t id = 1; id <= 5; ++id) {
    SCOPED_TRACE(id);
    EXPECT_THROW(BitmapOf(*m, id).Decode(), FormatError);
    EXPECT_EQ(BitmapOf(*m, id).Pixels()->width, 0);
  }
  Player p;
  p.LoadMovie(0, m);
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "played\n");
}

namespace {

// Encodes a GIF of `rows` one-pixel rows, row y coloured from palette index y % 4 (index 3 is
// transparent through a graphic control block), optionally interlaced.
std::vector<uint8_t> MakeGif(int width, int rows, bool interlaced) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* f = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* d, int n) {
        auto* v = static_cast<std::vector<uint8_t>*>(g->UserData);
        v->insert(v->end(), d, d + n);
        return n;
      },
      &error);
  EXPECT_TRUE(f);
  GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(f, true);
  EGifPutScreenDesc(f, width, rows, 2, 0, map);
  GifByteType gce[4] = {1, 0, 0, 3};  // transparent index 3
  EGifPutExtension(f, GRAPHICS_EXT_FUNC_CODE, 4, gce);
  EGifPutImageDesc(f, 0, 0, width, rows, interlaced, nullptr);
  std::vector<GifPixelType> line(static_cast<size_t>(width));
  std::vector<int> order;
  if (interlaced) {
    for (int y = 0; y < rows; y += 8) order.push_back(y);
    for (int y = 4; y < rows; y += 8) order.push_back(y);
    for (int y = 2; y < rows; y += 4) order.push_back(y);
    for (int y = 1; y < rows; y += 2) order.push_back(y);
  } else {
    for (int y = 0; y < rows; ++y) order.push_back(y);
  }
  for (int y : order) {
    std::fill(line.begin(), line.end(), static_cast<GifPixelType>(y % 4));
    EGifPutLine(f, line.data(), width);
  }
  EGifCloseFile(f, &error);
  GifFreeMapObject(map);
  return out;
}

}  // namespace

TEST(FormatImages, GifInsideJpeg2DecodesRowsInOrderWithTransparency) {
  for (bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced);
    std::vector<uint8_t> body = {7, 0};
    auto gif = MakeGif(3, 9, interlaced);
    body.insert(body.end(), gif.begin(), gif.end());
    CharacterPtr out;
    ASSERT_TRUE(ParseDefinitionTag(kTagDefineBitsJpeg2, body.data(), body.size(), {}, out));
    BitmapPixels px = static_cast<const BitmapDef&>(*out).Decode();
    ASSERT_EQ(px.width, 3);
    ASSERT_EQ(px.height, 9);
    for (int y = 0; y < 9; ++y) {
      const uint8_t* p = &px.bgra_premultiplied[static_cast<size_t>(y) * 3 * 4 + 4];
      switch (y % 4) {
        case 0:
          EXPECT_EQ(p[2], 255) << y;
          EXPECT_EQ(p[3], 255);
          break;
        case 1:
          EXPECT_EQ(p[1], 255) << y;
          EXPECT_EQ(p[3], 255);
          break;
        case 2:
          EXPECT_EQ(p[0], 255) << y;
          EXPECT_EQ(p[3], 255);
          break;
        case 3:
          EXPECT_EQ(p[3], 0) << y;
          EXPECT_EQ(p[2], 0);
          break;
      }
    }
  }
}

TEST(FormatWriter, EdgesLongerThanTheirBitFieldAreSplit) {
  // A stage 5000 px wide: its outline's straight edges are 100000 twips, beyond the 17-bit field,
  // and one curve spans it too.
  const int32_t W = 5000 * 20, H = 300 * 20;
  SwfWriter w(8, 5000, 300, 12);
  ShapeBuilder shape;
  int fill = shape.AddFill(FillStyleSpec::Solid({0, 0, 255, 255}));
  shape.SetStyle(0, fill, 0);
  shape.MoveTo(0, 0);
  shape.LineTo(W, 0);
  shape.LineTo(W, H);
  shape.CurveTo(W / 2, H + 2000, 0, H);
  shape.LineTo(0, 0);
  w.DefineShape(1, shape);
  w.Place(flashtest::NewPlace(1, 1));
  w.ShowFrame();
  std::shared_ptr<MovieDef> m;
  ASSERT_NO_THROW(m = ParseMovie(w.Finish(false)));
  const auto* def = m->Find(1);
  ASSERT_TRUE(def && def->kind == CharacterDef::Kind::Shape);
  const auto& s = static_cast<const ShapeDef&>(*def);
  ASSERT_EQ(s.groups.size(), 1u);
  ASSERT_EQ(s.groups[0].paths.size(), 1u);
  const ShapePath& path = s.groups[0].paths[0];
  // Every corner is reached exactly and the outline closes.
  std::vector<std::pair<int32_t, int32_t>> corners;
  for (const ShapeEdge& e : path.edges) corners.emplace_back(e.x, e.y);
  auto has = [&](int32_t x, int32_t y) {
    return std::find(corners.begin(), corners.end(), std::make_pair(x, y)) != corners.end();
  };
  EXPECT_TRUE(has(W, 0));
  EXPECT_TRUE(has(W, H));
  EXPECT_TRUE(has(0, H));
  EXPECT_EQ(corners.back(), std::make_pair(0, 0));
  EXPECT_GT(path.edges.size(), 4u);

  // Drawn at a fiftieth of its size, the far right of the stage is covered too.
  Player p;
  p.LoadMovie(0, m);
  std::vector<uint8_t> px(100 * 6 * 4);
  PaintStage(p, {px.data(), 100, 6, 400}, {255, 255, 255, 255});
  const uint8_t* right = &px[(3 * 100 + 98) * 4];
  EXPECT_EQ(right[0], 255);
  EXPECT_EQ(right[2], 0);
}
