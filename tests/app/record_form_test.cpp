// The recording window: recordings of a tone movie through the playback mix (no sound card),
// the measured rate and the source selection.
#include <cmath>
#include <fstream>

#include <gtest/gtest.h>
#include <sndfile.h>

#include "app/record_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/file_utils.h"
#include "platform/flash/format/sound_writer.h"
#include "platform/flash/format/writer.h"
#include "tests/support/test_app.h"

namespace {

using namespace lumicast;

TEST(RecordRate, MeasuredFromRunningTimeNeverZeroNorDividedByZero) {
  EXPECT_EQ(MeasuredFrameRate(10, 240, 250), 10);   // 240 frames in 25 s
  EXPECT_EQ(MeasuredFrameRate(20, 29, 10), 29);     // faster than nominal
  EXPECT_EQ(MeasuredFrameRate(20, 29, 0), 20);      // ended before the first tenth
  EXPECT_EQ(MeasuredFrameRate(24, 30, 1000), 1);    // 0.3 fps rounds to 0: at least 1
  EXPECT_EQ(MeasuredFrameRate(24, 20, 5), 24);      // fewer frames than the nominal rate
}

// 20 fps, frames 1-30: 1 kHz from frame 6, 2 kHz from frame 21 (each a mono 16-bit tone at
// `level` of full scale, 0.5 s each).
std::string WriteToneMovie(const std::string& dir, double level) {
  flash::SwfWriter w(8, 160, 120, 20);
  auto tone = [&](double freq, double seconds) {
    std::vector<uint8_t> bytes;
    int n = static_cast<int>(seconds * 44100);
    for (int i = 0; i < n; ++i) {
      auto v = static_cast<int16_t>(std::lround(level * 32767 * std::sin(2 * M_PI * freq * i / 44100)));
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
  for (sf_count_t i = 0; i < info.frames; ++i) w.left.push_back(all[static_cast<size_t>(i * info.channels)]);
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
    EXPECT_NEAR(peak, 0.3 * 0.5, 0.3 * 0.5 * 0.03 + 1.0 / 128);  // the source at 30 % (8-bit: one step)
    classlib::DeleteFile(job.adoWorkFilename);
    job.adoWorkFilename.clear();
  }
}

TEST_F(RecordTest, DefaultSourceSelectionSucceedsOnTheStereoMix) {
  EXPECT_TRUE(form->SetRecordingSource(0x1008, "Stereo Mix"));
}

}  // namespace
