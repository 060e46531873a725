#include "tests/app/conversion_fixture.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "platform/classlib/file_utils.h"
#include "platform/flash/format/writer.h"
#include "tests/flash/movie_builder.h"
#include "tests/support/test_app.h"
#include "treectl/tree_items.h"

namespace convtest {

using namespace lumicast;

uint32_t FrameColor(int Frame) {
  const uint32_t r = static_cast<uint32_t>(Frame * 37 + 20) & 0xFF;
  const uint32_t g = static_cast<uint32_t>(230 - Frame * 23) & 0xFF;
  const uint32_t b = static_cast<uint32_t>(Frame * 71 + 40) & 0xFF;
  return r << 16 | g << 8 | b;
}

void WriteColorMovie(const std::string& Path, int Width, int Height, double Rate, int Frames) {
  flash::SwfWriter w(6, Width, Height, Rate);
  for (int k = 1; k <= Frames; ++k) {
    const uint32_t c = FrameColor(k);
    flash::ShapeBuilder s;
    s.Rectangle(0, 0, Width * 20, Height * 20,
                s.AddFill(flash::FillStyleSpec::Solid({static_cast<uint8_t>(c >> 16),
                                                       static_cast<uint8_t>(c >> 8),
                                                       static_cast<uint8_t>(c), 255})));
    w.DefineShape(static_cast<uint16_t>(k), s);
    if (k > 1) w.Remove(1);
    w.Place(flashtest::NewPlace(1, k));
    w.ShowFrame();
  }
  ASSERT_TRUE(w.Save(Path, false)) << Path;
}

void WriteWave(const std::string& Path, int Rate, int Channels, double Seconds, int16_t Level) {
  const uint32_t frames = static_cast<uint32_t>(Rate * Seconds);
  const uint32_t data = frames * static_cast<uint32_t>(Channels) * 2;
  std::vector<uint8_t> b;
  b.reserve(44 + data);
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  u32(36 + data);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(static_cast<uint16_t>(Channels));
  u32(static_cast<uint32_t>(Rate));
  u32(static_cast<uint32_t>(Rate * Channels * 2));
  u16(static_cast<uint16_t>(Channels * 2));
  u16(16);
  tag("data");
  u32(data);
  for (uint32_t i = 0; i < frames * static_cast<uint32_t>(Channels); ++i)
    u16(static_cast<uint16_t>(Level));
  FILE* f = std::fopen(Path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

namespace {

int16_t SampleAt(const AVFrame* F, int I) {
  switch (static_cast<AVSampleFormat>(F->format)) {
    case AV_SAMPLE_FMT_S16:
      return reinterpret_cast<const int16_t*>(F->data[0])[I * F->ch_layout.nb_channels];
    case AV_SAMPLE_FMT_S16P: return reinterpret_cast<const int16_t*>(F->data[0])[I];
    case AV_SAMPLE_FMT_U8:
      return static_cast<int16_t>((F->data[0][I * F->ch_layout.nb_channels] - 128) << 8);
    case AV_SAMPLE_FMT_FLTP:
      return static_cast<int16_t>(reinterpret_cast<const float*>(F->data[0])[I] * 32767);
    case AV_SAMPLE_FMT_FLT:
      return static_cast<int16_t>(
          reinterpret_cast<const float*>(F->data[0])[I * F->ch_layout.nb_channels] * 32767);
    case AV_SAMPLE_FMT_S32P:
      return static_cast<int16_t>(reinterpret_cast<const int32_t*>(F->data[0])[I] >> 16);
    default: return 0;
  }
}

struct FormatCloser {
  AVFormatContext* ctx = nullptr;
  ~FormatCloser() { avformat_close_input(&ctx); }
};
struct CodecCloser {
  AVCodecContext* ctx = nullptr;
  ~CodecCloser() { avcodec_free_context(&ctx); }
};

AVCodecContext* OpenDecoder(AVStream* St) {
  const AVCodec* codec = avcodec_find_decoder(St->codecpar->codec_id);
  if (!codec) return nullptr;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(c, St->codecpar);
  if (avcodec_open2(c, codec, nullptr) < 0) {
    avcodec_free_context(&c);
    return nullptr;
  }
  return c;
}

}  // namespace

MediaInfo ProbeMedia(const std::string& Path) {
  MediaInfo info;
  FormatCloser fmt;
  if (avformat_open_input(&fmt.ctx, Path.c_str(), nullptr, nullptr) < 0) return info;
  if (avformat_find_stream_info(fmt.ctx, nullptr) < 0) return info;
  info.streams = static_cast<int>(fmt.ctx->nb_streams);
  int video = -1, audio = -1;
  for (unsigned i = 0; i < fmt.ctx->nb_streams; ++i) {
    AVStream* st = fmt.ctx->streams[i];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && video < 0) {
      video = static_cast<int>(i);
      info.hasVideo = true;
      info.width = st->codecpar->width;
      info.height = st->codecpar->height;
      info.videoCodec = avcodec_get_name(st->codecpar->codec_id);
      AVRational r = st->avg_frame_rate.num ? st->avg_frame_rate : st->r_frame_rate;
      info.fps = r.den ? av_q2d(r) : 0;
    } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && audio < 0) {
      audio = static_cast<int>(i);
      info.hasAudio = true;
    }
  }
  CodecCloser dec;
  if (audio >= 0) {
    dec.ctx = OpenDecoder(fmt.ctx->streams[audio]);
    if (dec.ctx) info.audioRate = dec.ctx->sample_rate;
  }
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&] {
    while (avcodec_receive_frame(dec.ctx, frame) == 0) {
      for (int i = 0; i < frame->nb_samples; ++i) info.audio.push_back(SampleAt(frame, i));
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(fmt.ctx, pkt) >= 0) {
    if (pkt->stream_index == video) ++info.videoFrames;
    if (pkt->stream_index == audio && dec.ctx && avcodec_send_packet(dec.ctx, pkt) == 0) drain();
    av_packet_unref(pkt);
  }
  if (dec.ctx) {
    avcodec_send_packet(dec.ctx, nullptr);
    drain();
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  if (info.audioRate > 0)
    info.audioSeconds = static_cast<double>(info.audio.size()) / info.audioRate;
  info.ok = true;
  return info;
}

uint32_t Picture::Rgb(int X, int Y) const {
  const uint8_t* p = &rgba[(static_cast<size_t>(Y) * width + X) * 4];
  return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}

uint8_t Picture::Alpha(int X, int Y) const {
  return rgba[(static_cast<size_t>(Y) * width + X) * 4 + 3];
}

Picture DecodePicture(const std::string& Path, int Index) {
  Picture pic;
  FormatCloser fmt;
  if (avformat_open_input(&fmt.ctx, Path.c_str(), nullptr, nullptr) < 0) return pic;
  if (avformat_find_stream_info(fmt.ctx, nullptr) < 0) return pic;
  int video = av_find_best_stream(fmt.ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (video < 0) return pic;
  CodecCloser dec;
  dec.ctx = OpenDecoder(fmt.ctx->streams[video]);
  if (!dec.ctx) return pic;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int seen = 0;
  auto take = [&]() -> bool {
    while (avcodec_receive_frame(dec.ctx, frame) == 0) {
      if (seen++ == Index) {
        pic.width = frame->width;
        pic.height = frame->height;
        const AVPixFmtDescriptor* d =
            av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
        pic.hasAlpha = d && (d->flags & AV_PIX_FMT_FLAG_ALPHA);
        pic.rgba.resize(static_cast<size_t>(frame->width) * frame->height * 4);
        SwsContext* sws = sws_getContext(
            frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
            frame->height, AV_PIX_FMT_RGBA, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* dst[4] = {pic.rgba.data(), nullptr, nullptr, nullptr};
        int stride[4] = {frame->width * 4, 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
        sws_freeContext(sws);
        pic.ok = true;
        av_frame_unref(frame);
        return true;
      }
      av_frame_unref(frame);
    }
    return false;
  };
  bool done = false;
  while (!done && av_read_frame(fmt.ctx, pkt) >= 0) {
    if (pkt->stream_index == video && avcodec_send_packet(dec.ctx, pkt) == 0) done = take();
    av_packet_unref(pkt);
  }
  if (!done) {
    avcodec_send_packet(dec.ctx, nullptr);
    take();
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  return pic;
}

std::vector<std::string> ListFiles(const std::string& Folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Folder, ec))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void TRecordingInteractFrm::Log(const std::string& Line) {
  TInteractFrm::Log(Line);
  LogWithCounter.emplace_back(Line, labTotal->Caption());
  FrameCounter.push_back(labCurrent->Caption());
}

void ConversionTest::SetUp() {
  dir = temp_dir.Path();
  ASSERT_FALSE(dir.empty());
  out = dir + "/out/";
  guard = std::make_unique<classlib::TDialogServiceGuard>(&dialogs);
  tree = std::make_unique<lumitest::FakeTree>();
  form = new TRecordingInteractFrm(nullptr);
  form->AfterConstruction();
  form->FpsMovie = lumitest::BinDir() + "/fps";
  ASSERT_TRUE(classlib::FileExists(form->FpsMovie)) << form->FpsMovie;
  form->JobList = tree->items.get();
  form->Show();
}

void ConversionTest::TearDown() {
  watcher.reset();
  if (form) {
    form->Hide();
    delete form;
    form = nullptr;
  }
  tree.reset();
  jobs.clear();
  guard.reset();
}

TCovSettings* ConversionTest::AddJob(const std::string& MoviePath, uint8_t DestType, bool Checked) {
  auto job = std::make_unique<TCovSettings>();
  InitSettings(MoviePath, job.get(), true);
  job->destFilepath = out;
  job->destType = DestType;
  job->destFilename = classlib::ChangeFileExt(classlib::ExtractFileName(MoviePath),
                                              DestType == dtMPEG ? ".mpg" : ".avi");
  job->adoSource = asNone;
  job->destSequenceMode = 2;
  TElTreeItem* item = tree->items->AddItem(nullptr);
  item->SetText(JobItemText(*job));
  item->Data = job.get();
  item->SetChecked(Checked);
  jobs.push_back(std::move(job));
  return jobs.back().get();
}

void ConversionTest::RunBatch() {
  // Messages pending from earlier steps (showing the window) run first, as they would before a
  // user's click.
  classlib::Application->ProcessMessages();
  form->mniStart->Click();
}

std::vector<std::string> ConversionTest::LogLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < form->memStatus->Lines()->Count(); ++i)
    lines.push_back(form->memStatus->Lines()->Strings(i));
  return lines;
}

void ConversionTest::WhenDuringRun(std::function<bool()> Condition, std::function<void()> Action) {
  watcher = std::make_unique<classlib::TTimer>(nullptr);
  watcher->SetInterval(1);
  auto done = std::make_shared<bool>(false);
  watcher->SetOnTimer(
      [Condition = std::move(Condition), Action = std::move(Action), done](classlib::TObject*) {
        if (*done || !Condition()) return;
        *done = true;
        Action();
      });
}

}  // namespace convtest
