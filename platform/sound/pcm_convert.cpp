#include "platform/sound/pcm_convert.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace sound::internal {

bool IsPlayablePcm(const WAVEFORMATEX& f) {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
  if (f.nChannels < 1 || f.nChannels > 2) return false;
  if (f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 192000) return false;
  return f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

PcmConverter::PcmConverter(uint32_t SrcRate, int SrcChannels, int SrcBits, uint32_t DstRate,
                           int DstChannels, int DstBits)
    : src_rate_(SrcRate), dst_rate_(DstRate), dst_channels_(DstChannels), dst_bytes_(DstBits / 8) {
  AVChannelLayout in, out;
  av_channel_layout_default(&in, SrcChannels);
  av_channel_layout_default(&out, DstChannels);
  const AVSampleFormat inFmt = SrcBits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  const AVSampleFormat outFmt = DstBits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  SwrContext* ctx = nullptr;
  if (swr_alloc_set_opts2(&ctx, &out, outFmt, static_cast<int>(DstRate), &in, inFmt,
                          static_cast<int>(SrcRate), 0, nullptr) < 0 ||
      !ctx)
    return;
  // Mono from stereo is the plain average of the two channels.
  if (SrcChannels == 2 && DstChannels == 1) {
    const double matrix[2] = {0.5, 0.5};
    swr_set_matrix(ctx, matrix, 2);
  } else if (SrcChannels == 1 && DstChannels == 2) {
    const double matrix[2] = {1.0, 1.0};
    swr_set_matrix(ctx, matrix, 1);
  }
  if (swr_init(ctx) < 0) {
    swr_free(&ctx);
    return;
  }
  ctx_ = ctx;
}

PcmConverter::~PcmConverter() { swr_free(&ctx_); }

void PcmConverter::Convert(const uint8_t* In, int Frames, std::vector<uint8_t>& Out) {
  if (!ctx_ || Frames <= 0) return;
  const int cap = swr_get_out_samples(ctx_, Frames) + 16;
  const size_t base = Out.size();
  Out.resize(base + static_cast<size_t>(cap) * dst_channels_ * dst_bytes_);
  uint8_t* out = Out.data() + base;
  const uint8_t* in = In;
  const int n = swr_convert(ctx_, &out, cap, &in, Frames);
  Out.resize(base + static_cast<size_t>(n > 0 ? n : 0) * dst_channels_ * dst_bytes_);
}

void PcmConverter::Flush(std::vector<uint8_t>& Out) {
  if (!ctx_) return;
  const int cap = swr_get_out_samples(ctx_, 0) + 64;
  const size_t base = Out.size();
  Out.resize(base + static_cast<size_t>(cap) * dst_channels_ * dst_bytes_);
  uint8_t* out = Out.data() + base;
  const int n = swr_convert(ctx_, &out, cap, nullptr, 0);
  Out.resize(base + static_cast<size_t>(n > 0 ? n : 0) * dst_channels_ * dst_bytes_);
  swr_init(ctx_);
}

}  // namespace sound::internal
