// A video job whose sound is recorded from the movie: the batch records it in the recording
// window, then converts with the recording as its sound track, in step with the pictures.
#include <cmath>
#include <iostream>

#include <gtest/gtest.h>

#include "app/record_form.h"
#include "platform/flash/format/sound_writer.h"
#include "platform/flash/format/writer.h"
#include "tests/app/conversion_fixture.h"

namespace convtest {
namespace {

using namespace lumicast;

class RecordedVideoTest : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    recorder = new TRecordFrm(nullptr, lumitest::BinDir() + "/");
    recorder->AfterConstruction();
    form->RecordForm = recorder;
  }
  void TearDown() override {
    form->RecordForm = nullptr;
    delete recorder;
    ConversionTest::TearDown();
  }
  TRecordFrm* recorder = nullptr;
};

// 20 fps, 30 frames, a 1 kHz tone from frame 6 to the end.
void WriteToneMovie(const std::string& path) {
  flash::SwfWriter w(8, 64, 48, 20);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 44100 * 2; ++i) {
    auto v = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * 1000.0 * i / 44100)));
    bytes.push_back(static_cast<uint8_t>(v & 0xFF));
    bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  w.Tag(flash::kTagDefineSound,
        flash::EncodeDefineSound(1, {flash::kSoundPcmLittle, 3, true, false}, 0, bytes));
  for (int f = 1; f <= 30; ++f) {
    if (f == 6) w.Tag(flash::kTagStartSound, flash::EncodeStartSound(1, {}));
    w.ShowFrame();
  }
  ASSERT_TRUE(w.Save(path, false));
}

TEST_F(RecordedVideoTest, AviTakesTheRecordingInStepWithItsPictures) {
  WriteToneMovie(dir + "/t.swf");
  TCovSettings* j = AddJob(dir + "/t.swf", dtAVI);
  j->adoSource = asRecord;
  j->adoFileType = 0;
  j->adoIsSyncAutomatically = true;
  j->destSequenceMode = 0;
  RunBatch();
  auto lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Status:> Recording from \"t.swf\""),
            lines.end());
  MediaInfo m = ProbeMedia(out + "t.avi");
  ASSERT_TRUE(m.ok);
  ASSERT_TRUE(m.hasAudio);
  ASSERT_GT(m.fps, 0);
  double video = m.videoFrames / m.fps;
  EXPECT_NEAR(m.audioSeconds, video, 1 / m.fps + 0.04);
  // The tone starts with frame 6, 0.25 s into the pictures; frame 1's tags run one tick after
  // the start, so the sound comes about one frame period later.
  ASSERT_GT(m.audioRate, 0);
  size_t onset = 0;
  while (onset < m.audio.size() && std::abs(m.audio[onset]) < 1000) ++onset;
  const double lag = static_cast<double>(onset) / m.audioRate - 5 / 20.0;
  std::cout << "sound lags the pictures by " << lag * 1000 << " ms\n";
  RecordProperty("sound_lag_ms", static_cast<int>(std::lround(lag * 1000)));
  EXPECT_NEAR(lag, 1 / 20.0, 0.06);
}

TEST_F(RecordedVideoTest, DefaultRecordingSourceShowsItsOutcome) {
  form->mniRecDefault->Click();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(
      dialogs.Messages()[0],
      "Successful!\rRecording source is set to \"Stereo Mix\".\rRecording volume is set to 30%.");
  form->RecordForm = nullptr;
  form->mniRecDefault->Click();
  EXPECT_EQ(dialogs.Messages().size(), 1u);  // no recording window: nothing to select
}

}  // namespace
}  // namespace convtest
