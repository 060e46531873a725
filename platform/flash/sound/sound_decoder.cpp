#include "platform/flash/sound/sound_decoder.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace flash {

namespace {

bool IsPcm(uint8_t codec) { return codec == kSoundPcmNative || codec == kSoundPcmLittle; }

AVCodecID CodecId(uint8_t codec) {
  switch (codec) {
    case kSoundAdpcm: return AV_CODEC_ID_ADPCM_SWF;
    case kSoundMp3: return AV_CODEC_ID_MP3;
    case kSoundNelly16k:
    case kSoundNelly8k:
    case kSoundNelly: return AV_CODEC_ID_NELLYMOSER;
    case kSoundSpeex: return AV_CODEC_ID_SPEEX;
    default: return AV_CODEC_ID_NONE;
  }
}

int IntRate(double rate) { return static_cast<int>(std::lround(std::floor(rate))); }

}  // namespace

struct SoundDecoder::Impl {
  SoundFormat format;
  const AVCodec* codec = nullptr;
  AVCodecContext* ctx = nullptr;
  AVCodecParserContext* parser = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  SwrContext* swr = nullptr;
  // The resampler's input as it was set up; a decoder that changes it mid-stream gets a new one.
  int swr_rate = 0, swr_format = -1, swr_channels = 0, out_channels = 2;
  std::vector<int16_t> scratch;
  bool usable = false;

  explicit Impl(const SoundFormat& f) : format(f) { Open(); }
  ~Impl() { Close(); }

  void Open() {
    if (IsPcm(format.codec)) {
      usable = true;
      return;
    }
    AVCodecID id = CodecId(format.codec);
    if (id == AV_CODEC_ID_NONE) return;
    codec = avcodec_find_decoder(id);
    if (!codec) return;
    ctx = avcodec_alloc_context3(codec);
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (!ctx || !packet || !frame) return;
    ctx->sample_rate = IntRate(format.SampleRate());
    // Nellymoser and Speex are mono whatever the channel bit says.
    int channels = id == AV_CODEC_ID_NELLYMOSER || id == AV_CODEC_ID_SPEEX ? 1 : format.Channels();
    av_channel_layout_default(&ctx->ch_layout, channels);
    if (avcodec_open2(ctx, codec, nullptr) < 0) return;
    if (id == AV_CODEC_ID_MP3) parser = av_parser_init(id);
    usable = id != AV_CODEC_ID_MP3 || parser;
  }

  void Close() {
    if (parser) av_parser_close(parser);
    parser = nullptr;
    avcodec_free_context(&ctx);
    av_packet_free(&packet);
    av_frame_free(&frame);
    swr_free(&swr);
    swr_rate = 0;
    swr_format = -1;
    swr_channels = 0;
    usable = false;
  }

  // The resampler keeps the channel count (at most two); a mono sound is then copied to both
  // channels at full level.
  bool EnsureResampler(int rate, AVSampleFormat fmt, const AVChannelLayout* layout) {
    int channels = std::clamp(layout->nb_channels, 1, 2);
    if (swr && swr_rate == rate && swr_format == fmt && swr_channels == layout->nb_channels)
      return true;
    swr_free(&swr);
    AVChannelLayout in_layout, out_layout;
    av_channel_layout_default(&in_layout, layout->nb_channels);
    av_channel_layout_default(&out_layout, channels);
    if (swr_alloc_set_opts2(&swr, &out_layout, AV_SAMPLE_FMT_S16, kSoundMixRate, &in_layout, fmt,
                            rate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
      swr_free(&swr);
      return false;
    }
    swr_rate = rate;
    swr_format = fmt;
    swr_channels = layout->nb_channels;
    out_channels = channels;
    return true;
  }

  // Resamples `count` input samples (a channel) into `out`, keeping it within `max_frames`.
  void Resample(const uint8_t** in, int count, std::vector<int16_t>& out, size_t max_frames) {
    size_t have = out.size() / 2;
    if (have >= max_frames) return;
    int room = swr_get_out_samples(swr, count);
    if (room <= 0) return;
    scratch.resize(static_cast<size_t>(room) * static_cast<size_t>(out_channels));
    uint8_t* dst = reinterpret_cast<uint8_t*>(scratch.data());
    int got = std::max(swr_convert(swr, &dst, room, in, count), 0);
    size_t frames = std::min(static_cast<size_t>(got), max_frames - have);
    out.resize((have + frames) * 2);
    int16_t* o = out.data() + have * 2;
    if (out_channels == 2) {
      std::copy(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(frames * 2), o);
    } else {
      for (size_t i = 0; i < frames; ++i) o[2 * i] = o[2 * i + 1] = scratch[i];
    }
  }

  void DecodePcm(const uint8_t* data, size_t size, std::vector<int16_t>& out, size_t max_frames) {
    int channels = format.Channels();
    size_t bytes_per = format.sixteen_bit ? 2 : 1;
    size_t count = size / (bytes_per * static_cast<size_t>(channels));
    // Never convert more than what still fits under the bound, counted at the source rate.
    double room =
        static_cast<double>(max_frames - out.size() / 2) * format.SampleRate() / kSoundMixRate;
    count = std::min(count, static_cast<size_t>(room) + 1);
    std::vector<int16_t> samples(count * static_cast<size_t>(channels));
    for (size_t i = 0; i < samples.size(); ++i) {
      if (format.sixteen_bit)
        samples[i] = static_cast<int16_t>(data[2 * i] | data[2 * i + 1] << 8);
      else
        samples[i] = static_cast<int16_t>((data[i] - 128) << 8);
    }
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    if (!EnsureResampler(IntRate(format.SampleRate()), AV_SAMPLE_FMT_S16, &layout)) return;
    const uint8_t* in[] = {reinterpret_cast<const uint8_t*>(samples.data())};
    Resample(in, static_cast<int>(count), out, max_frames);
  }

  void Receive(std::vector<int16_t>& out, size_t max_frames) {
    while (avcodec_receive_frame(ctx, frame) == 0) {
      if (EnsureResampler(frame->sample_rate > 0 ? frame->sample_rate : ctx->sample_rate,
                          static_cast<AVSampleFormat>(frame->format), &frame->ch_layout))
        Resample(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples, out,
                 max_frames);
      av_frame_unref(frame);
    }
  }

  void SendPacket(const uint8_t* data, size_t size, std::vector<int16_t>& out, size_t max_frames) {
    if (av_new_packet(packet, static_cast<int>(size)) < 0) return;
    std::copy(data, data + size, packet->data);
    int r = avcodec_send_packet(ctx, packet);
    av_packet_unref(packet);
    if (r == AVERROR(EAGAIN)) {
      Receive(out, max_frames);
      return;
    }
    Receive(out, max_frames);
  }

  void Decode(const uint8_t* data, size_t size, std::vector<int16_t>& out, size_t max_frames) {
    if (!usable || size == 0 || out.size() / 2 >= max_frames) return;
    if (IsPcm(format.codec)) {
      DecodePcm(data, size, out, max_frames);
      return;
    }
    if (size > static_cast<size_t>(INT32_MAX / 2)) return;
    if (parser) {
      // MP3: the parser cuts the bytes into frames, carrying a partial frame to the next call.
      std::vector<uint8_t> padded(data, data + size);
      padded.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
      const uint8_t* p = padded.data();
      int left = static_cast<int>(size);
      while (left > 0 && out.size() / 2 < max_frames) {
        uint8_t* frame_data = nullptr;
        int frame_size = 0;
        int used = av_parser_parse2(parser, ctx, &frame_data, &frame_size, p, left, AV_NOPTS_VALUE,
                                    AV_NOPTS_VALUE, 0);
        if (used < 0) return;
        p += used;
        left -= used;
        if (frame_size > 0)
          SendPacket(frame_data, static_cast<size_t>(frame_size), out, max_frames);
        if (used == 0 && frame_size == 0) break;
      }
      return;
    }
    SendPacket(data, size, out, max_frames);
  }

  void Flush(std::vector<int16_t>& out, size_t max_frames) {
    if (!usable) return;
    if (ctx) {
      if (parser) {
        uint8_t* frame_data = nullptr;
        int frame_size = 0;
        av_parser_parse2(parser, ctx, &frame_data, &frame_size, nullptr, 0, AV_NOPTS_VALUE,
                         AV_NOPTS_VALUE, 0);
        if (frame_size > 0)
          SendPacket(frame_data, static_cast<size_t>(frame_size), out, max_frames);
      }
      avcodec_send_packet(ctx, nullptr);
      Receive(out, max_frames);
    }
    if (swr) Resample(nullptr, 0, out, max_frames);
  }
};

SoundDecoder::SoundDecoder(const SoundFormat& format) : impl_(std::make_unique<Impl>(format)) {}
SoundDecoder::~SoundDecoder() = default;

bool SoundDecoder::Usable() const { return impl_->usable; }

void SoundDecoder::Decode(const uint8_t* data, size_t size, std::vector<int16_t>& out,
                          size_t max_frames) {
  impl_->Decode(data, size, out, max_frames);
}

void SoundDecoder::Flush(std::vector<int16_t>& out, size_t max_frames) {
  impl_->Flush(out, max_frames);
}

void SoundDecoder::Reset() {
  SoundFormat f = impl_->format;
  impl_ = std::make_unique<Impl>(f);
}

std::shared_ptr<const std::vector<int16_t>> DecodeEventSound(const SoundDef& def) {
  auto pcm = std::make_shared<std::vector<int16_t>>();
  SoundDecoder decoder(def.format);
  decoder.Decode(def.data.data(), def.data.size(), *pcm);
  decoder.Flush(*pcm);
  if (def.format.codec == kSoundMp3 && def.seek_samples > 0) {
    size_t skip = static_cast<size_t>(
        std::lround(def.seek_samples * kSoundMixRate / def.format.SampleRate()));
    skip = std::min(skip, pcm->size() / 2);
    pcm->erase(pcm->begin(), pcm->begin() + static_cast<std::ptrdiff_t>(skip * 2));
  }
  pcm->shrink_to_fit();
  return pcm;
}

}  // namespace flash
