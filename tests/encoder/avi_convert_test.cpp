// Conversions to AVI: frame counts and rates, uncompressed frame layout,
// codecs, sound tracks, and the result codes the program reacts to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

struct Avi {
  lumitest::TempDir dir;
  MclHandle job = MclCreate();
  std::string path;
  explicit Avi(const std::string& name, int w = 64, int h = 48, int bits = 24,
               uint32_t codec = kMclFourCCDib, double fps = 24) {
    path = dir.File(name);
    MclVideoSetFileFormat(job, kMclFormatAvi);
    MclVideoSetCodec(job, codec);
    MclVideoSetFormat(job, w, h, bits);
    MclVideoSetFrameRate(job, fps);
    MclVideoSetFileName(job, path.c_str());
    MclAudioSetFileName(job, path.c_str());
  }
  ~Avi() { MclFree(job); }
};

TEST(AviConvert, KeepDurationRepeatsAndDropsImages) {
  struct Case {
    int images;
    double sourceFps, outFps;
    int64_t frames;
  } cases[] = {{100, 12, 24, 200}, {30, 30, 10, 10}, {7, 12, 12, 7}, {10, 25, 30000.0 / 1001, 12}};
  for (const Case& c : cases) {
    Avi avi("keep.avi", 32, 24, 24, kMclFourCCDib, c.outFps);
    MclVideoSetKeepDuration(avi.job, -1);
    FrameSource src{MakeImage(32, 24, 0x336699), c.images, c.sourceFps};
    MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
    EXPECT_EQ(MclConvert(avi.job), kMclOk);
    // Every image pulled exactly once, then one request that finishes.
    EXPECT_EQ(src.delivered, c.images);
    EXPECT_EQ(src.requests, c.images + 1);
    EXPECT_EQ(Probe(avi.path).Video()->packets, c.frames) << c.images << " at " << c.sourceFps;
    MclImgFree(src.image);
  }
}

TEST(AviConvert, WithoutKeepDurationEveryImageIsOneFrame) {
  Avi avi("plain.avi", 32, 24, 24, kMclFourCCDib, 24);
  FrameSource src{MakeImage(32, 24, 0x102030), 100, 12};
  MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
  ASSERT_EQ(MclConvert(avi.job), kMclOk);
  const FileInfo info = Probe(avi.path);
  EXPECT_EQ(info.Video()->packets, 100);
  EXPECT_DOUBLE_EQ(info.Video()->fps, 24.0);
  MclImgFree(src.image);
}

// Uncompressed frames must be bottom-up BGR rows padded to 4 bytes, which
// readers show upright; odd widths are where skew appears.
TEST(AviConvert, UncompressedFramesAreBottomUpPaddedAndUpright) {
  for (int bits : {24, 32}) {
    const int w = 13, h = 7;
    Avi avi("dib.avi", w, h, bits);
    MclHandle img = MclImgCreate();
    // Row y has red y*30, column x has green x*15; alpha 77.
    FillImage(
        img, w, h, [](int x, int y) { return uint32_t(y * 30) << 16 | uint32_t(x * 15) << 8 | 9; },
        bits, 77);
    FrameSource src{img, 2, 0};
    MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
    ASSERT_EQ(MclConvert(avi.job), kMclOk);

    const FileInfo info = Probe(avi.path);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.Video()->codec, "rawvideo");
    EXPECT_EQ(info.Video()->tag, 0u);
    EXPECT_EQ(info.Video()->width, w);
    EXPECT_EQ(info.Video()->height, h);

    const int bpp = bits / 8;
    const size_t stride = (size_t(w) * bpp + 3) & ~size_t(3);
    const std::vector<uint8_t> pkt = VideoPacket(avi.path, 0);
    ASSERT_EQ(pkt.size(), stride * h);
    for (int row = 0; row < h; ++row) {
      const int y = h - 1 - row;  // first stored row is the bottom one
      for (int x : {0, w - 1}) {
        const uint8_t* p = &pkt[row * stride + size_t(x) * bpp];
        EXPECT_EQ(p[0], 9);
        EXPECT_EQ(p[1], x * 15);
        EXPECT_EQ(p[2], y * 30) << "row " << row;
        if (bits == 32) {
          EXPECT_EQ(p[3], 77);
        }
      }
    }
    int dw = 0, dh = 0;
    const std::vector<uint8_t> top = DecodeFrameBGRA(avi.path, 0, dw, dh);
    ASSERT_EQ(dw, w);
    EXPECT_EQ(top[2], 0);  // top-left pixel: red 0
    EXPECT_EQ(top[(size_t(h - 1) * w) * 4 + 2], (h - 1) * 30);
    MclImgFree(img);
  }
}

TEST(AviConvert, ImagesOfAnotherSizeAreScaled) {
  Avi avi("scaled.avi", 40, 30);
  FrameSource src{MakeImage(81, 61, 0x00FF00), 3, 0};
  MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
  ASSERT_EQ(MclConvert(avi.job), kMclOk);
  int w = 0, h = 0;
  const std::vector<uint8_t> px = DecodeFrameBGRA(avi.path, 1, w, h);
  ASSERT_EQ(w, 40);
  ASSERT_EQ(h, 30);
  EXPECT_EQ(px[(15 * 40 + 20) * 4 + 1], 255);
  EXPECT_EQ(px[(15 * 40 + 20) * 4 + 2], 0);
  MclImgFree(src.image);
}

TEST(AviConvert, EveryListedCodecWritesAReadableFile) {
  MclHandle list = MclCodecsVideoCreate(kMclFormatAvi, 33, 21, 24);
  const int n = MclCodecsGetCount(list);
  ASSERT_GE(n, 5);
  bool mjpeg = false, mpeg4 = false, lossless = false, alpha = false;
  for (int i = 0; i < n; ++i) {
    MclCodecInfo info{};
    ASSERT_EQ(MclCodecsGetInfo(list, &info, i), kMclOk);
    const std::string fourcc(reinterpret_cast<const char*>(&info.fourCC), 4);
    mjpeg |= fourcc == "MJPG";
    mpeg4 |= fourcc == "FMP4";
    lossless |= fourcc == "FFV1";
    for (int bits : {24, 32}) {
      Avi avi("codec.avi", 33, 21, bits, info.fourCC, 10);
      MclVideoSetKeyFrameRate(avi.job, 5);
      FrameSource src{MakeImage(33, 21, 0x804020, bits, 128), 12, 0};
      MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
      ASSERT_EQ(MclConvert(avi.job), kMclOk) << fourcc;
      const FileInfo probe = Probe(avi.path);
      ASSERT_TRUE(probe.ok) << fourcc;
      EXPECT_EQ(probe.Video()->packets, 12) << fourcc;
      EXPECT_EQ(probe.Video()->width, 33) << fourcc;
      if (info.fourCC != kMclFourCCDib) {
        EXPECT_EQ(probe.Video()->tag, info.fourCC) << fourcc;
      }
      int w = 0, h = 0;
      const std::vector<uint8_t> px = DecodeFrameBGRA(avi.path, 11, w, h);
      ASSERT_EQ(px.size(), size_t(33 * 21 * 4)) << fourcc;
      EXPECT_NEAR(px[(10 * 33 + 16) * 4 + 2], 0x80, 6) << fourcc;
      if (bits == 32 && info.supportsAlpha) {
        EXPECT_EQ(px[(10 * 33 + 16) * 4 + 3], 128) << fourcc;
        alpha = true;
      }
      MclImgFree(src.image);
    }
  }
  EXPECT_TRUE(mjpeg && mpeg4 && lossless && alpha);
  MclCodecInfo info{};
  EXPECT_EQ(MclCodecsGetInfo(list, &info, n), kMclBadInput);
  EXPECT_EQ(MclCodecsGetInfo(list, &info, -1), kMclBadInput);
  EXPECT_EQ(MclCodecsFree(list), kMclOk);
  EXPECT_EQ(MclCodecsGetCount(list), 0);
}

TEST(AviConvert, SoundTrackStartsWithSilenceAndIsCutAtTheVideosEnd) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  const std::string wav = dir + "/tone.wav";
  // 3 s of a loud square wave at 22050 Hz mono: resampled to 44100 stereo.
  WriteWave(wav, 22050, 1, 22050 * 3,
            [](int i, int) { return int16_t((i / 50) % 2 ? 12000 : -12000); });
  for (bool truncate : {true, false}) {
    Avi avi(truncate ? "cut.avi" : "full.avi", 32, 24, 24, kMclFourCCDib, 10);
    MclAudioSetFileFormat(avi.job, kMclAudioFormatWave);
    MclAudioSetFormat(avi.job, 44100, 2, 16);
    MclAudioSetCodec(avi.job, kMclAudioCodecPcm);
    MclAudioSetTruncateToVideo(avi.job, truncate ? -1 : 0);
    FrameSource video{MakeImage(32, 24, 0), 20, 10};  // 2 s of video
    SoundSource sound{{{"", 50}, {wav, 0}}};          // 0.5 s silence, then 3 s
    MclAssignVideoSource(avi.job, &FrameSource::Callback, &video);
    MclAssignAudioSource(avi.job, &SoundSource::Callback, &sound);
    ASSERT_EQ(MclConvert(avi.job), kMclOk);
    EXPECT_EQ(sound.requests, 3);

    const FileInfo info = Probe(avi.path);
    ASSERT_NE(info.Audio(), nullptr);
    EXPECT_EQ(info.Audio()->codec, "pcm_s16le");
    EXPECT_EQ(info.Audio()->tag, 1u);
    EXPECT_EQ(info.Audio()->sampleRate, 44100);
    EXPECT_EQ(info.Audio()->channels, 2);
    int rate = 0, ch = 0;
    const std::vector<int16_t> pcm = DecodeAudio(avi.path, rate, ch);
    const int64_t frames = int64_t(pcm.size()) / 2;
    if (truncate) {
      EXPECT_EQ(frames, 2 * 44100);
    } else {
      EXPECT_NEAR(double(frames), 3.5 * 44100, 64);
    }
    // The first half second is silent, the tone follows.
    int peakSilence = 0, peakTone = 0;
    for (int64_t i = 0; i < 22000 * 2; ++i)
      peakSilence = std::max(peakSilence, std::abs(int(pcm[i])));
    for (int64_t i = 23000 * 2; i < 30000 * 2; ++i)
      peakTone = std::max(peakTone, std::abs(int(pcm[i])));
    EXPECT_EQ(peakSilence, 0);
    EXPECT_GT(peakTone, 10000);
    MclImgFree(video.image);
  }
}

TEST(AviConvert, EmptyOutputNamePullsEverythingAndWritesNothing) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatAvi);
  MclVideoSetFormat(job, 16, 16, 24);
  MclVideoSetCodec(job, kMclFourCCDib);
  MclVideoSetKeepDuration(job, -1);
  MclVideoSetFrameRate(job, 8);
  FrameSource src{MakeImage(16, 16, 0), 37, 24};
  MclAssignVideoSource(job, &FrameSource::Callback, &src);
  EXPECT_EQ(MclConvert(job), kMclOk);
  EXPECT_EQ(src.delivered, 37);
  EXPECT_EQ(src.requests, 38);
  MclFree(job);
  MclImgFree(src.image);
}

TEST(AviConvert, ZeroImagesGiveAnEmptyFileOrBadInput) {
  Avi avi("none.avi");
  FrameSource src{0, 0, 0};
  MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
  EXPECT_EQ(MclConvert(avi.job), kMclOk);
  EXPECT_EQ(Probe(avi.path).Video()->packets, 0);

  // Without a size nothing can be written.
  Avi sizeless("sizeless.avi", kMclNone, kMclNone);
  EXPECT_EQ(MclConvert(sizeless.job), kMclBadInput);
  EXPECT_FALSE(FileExists(sizeless.path));
}

TEST(AviConvert, SizeComesFromTheFirstImageWhenNotSet) {
  Avi avi("auto.avi", kMclNone, kMclNone);
  FrameSource src{MakeImage(27, 19, 0xFFFFFF), 2, 0};
  MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
  ASSERT_EQ(MclConvert(avi.job), kMclOk);
  EXPECT_EQ(Probe(avi.path).Video()->width, 27);
  EXPECT_EQ(Probe(avi.path).Video()->height, 19);
  MclImgFree(src.image);
}

TEST(AviConvert, UnreadableSoundAsksTheErrorCallback) {
  lumitest::TempDir temp_dir;
  const std::string missing = temp_dir.File("missing.wav");
  struct Case {
    std::vector<int32_t> answers;
    int32_t result;
    size_t asked;
  } cases[] = {{{kMclActionAbort}, kMclAborted, 1},
               {{kMclActionRetry, kMclActionRetry, kMclActionIgnore}, kMclOk, 3},
               {{kMclActionIgnore}, kMclOk, 1}};
  for (const Case& c : cases) {
    Avi avi("snd.avi");
    FrameSource video{MakeImage(64, 48, 0), 3, 0};
    SoundSource sound{{{missing, 0}}};
    ErrorRecorder errors;
    errors.answers = c.answers;
    MclAssignVideoSource(avi.job, &FrameSource::Callback, &video);
    MclAssignAudioSource(avi.job, &SoundSource::Callback, &sound);
    MclAssignError(avi.job, &ErrorRecorder::Callback, &errors);
    EXPECT_EQ(MclConvert(avi.job), c.result);
    ASSERT_EQ(errors.names.size(), c.asked);
    EXPECT_EQ(errors.names[0], missing);
    if (c.result == kMclOk) {
      EXPECT_EQ(Probe(avi.path).Video()->packets, 3);
      EXPECT_EQ(Probe(avi.path).Audio(), nullptr);
    } else {
      EXPECT_EQ(video.requests, 0);  // sound is taken before any image
    }
    MclImgFree(video.image);
  }
  // Nobody to ask: the input is reported as bad.
  Avi avi("snd.avi");
  SoundSource sound{{{missing, 0}}};
  MclAssignAudioSource(avi.job, &SoundSource::Callback, &sound);
  EXPECT_EQ(MclConvert(avi.job), kMclBadInput);

  // A file that is not a sound file at all.
  const std::string junk = temp_dir.File("junk.wav");
  FILE* f = std::fopen(junk.c_str(), "wb");
  std::fputs("RIFF\x10\0\0\0WAVEjunk", f);
  std::fclose(f);
  Avi avi2("snd2.avi");
  SoundSource sound2{{{junk, 0}}};
  MclAssignAudioSource(avi2.job, &SoundSource::Callback, &sound2);
  EXPECT_EQ(MclConvert(avi2.job), kMclBadInput);
}

TEST(AviConvert, FailedWritesEndWithWriteErrorOrAbort) {
  // A full device: every write fails.
  for (int32_t answer : {kMclActionIgnore, kMclActionAbort}) {
    MclHandle job = MclCreate();
    MclVideoSetFileFormat(job, kMclFormatAvi);
    MclVideoSetFormat(job, 64, 48, 24);
    MclVideoSetFileName(job, "/dev/full");
    FrameSource src{MakeImage(64, 48, 0), 50, 0};
    ErrorRecorder errors;
    errors.answers = {answer};
    MclAssignVideoSource(job, &FrameSource::Callback, &src);
    MclAssignError(job, &ErrorRecorder::Callback, &errors);
    const int32_t r = MclConvert(job);
    if (answer == kMclActionIgnore) {
      EXPECT_EQ(r, kMclWriteError);
      EXPECT_EQ(src.delivered, 50);  // the pull still runs to its end
    } else {
      EXPECT_EQ(r, kMclAborted);
      EXPECT_LT(src.delivered, 50);
    }
    ASSERT_FALSE(errors.names.empty());
    EXPECT_EQ(errors.names[0], "/dev/full");
    MclFree(job);
    MclImgFree(src.image);
  }
  // A folder that does not exist, nobody to ask.
  Avi avi("x.avi");
  lumitest::TempDir temp_dir;
  const std::string bad = temp_dir.File("no/such/folder/x.avi");
  MclVideoSetFileName(avi.job, bad.c_str());
  FrameSource src{MakeImage(64, 48, 0), 2, 0};
  MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
  EXPECT_EQ(MclConvert(avi.job), kMclWriteError);
  MclImgFree(src.image);
}

TEST(AviConvert, CallbackExceptionRemovesTheOutputAndPassesOn) {
  Avi avi("throw.avi");
  FrameSource src{MakeImage(64, 48, 0), 10, 0};
  src.throwAt = 4;
  MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
  EXPECT_THROW(MclConvert(avi.job), std::runtime_error);
  EXPECT_FALSE(FileExists(avi.path));
  // The job is usable again afterwards.
  src.throwAt = -1;
  src.delivered = 0;
  EXPECT_EQ(MclConvert(avi.job), kMclOk);
  EXPECT_EQ(Probe(avi.path).Video()->packets, 10);
  MclImgFree(src.image);
}

TEST(AviConvert, InvalidHandlesAndOutputs) {
  EXPECT_EQ(MclConvert(0), kMclBadJob);
  EXPECT_EQ(MclConvert(-5), kMclBadJob);
  MclHandle img = MclImgCreate();
  EXPECT_EQ(MclConvert(img), kMclBadJob);  // an image is not a job

  Avi unknown("u.avi", 64, 48, 24, 0x12345678);
  EXPECT_EQ(MclConvert(unknown.job), kMclBadOutput);

  // An image handle never filled, or freed before its frame is taken.
  Avi avi("img.avi");
  FrameSource src{img, 3, 0};
  MclAssignVideoSource(avi.job, &FrameSource::Callback, &src);
  EXPECT_EQ(MclConvert(avi.job), kMclBadImage);
  MclImgFree(img);

  struct Freeing {
    static void Callback(MclHandle source, void*) {
      MclHandle i = MakeImage(8, 8, 0);
      MclSourceSetImage(source, i);
      MclImgFree(i);
    }
  };
  Avi avi2("img2.avi");
  MclAssignVideoSource(avi2.job, &Freeing::Callback, nullptr);
  EXPECT_EQ(MclConvert(avi2.job), kMclBadImage);
  EXPECT_EQ(MclSourceFinished(12345678), kMclBadSound);
}

}  // namespace

namespace {

TEST(AviConvert, ProgressAndImageHooksSeeEveryStep) {
  struct Hooks {
    std::vector<int32_t> frames;
    int images = 0;
    static void Progress(void* user, MclHandle, int32_t frames, double) {
      static_cast<Hooks*>(user)->frames.push_back(frames);
    }
    static void Video(void* user, MclHandle, MclHandle image) {
      ++static_cast<Hooks*>(user)->images;
      // The hook may change the picture before it is encoded.
      FillImage(image, 16, 16, [](int, int) { return 0xFF0000u; });
    }
  };
  lumitest::TempDir temp_dir;
  const std::string path = temp_dir.File("hooks.avi");
  MclHandle job = MclCreate();
  MclVideoSetFormat(job, 16, 16, 24);
  MclVideoSetFrameRate(job, 20);
  MclVideoSetKeepDuration(job, -1);
  MclVideoSetFileName(job, path.c_str());
  FrameSource src{MakeImage(16, 16, 0x0000FF), 4, 10};
  Hooks hooks;
  MclAssignVideoSource(job, &FrameSource::Callback, &src);
  MclAssignProgress(job, &Hooks::Progress, &hooks);
  MclAssignVideoFunc(job, &Hooks::Video, &hooks);
  ASSERT_EQ(MclConvert(job), kMclOk);
  EXPECT_EQ(hooks.images, 4);
  EXPECT_EQ(hooks.frames, (std::vector<int32_t>{2, 4, 6, 8}));
  const std::vector<uint8_t> pkt = VideoPacket(path, 7);
  ASSERT_FALSE(pkt.empty());
  EXPECT_EQ(pkt[2], 0xFF);
  EXPECT_EQ(pkt[0], 0x00);
  MclFree(job);
  MclImgFree(src.image);
}

}  // namespace
