// Job settings and their defaults, name lists and file information.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

struct Defaults {
  uint32_t codec;
  int32_t key, rate, mn, mx, aspect;
  double quality;
  bool operator==(const Defaults&) const = default;
};

Defaults Ask(int32_t format, int w, int h, int bits, uint32_t codec) {
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, format);
  MclVideoSetFormat(job, w, h, bits);
  MclVideoSetCodec(job, codec);
  Defaults d{};
  d.codec = MclVideoGetCodec(job);
  d.key = MclVideoGetKeyFrameRate(job);
  EXPECT_EQ(MclVideoGetBitRate(job, &d.rate, &d.mn, &d.mx), kMclOk);
  d.quality = MclVideoGetQuality(job);
  d.aspect = MclVideoGetAspectRatio(job);
  MclFree(job);
  return d;
}

TEST(Jobs, DefaultsDependOnlyOnFormatCodecAndSize) {
  const Defaults dib = Ask(kMclFormatAvi, 550, 400, 24, kMclFourCCDib);
  EXPECT_EQ(dib, Ask(kMclFormatAvi, 550, 400, 24, kMclFourCCDib));
  EXPECT_EQ(dib.codec, kMclFourCCDib);
  EXPECT_EQ(dib.key, 1);
  EXPECT_EQ(dib.quality, 100.0);
  EXPECT_EQ(dib.rate, 550 * 400 * 24 * 25 / 1000);  // the frames' own data rate
  EXPECT_EQ(dib.rate, dib.mx);

  const Defaults mpeg1 = Ask(kMclFormatMpeg, 352, 240, 24, kMclCodecMpeg1);
  EXPECT_EQ(mpeg1.codec, uint32_t(kMclCodecMpeg1));
  EXPECT_EQ(mpeg1.rate, 1150);
  EXPECT_EQ(mpeg1.aspect, kMclAspect4x3);
  EXPECT_GT(Ask(kMclFormatMpeg, 352, 240, 24, kMclCodecMpeg2).rate, 0);

  // Settings survive until the codec, format or size changes them.
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatAvi);
  MclVideoSetCodec(job, kMclFourCCDib);
  MclVideoSetKeyFrameRate(job, 9);
  MclVideoSetQuality(job, 42.5);
  EXPECT_EQ(MclVideoGetKeyFrameRate(job), 9);
  EXPECT_EQ(MclVideoGetQuality(job), 42.5);
  // A codec that belongs to the other file format falls back to that format's own.
  MclVideoSetFileFormat(job, kMclFormatMpeg);
  EXPECT_EQ(MclVideoGetCodec(job), uint32_t(kMclCodecMpeg1));
  MclVideoSetFileFormat(job, kMclFormatAvi);
  EXPECT_EQ(MclVideoGetCodec(job), kMclFourCCDib);
  MclFree(job);
}

TEST(Jobs, SettersRejectBadValuesAndHandles) {
  MclHandle job = MclCreate();
  EXPECT_EQ(MclVideoSetFileFormat(job, 7), kMclBadOutput);
  EXPECT_EQ(MclVideoSetFormat(job, 0, 10, 24), kMclBadInput);
  EXPECT_EQ(MclVideoSetFormat(job, 10, 10, 16), kMclBadInput);
  EXPECT_EQ(MclVideoSetFrameRate(job, 0.0), kMclBadInput);
  EXPECT_EQ(MclVideoSetFrameRate(job, -1.0), kMclBadInput);
  EXPECT_EQ(MclVideoSetAspectRatio(job, 0), kMclBadInput);
  EXPECT_EQ(MclVideoSetAspectRatio(job, 5), kMclBadInput);
  EXPECT_EQ(MclVideoSetBitRate(job, -1, 0, 0), kMclBadInput);
  EXPECT_EQ(MclVideoSetQuality(job, 101.0), kMclBadInput);
  EXPECT_EQ(MclAudioSetFormat(job, 44100, 3, 16), kMclBadInput);
  EXPECT_EQ(MclVideoSetAspectRatio(job, kMclAspect221x1), kMclOk);
  EXPECT_EQ(MclVideoGetAspectRatio(job), kMclAspect221x1);
  EXPECT_EQ(MclFree(job), kMclOk);
  // A freed job is no job.
  EXPECT_EQ(MclFree(job), kMclBadJob);
  EXPECT_EQ(MclVideoSetFileName(job, "x.avi"), kMclBadJob);
  EXPECT_EQ(MclVideoGetCodec(job), 0u);
  int32_t a = 7, b = 7, c = 7;
  EXPECT_EQ(MclVideoGetBitRate(job, &a, &b, &c), kMclBadJob);
  EXPECT_EQ(a, 7);
  // Handles of other kinds are not jobs.
  MclHandle list = MclListCreate();
  EXPECT_EQ(MclVideoSetFrameRate(list, 10), kMclBadJob);
  EXPECT_EQ(MclImgFree(list), kMclBadImage);
  EXPECT_EQ(MclListFree(list), kMclOk);
}

TEST(Jobs, FreeingTheJobFromItsOwnCallbackIsDeferred) {
  struct Src {
    MclHandle job;
    static void Callback(MclHandle source, void* user) {
      MclFree(static_cast<Src*>(user)->job);
      MclSourceFinished(source);
    }
  };
  MclHandle job = MclCreate();
  Src src{job};
  MclAssignVideoSource(job, &Src::Callback, &src);
  EXPECT_EQ(MclConvert(job), kMclOk);
  EXPECT_EQ(MclFree(job), kMclBadJob);  // already gone after the call
}

TEST(Lists, NamesByIndex) {
  MclHandle list = MclListCreate();
  EXPECT_EQ(MclListAdd(list, "/tmp/a.wav", 16, 0, 0), kMclOk);
  EXPECT_EQ(MclListAdd(list, "/tmp/b.mp3", 16, 0, 0), kMclOk);
  char buf[kMclNameBufferSize];
  EXPECT_GT(MclListGetName(list, 1, buf), 0);
  EXPECT_STREQ(buf, "/tmp/b.mp3");
  EXPECT_EQ(MclListGetName(list, 2, buf), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(MclListGetName(list, -1, buf), 0);
  // A name longer than the buffer is not cut into another path.
  const std::string longName = "/" + std::string(300, 'x');
  MclListAdd(list, longName.c_str(), 16, 0, 0);
  EXPECT_EQ(MclListGetName(list, 2, buf), 0);
  std::vector<char> big(400);
  EXPECT_EQ(MclListGetName(list, 2, big.data(), int32_t(big.size())), 301);
  EXPECT_EQ(MclListFree(list), kMclOk);
  EXPECT_EQ(MclListGetName(list, 0, buf), 0);
  EXPECT_EQ(MclListAdd(list, "x", 16, 0, 0), kMclBadSound);
}

TEST(FileInfo, SoundPresenceAndSupport) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  const std::string wav = dir + "/s.wav";
  WriteWave(wav, 44100, 2, 4410, [](int i, int) { return int16_t(i); });

  MclFileInfo info{};
  ASSERT_EQ(MclGetFileInfo(wav.c_str(), sizeof info, &info, 0, 0), kMclOk);
  EXPECT_NE(info.hasAudio, 0);
  EXPECT_NE(info.audioSupported, 0);
  EXPECT_EQ(info.audioSampleRate, 44100);
  EXPECT_EQ(info.audioChannels, 2);
  EXPECT_NEAR(info.audioDurationMs, 100, 2);

  // The same flags read at the byte offsets the program uses.
  uint8_t raw[764];
  std::memset(raw, 0xEE, sizeof raw);
  ASSERT_EQ(MclGetFileInfo(wav.c_str(), sizeof raw, raw, 0, 0), kMclOk);
  int32_t present = 0, supported = 0;
  std::memcpy(&present, raw + 584, 4);
  std::memcpy(&supported, raw + 588, 4);
  EXPECT_NE(present, 0);
  EXPECT_NE(supported, 0);

  // A video file without sound: present 0.
  const std::string avi = dir + "/v.avi";
  MclHandle job = MclCreate();
  MclVideoSetFormat(job, 16, 16, 24);
  MclVideoSetFileName(job, avi.c_str());
  FrameSource src{MakeImage(16, 16, 0), 2, 0};
  MclAssignVideoSource(job, &FrameSource::Callback, &src);
  ASSERT_EQ(MclConvert(job), kMclOk);
  MclFree(job);
  MclImgFree(src.image);
  ASSERT_EQ(MclGetFileInfo(avi.c_str(), sizeof info, &info, 0, 0), kMclOk);
  EXPECT_EQ(info.hasAudio, 0);

  // Missing and malformed files say no sound; a short record is not overrun.
  EXPECT_EQ(MclGetFileInfo((dir + "/none.wav").c_str(), sizeof info, &info, 0, 0), kMclBadInput);
  EXPECT_EQ(info.hasAudio, 0);
  const std::string junk = dir + "/junk.mp3";
  FILE* f = std::fopen(junk.c_str(), "wb");
  std::fputs("this is not a sound file at all", f);
  std::fclose(f);
  MclGetFileInfo(junk.c_str(), sizeof info, &info, 0, 0);
  EXPECT_EQ(info.audioSupported, 0);
  uint8_t small[8];
  std::memset(small, 0xEE, sizeof small);
  EXPECT_EQ(MclGetFileInfo(wav.c_str(), 4, small, 0, 0), kMclOk);
  EXPECT_EQ(small[4], 0xEE);
  EXPECT_EQ(MclGetFileInfo(wav.c_str(), 0, small, 0, 0), kMclBadInput);
  EXPECT_EQ(MclGetFileInfo(nullptr, sizeof info, &info, 0, 0), kMclBadInput);
}

TEST(FileInfo, Mp3SoundIsSupported) {
  // An MP3 file made with the platform's own encoder.
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  const std::string wav = dir + "/t.wav", mp3 = dir + "/t.mp3";
  WriteWave(wav, 44100, 2, 44100, [](int i, int) { return int16_t((i % 100) * 200); });
  const std::string cmd =
      "ffmpeg -v error -y -i " + wav + " -c:a libmp3lame " + mp3 + " 2>/dev/null";
  if (std::system(cmd.c_str()) != 0 || !FileExists(mp3)) GTEST_SKIP() << "no MP3 encoder";
  MclFileInfo info{};
  ASSERT_EQ(MclGetFileInfo(mp3.c_str(), sizeof info, &info, 0, 0), kMclOk);
  EXPECT_NE(info.hasAudio, 0);
  EXPECT_NE(info.audioSupported, 0);
}

}  // namespace
