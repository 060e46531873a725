// Conversions to MPEG: the VCD, SVCD and DVD presets, custom MPEG-1 and
// MPEG-2 streams, aspect codes, scaling and odd sizes.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <vector>

#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

std::string ConvertMpeg(MclHandle job, const std::string& name, int images, int w, int h,
                        bool withSound, int32_t* result) {
  static lumitest::TempDir temp_dir;  // the callers read the file after this returns
  const std::string path = temp_dir.File(name);
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
  lumitest::TempDir temp_dir;
  const std::string path = temp_dir.File("rate.mpg");
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

namespace {

// What disc players check beyond size and rate: the pack size and mux rate
// of the program stream, the buffer size and peak rate in the sequence
// header, the aspect code and the distance between key frames.
struct StreamHeaders {
  std::vector<size_t> packs;  // offsets of pack start codes
  int64_t muxRate = 0;        // bit/s, from the first pack
  int seqWidth = 0, seqHeight = 0, aspectCode = 0;
  int64_t seqBitRate = 0;  // bit/s
  int vbvKbit16 = 0;       // units of 16 kbit
};

StreamHeaders ReadHeaders(const std::string& path) {
  StreamHeaders h;
  FILE* f = std::fopen(path.c_str(), "rb");
  std::vector<uint8_t> d;
  if (!f) return h;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) d.insert(d.end(), buf, buf + n);
  std::fclose(f);
  bool seqSeen = false;
  for (size_t i = 0; i + 16 <= d.size(); ++i) {
    if (d[i] || d[i + 1] || d[i + 2] != 1) continue;
    const uint8_t* p = &d[i + 4];
    if (d[i + 3] == 0xBA) {
      if (h.packs.empty()) {
        if ((p[0] >> 6) == 1)  // MPEG-2 pack header
          h.muxRate = int64_t((p[6] << 14) | (p[7] << 6) | (p[8] >> 2)) * 400;
        else
          h.muxRate = int64_t(((p[5] & 0x7F) << 15) | (p[6] << 7) | (p[7] >> 1)) * 400;
      }
      h.packs.push_back(i);
    } else if (d[i + 3] == 0xB3 && !seqSeen) {
      seqSeen = true;
      h.seqWidth = (p[0] << 4) | (p[1] >> 4);
      h.seqHeight = ((p[1] & 15) << 8) | p[2];
      h.aspectCode = p[3] >> 4;
      h.seqBitRate = int64_t((p[4] << 10) | (p[5] << 2) | (p[6] >> 6)) * 400;
      h.vbvKbit16 = ((p[6] & 0x1F) << 5) | (p[7] >> 3);
    }
  }
  return h;
}

// Display positions of the intra-coded pictures.
std::vector<int> IntraFramePositions(const std::string& path) {
  std::vector<int> positions;
  AVFormatContext* f = nullptr;
  if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return positions;
  avformat_find_stream_info(f, nullptr);
  const AVCodec* codec = nullptr;
  const int v = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  AVCodecContext* ctx = v >= 0 ? avcodec_alloc_context3(codec) : nullptr;
  if (ctx && (avcodec_parameters_to_context(ctx, f->streams[v]->codecpar) < 0 ||
              avcodec_open2(ctx, codec, nullptr) < 0))
    avcodec_free_context(&ctx);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int shown = 0;
  auto drain = [&] {
    while (avcodec_receive_frame(ctx, frame) >= 0) {
      if (frame->pict_type == AV_PICTURE_TYPE_I) positions.push_back(shown);
      ++shown;
    }
  };
  while (ctx && av_read_frame(f, pkt) >= 0) {
    if (pkt->stream_index == v && avcodec_send_packet(ctx, pkt) >= 0) drain();
    av_packet_unref(pkt);
  }
  if (ctx && avcodec_send_packet(ctx, nullptr) >= 0) drain();
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  avformat_close_input(&f);
  return positions;
}

TEST(MpegConvert, PresetStreamsCarryTheDiscParameters) {
  struct Case {
    int32_t preset, ntsc;
    size_t packSize;
    int64_t muxRate;  // 0: not checked
    int64_t peakRate;
    int vbv;
    int gop;
  } cases[] = {
      {kMclPresetVcd, kMclPal, 2324, 1411200, 1150000, 20, 15},
      {kMclPresetVcd, kMclNtsc, 2324, 1411200, 1150000, 20, 18},
      {kMclPresetSvcd, kMclPal, 2324, 0, 2516000, 112, 15},
      {kMclPresetSvcd, kMclNtsc, 2324, 0, 2516000, 112, 18},
      {kMclPresetDvd, kMclPal, 2048, 10080000, 9000000, 112, 15},
      {kMclPresetDvd, kMclNtsc, 2048, 10080000, 9000000, 112, 18},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.preset) + "/" + std::to_string(c.ntsc));
    MclHandle job = MclCreate();
    ASSERT_EQ(MclSetFormatPreset(job, c.preset, c.ntsc), kMclOk);
    MclVideoSetAspectRatio(job, kMclAspect4x3);
    int32_t result = -1;
    const std::string path = ConvertMpeg(job, "disc.mpg", 40, 200, 150, true, &result);
    ASSERT_EQ(result, kMclOk);
    const StreamHeaders h = ReadHeaders(path);
    ASSERT_GT(h.packs.size(), 2u);
    for (size_t i = 1; i < h.packs.size(); ++i) ASSERT_EQ(h.packs[i] - h.packs[i - 1], c.packSize);
    if (c.muxRate) {
      EXPECT_EQ(h.muxRate, c.muxRate);
    }
    EXPECT_EQ(h.seqBitRate, c.peakRate);
    EXPECT_EQ(h.vbvKbit16, c.vbv);
    int w = 0, hh = 0;
    (void)DecodeFrameBGRA(path, 0, w, hh);
    EXPECT_EQ(h.seqWidth, w);
    EXPECT_EQ(h.seqHeight, hh);
    // MPEG-2 writes the display aspect itself (2 = 4:3); MPEG-1 the pixel
    // shape of the TV standard (8: 625 lines, 12: 525 lines).
    EXPECT_EQ(h.aspectCode, c.preset == kMclPresetVcd ? (c.ntsc ? 12 : 8) : 2);
    const std::vector<int> intra = IntraFramePositions(path);
    ASSERT_GE(intra.size(), 3u);
    EXPECT_EQ(intra[0], 0);
    for (size_t i = 1; i < intra.size(); ++i) EXPECT_EQ(intra[i] - intra[i - 1], c.gop);
    MclFree(job);
  }
}

}  // namespace

namespace {

// A sound rate the MPEG audio encoder cannot take is carried at the nearest
// one it can, with the sound's length kept.
TEST(MpegConvert, SoundAtARateMpegAudioLacksTakesTheNearestRate) {
  for (int rate : {11025, 22050}) {
    SCOPED_TRACE(rate);
    MclHandle job = MclCreate();
    MclVideoSetFileFormat(job, kMclFormatMpeg);
    MclVideoSetCodec(job, kMclCodecMpeg1);
    MclVideoSetFormat(job, 176, 144, 24);
    MclVideoSetFrameRate(job, 25.0);
    ASSERT_EQ(MclAudioSetFormat(job, rate, 2, 16), kMclOk);
    int32_t result = -1;
    const std::string path = ConvertMpeg(job, "lowrate.mpg", 25, 176, 144, true, &result);
    ASSERT_EQ(result, kMclOk);
    const FileInfo info = Probe(path, true);
    ASSERT_NE(info.Audio(), nullptr);
    EXPECT_EQ(info.Audio()->codec, "mp2");
    EXPECT_EQ(info.Audio()->sampleRate, 32000);
    EXPECT_NEAR(double(info.Audio()->samples), 32000, 1152);  // the second of silence
    MclFree(job);
  }
}

}  // namespace
