// Embedded video: streams encoded here with FFmpeg's encoders (Sorenson H.263, screen video),
// placed in movies and drawn with the timeline; gotos, corrupt frames and hostile stream tags.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
}

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <limits>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"
#include "platform/flash/video/internal/frame_picture.h"
#include "platform/flash/video/video_decoder.h"
#include "tests/flash/video_encode_support.h"
#include "tests/support/test_app.h"

namespace {

using namespace flash;

using flashtest::Encode;
using flashtest::kH;
using flashtest::kW;

std::vector<uint8_t> StreamTag(uint16_t id, uint16_t frames, uint16_t w, uint16_t h,
                               uint8_t codec) {
  BitWriter b;
  b.U16(id);
  b.U16(frames);
  b.U16(w);
  b.U16(h);
  b.U8(0);
  b.U8(codec);
  return b.Data();
}

std::vector<uint8_t> FrameTag(uint16_t id, uint16_t n, const std::vector<uint8_t>& data) {
  BitWriter b;
  b.U16(id);
  b.U16(n);
  b.Bytes(data);
  return b.Data();
}

// A movie showing video frame n in timeline frame n.
std::vector<uint8_t> VideoMovie(uint8_t codec, const std::vector<std::vector<uint8_t>>& frames,
                                uint16_t declared_w = kW, uint16_t declared_h = kH,
                                uint16_t declared_frames = 0) {
  SwfWriter w(8, kW, kH, 12);
  w.Tag(kTagDefineVideoStream,
        StreamTag(1, declared_frames ? declared_frames : static_cast<uint16_t>(frames.size()),
                  declared_w, declared_h, codec));
  for (size_t n = 0; n < frames.size(); ++n) {
    w.Tag(kTagVideoFrame, FrameTag(1, static_cast<uint16_t>(n), frames[n]));
    PlaceSpec p;
    p.depth = 1;
    p.ratio = static_cast<int>(n);
    if (n == 0)
      p.character_id = 1;
    else
      p.move = true;
    w.Place(p);
    w.ShowFrame();
  }
  return w.Finish(false);
}

Rgba Centre(const Player& p) {
  std::vector<uint8_t> px(kW * kH * 4);
  PaintStage(p, {px.data(), kW, kH, kW * 4}, {255, 255, 255, 255});
  const uint8_t* c = &px[(static_cast<size_t>(kH / 2) * kW + kW / 2) * 4];
  return {c[2], c[1], c[0], c[3]};
}

void ExpectColour(Rgba got, Rgba want, int tolerance, const std::string& what) {
  EXPECT_NEAR(got.r, want.r, tolerance) << what;
  EXPECT_NEAR(got.g, want.g, tolerance) << what;
  EXPECT_NEAR(got.b, want.b, tolerance) << what;
}

const std::vector<Rgba> kColours = {{200, 30, 30, 255},  {30, 200, 30, 255},  {30, 30, 200, 255},
                                    {220, 220, 40, 255}, {40, 220, 220, 255}, {120, 60, 160, 255}};

struct CodecCase {
  AVCodecID encoder;
  VideoCodec codec;
  int tolerance;
};

TEST(EffectsVideo, FramesShowWithTheTimelineForwardsAndAfterGotos) {
  for (CodecCase c : {CodecCase{AV_CODEC_ID_FLV1, VideoCodec::SorensonH263, 12},
                      CodecCase{AV_CODEC_ID_FLASHSV, VideoCodec::ScreenVideo, 1}}) {
    auto frames = Encode(c.encoder, kColours, 3);
    ASSERT_EQ(frames.size(), kColours.size());
    Player p;
    p.LoadBytes(0, VideoMovie(static_cast<uint8_t>(c.codec), frames));
    ExpectColour(Centre(p), kColours[0], c.tolerance, "first frame");
    for (int n : {2, 3, 4, 5, 6}) {
      p.GotoFrame(n);
      ExpectColour(Centre(p), kColours[static_cast<size_t>(n - 1)], c.tolerance,
                   "forwards to " + std::to_string(n));
    }
    // Back, and past frames not shown: decoded from the key frame before the target.
    for (int n : {2, 6, 1, 5, 3}) {
      p.GotoFrame(n);
      ExpectColour(Centre(p), kColours[static_cast<size_t>(n - 1)], c.tolerance,
                   "goto " + std::to_string(n));
    }
  }
}

TEST(EffectsVideo, KeyFramesAreRecognised) {
  auto h263 = Encode(AV_CODEC_ID_FLV1, kColours, 3);
  ASSERT_EQ(h263.size(), kColours.size());
  for (size_t n = 0; n < h263.size(); ++n)
    EXPECT_EQ(VideoDecoder::IsKeyFrame(static_cast<uint8_t>(VideoCodec::SorensonH263), h263[n]),
              n % 3 == 0)
        << n;
  EXPECT_FALSE(VideoDecoder::IsKeyFrame(static_cast<uint8_t>(VideoCodec::SorensonH263), {0, 0}));
  EXPECT_TRUE(VideoDecoder::IsKeyFrame(static_cast<uint8_t>(VideoCodec::Vp6), {0x00, 0x10}));
  EXPECT_FALSE(VideoDecoder::IsKeyFrame(static_cast<uint8_t>(VideoCodec::Vp6), {0x80, 0x10}));
  EXPECT_TRUE(
      VideoDecoder::IsKeyFrame(static_cast<uint8_t>(VideoCodec::Vp6Alpha), {0, 0, 5, 0x00}));
  EXPECT_FALSE(VideoDecoder::IsKeyFrame(static_cast<uint8_t>(VideoCodec::Vp6Alpha), {0, 0}));
}

TEST(EffectsVideo, ACorruptFrameShowsThePreviousOne) {
  auto frames = Encode(AV_CODEC_ID_FLV1, kColours, 6);
  ASSERT_EQ(frames.size(), kColours.size());
  frames[2] = std::vector<uint8_t>(frames[2].size(), 0xA5);  // not a picture at all
  frames[3].resize(1);                                       // cut to one byte
  Player p;
  p.LoadBytes(0, VideoMovie(static_cast<uint8_t>(VideoCodec::SorensonH263), frames));
  p.GotoFrame(2);
  ExpectColour(Centre(p), kColours[1], 12, "frame 2");
  p.GotoFrame(3);
  ExpectColour(Centre(p), kColours[1], 12, "corrupt frame 3");
  p.GotoFrame(4);
  ExpectColour(Centre(p), kColours[1], 12, "cut frame 4");
}

TEST(EffectsVideo, HostileStreamTagsDrawNothingAndNeverCrash) {
  auto frames = Encode(AV_CODEC_ID_FLASHSV, {kColours[0], kColours[1]}, 1);
  ASSERT_EQ(frames.size(), 2u);
  const Rgba white{255, 255, 255, 255};
  {
    // A stream claiming 65535x65535 pixels and 65535 frames.
    Player p;
    p.LoadBytes(
        0, VideoMovie(static_cast<uint8_t>(VideoCodec::ScreenVideo), frames, 65535, 65535, 65535));
    ExpectColour(Centre(p), white, 0, "oversized stream");
  }
  {
    // An unknown codec, and a codec number that is no codec.
    for (uint8_t codec : {1, 7, 255}) {
      Player p;
      p.LoadBytes(0, VideoMovie(codec, frames));
      ExpectColour(Centre(p), white, 0, "codec " + std::to_string(codec));
    }
  }
  {
    // Frames sent to a stream that does not exist, and to a shape; a frame number beyond the
    // stream.
    SwfWriter w(8, kW, kH, 12);
    ShapeBuilder sb;
    sb.Rectangle(0, 0, 100, 100, sb.AddFill(FillStyleSpec::Solid({0, 0, 0, 255})));
    w.DefineShape(2, sb);
    w.Tag(kTagVideoFrame, FrameTag(9, 0, frames[0]));
    w.Tag(kTagVideoFrame, FrameTag(2, 0, frames[0]));
    w.Tag(kTagDefineVideoStream,
          StreamTag(1, 1, kW, kH, static_cast<uint8_t>(VideoCodec::ScreenVideo)));
    w.Tag(kTagVideoFrame, FrameTag(1, 65535, frames[0]));
    PlaceSpec pl;
    pl.depth = 1;
    pl.character_id = 1;
    pl.ratio = 7;
    w.Place(pl);
    w.ShowFrame();
    Player p;
    p.LoadBytes(0, w.Finish(false));
    ExpectColour(Centre(p), white, 0, "frame 7 of a stream without one");
  }
  {
    // Stream and frame tags cut short are errors of the movie.
    SwfWriter w(8, kW, kH, 12);
    w.Tag(kTagDefineVideoStream, {1, 0, 2});
    w.ShowFrame();
    Player p;
    EXPECT_THROW(p.LoadBytes(0, w.Finish(false)), FormatError);
    SwfWriter w2(8, kW, kH, 12);
    w2.Tag(kTagVideoFrame, {1});
    w2.ShowFrame();
    EXPECT_THROW(p.LoadBytes(0, w2.Finish(false)), FormatError);
  }
}

// How many pixels of the suite's movie `name`, drawn at low quality, are more than `tolerance`
// levels off its expected picture; -1 when the movie is absent.
int PixelsOffReference(const std::string& name, int tolerance) {
  const std::string data = lumitest::TestDataDir();
  const std::filesystem::path dir = std::filesystem::path(data) / "swf-visual" / name;
  if (data.empty() || !std::filesystem::exists(dir / "test.swf")) return -1;
  Player p;
  p.LoadFile(0, (dir / "test.swf").string());
  p.quality = Quality::Low;
  QImage want(QString::fromStdString((dir / "output.expected.png").string()));
  if (want.isNull()) return std::numeric_limits<int>::max();
  want = want.convertToFormat(QImage::Format_ARGB32);
  const int w = want.width(), h = want.height();
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  PaintStage(p, {px.data(), w, h, w * 4}, p.Background());
  int off = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* g = &px[(static_cast<size_t>(y) * w + x) * 4];
      const QRgb e = want.pixel(x, y);
      off += std::abs(g[2] - qRed(e)) > tolerance || std::abs(g[1] - qGreen(e)) > tolerance ||
             std::abs(g[0] - qBlue(e)) > tolerance;
    }
  return off;
}

TEST(EffectsVideo, Vp6WithAlphaFromTheReferenceMovieDecodes) {
  // FFmpeg has no VP6 encoder: the suite's movie stands in. Half-transparent edges show whether
  // the colour is taken as premultiplied.
  const int off = PixelsOffReference("video-vp6_alphaoffset", 1);
  if (off < 0) GTEST_SKIP() << "reference movie absent";
  EXPECT_EQ(off, 0);
}

TEST(EffectsVideo, SorensonFramesComeOutOfTheExactInverseTransform) {
  // The movie's test card has flat patches whose blocks carry horizontal detail: an integer
  // inverse transform puts whole columns of those blocks a level off (thousands of pixels).
  const int off = PixelsOffReference("video-colorconversion-h263", 0);
  if (off < 0) GTEST_SKIP() << "reference movie absent";
  EXPECT_LE(off, 1);
}

TEST(EffectsVideo, YuvConvertsInFixedPointAsLimitedRangeBt601) {
  // Against the real-valued formula: never more than a level apart, and where the exact value
  // lies on a half the fixed-point factors decide (here they round down).
  auto model = [](int y, int u, int v, int channel) {
    const double l = 255.0 / 219 * (y - 16);
    const double c[3] = {l + 2.017232 * (u - 128), l - 0.391762 * (u - 128) - 0.812968 * (v - 128),
                         l + 1.596027 * (v - 128)};
    return std::clamp(static_cast<int>(std::floor(c[channel] + 0.5)), 0, 255);
  };
  int apart = 0;
  for (int y = 0; y < 256; y += 3)
    for (int u = 0; u < 256; u += 5)
      for (int v = 0; v < 256; v += 7) {
        uint8_t bgr[3];
        YuvToBgr(y, u, v, bgr);
        for (int ch = 0; ch < 3; ++ch) {
          ASSERT_LE(std::abs(bgr[ch] - model(y, u, v, ch)), 1) << y << " " << u << " " << v;
          apart += bgr[ch] != model(y, u, v, ch);
        }
      }
  EXPECT_LT(apart, 200);
  uint8_t bgr[3];
  YuvToBgr(159, 111, 180, bgr);  // red is 249.5 in real numbers
  EXPECT_EQ(bgr[2], 249);
  YuvToBgr(16, 128, 128, bgr);
  EXPECT_EQ(bgr[0] + bgr[1] + bgr[2], 0);
  YuvToBgr(235, 128, 128, bgr);
  EXPECT_EQ(bgr[0] + bgr[1] + bgr[2], 3 * 255);
}

// Colour of frames with alpha is stored already multiplied by the alpha: it is kept as it is,
// only capped at the alpha (column 1 is brighter than its alpha of 20).
TEST(EffectsVideo, EveryChromaSampleColoursItsTwoByTwoPixelsAndColourComesPremultiplied) {
  constexpr int w = 6, h = 4;
  constexpr int kAlpha[w] = {128, 20, 255, 255, 0, 255};
  AVFrame* frame = av_frame_alloc();
  frame->format = AV_PIX_FMT_YUVA420P;
  frame->width = w;
  frame->height = h;
  ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>(40 + 30 * x + 5 * y);
      frame->data[3][y * frame->linesize[3] + x] = static_cast<uint8_t>(kAlpha[x]);
    }
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w / 2; ++x) {
      frame->data[1][y * frame->linesize[1] + x] = static_cast<uint8_t>(60 + 50 * x);
      frame->data[2][y * frame->linesize[2] + x] = static_cast<uint8_t>(200 - 70 * y);
    }
  SwsContext* scaler = nullptr;
  auto pic = FramePicture(*frame, scaler, w, h, 1);
  ASSERT_TRUE(pic);
  ASSERT_EQ(pic->width, w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t bgr[3];
      YuvToBgr(frame->data[0][y * frame->linesize[0] + x],
               frame->data[1][(y / 2) * frame->linesize[1] + x / 2],
               frame->data[2][(y / 2) * frame->linesize[2] + x / 2], bgr);
      const int a = kAlpha[x];
      const uint8_t* got = &pic->bgra_premultiplied[(static_cast<size_t>(y) * w + x) * 4];
      for (int c = 0; c < 3; ++c) EXPECT_EQ(got[c], std::min<int>(bgr[c], a)) << x << "," << y;
      EXPECT_EQ(got[3], a);
    }
  // A frame larger than the declared size is cut to it.
  auto cut = FramePicture(*frame, scaler, 3, 2, 1);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->width, 3);
  EXPECT_EQ(cut->height, 2);
  EXPECT_EQ(cut->bgra_premultiplied.size(), 3u * 2 * 4);
  sws_freeContext(scaler);
  av_frame_free(&frame);
}

}  // namespace

namespace {

// How the outlined square below is placed.
struct SquarePlacement {
  bool background = true;  // a green opaque background
  bool cached = false;     // bitmap caching
  bool filtered = false;   // a colour matrix filter that changes nothing
  uint16_t line_twips = 20;
  double x = 0;  // moved right by this many pixels
};

// An outlined, unfilled red square from (10, 10) to (30, 30), placed as `how` says and drawn at
// `quality`; pixel (x, y) as R,G,B,A.
std::function<Rgba(int, int)> PaintOutlinedSquare(const SquarePlacement& how, Quality quality) {
  SwfWriter w(11, kW, kH, 12);
  ShapeBuilder sb;
  const int line = sb.AddLine({how.line_twips, {255, 0, 0, 255}});
  sb.Rectangle(200, 200, 600, 600, 0, line);
  w.DefineShape(1, sb);
  BitWriter place;
  place.U8(0x06);  // has a matrix and a character
  place.U8(static_cast<uint8_t>((how.background ? 0x40 : 0) | (how.cached ? 0x04 : 0) |
                                (how.filtered ? 0x01 : 0)));
  place.U16(1);
  place.U16(1);
  Matrix m;
  m.tx = how.x * 20;
  place.WriteMatrix(m);
  if (how.filtered) {
    Filter identity;
    identity.kind = Filter::Kind::ColorMatrix;
    identity.matrix.assign(20, 0.0f);
    for (size_t i = 0; i < 4; ++i) identity.matrix[i * 6] = 1;
    WriteFilterList(place, {identity});
  }
  if (how.cached) place.U8(1);
  if (how.background) place.RgbaColor({0, 255, 0, 255});
  w.Tag(kTagPlaceObject3, place.Data());
  w.ShowFrame();
  Player p;
  p.LoadBytes(0, w.Finish(false));
  p.quality = quality;
  auto px = std::make_shared<std::vector<uint8_t>>(kW * kH * 4);
  PaintStage(p, {px->data(), kW, kH, kW * 4}, {255, 255, 255, 255});
  return [px](int x, int y) {
    const uint8_t* c = &(*px)[(static_cast<size_t>(y) * kW + x) * 4];
    return Rgba{c[2], c[1], c[0], c[3]};
  };
}

TEST(EffectsPlacement, AnOpaqueBackgroundFillsThePixelsAroundTheObject) {
  const auto at = PaintOutlinedSquare({}, Quality::High);
  EXPECT_EQ(at(20, 20), (Rgba{0, 255, 0, 255}));     // inside the outline
  EXPECT_EQ(at(5, 20), (Rgba{255, 255, 255, 255}));  // outside the object's box
  EXPECT_EQ(at(40, 40), (Rgba{255, 255, 255, 255}));
}

TEST(EffectsPlacement, AnOpaqueObjectsBoundsCornerSitsOnAWholePixel) {
  // The outline's bounds reach half a pixel beyond it, so their corner lies on a pixel centre.
  // Without caching the corner goes up and left, with caching to the nearest pixel (half way:
  // down and right); the outline moves with it.
  for (const bool cached : {false, true}) {
    SCOPED_TRACE(cached ? "cached" : "background only");
    const auto at = PaintOutlinedSquare({.cached = cached}, Quality::Low);
    const Rgba white{255, 255, 255, 255}, green{0, 255, 0, 255}, red{255, 0, 0, 255};
    const int first = cached ? 10 : 9, last = first + 20;  // the background's first/last pixel
    EXPECT_EQ(at(first - 1, 20), white);
    EXPECT_EQ(at(20, first - 1), white);
    EXPECT_EQ(at(last + 1, 20), white);
    EXPECT_EQ(at(20, last + 1), white);
    EXPECT_EQ(at(20, first), red);  // the top of the outline
    EXPECT_EQ(at(first, 20), red);  // its left side
    EXPECT_EQ(at(20, first + 1), green);
    EXPECT_EQ(at(first + 1, 20), green);
  }
}

TEST(EffectsPlacement, ACachedObjectsBoundsCornerGoesToTheNearestWholePixel) {
  // A 5-pixel outline from (10, 10) reaches from 7.5 to 12.5 on each side; its bounds' corner
  // lies on a pixel centre. Drawn as it is, the pixels whose centres lie on its top and left
  // edges are inked (7 to 11). Cached or filtered, the object moves so that the corner lands on
  // the nearest pixel (half way: down and right), and the outline inks 8 to 12.
  const Rgba white{255, 255, 255, 255}, red{255, 0, 0, 255};
  struct Case {
    const char* name;
    SquarePlacement how;
    int first;  // the outline's first inked row and column
  };
  for (const Case& c : {Case{"plain", {.background = false, .line_twips = 100}, 7},
                        Case{"cached", {.background = false, .cached = true, .line_twips = 100}, 8},
                        Case{"filtered", {.background = false, .filtered = true, .line_twips = 100}, 8},
                        // Moved right by 0.3: the corner at 7.8 goes to 8, not the origin to 0.
                        Case{"cached, moved",
                             {.background = false, .cached = true, .line_twips = 100, .x = 0.3},
                             8}}) {
    SCOPED_TRACE(c.name);
    for (const Quality quality : {Quality::Low, Quality::High}) {
      const auto at = PaintOutlinedSquare(c.how, quality);
      if (quality == Quality::High && c.first == 7) continue;  // partly covered edge pixels
      EXPECT_EQ(at(20, c.first - 1), white);
      EXPECT_EQ(at(20, c.first), red);
      EXPECT_EQ(at(20, c.first + 4), red);
      EXPECT_EQ(at(20, c.first + 5), white);
      EXPECT_EQ(at(c.first - 1, 20), white);
      EXPECT_EQ(at(c.first, 20), red);
      EXPECT_EQ(at(c.first + 4, 20), red);
      EXPECT_EQ(at(c.first + 5, 20), white);
    }
  }
}

}  // namespace
