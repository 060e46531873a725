// Sound inputs that become unreadable after they were accepted, and the
// output being written while the conversion runs rather than held back.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

MclHandle MakeAviJob(const std::string& path, int w, int h, double fps) {
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatAvi);
  MclVideoSetCodec(job, kMclFourCCDib);
  MclVideoSetFormat(job, w, h, 24);
  MclVideoSetFrameRate(job, fps);
  MclVideoSetFileName(job, path.c_str());
  MclAudioSetFileName(job, path.c_str());
  MclAudioSetFormat(job, 44100, 2, 16);
  return job;
}

void WriteTone(const std::string& path) {
  WriteWave(path, 44100, 2, 44100 / 2,
            [](int i, int) { return int16_t((i / 40) % 2 ? 9000 : -9000); });
}

// Cuts the sound file down to the first bytes of its header when the first
// image is asked for: the file was fine when the sound answers were taken
// and cannot be read when its samples are needed.
struct SpoilingSource {
  FrameSource frames;
  std::string victim;
  static void Callback(MclHandle source, void* user) {
    auto* s = static_cast<SpoilingSource*>(user);
    if (s->frames.requests == 0) {
      FILE* f = std::fopen(s->victim.c_str(), "r+b");
      ASSERT_NE(f, nullptr);
      std::fclose(f);
      ASSERT_EQ(truncate(s->victim.c_str(), 12), 0);
    }
    FrameSource::Callback(source, &s->frames);
  }
};

// Answers from a script; a retry first puts the sound file back.
struct RepairingErrors {
  ErrorRecorder recorder;
  std::string wav;
  static void Callback(void* user, const char* fileName, int32_t* action) {
    auto* r = static_cast<RepairingErrors*>(user);
    ErrorRecorder::Callback(&r->recorder, fileName, action);
    if (*action == kMclActionRetry) WriteTone(r->wav);
  }
};

TEST(SoundReadError, InputSpoiledAfterAcceptanceFollowsTheErrorAnswer) {
  lumitest::TempDir temp_dir;
  const std::string dir = temp_dir.Path();
  const std::string wav = dir + "/tone.wav";
  struct Case {
    bool ask;
    int32_t answer;
    int32_t result;
    int64_t soundFrames;  // -1: not checked
  } cases[] = {
      {false, 0, kMclReadError, -1},  // nobody to ask
      {true, kMclActionAbort, kMclAborted, -1},
      {true, kMclActionIgnore, kMclOk, 44100},         // the file is left out, the silence stays
      {true, kMclActionRetry, kMclOk, 44100 + 22050},  // repaired, then read in full
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    WriteTone(wav);
    const std::string out = dir + "/spoiled.avi";
    MclHandle job = MakeAviJob(out, 32, 24, 10);
    SpoilingSource video{{MakeImage(32, 24, 0x102030), 20, 10}, wav};
    SoundSource sound{{{wav, 0}, {"", 100}}};
    RepairingErrors errors;
    errors.wav = wav;
    errors.recorder.answers = {c.answer, kMclActionIgnore};
    MclAssignVideoSource(job, &SpoilingSource::Callback, &video);
    MclAssignAudioSource(job, &SoundSource::Callback, &sound);
    if (c.ask) MclAssignError(job, &RepairingErrors::Callback, &errors);
    EXPECT_EQ(MclConvert(job), c.result);
    if (c.ask) {
      ASSERT_EQ(errors.recorder.names.size(), 1u);
      EXPECT_EQ(errors.recorder.names[0], wav);
    }
    if (c.result == kMclAborted || c.result == kMclReadError) {
      // The images so far make a finished, readable file.
      const FileInfo info = Probe(out);
      ASSERT_TRUE(info.ok);
      EXPECT_GE(info.Video()->packets, 1);
      EXPECT_LT(video.frames.requests, 20);
    }
    if (c.soundFrames >= 0) {
      EXPECT_EQ(Probe(out).Video()->packets, 20);
      int rate = 0, ch = 0;
      const std::vector<int16_t> pcm = DecodeAudio(out, rate, ch);
      EXPECT_EQ(int64_t(pcm.size()) / 2, c.soundFrames);
      int peak = 0;
      for (int16_t v : pcm) peak = std::max(peak, std::abs(int(v)));
      EXPECT_EQ(peak > 0, c.answer == kMclActionRetry);
    }
    MclFree(job);
    MclImgFree(video.frames.image);
  }
}

// Once the sound track has ended, the video frames still reach the file as
// they are encoded: a long conversion does not gather them in memory.
struct SizeWatcher {
  std::string path;
  int32_t atFrame = 0;
  int64_t size = -1;
  static void Callback(void* user, MclHandle, int32_t frames, double) {
    auto* w = static_cast<SizeWatcher*>(user);
    if (frames != w->atFrame) return;
    struct stat st {};
    w->size = stat(w->path.c_str(), &st) == 0 ? int64_t(st.st_size) : 0;
  }
};

TEST(SoundReadError, VideoAfterTheEndOfTheSoundIsWrittenAsItGoes) {
  lumitest::TempDir temp_dir;
  const std::string out = temp_dir.File("long.avi");
  MclHandle job = MakeAviJob(out, 64, 48, 25);
  FrameSource video{MakeImage(64, 48, 0x405060), 250, 25};
  SoundSource sound{{{"", 50}}};  // half a second
  SizeWatcher watch{out, 200};    // 8 s in
  MclAssignVideoSource(job, &FrameSource::Callback, &video);
  MclAssignAudioSource(job, &SoundSource::Callback, &sound);
  MclAssignProgress(job, &SizeWatcher::Callback, &watch);
  ASSERT_EQ(MclConvert(job), kMclOk);
  const int64_t frameBytes = 64 * 48 * 3;
  EXPECT_GT(watch.size, 150 * frameBytes);
  EXPECT_EQ(Probe(out).Video()->packets, 250);
  MclFree(job);
  MclImgFree(video.image);
}

}  // namespace
