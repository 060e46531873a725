// Single images: the five file formats read back by independent readers,
// alpha from 8-bit masks, and the job-based 32-bit writer.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include "platform/encoder/image.h"
#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

// Four quadrants of distinct colours, 21 x 15.
uint32_t Quadrant(int x, int y) {
  static const uint32_t c[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
  return c[(x >= 10) + 2 * (y >= 7)];
}

// Pixel (x, y) of a file as 0xAARRGGBB, read with FFmpeg's image decoders.
uint32_t FfPixel(const std::string& path, int x, int y, int* w = nullptr, int* h = nullptr) {
  int fw = 0, fh = 0;
  const std::vector<uint8_t> px = DecodeFrameBGRA(path, 0, fw, fh);
  if (w) *w = fw;
  if (h) *h = fh;
  if (px.empty() || x >= fw || y >= fh) return 0;
  const uint8_t* p = &px[(size_t(y) * fw + x) * 4];
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

TEST(Images, EveryFormatReadsBackUpright) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  MclHandle img = MclImgCreate();
  FillImage(img, 21, 15, Quadrant);
  struct Case {
    int32_t format;
    const char* ext;
    int tolerance;
  } cases[] = {{kMclImagePng, "png", 0},
               {kMclImageBmp, "bmp", 0},
               {kMclImageTga, "tga", 0},
               {kMclImageGif, "gif", 0},
               {kMclImageJpeg, "jpg", 40}};
  for (const Case& c : cases) {
    const std::string path = dir + "/q." + c.ext;
    ASSERT_EQ(MclSimpleWriteImage(img, path.c_str(), c.format, kMclNoQuality), kMclOk) << c.ext;
    int w = 0, h = 0;
    for (auto [x, y] : {std::pair{2, 2}, {18, 2}, {2, 12}, {18, 12}}) {
      const uint32_t got = FfPixel(path, x, y, &w, &h);
      const uint32_t want = Quadrant(x, y);
      for (int shift : {0, 8, 16})
        EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), c.tolerance)
            << c.ext << " at " << x << "," << y;
    }
    EXPECT_EQ(w, 21) << c.ext;
    EXPECT_EQ(h, 15) << c.ext;
  }
  // Qt's readers agree for the formats it reads.
  for (const char* ext : {"png", "bmp", "gif"}) {
    QImage q(QString::fromStdString(dir + "/q." + ext));
    ASSERT_FALSE(q.isNull()) << ext;
    EXPECT_EQ(q.pixel(18, 12) & 0xFFFFFF, 0xFFFF00u) << ext;
    EXPECT_EQ(q.pixel(2, 12) & 0xFFFFFF, 0x0000FFu) << ext;
  }
  MclImgFree(img);
}

TEST(Images, JpegQualityChangesTheFileSize) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  MclHandle img = MclImgCreate();
  FillImage(img, 64, 64, [](int x, int y) { return uint32_t((x * 37 + y * 91) % 256) * 0x010101; });
  const std::string lo = dir + "/lo.jpg", hi = dir + "/hi.jpg";
  ASSERT_EQ(MclSimpleWriteImage(img, lo.c_str(), kMclImageJpeg, 10), kMclOk);
  ASSERT_EQ(MclSimpleWriteImage(img, hi.c_str(), kMclImageJpeg, 100), kMclOk);
  QImage a(QString::fromStdString(lo)), b(QString::fromStdString(hi));
  ASSERT_FALSE(a.isNull());
  ASSERT_FALSE(b.isNull());
  FILE* f1 = std::fopen(lo.c_str(), "rb");
  FILE* f2 = std::fopen(hi.c_str(), "rb");
  std::fseek(f1, 0, SEEK_END);
  std::fseek(f2, 0, SEEK_END);
  EXPECT_LT(std::ftell(f1), std::ftell(f2));
  std::fclose(f1);
  std::fclose(f2);
  MclImgFree(img);
}

TEST(Images, GifOfManyColoursGetsAPalette) {
  lumitest::TempDir temp_dir;
  const std::string path = temp_dir.File("many.gif");
  MclHandle img = MclImgCreate();
  FillImage(img, 100, 60,
            [](int x, int y) { return uint32_t(x * 2) << 16 | uint32_t(y * 4) << 8 | 80; });
  ASSERT_EQ(MclSimpleWriteImage(img, path.c_str(), kMclImageGif, kMclNoQuality), kMclOk);
  QImage q(QString::fromStdString(path));
  ASSERT_FALSE(q.isNull());
  EXPECT_EQ(q.width(), 100);
  const QRgb p = q.pixel(50, 30);
  EXPECT_NEAR(qRed(p), 100, 12);
  EXPECT_NEAR(qGreen(p), 120, 12);
  MclImgFree(img);
}

TEST(Images, MaskBytesBecomeAlphaAndJobWritesIt) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  MclHandle img = MclImgCreate();
  FillImage(img, 8, 4, [](int, int) { return 0x4080C0u; });
  // An 8-bit mask whose palette is not grey: its bytes, not its colours,
  // are the alpha values.
  MclHandle mask = MclImgCreate();
  std::vector<uint8_t> bytes(8 * 4);
  for (int i = 0; i < 32; ++i) bytes[i] = uint8_t(i * 8);
  std::vector<uint8_t> palette(256 * 4, 0x11);
  ASSERT_EQ(mcl::SetImagePixels8(mask, 8, 4, bytes.data(), 8, palette.data(), 256), kMclOk);
  ASSERT_EQ(MclImgAddAlpha(img, mask), kMclOk);

  MclHandle job = MclCreate();
  for (const char* ext : {"png", "tga"}) {
    const std::string path = dir + "/a." + ext;
    MclVideoSetFileName(job, path.c_str());
    ASSERT_EQ(MclVideoSetFormat(job, kMclNone, kMclNone, 32), kMclOk);
    ASSERT_EQ(MclWriteImage(job, img), kMclOk) << ext;
    for (int i : {0, 9, 31}) {
      const uint32_t px = FfPixel(path, i % 8, i / 8);
      EXPECT_EQ(px >> 24, uint32_t(i * 8)) << ext << " pixel " << i;
      EXPECT_EQ(px & 0xFFFFFF, 0x4080C0u) << ext;
    }
  }
  // Mask of another size, and handles that are not images.
  MclHandle small = MakeImage(4, 4, 0);
  EXPECT_EQ(MclImgAddAlpha(img, small), kMclBadInput);
  EXPECT_EQ(MclImgAddAlpha(img, job), kMclBadImage);
  EXPECT_EQ(MclImgAddAlpha(999999, mask), kMclBadImage);
  // Unknown extensions and missing names.
  MclVideoSetFileName(job, (dir + "/a.xyz").c_str());
  EXPECT_EQ(MclWriteImage(job, img), kMclBadOutput);
  MclVideoSetFileName(job, (dir + ".d/noext").c_str());
  EXPECT_EQ(MclWriteImage(job, img), kMclBadOutput);
  EXPECT_EQ(MclWriteImage(img, img), kMclBadJob);
  MclFree(job);
  MclImgFree(small);
  MclImgFree(mask);
  MclImgFree(img);
}

TEST(Images, FailuresGiveResultCodes) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  MclHandle empty = MclImgCreate();
  EXPECT_EQ(MclSimpleWriteImage(empty, (dir + "/e.png").c_str(), kMclImagePng, kMclNoQuality),
            kMclBadImage);
  MclHandle img = MakeImage(3, 3, 0xFFFFFF);
  EXPECT_EQ(MclSimpleWriteImage(img, (dir + "/x.png").c_str(), 77, kMclNoQuality), kMclBadOutput);
  EXPECT_EQ(MclSimpleWriteImage(img, "", kMclImagePng, kMclNoQuality), kMclBadOutput);
  EXPECT_EQ(MclSimpleWriteImage(img, nullptr, kMclImagePng, kMclNoQuality), kMclBadOutput);
  for (int32_t format : {kMclImagePng, kMclImageGif})
    EXPECT_EQ(MclSimpleWriteImage(img, (dir + "/no/such/x.img").c_str(), format, kMclNoQuality),
              kMclWriteError);
  EXPECT_EQ(MclSimpleWriteImage(img, "/dev/full", kMclImageBmp, kMclNoQuality), kMclWriteError);
  EXPECT_EQ(MclImgFree(img), kMclOk);
  EXPECT_EQ(MclImgFree(img), kMclBadImage);
  EXPECT_EQ(MclSimpleWriteImage(img, (dir + "/x.png").c_str(), kMclImagePng, 0), kMclBadImage);
  MclImgFree(empty);
}

}  // namespace

// A frame large enough to be copied on several threads gives every row exactly once, in place,
// whether its rows come top-down or bottom-up and at either depth.
TEST(Images, LargeFramesCopySplitOverThreadsKeepEveryRow) {
  const int32_t w = 1027, h = 601;  // odd width: each row ends in single pixels
  auto byte = [](int x, int y, int c) { return uint8_t((x * 7 + y * 13 + c * 101) & 0xFF); };
  for (int32_t bits : {24, 32}) {
    const int bpp = bits / 8;
    const ptrdiff_t stride = (ptrdiff_t(w) * bpp + 3) & ~ptrdiff_t{3};
    std::vector<uint8_t> rows(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < bpp; ++c) rows[size_t(y) * stride + size_t(x) * bpp + c] = byte(x, y, c);
    for (bool bottom_up : {false, true}) {
      MclHandle img = MclImgCreate();
      // Bottom-up: the image's top row is the buffer's last, read with a negative stride.
      const uint8_t* top = bottom_up ? rows.data() + size_t(stride) * (h - 1) : rows.data();
      ASSERT_EQ(mcl::SetImagePixels(img, w, h, bits, top, bottom_up ? -stride : stride), kMclOk);
      const mcl::Image* image = mcl::FindAs<mcl::Image>(img);
      ASSERT_NE(image, nullptr);
      int wrong = 0;
      for (int y = 0; y < h; ++y) {
        const int src_y = bottom_up ? h - 1 - y : y;
        const uint8_t* row = image->Row(y);
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 4; ++c) {
            const uint8_t want = c < bpp ? byte(x, src_y, c) : 255;
            wrong += row[x * 4 + c] != want;
          }
      }
      EXPECT_EQ(wrong, 0) << bits << " bits" << (bottom_up ? ", bottom-up" : "");
      MclImgFree(img);
    }
  }
}
