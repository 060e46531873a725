// Job record: the defaults of a new job (with the encoding library's defaults), header failures,
// jobs rebuilt from stored header fields, checked reads of indexed fields and the item texts.
#include "app/job_record.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "platform/encoder/mcl.h"
#include "tests/support/test_app.h"

using namespace lumicast;

namespace {

// A plain movie of the given stage (pixels), frame rate and frame count; inside a projector when
// Projector is set.
std::vector<uint8_t> MakeMovie(int w, int h, int fps, int frames, bool projector = false) {
  // N = 16 bits per field: 5 + 64 bits = 9 bytes.
  uint32_t fields[4] = {0, uint32_t(w * 20), 0, uint32_t(h * 20)};
  std::vector<uint8_t> rect(9, 0);
  int bit = 0;
  auto put = [&](uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i, ++bit)
      if ((v >> i) & 1u) rect[size_t(bit / 8)] |= uint8_t(0x80 >> (bit % 8));
  };
  put(16, 5);
  for (uint32_t f : fields) put(f, 16);
  std::vector<uint8_t> m = {'F', 'W', 'S', 7, 0, 0, 0, 0};
  m.insert(m.end(), rect.begin(), rect.end());
  m.insert(m.end(), {0, uint8_t(fps), uint8_t(frames & 0xFF), uint8_t(frames >> 8), 0, 0});
  uint32_t len = uint32_t(m.size());
  for (int i = 0; i < 4; ++i) m[size_t(4 + i)] = uint8_t(len >> (8 * i));
  if (!projector) return m;
  std::vector<uint8_t> p(512, 0x90);
  p.insert(p.end(), m.begin(), m.end());
  for (uint32_t v : {kProjectorMarker, len})
    for (int i = 0; i < 4; ++i) p.push_back(uint8_t(v >> (8 * i)));
  return p;
}

class JobRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = temp_dir_.Path() + "/"; }
  lumitest::TempDir temp_dir_;
  std::string Write(const std::string& name, const std::vector<uint8_t>& data) {
    std::ofstream f(dir_ + name, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return dir_ + name;
  }
  std::string dir_;
};

TEST_F(JobRecordTest, NewJobDefaults) {
  std::string path = Write("a.swf", MakeMovie(550, 400, 12, 60));
  TCovSettings s;
  InitSettings(path, &s, true);

  EXPECT_EQ(s.swfFilename, path);
  EXPECT_EQ(s.swfPlayFilename, "");
  EXPECT_EQ(s.swfFileType, sfkSwf);
  EXPECT_EQ(s.swfFileVersion, 7);
  EXPECT_EQ(s.swfFileSize, 23);
  EXPECT_EQ(s.swfW, 550);
  EXPECT_EQ(s.swfH, 400);
  EXPECT_EQ(s.swfFrameRate, 12);
  EXPECT_EQ(s.swfRunFrameRate, 12);
  EXPECT_EQ(s.swfTotalFrames, 60);

  EXPECT_EQ(s.adoFilename, "");
  EXPECT_EQ(s.adoSource, 1);
  EXPECT_EQ(s.adoFileType, 1);
  EXPECT_EQ(s.adoWavChannel, 1);
  EXPECT_EQ(s.adoWavBits, 1);
  EXPECT_EQ(s.adoWavFreq, 0);
  EXPECT_EQ(s.adoMp3Channel, 1);
  EXPECT_EQ(s.adoMp3BitRate, 1);
  EXPECT_FALSE(s.adoIsSyncAutomatically);
  EXPECT_FALSE(s.adoIsSyncManually);
  EXPECT_EQ(s.adoSyncType, 0);
  EXPECT_EQ(s.adoSyncOffset, 0.5L);

  EXPECT_EQ(s.destFilename, "a.avi");
  EXPECT_EQ(s.destFilepath, dir_);
  EXPECT_EQ(s.destType, 0);
  EXPECT_EQ(s.destSequenceMode, 0);
  EXPECT_EQ(s.destColorDepth, 0);
  EXPECT_EQ(s.destAlphaMode, 2);
  EXPECT_EQ(s.destStartFrame, 1);
  EXPECT_EQ(s.destEndFrame, 60);
  EXPECT_EQ(s.destW, 550);
  EXPECT_EQ(s.destH, 400);
  EXPECT_EQ(std::vector<int>({s.destCropX, s.destCropY, s.destCropW, s.destCropH}),
            std::vector<int>({0, 0, 550, 400}));
  EXPECT_FALSE(s.destIsCrop || s.destIsKeepSourceSize || s.destIsKeepSourceFrames ||
               s.destIsKeepAspectRatio);
  EXPECT_EQ(s.destSplitSize, 74);
  EXPECT_FALSE(s.destIsSplit);
  EXPECT_FALSE(s.destAVIKeepSourceFps);
  EXPECT_EQ(s.destAVIFrameRate, 12);
  EXPECT_EQ(s.destAVICodec, "Full frames, uncompressed");
  EXPECT_EQ(s.destAVICodecID, 0x20424944u);
  EXPECT_EQ(int32_t(s.destAVICodecID), 541215044);
  EXPECT_EQ(s.destMPEGCodec, 0);
  EXPECT_EQ(s.destMPEGFrameRate, 3);
  EXPECT_EQ(s.destMPEGAspectRatio, 2);
  EXPECT_FALSE(s.destGIFKeepSourceFps);
  EXPECT_EQ(s.destGIFFrameRate, 12);
  EXPECT_EQ(s.destGIFRepeatCount, 0);
  EXPECT_EQ(s.destGIFBackgroundColor, 0xFFFFFF);
  EXPECT_EQ(s.destGIFTransparentColor, 0xFFFFFF);
  EXPECT_FALSE(s.destGIFIsBackground || s.destGIFIsTransparent || s.destGIFIsInterlaced);
  EXPECT_TRUE(s.destGIFIsLooping);
  EXPECT_EQ(s.destImageType, 0);
  EXPECT_EQ(s.destImageJPEGQuality, 85);
}

// The encoder defaults are the library's own answers: AVI at the movie's size, MPEG-1 at
// 352x240 whatever the movie's size, both at 24 bits.
TEST_F(JobRecordTest, EncoderDefaultsComeFromTheLibrary) {
  auto query = [](int32_t format, uint32_t codec, int32_t w, int32_t h) {
    MclHandle job = MclCreate();
    MclVideoSetFileFormat(job, format);
    MclVideoSetFormat(job, w, h, 24);
    MclVideoSetCodec(job, codec);
    struct R {
      uint32_t codec;
      int32_t key, rate, min, max;
      double quality;
    } r{MclVideoGetCodec(job), MclVideoGetKeyFrameRate(job), 0, 0, 0, MclVideoGetQuality(job)};
    MclVideoGetBitRate(job, &r.rate, &r.min, &r.max);
    MclFree(job);
    return r;
  };

  TCovSettings big, small;
  InitSettings(Write("big.swf", MakeMovie(1280, 720, 30, 10)), &big, true);
  InitSettings(Write("small.swf", MakeMovie(160, 120, 30, 10)), &small, true);

  auto avi = query(kMclFormatAvi, kMclFourCCDib, 1280, 720);
  EXPECT_EQ(big.destAVIKeyFramerate, avi.key);
  EXPECT_EQ(big.destAVIBitrate, avi.rate);
  EXPECT_EQ(big.destAVIMinBitrate, avi.min);
  EXPECT_EQ(big.destAVIMaxBitrate, avi.max);
  EXPECT_EQ(big.destAVIQuality, avi.quality);

  auto mpeg = query(kMclFormatMpeg, kMclCodecMpeg1, 352, 240);
  for (const TCovSettings* s : {&big, &small}) {
    EXPECT_EQ(s->destMPEGCodecID, int32_t(mpeg.codec));
    EXPECT_EQ(s->destMPEGBitrate, mpeg.rate);
    EXPECT_EQ(s->destMPEGMinBitrate, mpeg.min);
    EXPECT_EQ(s->destMPEGMaxBitrate, mpeg.max);
  }
  EXPECT_EQ(big.destMPEGCodecID, kMclCodecMpeg1);
  EXPECT_GT(big.destMPEGBitrate, 0);

  // Asked directly for another codec, the MPEG fields follow it.
  TCovSettings s = big;
  GetEncoderDefaults(kMclFormatMpeg, kMclCodecMpeg2, &s, 24, 576, 720);
  EXPECT_EQ(s.destMPEGCodecID, kMclCodecMpeg2);
  EXPECT_EQ(s.destAVIBitrate, big.destAVIBitrate);  // AVI fields untouched
}

TEST_F(JobRecordTest, ProjectorJob) {
  std::string path = Write("game.exe", MakeMovie(320, 240, 25, 5, true));
  TCovSettings s;
  InitSettings(path, &s, true);
  EXPECT_EQ(s.swfFileType, sfkProjectorSwf);
  EXPECT_EQ(s.destFilename, "game.avi");
  EXPECT_EQ(s.swfW, 320);
  EXPECT_EQ(s.destGIFFrameRate, 25);
}

TEST_F(JobRecordTest, UnreadableHeaderIsReportedAndLeavesNoGarbage) {
  std::vector<uint8_t> truncated = MakeMovie(550, 400, 12, 60);
  truncated.resize(12);
  for (const auto& [name, data] : std::vector<std::pair<std::string, std::vector<uint8_t>>>{
           {"trunc.swf", truncated},
           {"text.swf", {'h', 'e', 'l', 'l', 'o'}},
           {"x.exe", {1, 2, 3}}}) {
    TCovSettings s;
    s.swfW = 999;
    s.swfFileVersion = 42;
    s.swfTotalFrames = 1234;
    EXPECT_THROW(InitSettings(Write(name, data), &s, true), EMovieHeaderError) << name;
    EXPECT_EQ(s.swfW, 0) << name;
    EXPECT_EQ(s.swfFileVersion, 0) << name;
    EXPECT_EQ(s.swfTotalFrames, 0) << name;
  }
  TCovSettings s;
  EXPECT_THROW(InitSettings(dir_ + "gone.swf", &s, true), classlib::EFOpenError);
}

TEST_F(JobRecordTest, WithoutHeaderReadTheStoredFieldsAreUsed) {
  TCovSettings s;
  s.swfFilename = "/stored/m.swf";
  s.swfFileType = sfkCompressedSwf;
  s.swfW = 640;
  s.swfH = 480;
  s.swfFrameRate = 15;
  s.swfRunFrameRate = 15;
  s.swfTotalFrames = 300;
  InitSettings("/movies/m.swf", &s, false);  // the movie need not exist
  EXPECT_EQ(s.swfFilename, "/stored/m.swf");
  EXPECT_EQ(s.swfFileType, sfkCompressedSwf);
  EXPECT_EQ(s.destFilename, "m.avi");
  EXPECT_EQ(s.destFilepath, "/movies/");
  EXPECT_EQ(s.destEndFrame, 300);
  EXPECT_EQ(s.destCropW, 640);
  EXPECT_EQ(s.destH, 480);
  EXPECT_EQ(s.destAVIFrameRate, 15);
}

TEST(JobRecordIndexTest, OutOfRangeValuesGiveTheDefaults) {
  TCovSettings s;
  s.destType = 4;
  s.destSequenceMode = 200;
  s.destImageType = 5;
  s.destMPEGCodec = 7;
  s.destMPEGFrameRate = -1;
  s.destMPEGAspectRatio = 0;
  s.adoSource = 3;
  s.adoSyncType = 2;
  s.adoWavFreq = 3;
  s.adoMp3BitRate = 8;
  s.adoMp3Channel = -4;
  s.swfFileType = static_cast<TSwfFileKind>(9);
  EXPECT_EQ(DestTypeOf(s), 0);
  EXPECT_EQ(DestSequenceModeOf(s), 0);
  EXPECT_EQ(DestImageTypeOf(s), 0);
  EXPECT_EQ(DestMpegCodecOf(s), 0);
  EXPECT_EQ(DestMpegFrameRateOf(s), 3);
  EXPECT_EQ(DestMpegAspectRatioOf(s), 2);
  EXPECT_EQ(AdoSourceOf(s), 1);
  EXPECT_EQ(AdoSyncTypeOf(s), 0);
  EXPECT_EQ(AdoWavFreqOf(s), 0);
  EXPECT_EQ(AdoMp3BitRateOf(s), 1);
  EXPECT_EQ(AdoMp3ChannelOf(s), 1);
  EXPECT_EQ(SwfFileTypeOf(s), sfkUnknown);

  // The last entry of each table is still in range.
  s.destType = 3;
  s.destMPEGAspectRatio = 4;
  s.destMPEGFrameRate = 7;
  s.adoMp3BitRate = 7;
  EXPECT_EQ(DestTypeOf(s), 3);
  EXPECT_EQ(DestMpegAspectRatioOf(s), 4);
  EXPECT_STREQ(kMpegFrameRateTexts[DestMpegFrameRateOf(s)], "60 fps");
  EXPECT_EQ(kMp3BitRateValues[AdoMp3BitRateOf(s)], 320);
}

TEST(JobRecordTextTest, ItemTexts) {
  TCovSettings s;
  s.swfFilename = "/movies/intro.swf";
  s.destFilename = "intro.avi";
  s.destFilepath = "/out/";
  s.adoFilename = "/sounds/music.mp3";
  EXPECT_EQ(JobItemText(s), "intro.swf@/movies/");

  s.destType = dtAVI;
  s.adoSource = asNone;
  EXPECT_EQ(JobSoundText(s), "None");
  s.adoSource = asRecord;
  EXPECT_EQ(JobSoundText(s), "Record from itself");
  s.adoSource = asImport;
  EXPECT_EQ(JobSoundText(s), "music.mp3@/sounds/");
  EXPECT_EQ(JobOutputText(s), "intro.avi@/out/");

  s.destType = dtMPEG;
  EXPECT_EQ(JobSoundText(s), "music.mp3@/sounds/");
  s.destType = dtGIF;
  EXPECT_EQ(JobSoundText(s), "None");
  EXPECT_EQ(JobOutputText(s), "intro.avi@/out/");
  s.destType = dtImages;
  EXPECT_EQ(JobSoundText(s), "None");
  EXPECT_EQ(JobOutputText(s), "/out/");

  // Values no window writes, as from a hand-edited job list: shown as the defaults.
  s.destType = 17;
  s.adoSource = 9;
  EXPECT_EQ(JobSoundText(s), "Record from itself");
  EXPECT_EQ(JobOutputText(s), "intro.avi@/out/");
}

}  // namespace
