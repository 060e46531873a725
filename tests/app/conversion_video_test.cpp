// AVI and MPEG jobs end to end: what an independent reader finds in the files (frames, size,
// rate, streams, sound), imported sound, the two manual synchronisations, the lead-in progress,
// the sound sources and frame rates of 0.
#include <cmath>

#include <gtest/gtest.h>

#include "platform/classlib/file_utils.h"
#include "tests/app/conversion_fixture.h"

using namespace convtest;
using namespace lumicast;

namespace {

using Lines = std::vector<std::string>;

TEST_F(ConversionTest, AviHasTheMoviesFramesSizeAndRate) {
  WriteColorMovie(dir + "/a.swf", 64, 48, 12, 8);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  j->destStartFrame = 3;
  j->destEndFrame = 7;
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.streams, 1);  // no sound source
  EXPECT_EQ(m.width, 64);
  EXPECT_EQ(m.height, 48);
  EXPECT_NEAR(m.fps, 12, 0.01);
  EXPECT_EQ(m.videoFrames, 5);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(DecodePicture(out + "a.avi", i).Rgb(30, 20), FrameColor(3 + i)) << i;
  ASSERT_EQ(form->FrameCounter.size(), 4u);
  EXPECT_EQ(form->FrameCounter[2], "5/5 Frames Done");  // at the finish line
}

TEST_F(ConversionTest, AviOfPlayingModesMatchesFrameByFrame) {
  // Sequence modes 0 and 1 take the frames through the frame lock while the movie plays.
  WriteColorMovie(dir + "/a.swf", 32, 24, 60, 6);
  for (int mode : {0, 1}) {
    TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
    j->destSequenceMode = static_cast<uint8_t>(mode);
    j->destFilename = "mode" + std::to_string(mode) + ".avi";
  }
  RunBatch();
  for (int mode : {0, 1}) {
    const std::string f = out + "mode" + std::to_string(mode) + ".avi";
    MediaInfo m = ProbeMedia(f);
    EXPECT_EQ(m.videoFrames, 6) << f;
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(DecodePicture(f, i).Rgb(10, 10), FrameColor(1 + i)) << f << " " << i;
  }
}

TEST_F(ConversionTest, AviTakesTheJobsRateAndScaledSize) {
  WriteColorMovie(dir + "/a.swf", 40, 30, 10, 10);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  j->destAVIFrameRate = 20;  // the library repeats pictures to keep the duration
  j->destW = 80;
  j->destH = 60;
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  EXPECT_EQ(m.width, 80);
  EXPECT_EQ(m.height, 60);
  EXPECT_NEAR(m.fps, 20, 0.01);
  EXPECT_EQ(m.videoFrames, 20);
  EXPECT_EQ(DecodePicture(out + "a.avi", 19).Rgb(70, 50), FrameColor(10));
}

TEST_F(ConversionTest, FrameRateOfZeroCountsAsOne) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 0, 3);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  ASSERT_EQ(j->swfFrameRate, 0);
  ASSERT_EQ(j->destAVIFrameRate, 0);
  j->adoIsSyncManually = true;  // a lead-in from a rate of 0 would multiply by it
  j->adoSource = asImport;
  j->adoSyncOffset = 2;
  WriteWave(dir + "/s.wav", 44100, 2, 10);
  j->adoFilename = dir + "/s.wav";
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  ASSERT_TRUE(m.ok);
  EXPECT_NEAR(m.fps, 1, 0.01);
  EXPECT_EQ(m.videoFrames, 3 + 2);  // Round(1 * 2) copies of the start frame
  EXPECT_NEAR(m.audioSeconds, 5, 0.05);
}

struct PresetCase {
  uint8_t codec;
  int width, height;
  double fps;
};

TEST_F(ConversionTest, EveryMpegPresetGivesItsStandardStream) {
  const PresetCase cases[] = {{0, 352, 240, 30000.0 / 1001}, {1, 352, 288, 25},
                              {2, 720, 480, 30000.0 / 1001}, {3, 720, 576, 25},
                              {4, 480, 480, 30000.0 / 1001}, {5, 480, 576, 25}};
  WriteColorMovie(dir + "/a.swf", 64, 48, 10, 10);
  for (const PresetCase& c : cases) {
    TCovSettings* j = AddJob(dir + "/a.swf", dtMPEG);
    j->destMPEGCodec = c.codec;
    j->destFilename = "preset" + std::to_string(c.codec) + ".mpg";
  }
  RunBatch();
  for (const PresetCase& c : cases) {
    const std::string f = out + "preset" + std::to_string(c.codec) + ".mpg";
    MediaInfo m = ProbeMedia(f);
    ASSERT_TRUE(m.ok) << f;
    EXPECT_TRUE(m.hasVideo) << f;
    EXPECT_EQ(m.width, c.width) << f;
    EXPECT_EQ(m.height, c.height) << f;
    EXPECT_NEAR(m.fps, c.fps, 0.01) << f;
    // One second of movie at the preset's rate.
    EXPECT_NEAR(m.videoFrames, c.fps, 1.5) << f;
  }
}

TEST_F(ConversionTest, CustomMpegUsesTheJobsCodecRateAndFrameSize) {
  WriteColorMovie(dir + "/a.swf", 64, 48, 10, 10);
  TCovSettings* j = AddJob(dir + "/a.swf", dtMPEG);
  j->destMPEGCodec = 6;
  j->destMPEGFrameRate = 2;  // 25
  j->destMPEGCodecID = 2;    // MPEG-2
  j->destW = 160;
  j->destH = 120;
  TCovSettings* k = AddJob(dir + "/a.swf", dtMPEG);
  k->destMPEGCodec = 6;
  k->destMPEGFrameRate = 99;  // outside the table: 29.97
  k->destMPEGCodecID = 1;
  k->destFilename = "k.mpg";
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.mpg");
  EXPECT_EQ(m.videoCodec, "mpeg2video");
  EXPECT_EQ(m.width, 160);
  EXPECT_EQ(m.height, 120);
  EXPECT_NEAR(m.fps, 25, 0.01);
  MediaInfo n = ProbeMedia(out + "k.mpg");
  EXPECT_EQ(n.videoCodec, "mpeg1video");
  EXPECT_NEAR(n.fps, 30000.0 / 1001, 0.01);
}

TEST_F(ConversionTest, ImportedWaveGivesASoundTrackOfTheVideosLength) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 15);
  WriteWave(dir + "/s.wav", 22050, 1, 4.0);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  j->adoSource = asImport;
  j->adoFilename = dir + "/s.wav";
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  EXPECT_EQ(m.streams, 2);
  EXPECT_TRUE(m.hasAudio);
  EXPECT_EQ(m.audioRate, 44100);
  EXPECT_NEAR(m.audioSeconds, 1.5, 0.03);
  // The imported file is the user's: it stays.
  EXPECT_TRUE(classlib::FileExists(dir + "/s.wav"));
  EXPECT_EQ(j->adoWorkFilename, dir + "/s.wav");
}

TEST_F(ConversionTest, ImportedWaveWithALongPathKeepsItsSound) {
  std::string folder = dir;
  for (int i = 0; i < 6; ++i) folder += "/" + std::string(60, static_cast<char>('a' + i));
  ASSERT_TRUE(classlib::ForceDirectories(folder));
  const std::string wave = folder + "/sound.wav";
  ASSERT_GT(wave.size(), 300u);
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 10);
  WriteWave(wave, 44100, 2, 2.0);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  j->adoSource = asImport;
  j->adoFilename = wave;
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  EXPECT_TRUE(m.hasAudio);
  EXPECT_NEAR(m.audioSeconds, 1.0, 0.03);
}

TEST_F(ConversionTest, RecordedSourceNeverPicksUpAnOldImport) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 5);
  WriteWave(dir + "/old.wav", 44100, 2, 2.0);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  j->adoSource = asRecord;
  j->adoFilename = dir + "/old.wav";
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  EXPECT_EQ(m.videoFrames, 5);
  EXPECT_FALSE(m.hasAudio);
  EXPECT_TRUE(j->adoWorkFilename.empty());
}

TEST_F(ConversionTest, SoundMovedForwardPrecedesTheMovieWithStartFrames) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 12, 10);
  WriteWave(dir + "/s.wav", 44100, 2, 3.0);
  std::vector<std::string> labels;
  for (int mode : {2, 0}) {
    TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
    j->destSequenceMode = static_cast<uint8_t>(mode);
    j->destFilename = "mode" + std::to_string(mode) + ".avi";
    j->destStartFrame = 2;
    j->adoSource = asImport;
    j->adoFilename = dir + "/s.wav";
    j->adoIsSyncManually = true;
    j->adoSyncType = 0;
    j->adoSyncOffset = 0.5;
  }
  RunBatch();
  for (int mode : {2, 0}) {
    const std::string f = out + "mode" + std::to_string(mode) + ".avi";
    MediaInfo m = ProbeMedia(f);
    // Round(12 * 0.5) = 6 copies of the start frame, then frames 2 to 10.
    ASSERT_EQ(m.videoFrames, 6 + 9) << f;
    for (int i = 0; i < 7; ++i)
      EXPECT_EQ(DecodePicture(f, i).Rgb(5, 5), FrameColor(2)) << f << " " << i;
    for (int i = 7; i < 15; ++i)
      EXPECT_EQ(DecodePicture(f, i).Rgb(5, 5), FrameColor(i - 4)) << f << " " << i;
    EXPECT_NEAR(m.audioSeconds, 15.0 / 12, 0.03) << f;
  }
  EXPECT_EQ(form->FrameCounter[2], "9/9 Frames Done");
}

TEST_F(ConversionTest, LeadInOfLessThanHalfAFrameIsOneCopy) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 1, 3);
  WriteWave(dir + "/s.wav", 44100, 2, 10.0);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  j->adoSource = asImport;
  j->adoFilename = dir + "/s.wav";
  j->adoIsSyncManually = true;
  j->adoSyncOffset = 0.4;
  RunBatch();
  EXPECT_EQ(ProbeMedia(out + "a.avi").videoFrames, 1 + 3);
}

TEST_F(ConversionTest, SoundMovedBackwardStartsWithSilence) {
  WriteColorMovie(dir + "/a.swf", 32, 24, 10, 20);
  WriteWave(dir + "/s.wav", 44100, 2, 5.0, 8000);
  TCovSettings* j = AddJob(dir + "/a.swf", dtAVI);
  j->adoSource = asImport;
  j->adoFilename = dir + "/s.wav";
  j->adoIsSyncManually = true;
  j->adoSyncType = 1;
  j->adoSyncOffset = 0.5;
  RunBatch();
  MediaInfo m = ProbeMedia(out + "a.avi");
  EXPECT_EQ(m.videoFrames, 20);  // the pictures start at once
  EXPECT_EQ(DecodePicture(out + "a.avi", 0).Rgb(5, 5), FrameColor(1));
  ASSERT_NEAR(m.audioSeconds, 2.0, 0.03);
  const size_t half = static_cast<size_t>(m.audioRate / 2);
  EXPECT_EQ(m.audio[100], 0);
  EXPECT_EQ(m.audio[half - 100], 0);
  EXPECT_EQ(m.audio[half + 100], 8000);
  EXPECT_EQ(m.audio[m.audio.size() - 100], 8000);
}

}  // namespace
