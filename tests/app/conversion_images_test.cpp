// Image-sequence jobs end to end: file names, the same files in every sequence mode, each file
// showing its frame, every image format, alpha in 32-bit PNG and TGA, cropping.
#include <gtest/gtest.h>

#include "app/alpha_mask.h"
#include "tests/app/conversion_fixture.h"

using namespace convtest;
using namespace lumicast;

namespace {

using Lines = std::vector<std::string>;

uint8_t IntensityOf(uint32_t Rgb) {
  const uint8_t bgr[3] = {static_cast<uint8_t>(Rgb), static_cast<uint8_t>(Rgb >> 8),
                          static_cast<uint8_t>(Rgb >> 16)};
  return PixelIntensity(bgr);
}

TEST_F(ConversionTest, EverySequenceModeWritesTheSameNumberedFiles) {
  WriteColorMovie(dir + "/clip.swf", 40, 30, 50, 20);
  for (int mode : {0, 1, 2}) {
    TCovSettings* j = AddJob(dir + "/clip.swf", dtImages);
    j->destSequenceMode = static_cast<uint8_t>(mode);
    j->destFilepath = out + "mode" + std::to_string(mode);  // without a trailing delimiter
    j->destStartFrame = 8;
    j->destEndFrame = 17;
  }
  RunBatch();
  Lines expected;
  for (int n = 8; n <= 17; ++n) expected.push_back("clip-" + ZeroPadNumber(n, 2) + ".png");
  for (int mode : {0, 1, 2}) {
    const std::string folder = out + "mode" + std::to_string(mode) + "/";
    ASSERT_EQ(ListFiles(folder), expected) << folder;
    for (int n = 8; n <= 17; ++n) {
      Picture p = DecodePicture(folder + "clip-" + ZeroPadNumber(n, 2) + ".png");
      ASSERT_TRUE(p.ok);
      EXPECT_EQ(p.width, 40);
      EXPECT_EQ(p.height, 30);
      EXPECT_EQ(p.Rgb(20, 15), FrameColor(n)) << folder << n;
    }
  }
  const Lines lines = LogLines();
  EXPECT_EQ(lines[1],
            "Status:> Converting \"clip.swf\" to Image Sequence. | " + out + "mode0/clip");
  EXPECT_EQ(lines[2], "Status:> Finish converting \"clip.swf\" to Image Sequence.");
  EXPECT_EQ(form->FrameCounter[2], "10/10 Frames Done");
}

TEST_F(ConversionTest, NumberWidthFollowsTheRangesFrameCount) {
  WriteColorMovie(dir + "/clip.swf", 16, 16, 10, 12);
  TCovSettings* j = AddJob(dir + "/clip.swf", dtImages);
  j->destStartFrame = 3;
  j->destEndFrame = 11;  // nine frames: one digit
  RunBatch();
  Lines expected;
  for (int n = 3; n <= 11; ++n) expected.push_back("clip-" + std::to_string(n) + ".png");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ListFiles(out), expected);
}

TEST_F(ConversionTest, EveryImageFormatShowsItsFrame) {
  WriteColorMovie(dir + "/clip.swf", 32, 24, 10, 3);
  const char* exts[] = {".png", ".tga", ".gif", ".bmp", ".jpg"};
  for (int type = 0; type < 5; ++type) {
    TCovSettings* j = AddJob(dir + "/clip.swf", dtImages);
    j->destImageType = static_cast<uint8_t>(type);
    j->destImageJPEGQuality = 95;
    j->destFilepath = out + std::to_string(type) + "/";
  }
  RunBatch();
  for (int type = 0; type < 5; ++type) {
    for (int n = 1; n <= 3; ++n) {
      const std::string f = out + std::to_string(type) + "/clip-" + std::to_string(n) + exts[type];
      Picture p = DecodePicture(f);
      ASSERT_TRUE(p.ok) << f;
      EXPECT_EQ(p.width, 32) << f;
      const uint32_t got = p.Rgb(16, 12), want = FrameColor(n);
      const int tolerance = type == 4 ? 6 : 0;  // JPEG is lossy
      for (int shift : {0, 8, 16})
        EXPECT_NEAR(static_cast<int>(got >> shift & 0xFF), static_cast<int>(want >> shift & 0xFF),
                    tolerance)
            << f;
    }
  }
}

TEST_F(ConversionTest, ThirtyTwoBitPngAndTgaCarryTheAlphaMask) {
  WriteColorMovie(dir + "/clip.swf", 32, 24, 10, 3);
  struct Case {
    uint8_t type;
    uint8_t alphaMode;
    const char* ext;
  };
  const Case cases[] = {{0, 1, ".png"}, {1, 1, ".tga"}, {0, 2, ".png"}, {1, 3, ".tga"}};
  int index = 0;
  for (const Case& c : cases) {
    TCovSettings* j = AddJob(dir + "/clip.swf", dtImages);
    j->destImageType = c.type;
    j->destColorDepth = 1;
    j->destAlphaMode = c.alphaMode;
    j->destFilepath = out + std::to_string(index++) + "/";
  }
  // The key colour is frame 2's colour (the dialog answers a canvas colour, blue in the high byte).
  const uint32_t key = FrameColor(2);
  dialogs.ColorAnswers.push_back((key & 0xFF) << 16 | (key & 0xFF00) | (key >> 16));
  form->mniBackCustomize->Click();
  RunBatch();

  index = 0;
  for (const Case& c : cases) {
    for (int n = 1; n <= 3; ++n) {
      const std::string f = out + std::to_string(index) + "/clip-" + std::to_string(n) + c.ext;
      Picture p = DecodePicture(f);
      ASSERT_TRUE(p.ok) << f;
      EXPECT_TRUE(p.hasAlpha) << f;
      EXPECT_EQ(p.Rgb(10, 10), FrameColor(n)) << f;
      const uint8_t intensity = IntensityOf(FrameColor(n));
      uint8_t want = 0;
      switch (c.alphaMode) {
        case 1: want = intensity; break;
        case 2: want = SqrtAlphaTable()[intensity]; break;
        default: want = n == 2 ? 0 : 255; break;
      }
      EXPECT_EQ(p.Alpha(10, 10), want) << f;
    }
    ++index;
  }
}

TEST_F(ConversionTest, CroppedImagesShowTheCropRectangle) {
  WriteColorMovie(dir + "/clip.swf", 40, 20, 10, 2);
  TCovSettings* j = AddJob(dir + "/clip.swf", dtImages);
  j->destIsCrop = true;
  j->destCropX = 30;
  j->destCropY = 5;
  j->destCropW = 10;
  j->destCropH = 10;
  RunBatch();
  Picture p = DecodePicture(out + "clip-2.png");
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.width, 10);
  EXPECT_EQ(p.height, 10);
  EXPECT_EQ(p.Rgb(5, 5), FrameColor(2));
}

}  // namespace
