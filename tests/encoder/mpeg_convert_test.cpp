// Conversions to MPEG: the VCD, SVCD and DVD presets, custom MPEG-1 and
// MPEG-2 streams, aspect codes, scaling and odd sizes.
#include <gtest/gtest.h>

#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

std::string ConvertMpeg(MclHandle job, const std::string& name, int images, int w, int h,
                        bool withSound, int32_t* result) {
  const std::string path = lumitest::MakeTempDir() + "/" + name;
  MclVideoSetFileName(job, path.c_str());
  MclAudioSetFileName(job, path.c_str());
  FrameSource video{MakeImage(w, h, 0x2060A0), images, 0};
  SoundSource sound{{{"", 100}}};  // one second of silence
  MclAssignVideoSource(job, &FrameSource::Callback, &video);
  if (withSound) MclAssignAudioSource(job, &SoundSource::Callback, &sound);
  *result = MclConvert(job);
  MclImgFree(video.image);
  return path;
}

TEST(MpegConvert, PresetsWriteTheirStandardStreams) {
  struct Case {
    int32_t preset, ntsc;
    const char* codec;
    int w, h;
    double fps;
    int audioRate;
    int64_t videoKbit;
  } cases[] = {
      {kMclPresetVcd, kMclPal, "mpeg1video", 352, 288, 25.0, 44100, 1150},
      {kMclPresetVcd, kMclNtsc, "mpeg1video", 352, 240, 30000.0 / 1001, 44100, 1150},
      {kMclPresetSvcd, kMclPal, "mpeg2video", 480, 576, 25.0, 44100, 2040},
      {kMclPresetSvcd, kMclNtsc, "mpeg2video", 480, 480, 30000.0 / 1001, 44100, 2040},
      {kMclPresetDvd, kMclPal, "mpeg2video", 720, 576, 25.0, 48000, 6000},
      {kMclPresetDvd, kMclNtsc, "mpeg2video", 720, 480, 30000.0 / 1001, 48000, 6000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.preset) + "/" + std::to_string(c.ntsc));
    MclHandle job = MclCreate();
    ASSERT_EQ(MclSetFormatPreset(job, c.preset, c.ntsc), kMclOk);
    ASSERT_EQ(MclVideoSetAspectRatio(job, kMclAspect16x9), kMclOk);
    int32_t rate = 0, mn = 0, mx = 0;
    MclVideoGetBitRate(job, &rate, &mn, &mx);
    EXPECT_EQ(rate, c.videoKbit);
    EXPECT_EQ(MclVideoGetAspectRatio(job), kMclAspect16x9);
    // A preset sets its own size: images of another size are scaled.
    int32_t result = -1;
    const std::string path = ConvertMpeg(job, "preset.mpg", 30, 100, 75, true, &result);
    ASSERT_EQ(result, kMclOk);
    const FileInfo info = Probe(path, true);
    ASSERT_TRUE(info.ok);
    ASSERT_NE(info.Video(), nullptr);
    EXPECT_EQ(info.Video()->codec, c.codec);
    EXPECT_EQ(info.Video()->width, c.w);
    EXPECT_EQ(info.Video()->height, c.h);
    EXPECT_NEAR(info.Video()->fps, c.fps, 0.01);
    ASSERT_NE(info.Audio(), nullptr);
    EXPECT_EQ(info.Audio()->codec, "mp2");
    EXPECT_EQ(info.Audio()->sampleRate, c.audioRate);
    EXPECT_EQ(info.Audio()->channels, 2);
    EXPECT_EQ(info.Audio()->bitRate, 224000);
    EXPECT_NEAR(double(info.Audio()->samples), c.audioRate, 1152);  // the second of sound
    // 16:9 display aspect from the sample aspect (MPEG-1 has a table of
    // pixel shapes, so only near).
    ASSERT_GT(info.Video()->sarDen, 0);
    EXPECT_NEAR(double(c.w) * info.Video()->sarNum / info.Video()->sarDen / c.h, 16.0 / 9.0,
                c.preset == kMclPresetVcd ? 0.05 : 0.005);
    int w = 0, h = 0;
    const std::vector<uint8_t> px = DecodeFrameBGRA(path, 5, w, h);
    ASSERT_EQ(w, c.w);
    EXPECT_NEAR(px[(size_t(h / 2) * w + w / 2) * 4 + 2], 0x20, 8);
    EXPECT_NEAR(px[(size_t(h / 2) * w + w / 2) * 4 + 0], 0xA0, 8);
    MclFree(job);
  }
  MclHandle job = MclCreate();
  EXPECT_EQ(MclSetFormatPreset(job, 3, 0), kMclBadInput);
  EXPECT_EQ(MclSetFormatPreset(job, -1, 1), kMclBadInput);
  MclFree(job);
}

TEST(MpegConvert, CustomStreamsKeepTheirSizeRateAndCodec) {
  struct Case {
    uint32_t codec;
    const char* name;
    int w, h;
    double fps;
  } cases[] = {{kMclCodecMpeg1, "mpeg1video", 320, 240, 30000.0 / 1001},
               {kMclCodecMpeg2, "mpeg2video", 640, 360, 24.0},
               {kMclCodecMpeg1, "mpeg1video", 161, 101, 25.0}};  // odd size, 4:2:0
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + std::to_string(c.w));
    MclHandle job = MclCreate();
    MclVideoSetFileFormat(job, kMclFormatMpeg);
    MclVideoSetCodec(job, c.codec);
    MclVideoSetFormat(job, c.w, c.h, 24);
    MclVideoSetBitRate(job, 1500, 0, 3000);
    MclVideoSetFrameRate(job, c.fps);
    MclVideoSetAspectRatio(job, kMclAspect4x3);
    MclAudioSetFormat(job, 44100, 2, 16);
    int32_t result = -1;
    const std::string path = ConvertMpeg(job, "custom.mpg", 25, c.w, c.h, true, &result);
    ASSERT_EQ(result, kMclOk);
    const FileInfo info = Probe(path);
    ASSERT_NE(info.Video(), nullptr);
    EXPECT_EQ(info.Video()->codec, c.name);
    EXPECT_EQ(info.Video()->width, c.w);
    EXPECT_EQ(info.Video()->height, c.h);
    EXPECT_NEAR(info.Video()->fps, c.fps, 0.01);
    ASSERT_NE(info.Audio(), nullptr);
    EXPECT_EQ(info.Audio()->codec, "mp2");
    EXPECT_EQ(info.Audio()->sampleRate, 44100);
    int w = 0, h = 0;
    EXPECT_EQ(DecodeFrameBGRA(path, 24, w, h).size(), size_t(c.w) * c.h * 4);
    MclFree(job);
  }
}

TEST(MpegConvert, NonStandardRateTakesTheNearestMpegRateAndKeepsDuration) {
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatMpeg);
  MclVideoSetCodec(job, kMclCodecMpeg1);
  MclVideoSetFormat(job, 176, 144, 24);
  MclVideoSetFrameRate(job, 26.0);  // not an MPEG rate: 25 is used
  MclVideoSetKeepDuration(job, -1);
  const std::string path = lumitest::MakeTempDir() + "/rate.mpg";
  MclVideoSetFileName(job, path.c_str());
  FrameSource video{MakeImage(176, 144, 0), 24, 12};  // 2 s
  MclAssignVideoSource(job, &FrameSource::Callback, &video);
  ASSERT_EQ(MclConvert(job), kMclOk);
  const FileInfo info = Probe(path);
  EXPECT_NEAR(info.Video()->fps, 25.0, 0.01);
  EXPECT_EQ(info.Video()->packets, 50);
  MclFree(job);
  MclImgFree(video.image);
}

}  // namespace
