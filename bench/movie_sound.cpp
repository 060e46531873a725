// Timing of the player's sound, run by hand:
//   1. mixing 32 event voices for 60 s of sound in 10 ms periods (target: under 3 % of one core,
//      i.e. under 1.8 s of processor time);
//      once more with a script's channel transform on every voice;
//   2. the first start of a 60 s MP3 event sound: its decoding (target: under 0.3 s), with the
//      memory the decoded sound takes.
// Usage: bench_movie_sound
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include "platform/flash/sound/sound_decoder.h"
#include "platform/flash/sound/sound_mixer.h"

using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

// 60 s of a stereo 44.1 kHz tone encoded with the MP3 encoder at 128 kbit/s.
std::vector<uint8_t> Mp3Minute() {
  std::vector<uint8_t> out;
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
  while (at < 60L * 44100) {
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
      out.insert(out.end(), pkt->data, pkt->data + pkt->size);
      av_packet_unref(pkt);
    }
  }
  av_packet_free(&pkt);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  return out;
}

}  // namespace

int main() {
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
  def.data = Mp3Minute();
  if (def.data.empty()) {
    std::printf("no MP3 encoder: decoding step skipped\n");
    return 0;
  }
  auto t0 = Clock::now();
  auto decoded = flash::DecodeEventSound(def);
  double secs = std::chrono::duration<double>(Clock::now() - t0).count();
  std::printf("first start of a 60 s MP3 sound (%zu bytes): %.3f s, decoded %.1f MB\n",
              def.data.size(), secs, decoded->size() * 2 / 1048576.0);
  return 0;
}
