// Block-edge smoothing of Sorenson H.263 pictures: the filter on hand-made planes, the frame
// header that asks for it, and the stream setting that overrides the header.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/flash/video/internal/deblocking.h"
#include "platform/flash/video/internal/frame_picture.h"
#include "platform/flash/video/video_decoder.h"
#include "tests/flash/video_encode_support.h"

namespace {

using namespace flash;

// A plane of `w` x `h` samples, rows `stride` apart, the rows from `split` down (or the columns
// from `split` right, when `columns`) one value and the others another; padding is 0xEE.
struct Plane {
  int w, h, stride;
  std::vector<uint8_t> px;
  Plane(int w_, int h_, int stride_, int split, int before, int after, bool columns = false)
      : w(w_), h(h_), stride(stride_), px(static_cast<size_t>(stride_) * h_, 0xEE) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        px[static_cast<size_t>(y) * stride + x] =
            static_cast<uint8_t>((columns ? x : y) < split ? before : after);
  }
  int At(int x, int y) const { return px[static_cast<size_t>(y) * stride + x]; }
  void Deblock(int quantizer) { DeblockPlane(px.data(), stride, w, h, quantizer); }
};

TEST(VideoDeblocking, StepsAcrossBlockEdgesAreSmoothedAsFarAsTheQuantizerAllows) {
  struct Case {
    int before, after, quantizer;
    int a, b, c, d;  // the two samples each side of the edge afterwards
  } cases[] = {
      {40, 20, 31, 36, 32, 28, 24},     // well under the strength: the full correction
      {32, 16, 11, 30, 28, 20, 18},     // between once and twice the strength: less
      {200, 16, 31, 200, 200, 16, 16},  // a real edge of the picture stays sharp
      {31, 29, 11, 31, 30, 30, 29},     // a correction of -0.75 rounds down to -1
      {96, 104, 8, 97, 99, 101, 103},
      {31, 29, 0, 31, 30, 30, 29},  // quantizers out of range count as the nearest one
      {40, 20, 99, 36, 32, 28, 24},
  };
  for (const Case& c : cases) {
    for (bool columns : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.before << "|" << c.after << " q" << c.quantizer
                                      << (columns ? " columns" : " rows"));
      Plane p(16, 16, 16, 8, c.before, c.after, columns);
      p.Deblock(c.quantizer);
      for (int i = 0; i < 16; ++i) {
        auto at = [&](int across) { return columns ? p.At(across, i) : p.At(i, across); };
        EXPECT_EQ(at(5), c.before);
        EXPECT_EQ(at(6), c.a);
        EXPECT_EQ(at(7), c.b);
        EXPECT_EQ(at(8), c.c);
        EXPECT_EQ(at(9), c.d);
        EXPECT_EQ(at(10), c.after);
      }
    }
  }
}

TEST(VideoDeblocking, OnlyBlockEdgesWithTwoSamplesEachSideInsideThePlaneAreTouched) {
  // A step inside a block is no block edge.
  Plane inside(16, 16, 16, 4, 40, 20);
  inside.Deblock(31);
  EXPECT_EQ(inside.px, Plane(16, 16, 16, 4, 40, 20).px);
  // Nine rows: the edge at row 8 has one row under it, and is left alone; the padding past the
  // width is never read or written.
  Plane short_plane(13, 9, 20, 8, 40, 20);
  short_plane.Deblock(31);
  EXPECT_EQ(short_plane.px, Plane(13, 9, 20, 8, 40, 20).px);
  Plane narrow(10, 4, 16, 8, 40, 20, true);
  narrow.Deblock(31);
  EXPECT_EQ(narrow.At(6, 0), 36);
  EXPECT_EQ(narrow.At(9, 3), 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 10; x < 16; ++x) EXPECT_EQ(narrow.At(x, y), 0xEE);
  // Edges between rows are smoothed before edges between columns: at the corner of a bright
  // block the column pass works on the rows the first pass made (36, 36 | 20, 20 on row 6).
  Plane corner(16, 16, 16, 8, 40, 20);
  for (int y = 0; y < 16; ++y)
    for (int x = 8; x < 16; ++x) corner.px[static_cast<size_t>(y) * 16 + x] = 20;
  corner.Deblock(31);
  const int row6[] = {33, 30, 26, 23};
  for (int x = 6; x < 10; ++x) EXPECT_EQ(corner.At(x, 6), row6[x - 6]) << x;
}

// The key frame of 8x8 blocks of 96 and 104, quantizer 8, asking for smoothing or not.
std::vector<uint8_t> Blocks(bool asks) {
  std::vector<uint8_t> data = flashtest::EncodeBlocks(AV_CODEC_ID_FLV1, 96, 104, 8);
  flashtest::SetH263DeblockingBit(data, asks);
  return data;
}

// The grey level of a picture's pixel.
int Grey(const BitmapDef& pic, int x, int y) {
  return pic.bgra_premultiplied[(static_cast<size_t>(y) * pic.width + x) * 4 + 1];
}

int GreyOf(int luma) {
  uint8_t bgr[3];
  YuvToBgr(luma, 128, 128, bgr);
  return bgr[1];
}

TEST(VideoDeblocking, TheFrameHeaderGivesTheBitAndTheQuantizer) {
  for (bool asks : {false, true}) {
    const std::vector<uint8_t> data = Blocks(asks);
    ASSERT_GT(data.size(), 8u);
    const H263Header h = ReadH263Header(data.data(), data.size());
    EXPECT_TRUE(h.complete);
    EXPECT_EQ(h.picture_type, 0);
    EXPECT_EQ(h.deblocking, asks);
    EXPECT_EQ(h.quantizer, 8);
    EXPECT_EQ(H263SmoothingQuantizer(data.data(), data.size(), 0), asks ? 8 : 0);
    EXPECT_EQ(H263SmoothingQuantizer(data.data(), data.size(), 1), 0);
    EXPECT_EQ(H263SmoothingQuantizer(data.data(), data.size(), 2), 8);
    EXPECT_EQ(H263SmoothingQuantizer(data.data(), data.size(), 5), 8);
    // A header cut anywhere before the quantizer's last bit gives nothing.
    for (size_t cut = 0; cut <= 6; ++cut) {
      EXPECT_FALSE(ReadH263Header(data.data(), cut).complete) << cut;
      EXPECT_EQ(H263SmoothingQuantizer(data.data(), cut, 2), 0) << cut;
    }
  }
  // Sizes given in 16 bits move the fields along: size code 1, 300 x 200, type 1, bit set,
  // quantizer 31.
  const uint8_t wide[] = {0x00, 0x00, 0x84, 0x00, 0x80, 0x96, 0x00, 0x64, 0x3F, 0x80};
  const H263Header h = ReadH263Header(wide, sizeof wide);
  EXPECT_TRUE(h.complete);
  EXPECT_EQ(h.picture_type, 1);
  EXPECT_TRUE(h.deblocking);
  EXPECT_EQ(h.quantizer, 31);
  EXPECT_FALSE(ReadH263Header(wide, 9).complete);
  // A quantizer of 0 in a header that asks still smooths, as the finest one.
  const uint8_t zero[] = {0x00, 0x00, 0x84, 0x00, 0x7C, 0x7C, 0x10, 0x00};
  EXPECT_EQ(H263SmoothingQuantizer(zero, sizeof zero, 0), 1);
}

TEST(VideoDeblocking, TheStreamSettingOrElseTheFrameTurnsSmoothingOn) {
  struct Case {
    uint8_t setting;
    bool frame_asks, smoothed;
  } cases[] = {{0, false, false}, {0, true, true},  {1, true, false},
               {2, false, true},  {2, true, true},  {4, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "setting " << int{c.setting} << " frame "
                                    << c.frame_asks);
    auto def = std::make_shared<VideoDef>(1);
    def->width = flashtest::kW;
    def->height = flashtest::kH;
    def->codec = static_cast<uint8_t>(VideoCodec::SorensonH263);
    def->deblocking = c.setting;
    def->frames.emplace(0, std::make_shared<const std::vector<uint8_t>>(Blocks(c.frame_asks)));
    VideoDecoder decoder(def);
    auto pic = decoder.Frame(0);
    ASSERT_TRUE(pic);
    // Row 3 crosses the edges between columns 7 and 8 (96 | 104) and 15 and 16 (104 | 96).
    const int want[] = {96, 97, 99, 101, 103, 104};
    for (int x = 5; x < 11; ++x)
      EXPECT_EQ(Grey(*pic, x, 3), GreyOf(c.smoothed ? want[x - 5] : x < 8 ? 96 : 104)) << x;
    // Downwards the outer samples move further: half the correction of -3 rounds down to -2.
    EXPECT_EQ(Grey(*pic, 14, 3), GreyOf(c.smoothed ? 102 : 104));
    EXPECT_EQ(Grey(*pic, 17, 3), GreyOf(c.smoothed ? 98 : 96));
    EXPECT_EQ(Grey(*pic, 3, 3), GreyOf(96));  // the middle of a block is left alone
  }
}

TEST(VideoDeblocking, VideoOfOtherCodecsIsNotSmoothedByTheHeaderBits) {
  // Screen video frames start with bytes that would read as a header asking for smoothing.
  auto frames = flashtest::Encode(AV_CODEC_ID_FLASHSV, {{200, 40, 40, 255}}, 1);
  ASSERT_EQ(frames.size(), 1u);
  auto def = std::make_shared<VideoDef>(1);
  def->width = flashtest::kW;
  def->height = flashtest::kH;
  def->codec = static_cast<uint8_t>(VideoCodec::ScreenVideo);
  def->deblocking = 2;
  def->frames.emplace(0, std::make_shared<const std::vector<uint8_t>>(frames[0]));
  auto pic = VideoDecoder(def).Frame(0);
  ASSERT_TRUE(pic);
  for (int x = 0; x < flashtest::kW; ++x) EXPECT_EQ(Grey(*pic, x, 5), 40) << x;
}

TEST(VideoDeblocking, CutAndDamagedFramesAskingForSmoothingNeverCrash) {
  const std::vector<uint8_t> whole = Blocks(true);
  for (size_t cut = 0; cut < whole.size(); cut += 3) {
    auto def = std::make_shared<VideoDef>(1);
    def->width = flashtest::kW;
    def->height = flashtest::kH;
    def->codec = static_cast<uint8_t>(VideoCodec::SorensonH263);
    def->deblocking = 2;
    std::vector<uint8_t> data(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
    for (size_t i = 7; i < data.size(); i += 5) data[i] ^= 0x5A;
    def->frames.emplace(0, std::make_shared<const std::vector<uint8_t>>(data));
    auto pic = VideoDecoder(def).Frame(0);
    if (pic) {
      EXPECT_LE(pic->width, flashtest::kW);
      EXPECT_EQ(pic->bgra_premultiplied.size(), static_cast<size_t>(pic->width) * pic->height * 4);
    }
  }
}

}  // namespace
