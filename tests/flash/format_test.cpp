// The movie format: bit reader limits, writer/reader round trips, compressed movies, and
// malformed input that must fail cleanly.
#include <gtest/gtest.h>

#include <random>

#include "platform/flash/format/movie.h"
#include "platform/flash/format/reader.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"

using namespace flash;

TEST(FlashReader, BitFieldsAndBounds) {
  const uint8_t bytes[] = {0b10110000, 0xFF, 0x01, 0x02};
  Reader r(bytes, sizeof bytes);
  EXPECT_EQ(r.UB(1), 1u);
  EXPECT_EQ(r.SB(3), 0b011);
  EXPECT_EQ(r.U8(), 0xFF);  // byte reads drop the partial byte
  EXPECT_EQ(r.U16(), 0x0201);
  EXPECT_THROW(r.U8(), FormatError);
  Reader s(bytes, 1);
  EXPECT_THROW(s.UB(9), FormatError);
  const uint8_t neg[] = {0b11100000};
  Reader t(neg, 1);
  EXPECT_EQ(t.SB(3), -1);
  const uint8_t unterminated[] = {'a', 'b'};
  Reader u(unterminated, 2);
  EXPECT_THROW(u.CString(), FormatError);
}

TEST(FlashReader, MatrixAndColorTransformRoundTrip) {
  BitWriter w;
  Matrix m{1.5, 0.25, -0.5, 2, 200, -340};
  ColorTransform cx;
  cx.r_mult = 128;
  cx.a_add = -20;
  cx.g_add = 255;
  w.WriteMatrix(m);
  w.WriteColorTransform(cx, true);
  w.Rect({-20, 400, 0, 300});
  auto bytes = w.Data();
  Reader r(bytes.data(), bytes.size());
  EXPECT_EQ(r.ReadMatrix(), m);
  EXPECT_EQ(r.ReadColorTransform(true), cx);
  EXPECT_EQ(r.Rect(), (RectTwips{-20, 400, 0, 300}));
  EXPECT_TRUE(r.AtEnd());
}

TEST(FlashMovie, CompressedEqualsPlain) {
  SwfWriter w = flashtest::TracingMovie(3);
  w.FrameLabel("end");
  w.ShowFrame();
  auto plain = ParseMovie(w.Finish(false));
  auto packed = ParseMovie(w.Finish(true));
  EXPECT_EQ(plain->header.signature, 'F');
  EXPECT_EQ(packed->header.signature, 'C');
  EXPECT_EQ(plain->header.frame_size, packed->header.frame_size);
  EXPECT_EQ(plain->header.frame_count, 4);
  EXPECT_EQ(packed->timeline.frames.size(), 4u);
  EXPECT_EQ(packed->timeline.FrameOfLabel("END"), 3);
  // The header keeps both the inflated length and the length of the file as stored.
  EXPECT_EQ(packed->header.stored_length, w.Finish(true).size());
  EXPECT_EQ(plain->header.stored_length, plain->header.file_length);
  EXPECT_LT(packed->header.stored_length, packed->header.file_length);
  // Both play the same.
  Player a, b;
  a.LoadMovie(0, plain);
  b.LoadMovie(0, packed);
  for (int i = 0; i < 4; ++i) {
    a.Tick();
    b.Tick();
  }
  EXPECT_EQ(a.trace_log, b.trace_log);
  EXPECT_EQ(a.trace_log.size(), 3u);  // the labelled last frame has no script
}

TEST(FlashMovie, RejectsMalformedFiles) {
  EXPECT_THROW(ParseMovie({}), FormatError);
  EXPECT_THROW(ParseMovie({'X', 'W', 'S', 6, 0, 0, 0, 0}), FormatError);
  auto good = flashtest::TracingMovie(2).Finish(false);
  // Cut inside the last tags: a tag that runs past the end is cut or refused, never read past.
  for (size_t cut = 8; cut < good.size() - 2; ++cut) {
    std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<long>(cut));
    try {
      auto m = ParseMovie(part);
      EXPECT_LE(m->timeline.frames.size(), 2u);
    } catch (const FormatError&) {
    }
  }
  // A tag declaring a huge length is cut at the end of the movie: the frames before it stay.
  std::vector<uint8_t> big = good;
  big.insert(big.end() - 2, {0x3F, 0x03, 0xFF, 0xFF, 0xFF, 0x7F});
  big[4] = static_cast<uint8_t>(big.size());  // the declared length covers the new tag
  EXPECT_EQ(ParseMovie(big)->timeline.frames.size(), ParseMovie(good)->timeline.frames.size() + 1);
  // A compressed movie whose data is garbage.
  auto packed = flashtest::TracingMovie(2).Finish(true);
  for (size_t i = 12; i < packed.size(); ++i) packed[i] ^= 0x5A;
  try {
    ParseMovie(packed);
  } catch (const FormatError&) {
  }
}

// Random mutations of generated movies must load or fail cleanly, and play without crashing.
TEST(FlashMovie, SurvivesMutations) {
  SwfWriter w(6, 50, 50, 12);
  ShapeBuilder shape;
  int red = shape.AddFill(FillStyleSpec::Solid({255, 0, 0, 255}));
  int line = shape.AddLine({40, {0, 0, 255, 255}});
  shape.Rectangle(0, 0, 400, 400, red, line);
  w.DefineShape(1, shape);
  TimelineWriter sprite;
  sprite.Place(flashtest::NewPlace(1, 1));
  sprite.DoAction(
      ActionBuilder().PushString("x").PushInt(3).Op(0x1D).PushString("x").Op(0x1C).Trace().Build());
  sprite.ShowFrame();
  sprite.ShowFrame();
  w.DefineSprite(2, sprite);
  w.Place(flashtest::NewPlace(1, 2, "clip"));
  w.FrameLabel("a");
  w.DoAction(ActionBuilder().GotoLabel("a").Play().Build());
  w.ShowFrame();
  w.Remove(1);
  w.ShowFrame();
  const auto seed_plain = w.Finish(false);
  const auto seed_packed = w.Finish(true);
  std::mt19937 rng(4242);
  int loaded = 0;
  for (int i = 0; i < 400; ++i) {
    auto bytes = (i % 4 == 3) ? seed_packed : seed_plain;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = 8 + rng() % (bytes.size() - 8);
      switch (rng() % 3) {
        case 0: bytes[at] = static_cast<uint8_t>(rng()); break;
        case 1: bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
        case 2: bytes.resize(at); break;
      }
      if (bytes.size() <= 8) break;
    }
    Player p;
    try {
      p.LoadBytes(0, bytes);
      ++loaded;
    } catch (const FormatError&) {
      EXPECT_EQ(p.TotalFrames(), 0);
      continue;
    }
    for (int t = 0; t < 4; ++t) p.Tick();
    std::vector<uint8_t> pixels(50 * 50 * 4);
    PaintStage(p, {pixels.data(), 50, 50, 200}, {255, 255, 255, 255});
  }
  EXPECT_GT(loaded, 0);
}
