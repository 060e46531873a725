// The recording window: recordings of a tone movie through the playback mix (no sound card),
// the measured rate and the source selection.
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>
#include <sndfile.h>

#include "app/record_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/file_utils.h"
#include "platform/flash/format/sound_writer.h"
#include "platform/flash/format/writer.h"
#include "platform/classlib/timer.h"
#include "tests/app/conversion_fixture.h"
#include "tests/support/test_app.h"

namespace {

using namespace lumicast;

TEST(RecordRate, MeasuredFromRunningTimeNeverZeroNorDividedByZero) {
  EXPECT_EQ(MeasuredFrameRate(10, 240, 250), 10);  // 240 frames in 25 s
  EXPECT_EQ(MeasuredFrameRate(20, 29, 10), 29);    // faster than nominal
  EXPECT_EQ(MeasuredFrameRate(20, 29, 0), 20);     // ended before the first tenth
  EXPECT_EQ(MeasuredFrameRate(24, 30, 1000), 1);   // 0.3 fps rounds to 0: at least 1
  EXPECT_EQ(MeasuredFrameRate(24, 20, 5), 24);     // fewer frames than the nominal rate
}

// 20 fps, frames 1-30: 1 kHz from frame 6, 2 kHz from frame 21 (each a mono 16-bit tone at
// `level` of full scale, 0.5 s each).
std::string WriteToneMovie(const std::string& dir, double level) {
  flash::SwfWriter w(8, 160, 120, 20);
  auto tone = [&](double freq, double seconds) {
    std::vector<uint8_t> bytes;
    int n = static_cast<int>(seconds * 44100);
    for (int i = 0; i < n; ++i) {
      auto v =
          static_cast<int16_t>(std::lround(level * 32767 * std::sin(2 * M_PI * freq * i / 44100)));
      bytes.push_back(static_cast<uint8_t>(v & 0xFF));
      bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return bytes;
  };
  flash::SoundFormat fmt{flash::kSoundPcmLittle, 3, true, false};
  w.Tag(flash::kTagDefineSound, flash::EncodeDefineSound(1, fmt, 0, tone(1000, 0.5)));
  w.Tag(flash::kTagDefineSound, flash::EncodeDefineSound(2, fmt, 0, tone(2000, 0.5)));
  for (int f = 1; f <= 30; ++f) {
    if (f == 6) w.Tag(flash::kTagStartSound, flash::EncodeStartSound(1, {}));
    if (f == 21) w.Tag(flash::kTagStartSound, flash::EncodeStartSound(2, {}));
    w.ShowFrame();
  }
  std::string path = dir + "/tones.swf";
  EXPECT_TRUE(w.Save(path, false));
  return path;
}

class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guard = std::make_unique<classlib::TDialogServiceGuard>(&dialogs);
    form = new TRecordFrm(nullptr, lumitest::BinDir() + "/");
    form->AfterConstruction();
    movie = WriteToneMovie(dir.Path(), 0.5);
    job.swfFilename = job.swfPlayFilename = movie;
    job.swfW = 160;
    job.swfH = 120;
    job.swfFrameRate = 20;
    job.destStartFrame = 1;
    job.destEndFrame = 30;
    job.destSequenceMode = 0;
    job.adoSource = asRecord;
    job.adoIsSyncManually = false;
  }
  void TearDown() override {
    delete form;
    guard.reset();
    if (!job.adoWorkFilename.empty()) classlib::DeleteFile(job.adoWorkFilename);
  }
  void Record() {
    form->SetJob(&job);
    form->ShowModal();
  }
  lumitest::TempDir dir;
  classlib::TScriptedDialogService dialogs;
  std::unique_ptr<classlib::TDialogServiceGuard> guard;
  TRecordFrm* form = nullptr;
  TCovSettings job;
  std::string movie;
};

struct Wave {
  int rate = 0, channels = 0;
  std::vector<double> left;  // first channel, -1..1
};

Wave ReadWave(const std::string& path) {
  Wave w;
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return w;
  w.rate = info.samplerate;
  w.channels = info.channels;
  std::vector<double> all(static_cast<size_t>(info.frames * info.channels));
  sf_readf_double(f, all.data(), info.frames);
  sf_close(f);
  for (sf_count_t i = 0; i < info.frames; ++i)
    w.left.push_back(all[static_cast<size_t>(i * info.channels)]);
  return w;
}

// First time (s) from `from` where the signal exceeds a tenth of `level`, and the frequency of the
// 0.1 s after it (rising zero crossings).
std::pair<double, double> Onset(const Wave& w, double from, double level) {
  size_t i = static_cast<size_t>(from * w.rate);
  while (i < w.left.size() && std::fabs(w.left[i]) < level / 10) ++i;
  double t = static_cast<double>(i) / w.rate;
  double first = -1, last = -1;
  int n = 0;
  size_t end = std::min(w.left.size(), i + static_cast<size_t>(w.rate / 10));
  for (size_t k = i + 1; k < end; ++k)
    if (w.left[k - 1] < 0 && w.left[k] >= 0) {
      double at = static_cast<double>(k - 1) + w.left[k - 1] / (w.left[k - 1] - w.left[k]);
      if (first < 0) first = at;
      last = at;
      ++n;
    }
  double freq = n > 1 ? (n - 1) * w.rate / (last - first) : 0;
  return {t, freq};
}

// Runs Action once, from the message loop, when Condition first holds during the recording.
struct During {
  classlib::TTimer timer{nullptr};
  bool done = false;
  During(std::function<bool()> Condition, std::function<void()> Action) {
    timer.SetInterval(1);
    timer.SetOnTimer([this, Condition, Action](classlib::TObject*) {
      if (done || !Condition()) return;
      done = true;
      Action();
    });
    timer.SetEnabled(true);
  }
};

void ExpectTones(const Wave& w, double max_extra) {
  double length = static_cast<double>(w.left.size()) / w.rate;
  EXPECT_GT(length, 1.35);
  EXPECT_LT(length, 1.55 + max_extra);
  auto [t1, f1] = Onset(w, 0, 0.15);
  auto [t2, f2] = Onset(w, t1 + 0.6, 0.15);
  EXPECT_NEAR(t1, 0.3, 0.06 + max_extra);
  EXPECT_NEAR(t2 - t1, 0.75, 0.03);
  EXPECT_NEAR(f1, 1000, 10);
  EXPECT_NEAR(f2, 2000, 20);
}

TEST_F(RecordTest, WaveRecordingsHoldTheMoviesSoundInStepWithItsFrames) {
  struct Format {
    int freq_index, bits, channels, rate;
  } formats[] = {{0, 1, 1, 44100}, {1, 0, 0, 22050}, {2, 1, 1, 11025}};
  ASSERT_TRUE(form->SetRecordingSource(0x1008, "Stereo Mix"));
  for (const Format& f : formats) {
    SCOPED_TRACE("rate " + std::to_string(f.rate));
    job.adoFileType = 0;
    job.adoWavFreq = f.freq_index;
    job.adoWavBits = f.bits;
    job.adoWavChannel = f.channels;
    Record();
    EXPECT_EQ(form->Frames, 29);
    EXPECT_EQ(job.destRunEndFrame, 30);
    EXPECT_NEAR(job.swfRunFrameRate, 20, 1);
    Wave w = ReadWave(job.adoWorkFilename);
    ASSERT_EQ(w.rate, f.rate);
    EXPECT_EQ(w.channels, f.channels == 1 ? 2 : 1);
    double length = static_cast<double>(w.left.size()) / w.rate;
    EXPECT_NEAR(length, 1.45, 0.1);
    auto [t1, f1] = Onset(w, 0, 0.5);
    auto [t2, f2] = Onset(w, t1 + 0.6, 0.5);  // the first tone lasts 0.5 s
    EXPECT_NEAR(t1, 0.3, 0.06);
    EXPECT_NEAR(t2 - t1, 0.75, 0.03);
    EXPECT_NEAR(f1, 1000, 10);
    EXPECT_NEAR(f2, 2000, 20);
    double peak = 0;
    for (double v : w.left) peak = std::max(peak, std::fabs(v));
    EXPECT_NEAR(peak, 0.3 * 0.5,
                0.3 * 0.5 * 0.03 + 1.0 / 128);  // the source at 30 % (8-bit: one step)
    classlib::DeleteFile(job.adoWorkFilename);
    job.adoWorkFilename.clear();
  }
}

TEST_F(RecordTest, Mp3RecordingsAre16BitWhateverTheWaveBitsSay) {
  ASSERT_TRUE(form->Encoder) << dialogs.Messages().size();
  for (int bits : {1, 0}) {
    SCOPED_TRACE("adoWavBits " + std::to_string(bits));
    job.adoFileType = 1;
    job.adoWavFreq = 0;
    job.adoWavBits = bits;
    job.adoMp3Channel = 1;
    job.adoMp3BitRate = 2;
    Record();
    EXPECT_EQ(form->Frames, 29);
    EXPECT_EQ(job.destRunEndFrame, 30);
    convtest::MediaInfo info = convtest::ProbeMedia(job.adoWorkFilename);
    ASSERT_TRUE(info.hasAudio) << lumicast::fileSize(job.adoWorkFilename) << " bytes; messages "
                               << dialogs.Messages().size()
                               << (dialogs.Messages().empty() ? "" : dialogs.Messages()[0]);
    Wave w;
    w.rate = info.audioRate;
    for (int16_t v : info.audio) w.left.push_back(v / 32768.0);
    ExpectTones(w, 0.06);  // the encoder's padding
    classlib::DeleteFile(job.adoWorkFilename);
    job.adoWorkFilename.clear();
  }
}

// The recorder stops capturing at the pause and hands over its part-filled buffer: dropping
// buffers instead lost up to a tenth of a second recorded before the pause.
TEST_F(RecordTest, PauseWritesNothingAndItsTimeIsNotCounted) {
  job.adoFileType = 0;
  job.adoWavFreq = 0;
  bool resumed = false;
  During pause([&] { return form->Frames >= 10; },
               [&] {
                 form->mniPause->Click();
                 EXPECT_EQ(form->mniPause->Caption(), "&Resume");
                 classlib::TTimer* resume = new classlib::TTimer(form);
                 resume->SetInterval(600);
                 resume->SetOnTimer([&, resume](classlib::TObject*) {
                   resume->SetEnabled(false);
                   resumed = true;
                   form->mniPause->Click();
                 });
                 resume->SetEnabled(true);
               });
  Record();
  EXPECT_TRUE(resumed);
  EXPECT_EQ(form->mniPause->Caption(), "&Pause");
  EXPECT_EQ(form->Frames, 29);
  EXPECT_NEAR(job.swfRunFrameRate, 20, 1);
  Wave w = ReadWave(job.adoWorkFilename);
  ASSERT_EQ(w.rate, 44100);
  // The movie stood still while paused and no sound was written: the tones keep their spacing.
  ExpectTones(w, 0.1);
}

TEST_F(RecordTest, CancelLeavesAWholeFileAndAFrameCount) {
  job.adoFileType = 0;
  job.adoWavFreq = 1;
  During cancel([&] { return form->Frames >= 12; }, [&] { form->mniCancel->Click(); });
  Record();
  EXPECT_GE(form->Frames, 12);
  EXPECT_LT(form->Frames, 29);
  EXPECT_EQ(job.destRunEndFrame, 1 + form->Frames);
  // The header's lengths match the data: the reader finds every sample the file holds.
  Wave w = ReadWave(job.adoWorkFilename);
  ASSERT_EQ(w.rate, 22050);
  int64_t bytes =
      classlib::FileExists(job.adoWorkFilename) ? lumicast::fileSize(job.adoWorkFilename) : 0;
  EXPECT_EQ(static_cast<int64_t>(w.left.size()) * 2 * 2 + 44, bytes);
  EXPECT_NEAR(static_cast<double>(w.left.size()) / w.rate, form->Frames / 20.0, 0.12);
}

TEST_F(RecordTest, CancelledMp3RecordingKeepsTheEncodersTail) {
  ASSERT_TRUE(form->Encoder);
  job.adoFileType = 1;
  job.adoWavFreq = 0;
  During cancel([&] { return form->Frames >= 12; }, [&] { form->mniCancel->Click(); });
  Record();
  ASSERT_LT(form->Frames, 29);
  convtest::MediaInfo info = convtest::ProbeMedia(job.adoWorkFilename);
  ASSERT_TRUE(info.hasAudio);
  // Everything recorded up to the cancel is there, the encoder's flushed last frames included.
  EXPECT_NEAR(info.audioSeconds, form->Frames / 20.0, 0.12);
}

TEST_F(RecordTest, UnwritableTemporaryFolderRecordsNothingAndSaysSo) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", "/proc", 1);  // exists, and no file can be created there
  job.adoFileType = 0;
  job.destEndFrame = 8;
  Record();
  if (old)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0], "Unexpected error!");
  EXPECT_TRUE(job.adoWorkFilename.empty());  // the job converts without sound
  EXPECT_EQ(form->Frames, 7);
}

// The message loop stands still for 0.4 s: timer messages come late and are merged, so counting
// them would miss tenths and make the rate too high; the running time gives 29 frames in about
// 1.85 s.
TEST_F(RecordTest, LateTimerMessagesDoNotRaiseTheMeasuredRate) {
  job.adoFileType = 0;
  During stall([&] { return form->Frames >= 10; },
               [] { std::this_thread::sleep_for(std::chrono::milliseconds(400)); });
  Record();
  EXPECT_EQ(form->Frames, 29);
  EXPECT_LE(job.swfRunFrameRate, 17);
  EXPECT_GE(job.swfRunFrameRate, 1);
}

// Without the frame signal movie no frame is counted: the window records until it is cancelled.
TEST(RecordSignal, MissingSignalMovieWaitsForCancel) {
  classlib::TScriptedDialogService dialogs;
  classlib::TDialogServiceGuard guard(&dialogs);
  lumitest::TempDir dir;
  auto* form = new TRecordFrm(nullptr, dir.Path() + "/");  // neither fps1 nor the plug-in
  form->AfterConstruction();
  TCovSettings job;
  job.swfFilename = job.swfPlayFilename = WriteToneMovie(dir.Path(), 0.5);
  job.swfW = 160;
  job.swfH = 120;
  job.swfFrameRate = 20;
  job.destEndFrame = 10;
  job.adoFileType = 0;
  const auto start = std::chrono::steady_clock::now();
  bool cancelled = false;
  // Past the movie's whole length (0.5 s).
  During cancel([&] { return std::chrono::steady_clock::now() - start > std::chrono::seconds(1); },
                [&] {
                  cancelled = true;
                  form->mniCancel->Click();
                });
  form->SetJob(&job);
  form->ShowModal();
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(form->Frames, 0);
  EXPECT_EQ(job.destRunEndFrame, job.destStartFrame);
  EXPECT_GT(lumicast::fileSize(job.adoWorkFilename), 44);  // what was heard until the cancel
  delete form;
  if (!job.adoWorkFilename.empty()) classlib::DeleteFile(job.adoWorkFilename);
}

TEST_F(RecordTest, LeadInRecordsTheExtraFrames) {
  job.adoFileType = 0;
  job.swfFrameRate = 24;
  job.destEndFrame = 24;
  job.adoIsSyncManually = true;
  job.adoSyncType = 0;
  job.adoSyncOffset = 0.5L;
  Record();
  EXPECT_EQ(form->Frames, 35);
  EXPECT_EQ(job.destRunEndFrame, 24);
}

TEST(RecordPlugin, MissingPluginIsReportedAndMp3JobsStillCountFrames) {
  classlib::TScriptedDialogService dialogs;
  classlib::TDialogServiceGuard guard(&dialogs);
  lumitest::TempDir dir;
  std::ifstream src(lumitest::BinDir() + "/fps1", std::ios::binary);
  std::ofstream(dir.File("fps1"), std::ios::binary) << src.rdbuf();
  auto* form = new TRecordFrm(nullptr, dir.Path() + "/");
  form->AfterConstruction();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0], "File 'mp3enc.so' lost!");
  EXPECT_FALSE(form->Encoder);
  TCovSettings job;
  job.swfFilename = job.swfPlayFilename = WriteToneMovie(dir.Path(), 0.5);
  job.swfW = 160;
  job.swfH = 120;
  job.swfFrameRate = 20;
  job.destEndFrame = 10;
  job.adoFileType = 1;
  form->SetJob(&job);
  form->ShowModal();
  EXPECT_EQ(form->Frames, 9);
  EXPECT_EQ(lumicast::fileSize(job.adoWorkFilename) > 0, false);
  delete form;
  if (!job.adoWorkFilename.empty()) classlib::DeleteFile(job.adoWorkFilename);
}

TEST_F(RecordTest, SourceSelectionTellsWhetherASourceWasSelected) {
  EXPECT_FALSE(form->SetRecordingSource(0x1234, "No such line"));
  EXPECT_TRUE(form->SetRecordingSource(0x1008, "Stereo Mix"));
  EXPECT_TRUE(form->SetRecordingSource(0, "Stereo Mix"));  // by name alone
}

}  // namespace
