// NetStream playing video files written here (FLV around frames from FFmpeg's encoders) into a
// Video object: the status events and their order, time, pause, seek and close, the pictures
// shown, and files that are cut short, damaged or claim absurd sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"
#include "platform/flash/video/flv_stream.h"
#include "platform/flash/video/video_decoder.h"
#include "platform/flash/video/internal/frame_picture.h"
#include "tests/flash/script_objects_support.h"
#include "tests/flash/video_encode_support.h"

namespace {

using flashtest::Script;
namespace fs = std::filesystem;

void U24(std::string& out, uint32_t v) {
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}
void U32(std::string& out, uint32_t v) {
  out += static_cast<char>(v >> 24);
  U24(out, v & 0xFFFFFF);
}
void Tag(std::string& out, uint8_t type, uint32_t ms, const std::string& body) {
  out += static_cast<char>(type);
  U24(out, static_cast<uint32_t>(body.size()));
  U24(out, ms & 0xFFFFFF);
  out += static_cast<char>(ms >> 24);
  U24(out, 0);
  out += body;
  U32(out, static_cast<uint32_t>(body.size() + 11));
}

// An FLV file of frames of `codec` (2: H.263, 3: screen video), one every 1/fps seconds (key frame
// every `gop`), with a metadata tag giving the duration and size.
std::string Flv(const std::vector<std::vector<uint8_t>>& frames, double fps, int gop,
                uint8_t codec = 2) {
  std::string out = "FLV";
  out += '\x01';
  out += '\x01';
  U32(out, 9);
  U32(out, 0);
  std::string meta;
  auto amf_string = [&meta](const std::string& s) {
    meta += static_cast<char>(s.size() >> 8);
    meta += static_cast<char>(s.size() & 0xFF);
    meta += s;
  };
  auto amf_number = [&meta](double d) {
    meta += '\x00';
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 7; i >= 0; --i) meta += static_cast<char>(bits >> (i * 8));
  };
  meta += '\x02';
  amf_string("onMetaData");
  meta += '\x08';
  U32(meta, 3);
  amf_string("duration");
  amf_number(frames.size() / fps);
  amf_string("width");
  amf_number(flashtest::kW);
  amf_string("height");
  amf_number(flashtest::kH);
  meta += std::string("\x00\x00\x09", 3);
  Tag(out, 18, 0, meta);
  for (size_t n = 0; n < frames.size(); ++n) {
    std::string body(1, static_cast<char>((n % gop == 0 ? 0x10 : 0x20) | codec));
    body.append(frames[n].begin(), frames[n].end());
    Tag(out, 9, static_cast<uint32_t>(n * 1000 / fps), body);
  }
  return out;
}

const std::vector<flash::Rgba> kColours = {{200, 30, 30, 255},  {30, 200, 30, 255},
                                           {30, 30, 200, 255},  {220, 220, 40, 255},
                                           {40, 220, 220, 255}, {120, 60, 160, 255}};

class NetStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() /
        ("netstream_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  void Write(const std::string& name, const std::string& bytes) {
    FILE* f = std::fopen((folder_ / name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  std::string Frames6(bool screen_video = false) {
    auto frames =
        flashtest::Encode(screen_video ? AV_CODEC_ID_FLASHSV : AV_CODEC_ID_FLV1, kColours, 3);
    EXPECT_EQ(frames.size(), kColours.size());
    return Flv(frames, 6, 3, screen_video ? 3 : 2);  // one second at 6 frames a second
  }
  fs::path folder_;
};

// ns = new NetStream(nc) with an onStatus handler tracing the codes (and onMetaData tracing the
// duration), then ns.play(file).
void OpenStream(Script& s, const std::string& file) {
  s.Var("nc", [](Script& c) { c.New("NetConnection"); });
  s.Call("nc", "connect", {[](Script& c) { c.a.PushNull(); }}).Drop();
  s.Var("ns", [](Script& c) { c.New("NetStream", {Script::VarRef("nc")}); });
  Script status;
  status.a.PushString("info").Op(0x1C).PushString("code").Op(0x4E).Trace();
  s.SetMember("ns", "onStatus", [&status](Script& c) { c.Function({"info"}, status); });
  Script meta;
  meta.a.PushString("meta ")
      .PushString("info")
      .Op(0x1C)
      .PushString("duration")
      .Op(0x4E)
      .Op(0x47)
      .Trace();
  s.SetMember("ns", "onMetaData", [&meta](Script& c) { c.Function({"info"}, meta); });
  s.Call("ns", "play", {Script::Str(file)}).Drop();
}

TEST_F(NetStreamTest, PlaysToTheEndWithTheStatusEventsInOrder) {
  Write("clip.flv", Frames6());
  Script s;
  s.Var("idle", [](Script& c) { c.New("NetConnection"); });
  s.TraceMember("idle.isConnected");
  OpenStream(s, "clip.flv");
  s.TraceMember("nc.isConnected");
  s.TraceMember("ns.time");
  // At 12 ticks a second, the one-second file ends in the 13th tick.
  std::string out = s.Run(12, folder_.string());
  EXPECT_EQ(out, "false\ntrue\n0\nNetStream.Play.Start\nNetStream.Buffer.Full\nmeta 1\n");
  s.player.Tick();
  s.player.Tick();
  EXPECT_EQ(flashtest::Joined(s.player.trace_log),
            out + "NetStream.Buffer.Flush\nNetStream.Play.Stop\nNetStream.Buffer.Empty\n");
  // Nothing more once it ended.
  for (int i = 0; i < 5; ++i) s.player.Tick();
  EXPECT_EQ(s.player.trace_log.size(), 9u);
}

TEST_F(NetStreamTest, TimePauseSeekAndClose) {
  Write("clip.flv", Frames6());
  Script s;
  OpenStream(s, "clip.flv");
  s.Run(1, folder_.string());
  auto run = [&s](const Script& code) {
    s.player.RunScriptNow(
        std::static_pointer_cast<flash::MovieClip>(s.player.LevelRoot(0)->shared_from_this()),
        std::make_shared<const std::vector<uint8_t>>(code.a.Build()));
  };
  auto time_now = [&]() {
    Script t;
    t.TraceMember("ns.time");
    run(t);
    return s.player.trace_log.back();
  };
  for (int i = 0; i < 3; ++i) s.player.Tick();
  EXPECT_EQ(time_now(), "0.25");
  Script pause;
  pause.Call("ns", "pause").Drop();
  run(pause);
  for (int i = 0; i < 3; ++i) s.player.Tick();
  EXPECT_EQ(time_now(), "0.25") << "paused";
  Script seek;
  seek.Call("ns", "seek", {Script::Num(0.75)}).Drop();
  run(seek);
  s.player.Tick();
  EXPECT_EQ(s.player.trace_log.back(), "NetStream.Seek.Notify");
  EXPECT_EQ(time_now(), "0.75") << "a seek keeps the pause";
  Script beyond;
  beyond.Call("ns", "seek", {Script::Num(50)}).Drop();
  run(beyond);
  EXPECT_EQ(time_now(), "1") << "seeks stop at the end";
  run(pause);  // resumes
  Script close;
  close.Call("ns", "close").Drop();
  run(close);
  const size_t lines = s.player.trace_log.size();
  for (int i = 0; i < 3; ++i) s.player.Tick();
  EXPECT_EQ(s.player.trace_log.size(), lines) << "a closed stream says nothing more";
  EXPECT_EQ(time_now(), "0");
}

TEST_F(NetStreamTest, MissingAndDamagedFilesAreNotFound) {
  Write("junk.flv", std::string(5000, '\x5A'));
  std::string valid = Frames6();
  Write("header_only.flv", valid.substr(0, 13));
  for (const char* name :
       {"none.flv", "junk.flv", "header_only.flv", "../outside.flv", "http://example.com/a.flv"}) {
    Script s;
    OpenStream(s, name);
    EXPECT_EQ(s.Run(3, folder_.string()), "NetStream.Play.StreamNotFound\n") << name;
  }
}

// The video object of a movie that places a 64x48 video at the stage's corner, with a stream
// attached by script.
struct VideoStage {
  Script script;
  std::vector<uint8_t> pixels = std::vector<uint8_t>(flashtest::kW * flashtest::kH * 4);
  flash::Rgba Centre() {
    flash::PaintStage(script.player,
                      {pixels.data(), flashtest::kW, flashtest::kH, flashtest::kW * 4},
                      {255, 255, 255, 255});
    const uint8_t* c =
        &pixels[(static_cast<size_t>(flashtest::kH / 2) * flashtest::kW + flashtest::kW / 2) * 4];
    return {c[2], c[1], c[0], c[3]};
  }
};

std::vector<uint8_t> VideoMovie(const std::vector<uint8_t>& code) {
  flash::SwfWriter w(8, flashtest::kW, flashtest::kH, 12);
  flash::BitWriter b;
  b.U16(1);
  b.U16(1);
  b.U16(flashtest::kW);
  b.U16(flashtest::kH);
  b.U8(0);
  b.U8(2);
  w.Tag(flash::kTagDefineVideoStream, b.Data());
  w.Place(flashtest::NewPlace(1, 1, "screen"));
  w.DoAction(code);
  w.ShowFrame();
  w.DoAction(flash::ActionBuilder().Stop().Build());
  w.ShowFrame();
  return w.Finish(false);
}

void ExpectNear(flash::Rgba got, flash::Rgba want, const std::string& what) {
  EXPECT_NEAR(got.r, want.r, 14) << what;
  EXPECT_NEAR(got.g, want.g, 14) << what;
  EXPECT_NEAR(got.b, want.b, 14) << what;
}

// Saves the video movie with the stage's script in the test's folder and loads it.
void LoadVideoMovie(VideoStage& v, const fs::path& folder) {
  const std::string path = (folder / "movie.swf").string();
  std::vector<uint8_t> bytes = VideoMovie(v.script.a.Build());
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  v.script.player.LoadFile(0, path);
}

TEST_F(NetStreamTest, AttachedVideoShowsTheFrameOfTheStreamsTime) {
  for (bool screen_video : {false, true}) {
    SCOPED_TRACE(screen_video ? "screen video" : "H.263");
    Write("clip.flv", Frames6(screen_video));
    VideoStage v;
    OpenStream(v.script, "clip.flv");
    v.script.Call("screen", "attachVideo", {Script::VarRef("ns")}).Drop();
    v.script.TraceMember("screen.width");
    LoadVideoMovie(v, folder_);
    v.script.player.Tick();
    EXPECT_EQ(v.script.player.trace_log.front(), std::to_string(flashtest::kW));
    ExpectNear(v.Centre(), kColours[0], "start");
    // Two ticks a frame: frame n shows from tick 2n on.
    for (int frame = 1; frame < 6; ++frame) {
      v.script.player.Tick();
      v.script.player.Tick();
      ExpectNear(v.Centre(), kColours[static_cast<size_t>(frame)],
                 "frame " + std::to_string(frame));
    }
    // The last picture stays after the end.
    for (int i = 0; i < 6; ++i) v.script.player.Tick();
    ExpectNear(v.Centre(), kColours[5], "after the end");
  }
}

TEST_F(NetStreamTest, CutAndOversizedFilesStayBounded) {
  const std::string valid = Frames6();
  // Cut inside the fourth frame: the first three play, and the end comes early.
  auto frames = flashtest::Encode(AV_CODEC_ID_FLV1, kColours, 3);
  size_t cut = valid.size();
  for (size_t n = 3; n < frames.size(); ++n) cut -= frames[n].size() + 1 + 15;
  auto stream = flash::FlvStream::Open(valid.substr(0, cut + 5));
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->FrameCount(), 3u);
  EXPECT_TRUE(stream->PictureAt(0.4));
  EXPECT_TRUE(stream->PictureAt(100));
  EXPECT_TRUE(stream->PictureAt(0));

  // A frame whose picture header claims 65535 x 65535: it shows nothing and costs nothing.
  std::vector<uint8_t> huge = frames[0];
  // Sorenson picture header: 17-bit start, 5-bit version, 8-bit time, 3-bit size code 1 (16-bit
  // width and height follow).
  auto set_bits = [&huge](size_t at, int count, uint32_t v) {
    for (int i = 0; i < count; ++i, ++at) {
      const uint8_t bit = (v >> (count - 1 - i)) & 1;
      huge[at / 8] =
          static_cast<uint8_t>((huge[at / 8] & ~(0x80 >> (at % 8))) | (bit << (7 - at % 8)));
    }
  };
  huge.insert(huge.begin() + 5, 4, 0);  // room for the larger size fields
  set_bits(30, 3, 1);
  set_bits(33, 16, 65535);
  set_bits(49, 16, 65535);
  auto big = flash::FlvStream::Open(Flv({huge}, 6, 1));
  if (big) {
    EXPECT_FALSE(big->PictureAt(0));
  }
}

TEST_F(NetStreamTest, VideoObjectsAreMovedAndSizedLikeClips) {
  Write("clip.flv", Frames6());
  VideoStage v;
  OpenStream(v.script, "clip.flv");
  v.script.Call("screen", "attachVideo", {Script::VarRef("ns")}).Drop();
  v.script.SetMember("screen", "_width", Script::Num(flashtest::kW / 2));
  v.script.SetMember("screen", "_y", Script::Num(4));
  v.script.SetMember("screen", "_height", Script::Str("tall"));  // no number: unchanged
  for (const char* m : {"screen._width", "screen._xscale", "screen._height", "screen._y"})
    v.script.TraceMember(m);
  LoadVideoMovie(v, folder_);
  v.script.player.Tick();
  EXPECT_EQ(flashtest::Joined(v.script.player.trace_log),
            "32\n50\n48\n4\nNetStream.Play.Start\nNetStream.Buffer.Full\nmeta 1\n");
  // The picture covers the left half only.
  v.Centre();
  auto at = [&v](int x, int y) {
    const uint8_t* c = &v.pixels[(static_cast<size_t>(y) * flashtest::kW + x) * 4];
    return flash::Rgba{c[2], c[1], c[0], c[3]};
  };
  ExpectNear(at(16, 24), kColours[0], "inside");
  EXPECT_EQ(at(48, 24), (flash::Rgba{255, 255, 255, 255}));
  EXPECT_EQ(at(16, 1), (flash::Rgba{255, 255, 255, 255}));
}

TEST_F(NetStreamTest, MetadataIsReadAsFarAsItHolds) {
  const std::string valid = Frames6();
  auto stream = flash::FlvStream::Open(valid);
  ASSERT_TRUE(stream);
  ASSERT_EQ(stream->Metadata().size(), 3u);
  EXPECT_EQ(stream->Metadata()[1].first, "width");
  EXPECT_EQ(stream->Metadata()[1].second.number, flashtest::kW);
  // The script tag's values damaged in every place: lengths past the tag, unknown types, a
  // count of billions. The video still plays; the metadata holds what was read before.
  for (size_t at = 13 + 11; at < 13 + 11 + 60; ++at) {
    for (uint8_t b : {0x00, 0x08, 0x0A, 0x7F, 0xFF}) {
      std::string damaged = valid;
      damaged[at] = static_cast<char>(b);
      auto s = flash::FlvStream::Open(damaged);
      if (s) {
        EXPECT_LE(s->Metadata().size(), 3u) << at;
      }
    }
  }
}

}  // namespace

namespace {

TEST_F(NetStreamTest, H263FramesFromFilesDecodeAsInMovies) {
  // Fine detail at a fine quantizer: inverse transforms that round differently put many
  // pixels a level apart. A file's frame shows exactly as the same frame in a movie's stream.
  auto frames = flashtest::EncodeFrames(AV_CODEC_ID_FLV1, 1, 1, 2, [](AVFrame* frame, size_t) {
    auto at = [frame](int plane, int x, int y) -> uint8_t& {
      return frame->data[plane][y * frame->linesize[plane] + x];
    };
    for (int y = 0; y < flashtest::kH; ++y)
      for (int x = 0; x < flashtest::kW; ++x)
        at(0, x, y) = static_cast<uint8_t>((x * 37 + y * y * 11) % 219 + 16);
    for (int y = 0; y < flashtest::kH / 2; ++y)
      for (int x = 0; x < flashtest::kW / 2; ++x) {
        at(1, x, y) = static_cast<uint8_t>(64 + (x * 13 + y * 7) % 128);
        at(2, x, y) = static_cast<uint8_t>(64 + (x * 5 + y * 19) % 128);
      }
  });
  ASSERT_EQ(frames.size(), 1u);
  auto file = flash::FlvStream::Open(Flv(frames, 6, 1));
  ASSERT_TRUE(file);
  auto from_file = file->PictureAt(0);
  auto def = std::make_shared<flash::VideoDef>(1);
  def->width = flashtest::kW;
  def->height = flashtest::kH;
  def->codec = static_cast<uint8_t>(flash::VideoCodec::SorensonH263);
  def->frames[0] = std::make_shared<const std::vector<uint8_t>>(frames[0]);
  flash::VideoDecoder embedded(def);
  auto from_movie = embedded.Frame(0);
  ASSERT_TRUE(from_file && from_movie);
  ASSERT_EQ(from_file->bgra_premultiplied.size(), from_movie->bgra_premultiplied.size());
  size_t apart = 0;
  for (size_t i = 0; i < from_file->bgra_premultiplied.size(); ++i)
    apart += from_file->bgra_premultiplied[i] != from_movie->bgra_premultiplied[i];
  EXPECT_EQ(apart, 0u);
}

TEST_F(NetStreamTest, H263FramesAskingForSmoothedEdgesShowThemSmoothed) {
  // 8x8 blocks of 96 and 104: the edge between columns 7 and 8 becomes 97, 99 | 101, 103.
  auto grey = [](const flash::BitmapDef& pic, int x) {
    return pic.bgra_premultiplied[(3 * static_cast<size_t>(pic.width) + x) * 4 + 1];
  };
  auto grey_of = [](int luma) {
    uint8_t bgr[3];
    flash::YuvToBgr(luma, 128, 128, bgr);
    return bgr[1];
  };
  for (bool asks : {false, true}) {
    SCOPED_TRACE(asks ? "asks" : "does not ask");
    std::vector<uint8_t> frame = flashtest::EncodeBlocks(AV_CODEC_ID_FLV1, 96, 104, 8);
    flashtest::SetH263DeblockingBit(frame, asks);
    auto stream = flash::FlvStream::Open(Flv({frame}, 6, 1));
    ASSERT_TRUE(stream);
    auto pic = stream->PictureAt(0);
    ASSERT_TRUE(pic);
    const int want[] = {96, 97, 99, 101, 103, 104};
    for (int x = 5; x < 11; ++x)
      EXPECT_EQ(grey(*pic, x), grey_of(asks ? want[x - 5] : x < 8 ? 96 : 104)) << x;
  }
}

}  // namespace
