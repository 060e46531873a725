// Timing of the player's sound, run by hand:
//   1. mixing 32 event voices for 60 s of sound in 10 ms periods (target: under 3 % of one core,
//      i.e. under 1.8 s of processor time);
//      once more with a script's channel transform on every voice;
//   2. the first start of a 60 s MP3 event sound: its decoding (target: under 0.3 s), with the
//      memory the decoded sound takes;
//   3. a 640x480, 300-frame movie converted in mode 0 (played under the frame lock) to an MJPEG
//      AVI through the conversion window, with MP3 stream sound and without (target: within 5 %),
//      wall and processor time.
// Usage: bench_movie_sound [--no-conversion]
#include <sys/resource.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include "app/interact_form.h"
#include "app/job_record.h"
#include "bench/plugin_path.h"
#include "platform/classlib/application.h"
#include "platform/flash/format/sound_writer.h"
#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/sound/sound_decoder.h"
#include "platform/flash/sound/sound_mixer.h"
#include "tests/treectl/fake_tree.h"
#include "treectl/tree_items.h"

using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

// `seconds` of a stereo 44.1 kHz tone encoded with the MP3 encoder at 128 kbit/s, a packet (one
// MP3 frame of 1152 samples) an element.
std::vector<std::vector<uint8_t>> Mp3Tone(int seconds) {
  std::vector<std::vector<uint8_t>> out;
  const AVCodec* enc = avcodec_find_encoder_by_name("libmp3lame");
  if (!enc) return out;
  AVCodecContext* ctx = avcodec_alloc_context3(enc);
  ctx->sample_rate = 44100;
  av_channel_layout_default(&ctx->ch_layout, 2);
  ctx->sample_fmt = AV_SAMPLE_FMT_S16P;
  ctx->bit_rate = 128000;
  if (avcodec_open2(ctx, enc, nullptr) < 0) return out;
  AVFrame* frame = av_frame_alloc();
  AVPacket* pkt = av_packet_alloc();
  long at = 0;
  while (at < seconds * 44100L) {
    frame->nb_samples = ctx->frame_size;
    frame->format = ctx->sample_fmt;
    av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
    av_frame_get_buffer(frame, 0);
    for (int i = 0; i < ctx->frame_size; ++i) {
      auto v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440.0 * (at + i) / 44100));
      reinterpret_cast<int16_t*>(frame->data[0])[i] = v;
      reinterpret_cast<int16_t*>(frame->data[1])[i] = v;
    }
    at += ctx->frame_size;
    avcodec_send_frame(ctx, frame);
    av_frame_unref(frame);
    while (avcodec_receive_packet(ctx, pkt) == 0) {
      out.emplace_back(pkt->data, pkt->data + pkt->size);
      av_packet_unref(pkt);
    }
  }
  av_packet_free(&pkt);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  return out;
}

// 640x480, 300 frames at 25 fps: a backdrop and twelve discs moving over it; with `mp3` its
// packets as the movie's stream sound, whole packets to each frame's block.
void WriteConversionMovie(const std::string& path, const std::vector<std::vector<uint8_t>>* mp3) {
  constexpr int kW = 640, kH = 480, kFrames = 300, kDiscs = 12;
  flash::SwfWriter w(8, kW, kH, 25);
  flash::ShapeBuilder back;
  back.Rectangle(0, 0, kW * 20, kH * 20,
                 back.AddFill(flash::FillStyleSpec::Solid({30, 60, 110, 255})));
  w.DefineShape(1, back);
  for (int i = 0; i < kDiscs; ++i) {
    flash::ShapeBuilder d;
    d.SetStyle(0,
               d.AddFill(flash::FillStyleSpec::Solid({static_cast<uint8_t>(40 + i * 17), 200,
                                                      static_cast<uint8_t>(250 - i * 13), 220})),
               0);
    const int r = 600 + i * 60;
    d.MoveTo(-r, 0);
    d.CurveTo(-r, -r, 0, -r);
    d.CurveTo(r, -r, r, 0);
    d.CurveTo(r, r, 0, r);
    d.CurveTo(-r, r, -r, 0);
    w.DefineShape(static_cast<uint16_t>(2 + i), d);
  }
  flash::SoundStreamHead head;
  head.stream = head.playback = {flash::kSoundMp3, 3, true, true};
  head.samples_per_block = 1764;
  if (mp3) w.Tag(flash::kTagSoundStreamHead2, flash::EncodeSoundStreamHead(head));
  flash::PlaceSpec bg;
  bg.character_id = 1;
  w.Place(bg);
  size_t packet = 0;
  for (int f = 0; f < kFrames; ++f) {
    for (int i = 0; i < kDiscs; ++i) {
      flash::PlaceSpec p;
      p.depth = static_cast<uint16_t>(2 + i);
      p.character_id = f == 0 ? 2 + i : -1;
      p.move = f > 0;
      p.has_matrix = true;
      const double a = f * 0.04 * (1 + i % 4) + i;
      p.matrix = {1,
                  0,
                  0,
                  1,
                  std::round(kW * 10 + std::cos(a) * (2500 + i * 150)),
                  std::round(kH * 10 + std::sin(a * 1.3) * (1800 + i * 100))};
      w.Place(p);
    }
    if (mp3) {
      // The packets whose samples begin before the end of this frame.
      std::vector<uint8_t> block;
      uint16_t samples = 0;
      while (packet < mp3->size() && packet * 1152 < static_cast<size_t>(f + 1) * 1764) {
        block.insert(block.end(), (*mp3)[packet].begin(), (*mp3)[packet].end());
        samples = static_cast<uint16_t>(samples + 1152);
        ++packet;
      }
      if (!block.empty())
        w.Tag(flash::kTagSoundStreamBlock,
              flash::EncodeSoundStreamBlock(head.stream, block, samples, 0));
    }
    w.ShowFrame();
  }
  w.Save(path, false);
}

struct Times {
  double wall = 0, cpu = 0;
};

// One conversion job in mode 0 through the conversion window.
Times ConvertInMode0(const std::string& movie, const std::string& fps, const std::string& dir) {
  lumicast::TCovSettings job;
  lumicast::InitSettings(movie, &job, true);
  job.destType = lumicast::dtAVI;
  job.destSequenceMode = 0;
  job.adoSource = lumicast::asNone;
  job.destFilepath = dir + "/";
  job.destFilename = "mode0.avi";
  job.destAVICodecID = 0x47504A4D;  // MJPG
  job.destAVIQuality = 75;
  lumitest::FakeTree tree;
  lumicast::TElTreeItem* item = tree.items->AddItem(nullptr);
  item->Data = &job;
  item->SetChecked(true);
  auto* form = new lumicast::TInteractFrm(nullptr);
  form->AfterConstruction();
  form->FpsMovie = fps;
  form->JobList = tree.items.get();
  form->Show();
  classlib::Application->ProcessMessages();
  const double cpu0 = CpuSeconds();
  const auto t0 = Clock::now();
  form->mniStart->Click();
  Times t{std::chrono::duration<double>(Clock::now() - t0).count(), CpuSeconds() - cpu0};
  form->Hide();
  delete form;
  std::remove((dir + "/mode0.avi").c_str());
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("LUMICAST_SOUND", "none", 0);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const bool conversion = !(argc > 1 && std::strcmp(argv[1], "--no-conversion") == 0);
  // 1. 32 voices of a 2 s looping sound with envelopes, mixed for 60 s.
  auto pcm = std::make_shared<std::vector<int16_t>>(2 * 88200);
  for (size_t i = 0; i < pcm->size(); ++i)
    (*pcm)[i] = static_cast<int16_t>(1000 * std::sin(i * 0.01));
  flash::SoundMixer mixer;
  flash::SoundInfo info;
  info.loops = 100;
  info.envelope = {{0, 0, 32768}, {44100, 32768, 0}};
  int keys[32];
  for (int& k : keys) mixer.Start(nullptr, &k, pcm, info);
  std::vector<int16_t> out(441 * 2);
  double cpu0 = CpuSeconds();
  for (int p = 0; p < 6000; ++p) {
    std::fill(out.begin(), out.end(), 0);
    mixer.Render(out.data(), 441);
  }
  double cpu = CpuSeconds() - cpu0;
  std::printf("mixing 32 voices for 60 s: %.3f s of processor time (%.2f %% of one core)\n", cpu,
              cpu / 60 * 100);

  // 1b. The same with a script's channel transform on every voice (volume and pan).
  flash::SoundMixer levelled;
  flash::SoundMixer::Levels levels{16384, 0, 8192, 4096};
  for (int& k : keys) levelled.Start(nullptr, &k, pcm, info, &keys[0], levels);
  cpu0 = CpuSeconds();
  for (int p = 0; p < 6000; ++p) {
    std::fill(out.begin(), out.end(), 0);
    levelled.Render(out.data(), 441);
  }
  cpu = CpuSeconds() - cpu0;
  std::printf("the same under a channel transform: %.3f s (%.2f %% of one core)\n", cpu,
              cpu / 60 * 100);

  // 2. First start of a 60 s MP3 sound.
  flash::SoundDef def(1);
  def.format = {flash::kSoundMp3, 3, true, true};
  const std::vector<std::vector<uint8_t>> minute = Mp3Tone(60);
  for (const auto& packet : minute) def.data.insert(def.data.end(), packet.begin(), packet.end());
  if (def.data.empty()) {
    std::printf("no MP3 encoder: decoding and conversion steps skipped\n");
    return 0;
  }
  auto t0 = Clock::now();
  auto decoded = flash::DecodeEventSound(def);
  double secs = std::chrono::duration<double>(Clock::now() - t0).count();
  std::printf("first start of a 60 s MP3 sound (%zu bytes): %.3f s, decoded %.1f MB\n",
              def.data.size(), secs, decoded->size() * 2 / 1048576.0);
  if (!conversion) return 0;

  // 3. Conversion in mode 0, with and without stream sound, each twice (the better run counts).
  classlib::Application->Initialize();
  char tmpl[] = "/tmp/movie-sound-XXXXXX";
  const std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  const std::string silent = dir + "/silent.swf", sounding = dir + "/sound.swf";
  const std::string plugin = DefaultPlugin();  // the frame signal movie lies beside it
  const std::string fps = plugin.substr(0, plugin.rfind('/') + 1) + "fps";
  const std::vector<std::vector<uint8_t>> stream(
      minute.begin(), minute.begin() + std::min<size_t>(minute.size(), 470));
  WriteConversionMovie(silent, nullptr);
  WriteConversionMovie(sounding, &stream);
  Times best[2];
  for (int round = 0; round < 2; ++round) {
    for (int with_sound = 0; with_sound < 2; ++with_sound) {
      Times t = ConvertInMode0(with_sound ? sounding : silent, fps, dir);
      Times& b = best[with_sound];
      if (round == 0 || t.wall < b.wall) b.wall = t.wall;
      if (round == 0 || t.cpu < b.cpu) b.cpu = t.cpu;
    }
  }
  std::printf(
      "640x480, 300 frames in mode 0 to MJPEG AVI: without sound %.3f s (processor %.3f s), "
      "with MP3 stream sound %.3f s (processor %.3f s): %+.1f %% wall, %+.1f %% processor "
      "(target within 5 %%)\n",
      best[0].wall, best[0].cpu, best[1].wall, best[1].cpu, 100 * (best[1].wall / best[0].wall - 1),
      100 * (best[1].cpu / best[0].cpu - 1));
  for (const std::string& f : {silent, sounding}) std::remove(f.c_str());
  rmdir(dir.c_str());
  return 0;
}
