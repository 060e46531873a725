#include "platform/encoder/audio_stream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

#include "platform/encoder/internal/ff_util.h"
#include "platform/encoder/mcl.h"

namespace mcl {
namespace {

struct SwrDeleter {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;

struct InputDeleter {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;

SwrPtr MakeResampler(const AVChannelLayout* inLayout, AVSampleFormat inFmt, int inRate, int outRate,
                     int outChannels) {
  AVChannelLayout outLayout;
  av_channel_layout_default(&outLayout, outChannels);
  SwrContext* s = nullptr;
  const int r =
      swr_alloc_set_opts2(&s, &outLayout, AV_SAMPLE_FMT_S16, outRate,
                          const_cast<AVChannelLayout*>(inLayout), inFmt, inRate, 0, nullptr);
  av_channel_layout_uninit(&outLayout);
  if (r < 0 || !s) return nullptr;
  if (swr_init(s) < 0) {
    swr_free(&s);
    return nullptr;
  }
  return SwrPtr(s);
}

// Runs samples through a resampler and appends the result to `out`.
bool Resample(SwrContext* swr, const uint8_t* const* in, int inFrames, int outChannels,
              std::vector<int16_t>& out) {
  const int64_t room = swr_get_out_samples(swr, inFrames);
  if (room < 0) return false;
  if (room == 0) return true;
  const size_t old = out.size();
  out.resize(old + size_t(room) * size_t(outChannels));
  uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + old);
  const int got = swr_convert(swr, &dst, int(room), const_cast<const uint8_t**>(in), inFrames);
  if (got < 0) {
    out.resize(old);
    return false;
  }
  out.resize(old + size_t(got) * size_t(outChannels));
  return true;
}

}  // namespace

// Decodes one file's first sound stream.
class AudioDecoder {
 public:
  // 0 when opened; kMclBadInput when the file is missing or holds no
  // decodable sound.
  int32_t Open(const std::string& fileName, int outRate, int outChannels) {
    outChannels_ = outChannels;
    RouteLibraryMessages();
    AVFormatContext* f = nullptr;
    if (avformat_open_input(&f, fileName.c_str(), nullptr, nullptr) < 0) return kMclBadInput;
    input_.reset(f);
    if (avformat_find_stream_info(f, nullptr) < 0) return kMclBadInput;
    const AVCodec* codec = nullptr;
    stream_ = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream_ < 0 || !codec) return kMclBadInput;
    ctx_.reset(avcodec_alloc_context3(codec));
    if (!ctx_ || avcodec_parameters_to_context(ctx_.get(), f->streams[stream_]->codecpar) < 0 ||
        avcodec_open2(ctx_.get(), codec, nullptr) < 0)
      return kMclBadInput;
    if (ctx_->sample_rate <= 0 || ctx_->ch_layout.nb_channels <= 0) return kMclBadInput;
    swr_ =
        MakeResampler(&ctx_->ch_layout, ctx_->sample_fmt, ctx_->sample_rate, outRate, outChannels);
    if (!swr_) return kMclBadInput;
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!frame_ || !packet_) return kMclException;
    return kMclOk;
  }

  // Appends decoded samples; sets `end` at the end of the file. kMclOk or
  // kMclReadError.
  int32_t Decode(std::vector<int16_t>& out, bool& end) {
    end = false;
    for (;;) {
      int r = avcodec_receive_frame(ctx_.get(), frame_.get());
      if (r >= 0) {
        if (!Resample(swr_.get(), frame_->extended_data, frame_->nb_samples, outChannels_, out))
          return kMclReadError;
        av_frame_unref(frame_.get());
        return kMclOk;
      }
      if (r == AVERROR_EOF) {
        Resample(swr_.get(), nullptr, 0, outChannels_, out);  // what the resampler holds
        end = true;
        return kMclOk;
      }
      if (r != AVERROR(EAGAIN)) {
        // A damaged frame is skipped; a decoder that keeps failing is a
        // read error.
        if (++errors_ > 1000) return kMclReadError;
        continue;
      }
      if (draining_) {
        end = true;
        return kMclOk;
      }
      r = av_read_frame(input_.get(), packet_.get());
      if (r == AVERROR_EOF) {
        draining_ = true;
        avcodec_send_packet(ctx_.get(), nullptr);
        continue;
      }
      if (r < 0) return kMclReadError;
      if (packet_->stream_index == stream_) avcodec_send_packet(ctx_.get(), packet_.get());
      av_packet_unref(packet_.get());
    }
  }

 private:
  InputPtr input_;
  CodecContextPtr ctx_;
  SwrPtr swr_;
  FramePtr frame_;
  PacketPtr packet_;
  int stream_ = -1;
  int outChannels_ = 2;
  bool draining_ = false;
  int errors_ = 0;
};

AudioStream::AudioStream(int rate, int channels, ErrorAsk ask)
    : rate_(rate), channels_(channels), ask_(std::move(ask)) {}

AudioStream::~AudioStream() = default;

int32_t AudioStream::CheckFile(const std::string& fileName) {
  for (;;) {
    AudioDecoder probe;
    if (probe.Open(fileName, rate_, channels_) == kMclOk) return kMclOk;
    const int32_t action = ask_ ? ask_(fileName) : 0;
    if (action == kMclActionRetry) continue;
    if (action == kMclActionAbort) return kMclAborted;
    if (action == kMclActionIgnore) return kMclActionIgnore;
    return kMclBadInput;
  }
}

int32_t AudioStream::Refill() {
  buffer_.erase(buffer_.begin(), buffer_.begin() + ptrdiff_t(bufferPos_));
  bufferPos_ = 0;
  while (buffer_.empty() && !done_) {
    if (silenceLeft_ > 0) {
      const int64_t n = std::min<int64_t>(silenceLeft_, 4096);
      buffer_.assign(size_t(n) * size_t(channels_), 0);
      silenceLeft_ -= n;
      return kMclOk;
    }
    if (decoder_) {
      bool end = false;
      const int32_t r = decoder_->Decode(buffer_, end);
      if (r != kMclOk) {
        const int32_t action = ask_ ? ask_(items_[next_ - 1].fileName) : 0;
        if (action == kMclActionAbort) return kMclAborted;
        if (action == kMclActionRetry) continue;
        if (action != kMclActionIgnore) return kMclReadError;
        end = true;  // ignored: the rest of this file is left out
      }
      if (end) decoder_.reset();
      continue;
    }
    if (next_ >= items_.size()) {
      done_ = true;
      break;
    }
    AudioItem& item = items_[next_++];
    if (item.isFile) {
      decoder_ = std::make_unique<AudioDecoder>();
      const int32_t r = decoder_->Open(item.fileName, rate_, channels_);
      if (r != kMclOk) {
        decoder_.reset();
        const int32_t action = ask_ ? ask_(item.fileName) : 0;
        if (action == kMclActionAbort) return kMclAborted;
        if (action == kMclActionRetry) {
          --next_;
          continue;
        }
        if (action != kMclActionIgnore) return kMclReadError;
      }
      continue;
    }
    if (item.data.empty()) {
      // Silence: its length at the output rate.
      silenceLeft_ = av_rescale(item.frames, rate_, item.rate);
      continue;
    }
    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, item.channels);
    SwrPtr swr = MakeResampler(&inLayout, item.bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16,
                               item.rate, rate_, channels_);
    av_channel_layout_uninit(&inLayout);
    if (!swr) return kMclException;
    const uint8_t* in[1] = {item.data.data()};
    if (!Resample(swr.get(), in, int(item.frames), channels_, buffer_) ||
        !Resample(swr.get(), nullptr, 0, channels_, buffer_))
      return kMclException;
    std::vector<uint8_t>().swap(item.data);
  }
  return kMclOk;
}

int64_t AudioStream::Read(int16_t* out, int64_t frames) {
  int64_t got = 0;
  while (got < frames) {
    if (bufferPos_ >= buffer_.size()) {
      if (done_) break;
      const int32_t r = Refill();
      if (r != kMclOk) return -r;
      if (buffer_.empty()) break;
    }
    const int64_t avail = int64_t(buffer_.size() - bufferPos_) / channels_;
    const int64_t n = std::min(avail, frames - got);
    std::memcpy(out + got * channels_, buffer_.data() + bufferPos_,
                size_t(n) * size_t(channels_) * sizeof(int16_t));
    bufferPos_ += size_t(n) * size_t(channels_);
    got += n;
  }
  return got;
}

bool ProbeAudio(const std::string& fileName, bool& hasAudio, bool& supported, int& rate,
                int& channels, int64_t& durationMs) {
  hasAudio = supported = false;
  rate = channels = 0;
  durationMs = 0;
  RouteLibraryMessages();
  AVFormatContext* f = nullptr;
  if (avformat_open_input(&f, fileName.c_str(), nullptr, nullptr) < 0) return false;
  InputPtr input(f);
  if (avformat_find_stream_info(f, nullptr) < 0) return false;
  int index = -1;
  for (unsigned i = 0; i < f->nb_streams; ++i)
    if (f->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      index = int(i);
      break;
    }
  if (index < 0) return true;
  hasAudio = true;
  const AVStream* st = f->streams[index];
  rate = st->codecpar->sample_rate;
  channels = st->codecpar->ch_layout.nb_channels;
  if (st->duration > 0)
    durationMs = av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
  else if (f->duration > 0)
    durationMs = f->duration / 1000;
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  if (!codec || rate <= 0 || channels <= 0) return true;
  CodecContextPtr ctx(avcodec_alloc_context3(codec));
  supported = ctx && avcodec_parameters_to_context(ctx.get(), st->codecpar) >= 0 &&
              avcodec_open2(ctx.get(), codec, nullptr) >= 0;
  return true;
}

}  // namespace mcl
