// JPEG output (Motion JPEG video and single JPEG images) uses full-range samples without the
// libraries complaining on every frame, and the libraries' own messages reach standard error
// once each, only from warning level up.
#include <gtest/gtest.h>

#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/encoder/codec_table.h"
#include "platform/encoder/internal/ff_util.h"
#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

// White, black and a mid grey in three bands of rows.
uint32_t Bands(int, int y) { return y < 16 ? 0xFFFFFF : (y < 32 ? 0x000000 : 0x808080); }

void ExpectBandsKept(const std::vector<uint8_t>& px, int w) {
  ASSERT_EQ(px.size(), size_t(w) * 48 * 4);
  auto at = [&](int x, int y, int c) { return int(px[(size_t(y) * w + x) * 4 + c]); };
  for (int c = 0; c < 3; ++c) {
    // Limited-range samples read back as full range would give about 235 and 16 here.
    EXPECT_GE(at(20, 8, c), 250) << c;
    EXPECT_LE(at(20, 24, c), 5) << c;
    EXPECT_NEAR(at(20, 40, c), 0x80, 4) << c;
  }
}

TEST(LibraryMessages, MotionJpegVideoIsFullRangeAndQuiet) {
  const std::string path = lumitest::MakeTempDir() + "/m.avi";
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatAvi);
  MclVideoSetCodec(job, mcl::MakeFourCC('M', 'J', 'P', 'G'));
  MclVideoSetFormat(job, 64, 48, 24);
  MclVideoSetFrameRate(job, 10);
  MclVideoSetQuality(job, 100);
  MclVideoSetFileName(job, path.c_str());
  FrameSource src{MclImgCreate(), 30, 0};
  FillImage(src.image, 64, 48, Bands);
  MclAssignVideoSource(job, &FrameSource::Callback, &src);
  testing::internal::CaptureStderr();
  const int32_t rc = MclConvert(job);
  const std::string said = testing::internal::GetCapturedStderr();
  MclFree(job);
  MclImgFree(src.image);
  ASSERT_EQ(rc, kMclOk);
  EXPECT_EQ(said.find("deprecated pixel format"), std::string::npos) << said;
  EXPECT_EQ(said, "");
  int w = 0, h = 0;
  const std::vector<uint8_t> px = DecodeFrameBGRA(path, 29, w, h);
  ExpectBandsKept(px, w);
}

TEST(LibraryMessages, JpegImageIsFullRangeAndQuiet) {
  const std::string path = lumitest::MakeTempDir() + "/still.jpg";
  MclHandle image = MclImgCreate();
  FillImage(image, 64, 48, Bands);
  testing::internal::CaptureStderr();
  const int32_t rc = MclSimpleWriteImage(image, path.c_str(), kMclImageJpeg, 100);
  const std::string said = testing::internal::GetCapturedStderr();
  MclImgFree(image);
  ASSERT_EQ(rc, kMclOk);
  EXPECT_EQ(said, "");
  int w = 0, h = 0;
  const std::vector<uint8_t> px = DecodeFrameBGRA(path, 0, w, h);
  ExpectBandsKept(px, w);
}

TEST(LibraryMessages, EachTextIsShownOnceFromWarningLevelUp) {
  using mcl::LibraryMessageLine;
  EXPECT_EQ(LibraryMessageLine(AV_LOG_INFO, "mjpeg", "an informational line\n"), "");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_DEBUG, nullptr, "a debugging line\n"), "");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_WARNING, "swscaler", "once only\n"),
            "encoder: [swscaler] once only");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_WARNING, "swscaler", "once only\n"), "");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_ERROR, "swscaler", "once only"), "");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_ERROR, "avi", "once only"), "encoder: [avi] once only");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_ERROR, nullptr, "no class\n"), "encoder: no class");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_ERROR, nullptr, "\n"), "");

  // Texts that differ every time (a frame number in them) stop after a bounded number.
  int shown = 0;
  std::string last;
  for (int i = 0; i < int(mcl::kMaxLibraryMessages) + 50; ++i) {
    const std::string line =
        LibraryMessageLine(AV_LOG_WARNING, "mpeg4", "frame " + std::to_string(i));
    if (!line.empty()) {
      ++shown;
      last = line;
    }
  }
  EXPECT_LE(shown, int(mcl::kMaxLibraryMessages) + 1);
  EXPECT_EQ(last, "encoder: further library messages are not shown");
  EXPECT_EQ(LibraryMessageLine(AV_LOG_FATAL, "mpeg4", "anything new"), "");
}

}  // namespace
