#include "tests/flash/sound_test_util.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace soundtest {

std::vector<std::vector<uint8_t>> Encode(uint8_t codec, const std::vector<int16_t>& samples,
                                         int rate, int channels, int* delay) {
  std::vector<std::vector<uint8_t>> out;
  const AVCodec* enc = nullptr;
  if (codec == flash::kSoundAdpcm) enc = avcodec_find_encoder(AV_CODEC_ID_ADPCM_SWF);
  if (codec == flash::kSoundMp3) enc = avcodec_find_encoder_by_name("libmp3lame");
  if (codec == flash::kSoundNelly || codec == flash::kSoundNelly8k ||
      codec == flash::kSoundNelly16k)
    enc = avcodec_find_encoder(AV_CODEC_ID_NELLYMOSER);
  if (!enc) return out;
  AVCodecContext* ctx = avcodec_alloc_context3(enc);
  ctx->sample_rate = rate;
  av_channel_layout_default(&ctx->ch_layout, channels);
  ctx->sample_fmt = enc->sample_fmts ? enc->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  if (codec == flash::kSoundMp3) ctx->bit_rate = 128000;
  if (avcodec_open2(ctx, enc, nullptr) < 0) {
    avcodec_free_context(&ctx);
    return out;
  }
  if (delay) *delay = ctx->initial_padding;
  AVFrame* frame = av_frame_alloc();
  AVPacket* pkt = av_packet_alloc();
  size_t total = samples.size() / static_cast<size_t>(channels);
  int step = ctx->frame_size > 0 ? ctx->frame_size : 1024;
  auto drain = [&] {
    while (avcodec_receive_packet(ctx, pkt) == 0) {
      out.emplace_back(pkt->data, pkt->data + pkt->size);
      av_packet_unref(pkt);
    }
  };
  for (size_t at = 0; at < total; at += static_cast<size_t>(step)) {
    frame->nb_samples = step;
    frame->format = ctx->sample_fmt;
    av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
    frame->sample_rate = rate;
    av_frame_get_buffer(frame, 0);
    for (int i = 0; i < step; ++i) {
      for (int c = 0; c < channels; ++c) {
        size_t src =
            (at + static_cast<size_t>(i)) * static_cast<size_t>(channels) + static_cast<size_t>(c);
        int16_t v = src < samples.size() && at + static_cast<size_t>(i) < total ? samples[src] : 0;
        switch (ctx->sample_fmt) {
          case AV_SAMPLE_FMT_S16:
            reinterpret_cast<int16_t*>(frame->data[0])[i * channels + c] = v;
            break;
          case AV_SAMPLE_FMT_S16P: reinterpret_cast<int16_t*>(frame->data[c])[i] = v; break;
          case AV_SAMPLE_FMT_FLT:
            reinterpret_cast<float*>(frame->data[0])[i * channels + c] = v / 32768.0f;
            break;
          case AV_SAMPLE_FMT_FLTP:
            reinterpret_cast<float*>(frame->data[c])[i] = v / 32768.0f;
            break;
          case AV_SAMPLE_FMT_S32P: reinterpret_cast<int32_t*>(frame->data[c])[i] = v * 65536; break;
          default: break;
        }
      }
    }
    avcodec_send_frame(ctx, frame);
    av_frame_unref(frame);
    drain();
  }
  avcodec_send_frame(ctx, nullptr);
  drain();
  av_packet_free(&pkt);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  return out;
}

double ReferencePeak(uint8_t codec, const std::vector<std::vector<uint8_t>>& packets, int rate) {
  const AVCodec* dec =
      codec == flash::kSoundNelly || codec == flash::kSoundNelly8k || codec == flash::kSoundNelly16k
          ? avcodec_find_decoder(AV_CODEC_ID_NELLYMOSER)
          : nullptr;
  if (!dec) return -1;
  AVCodecContext* ctx = avcodec_alloc_context3(dec);
  ctx->sample_rate = rate;
  av_channel_layout_default(&ctx->ch_layout, 1);
  if (avcodec_open2(ctx, dec, nullptr) < 0) {
    avcodec_free_context(&ctx);
    return -1;
  }
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<float> all;
  for (const auto& p : packets) {
    if (av_new_packet(pkt, static_cast<int>(p.size())) < 0) break;
    std::copy(p.begin(), p.end(), pkt->data);
    avcodec_send_packet(ctx, pkt);
    av_packet_unref(pkt);
    while (avcodec_receive_frame(ctx, frame) == 0) {
      if (frame->format == AV_SAMPLE_FMT_FLT || frame->format == AV_SAMPLE_FMT_FLTP) {
        const float* f = reinterpret_cast<const float*>(frame->extended_data[0]);
        all.insert(all.end(), f, f + frame->nb_samples);
      }
      av_frame_unref(frame);
    }
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  if (all.size() < 4) return -1;
  double peak = 0;
  for (size_t i = all.size() / 4; i < all.size() * 3 / 4; ++i)
    peak = std::max(peak, static_cast<double>(std::abs(all[i])));
  return peak;
}

Measure MeasureChannel(const std::vector<int16_t>& frames, int channel, size_t from, size_t to) {
  Measure m;
  size_t n = frames.size() / 2;
  to = std::min(to, n);
  m.onset = n;
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = from; i < to; ++i) {
    int v = frames[2 * i + static_cast<size_t>(channel)];
    m.peak = std::max(m.peak, std::abs(v) / 32768.0);
    if (m.onset == n && std::abs(v) > 300) m.onset = i;
    if (i > from) {
      int p = frames[2 * (i - 1) + static_cast<size_t>(channel)];
      if (p < 0 && v >= 0) {
        double at = static_cast<double>(i - 1) + static_cast<double>(-p) / (v - p);
        if (first < 0) first = at;
        last = at;
        ++crossings;
      }
    }
  }
  if (crossings > 1) m.freq = (crossings - 1) * 44100.0 / (last - first);
  return m;
}

}  // namespace soundtest
