// LZW coding: code sizes, sub-blocks, the table-full reset, round trips
// through our decoder and giflib, and damaged data.
#include <gtest/gtest.h>

#include <random>

#include "imaging/gif_lzw.h"
#include "platform/classlib/exceptions.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumicast;
using namespace classlib;

namespace {

// Bottom-up padded rows from top-first pixel values.
std::vector<uint8_t> PackRows(const std::vector<uint8_t>& Pixels, int W, int H, int Bits) {
  const int64_t rb = DIBRowBytes(W, Bits);
  std::vector<uint8_t> rows(static_cast<size_t>(rb * H), 0);
  for (int y = 0; y < H; ++y) {
    uint8_t* r = rows.data() + (H - 1 - y) * rb;
    for (int x = 0; x < W; ++x) {
      uint8_t v = Pixels[static_cast<size_t>(y) * W + x];
      if (Bits == 8)
        r[x] = v;
      else if (Bits == 4)
        r[x >> 1] |= (x & 1) ? v : (v << 4);
      else
        r[x >> 3] |= (v & 1) << (7 - (x & 7));
    }
  }
  return rows;
}

TBitmapInfoHeader Header(int W, int H, int Bits) {
  TBitmapInfoHeader h;
  h.biWidth = W;
  h.biHeight = H;
  h.biBitCount = static_cast<uint16_t>(Bits);
  return h;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& Pixels, int W, int H, int Bits,
                            bool Interlaced = false) {
  std::vector<uint8_t> rows = PackRows(Pixels, W, H, Bits);
  std::vector<uint8_t> out;
  GIFEncodeLZW(out, Header(W, H, Bits), Interlaced, nullptr, rows.data());
  return out;
}

// Decodes with our decoder back into top-first pixel values.
std::vector<uint8_t> Decode(const std::vector<uint8_t>& Data, int W, int H, int Bits,
                            bool Interlaced, bool& Corrupted, bool Tolerant = false) {
  const int64_t rb = DIBRowBytes(W, Bits);
  std::vector<uint8_t> rows(static_cast<size_t>(rb * H), 0);
  Corrupted = false;
  GIFDecodeLZW(Data.data(), Data.size(), Header(W, H, Bits), Interlaced, nullptr, Corrupted,
               rows.data(), Bits, Tolerant);
  std::vector<uint8_t> px(static_cast<size_t>(W) * H);
  for (int y = 0; y < H; ++y) {
    const uint8_t* r = rows.data() + (H - 1 - y) * rb;
    for (int x = 0; x < W; ++x) {
      uint8_t v = Bits == 8   ? r[x]
                  : Bits == 4 ? ((x & 1) ? (r[x >> 1] & 15) : (r[x >> 1] >> 4))
                              : ((r[x >> 3] >> (7 - (x & 7))) & 1);
      px[static_cast<size_t>(y) * W + x] = v;
    }
  }
  return px;
}

// A one-frame GIF around LZW data, for giflib.
std::vector<uint8_t> WrapGif(const std::vector<uint8_t>& Lzw, int W, int H, int Bits,
                             bool Interlaced) {
  std::vector<uint8_t> g = {'G',
                            'I',
                            'F',
                            '8',
                            '9',
                            'a',
                            static_cast<uint8_t>(W),
                            static_cast<uint8_t>(W >> 8),
                            static_cast<uint8_t>(H),
                            static_cast<uint8_t>(H >> 8),
                            static_cast<uint8_t>(0x80 | ((Bits - 1) << 4) | (Bits - 1)),
                            0,
                            0};
  for (int i = 0; i < (1 << Bits); ++i) {
    g.push_back(static_cast<uint8_t>(i));
    g.push_back(static_cast<uint8_t>(i * 7));
    g.push_back(static_cast<uint8_t>(255 - i));
  }
  g.insert(g.end(), {0x2C, 0, 0, 0, 0, static_cast<uint8_t>(W), static_cast<uint8_t>(W >> 8),
                     static_cast<uint8_t>(H), static_cast<uint8_t>(H >> 8),
                     static_cast<uint8_t>(Interlaced ? 0x40 : 0)});
  g.insert(g.end(), Lzw.begin(), Lzw.end());
  g.push_back(0x3B);
  return g;
}

std::vector<uint8_t> RandomPixels(int N, int Levels, uint32_t Seed) {
  std::mt19937 rng(Seed);
  std::vector<uint8_t> px(static_cast<size_t>(N));
  for (auto& p : px) p = static_cast<uint8_t>(rng() % Levels);
  return px;
}

}  // namespace

TEST(GifLzw, MinimumCodeSizeAndFirstCodesPerBitCount) {
  struct Case {
    int bits, min, clear;
  };
  for (Case c : {Case{1, 2, 4}, Case{4, 4, 16}, Case{8, 8, 256}}) {
    std::vector<uint8_t> px = RandomPixels(64, 1 << c.bits, 7);
    std::vector<uint8_t> data = Encode(px, 8, 8, c.bits);
    ASSERT_EQ(data[0], c.min) << c.bits;
    auto codes = giftest::ReadCodes(data);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front().first, c.clear);
    EXPECT_EQ(codes.back().first, c.clear + 1);  // end code
    bool corrupted;
    EXPECT_EQ(Decode(data, 8, 8, c.bits, false, corrupted), px);
    EXPECT_FALSE(corrupted);
  }
}

TEST(GifLzw, OneColourRowStaysWithinNineBitsAndFullSubBlocks) {
  std::vector<uint8_t> px(255, 42);
  std::vector<uint8_t> data = Encode(px, 255, 1, 8);
  for (auto [code, bits] : giftest::ReadCodes(data)) EXPECT_LE(bits, 9);

  // A large noisy frame: every sub-block but the last holds 255 bytes and the
  // run ends with the empty sub-block.
  std::vector<uint8_t> noise = RandomPixels(200 * 100, 256, 3);
  std::vector<uint8_t> big = Encode(noise, 200, 100, 8);
  std::vector<int> lengths = giftest::SubBlockLengths(big);
  ASSERT_GE(lengths.size(), 3u);
  EXPECT_EQ(lengths.back(), 0);
  for (size_t i = 0; i + 2 < lengths.size(); ++i) EXPECT_EQ(lengths[i], 255) << i;
  EXPECT_GT(lengths[lengths.size() - 2], 0);
}

TEST(GifLzw, TableResetsBeforeTwelveBitsOverflowAndCodesNarrowAgain) {
  std::vector<uint8_t> noise = RandomPixels(300 * 100, 256, 11);
  std::vector<uint8_t> data = Encode(noise, 300, 100, 8);
  auto codes = giftest::ReadCodes(data);
  int clears = 0;
  int max_bits = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    max_bits = std::max(max_bits, codes[i].second);
    if (codes[i].first == 256) {
      ++clears;
      if (i > 0) {
        EXPECT_EQ(codes[i].second, 12);  // sent at the full width
        ASSERT_LT(i + 1, codes.size());
        EXPECT_EQ(codes[i + 1].second, 9);  // and the next code is narrow again
      }
    }
  }
  EXPECT_GT(clears, 1);
  EXPECT_EQ(max_bits, 12);
  // First 10-bit code right after 254 codes (creation of code 512).
  int first10 = -1;
  for (size_t i = 0; i < codes.size(); ++i)
    if (codes[i].second == 10) {
      first10 = static_cast<int>(i);
      break;
    }
  EXPECT_EQ(first10, 1 + 255);  // clear, then 255 nine-bit codes
  bool corrupted;
  EXPECT_EQ(Decode(data, 300, 100, 8, false, corrupted), noise);
  auto g = giftest::DecodeWithGiflib(WrapGif(data, 300, 100, 8, false));
  ASSERT_TRUE(g.Ok) << g.Error;
  EXPECT_EQ(g.Frames[0].Indices, noise);
}

TEST(GifLzw, ResetOnTheLastPixelIsFollowedOnlyByTheEndCode) {
  // Search for a noise length whose table fills exactly on the last pixel.
  std::vector<uint8_t> noise = RandomPixels(40000, 256, 5);
  std::vector<uint8_t> full = Encode(noise, 40000, 1, 8);
  auto codes = giftest::ReadCodes(full);
  // Pixels consumed up to the second clear code.
  int pixels = 0, second_clear = -1;
  {
    // Decode code by code counting pixels with a small table model.
    std::vector<int> len(4096, 1);
    int next = 258, prev = -1;
    for (size_t i = 1; i < codes.size(); ++i) {
      int c = codes[i].first;
      if (c == 256) {
        second_clear = static_cast<int>(i);
        break;
      }
      int l = c < 256 ? 1 : (c == next ? len[prev] + 1 : len[c]);
      if (prev >= 0 && next < 4096) len[next++] = len[prev] + 1;
      pixels += l;
      prev = c;
    }
  }
  ASSERT_GT(second_clear, 0);
  std::vector<uint8_t> cut(noise.begin(), noise.begin() + pixels);
  std::vector<uint8_t> data = Encode(cut, pixels, 1, 8);
  auto c2 = giftest::ReadCodes(data);
  ASSERT_GE(c2.size(), 2u);
  EXPECT_EQ(c2[c2.size() - 2].first, 256);
  EXPECT_EQ(c2.back().first, 257);
  bool corrupted;
  EXPECT_EQ(Decode(data, pixels, 1, 8, false, corrupted), cut);
}

TEST(GifLzw, RoundTripsAllDepthsAndInterlaceThroughGiflib) {
  for (int bits : {1, 4, 8}) {
    for (bool interlaced : {false, true}) {
      for (auto [w, h] : {std::pair{1, 1}, std::pair{13, 7}, std::pair{97, 33}}) {
        // Mixed runs and noise.
        std::vector<uint8_t> px =
            RandomPixels(w * h, 1 << bits, static_cast<uint32_t>(w * 31 + bits));
        for (size_t i = 0; i < px.size() / 2; ++i)
          px[i] = static_cast<uint8_t>((i / 17) % (1 << bits));
        std::vector<uint8_t> data = Encode(px, w, h, bits, interlaced);
        bool corrupted;
        EXPECT_EQ(Decode(data, w, h, bits, interlaced, corrupted), px) << bits << " " << w;
        auto g = giftest::DecodeWithGiflib(WrapGif(data, w, h, bits == 1 ? 1 : bits, interlaced));
        ASSERT_TRUE(g.Ok) << g.Error;
        EXPECT_EQ(g.Frames[0].Indices, px) << bits << " " << w << "x" << h << " " << interlaced;
      }
    }
  }
}

TEST(GifLzw, InterlacedRowOrderVisitsEveryRowOnce) {
  for (int h : {1, 2, 3, 5, 8, 9, 17}) {
    std::vector<int> rows;
    for (TGIFRowOrder o(h, true); !o.Done(); o.Next()) rows.push_back(o.Current());
    ASSERT_EQ(static_cast<int>(rows.size()), h);
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < h; ++i) EXPECT_EQ(sorted[i], i);
    if (h == 9) {
      EXPECT_EQ(rows, (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7}));
    }
  }
}

TEST(GifLzw, DamagedDataRaisesOrIsMarkedInTolerantMode) {
  std::vector<uint8_t> px = RandomPixels(16 * 16, 256, 9);
  std::vector<uint8_t> data = Encode(px, 16, 16, 8);
  bool corrupted;

  for (uint8_t bad : {uint8_t(1), uint8_t(10), uint8_t(0), uint8_t(255)}) {
    std::vector<uint8_t> d = data;
    d[0] = bad;
    EXPECT_THROW(Decode(d, 16, 16, 8, false, corrupted), EInvalidGraphicOperation);
    try {
      Decode(d, 16, 16, 8, false, corrupted);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "GIF code size not in range 2 to 9");
    }
    EXPECT_NO_THROW(Decode(d, 16, 16, 8, false, corrupted, true));
    EXPECT_TRUE(corrupted);
  }

  // A code beyond the next free one: "clear, 0, 300".
  std::vector<uint8_t> forward = {8, 4, 0, 0, 0, 0, 0};
  uint32_t acc = 256 | (0 << 9) | (300u << 18);
  forward[2] = static_cast<uint8_t>(acc);
  forward[3] = static_cast<uint8_t>(acc >> 8);
  forward[4] = static_cast<uint8_t>(acc >> 16);
  forward[5] = static_cast<uint8_t>(acc >> 24);
  EXPECT_THROW(Decode(forward, 4, 4, 8, false, corrupted), EInvalidGraphicOperation);
  EXPECT_NO_THROW(Decode(forward, 4, 4, 8, false, corrupted, true));
  EXPECT_TRUE(corrupted);

  // Truncated data: what arrived is kept, the rest stays 0, nothing read beyond.
  std::vector<uint8_t> cut(data.begin(), data.begin() + 40);
  std::vector<uint8_t> got = Decode(cut, 16, 16, 8, false, corrupted);
  EXPECT_EQ(got[0], px[0]);
  EXPECT_EQ(got.back(), 0);
  // A sub-block length running past the end.
  std::vector<uint8_t> over = {8, 200, 1, 2, 3};
  EXPECT_NO_THROW(Decode(over, 4, 4, 8, false, corrupted, true));
  std::vector<uint8_t> empty;
  EXPECT_THROW(Decode(empty, 4, 4, 8, false, corrupted), Exception);
}

TEST(GifLzw, ProgressRunsFromStartToEndAndAbortStopsTheEncoder) {
  std::vector<uint8_t> px = RandomPixels(10 * 10, 16, 1);
  std::vector<uint8_t> rows = PackRows(px, 10, 10, 4);
  std::vector<int> seen;
  std::vector<uint8_t> out;
  GIFEncodeLZW(
      out, Header(10, 10, 4), false,
      [&](TProgressStage s, uint8_t p, const std::string&) { seen.push_back(s * 1000 + p); },
      rows.data());
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), psStarting * 1000);
  EXPECT_EQ(seen.back(), psEnding * 1000 + 100);

  std::string ending_msg;
  int rows_seen = 0;
  std::vector<uint8_t> out2;
  EXPECT_THROW(GIFEncodeLZW(
                   out2, Header(10, 10, 4), false,
                   [&](TProgressStage s, uint8_t, const std::string& m) {
                     if (s == psRunning && ++rows_seen == 3) throw EAbort("stop");
                     if (s == psEnding) ending_msg = m;
                   },
                   rows.data()),
               EAbort);
  EXPECT_EQ(ending_msg, "stop");
}
