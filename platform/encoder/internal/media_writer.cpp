#include "platform/encoder/internal/media_writer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/encoder/codec_table.h"
#include "platform/encoder/mcl.h"

namespace mcl {
namespace {

// The frame rates MPEG-1 and MPEG-2 video can carry.
const AVRational kMpegRates[] = {{24000, 1001}, {24, 1}, {25, 1},       {30000, 1001},
                                 {30, 1},       {50, 1}, {60000, 1001}, {60, 1}};

AVRational ToRational(double fps, bool mpeg) {
  AVRational r = av_d2q(fps, 100000);
  if (r.num <= 0 || r.den <= 0) r = AVRational{25, 1};
  if (!mpeg) return r;
  // MPEG streams take the nearest standard rate.
  AVRational best = kMpegRates[0];
  for (const AVRational& c : kMpegRates)
    if (std::fabs(av_q2d(c) - fps) < std::fabs(av_q2d(best) - fps)) best = c;
  return best;
}

// Display aspect of the aspect codes; 1 is square pixels.
AVRational DisplayAspect(int32_t code) {
  switch (code) {
    case kMclAspect4x3: return {4, 3};
    case kMclAspect16x9: return {16, 9};
    case kMclAspect221x1: return {221, 100};
    default: return {0, 1};
  }
}

// Quality 0..100 onto the quantiser scale 31..1.
int QualityToQscale(double quality) {
  double q = quality < 0 ? 0 : (quality > 100 ? 100 : quality);
  return int(std::lround(31.0 - q * 30.0 / 100.0));
}

}  // namespace

int OutputSampleRate(const Job& job) {
  if (job.fileFormat != kMclFormatMpeg) return job.sampleRate;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP2);
  if (!codec || !codec->supported_samplerates) return job.sampleRate;
  int best = 0;
  // Only the full rates: the half rates cannot carry the usual bit rates
  // (224 kbit/s and more).
  for (const int* r = codec->supported_samplerates; *r; ++r)
    if (*r >= 32000 && (!best || std::abs(*r - job.sampleRate) < std::abs(best - job.sampleRate)))
      best = *r;
  return best ? best : job.sampleRate;
}

MediaWriter::MediaWriter(const Job& job, ErrorAsk ask) : job_(job), ask_(std::move(ask)) {
  RouteLibraryMessages();
}

MediaWriter::~MediaWriter() {
  queue_.reset();
  CloseFile();
  if (dibPool_) av_buffer_pool_uninit(&dibPool_);
}

int MediaWriter::AudioRate() const { return audioCtx_ ? audioCtx_->sample_rate : 0; }
int MediaWriter::AudioChannels() const { return audioCtx_ ? audioCtx_->ch_layout.nb_channels : 0; }

void MediaWriter::CloseFile() {
  if (fmt_) {
    if (fileOpen_ && fmt_->pb) avio_closep(&fmt_->pb);
    avformat_free_context(fmt_);
    fmt_ = nullptr;
  }
  fileOpen_ = false;
}

void MediaWriter::Discard() {
  queue_.reset();
  const bool created = fileOpen_;
  CloseFile();
  struct stat st {};
  if (created && !fileName_.empty() && stat(fileName_.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    unlink(fileName_.c_str());
}

int32_t MediaWriter::HandleWriteError() {
  const int32_t action = ask_ ? ask_(fileName_) : 0;
  if (action == kMclActionAbort) {
    aborted_ = true;
    return kMclAborted;
  }
  if (action == kMclActionRetry) return kMclActionRetry;
  // Ignored (or nobody to ask): nothing more is written; the result is 5.
  writeFailed_ = true;
  return action == kMclActionIgnore ? kMclOk : kMclWriteError;
}

int32_t MediaWriter::Open(const std::string& fileName, int width, int height, bool withAudio) {
  fileName_ = fileName;
  const bool mpeg = job_.fileFormat == kMclFormatMpeg;
  if (job_.fileFormat != kMclFormatAvi && !mpeg) return kMclBadOutput;
  entry_ = FindCodec(job_.fileFormat, job_.codec);
  if (!entry_) return kMclBadOutput;
  const char* muxer = "avi";
  if (mpeg)
    muxer = job_.preset ? job_.preset->muxer : (job_.codec == kMclCodecMpeg2 ? "vob" : "mpeg");
  if (avformat_alloc_output_context2(&fmt_, nullptr, muxer, nullptr) < 0 || !fmt_)
    return kMclException;
  fmt_->max_delay = int(0.7 * AV_TIME_BASE);
  // The muxer holds back packets of one stream while it waits for the other;
  // once the sound track has ended it waits up to this long before it writes
  // the video alone. Its default of 10 s of uncompressed frames is hundreds
  // of megabytes.
  fmt_->max_interleave_delta = AV_TIME_BASE;
  packet_.reset(av_packet_alloc());
  if (!packet_) return kMclException;
  frameRate_ = ToRational(job_.frameRate, mpeg);
  int32_t r = OpenVideo(width, height);
  if (r != kMclOk) return r;
  if (withAudio) {
    r = OpenAudio();
    if (r != kMclOk) return r;
  }

  for (;;) {
    if (avio_open(&fmt_->pb, fileName.c_str(), AVIO_FLAG_WRITE) >= 0) break;
    r = HandleWriteError();
    if (r == kMclActionRetry) continue;
    return r;
  }
  fileOpen_ = true;

  AVDictionary* opts = nullptr;
  if (!mpeg) av_dict_set(&opts, "flipped_raw_rgb", "1", 0);  // uncompressed rows bottom-up
  if (mpeg && job_.preset) {
    if (job_.preset->muxRate > 0) av_dict_set_int(&opts, "muxrate", job_.preset->muxRate, 0);
    if (job_.preset->codec == kMclCodecMpeg1) av_dict_set_int(&opts, "preload", 440000, 0);
    fmt_->packet_size = job_.preset->packetSize;
  }
  for (;;) {
    AVDictionary* o = nullptr;
    av_dict_copy(&o, opts, 0);
    const int hr = avformat_write_header(fmt_, &o);
    av_dict_free(&o);
    if (hr >= 0 && fmt_->pb->error >= 0) break;
    if (hr < 0 && hr != AVERROR(EIO) && hr != AVERROR(ENOSPC) && fmt_->pb->error >= 0) {
      av_dict_free(&opts);
      return kMclException;
    }
    r = HandleWriteError();
    if (r == kMclActionRetry) {
      fmt_->pb->error = 0;
      continue;
    }
    av_dict_free(&opts);
    return r;
  }
  av_dict_free(&opts);
  headerWritten_ = true;
  return kMclOk;
}

int32_t MediaWriter::OpenVideo(int width, int height) {
  width_ = width;
  height_ = height;
  keepAlpha_ = job_.bits == 32 && entry_->alpha;
  videoStream_ = avformat_new_stream(fmt_, nullptr);
  if (!videoStream_) return kMclException;
  const AVRational tb{frameRate_.den, frameRate_.num};
  videoStream_->avg_frame_rate = frameRate_;
  videoStream_->r_frame_rate = frameRate_;

  if (!entry_->encoder) {
    // Uncompressed frames: BGR or BGRA rows, bottom-up, padded to 4 bytes.
    AVCodecParameters* par = videoStream_->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_RAWVIDEO;
    par->codec_tag = 0;
    par->width = width;
    par->height = height;
    par->bits_per_coded_sample = keepAlpha_ ? 32 : 24;
    par->format = keepAlpha_ ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    videoStream_->time_base = tb;
    const size_t stride = (size_t(width) * (keepAlpha_ ? 4 : 3) + 3) & ~size_t(3);
    dibSize_ = stride * size_t(height);
    dibPool_ = CountedBufferPool(dibSize_ + AV_INPUT_BUFFER_PADDING_SIZE);
    if (!dibPool_) return kMclException;
    if (width != 0) {
      videoFrame_ = AllocFrame(width, height, AV_PIX_FMT_BGRA);
      if (!videoFrame_) return kMclException;
    }
    return kMclOk;
  }

  const AVCodec* codec = avcodec_find_encoder_by_name(entry_->encoder);
  if (!codec) return kMclBadOutput;
  videoCtx_.reset(avcodec_alloc_context3(codec));
  if (!videoCtx_) return kMclException;
  AVCodecContext* c = videoCtx_.get();
  const auto pix =
      static_cast<AVPixelFormat>(job_.bits == 32 ? entry_->pixFmt32 : entry_->pixFmt24);
  c->width = width;
  c->height = height;
  c->pix_fmt = pix;
  c->time_base = tb;
  c->framerate = frameRate_;
  c->thread_count = 0;  // as many as the encoder finds useful
  c->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (entry_->fullRange) c->color_range = AVCOL_RANGE_JPEG;
  const AVRational dar = DisplayAspect(job_.aspect);
  if (dar.num > 0) {
    c->sample_aspect_ratio = av_div_q(dar, AVRational{width, height});
    av_reduce(&c->sample_aspect_ratio.num, &c->sample_aspect_ratio.den, c->sample_aspect_ratio.num,
              c->sample_aspect_ratio.den, 65535);
  } else {
    c->sample_aspect_ratio = AVRational{1, 1};
  }
  if (entry_->intraOnly) {
    c->gop_size = 1;
  } else {
    c->gop_size = job_.keyFrameRate > 0 ? job_.keyFrameRate : 250;
    if (job_.fileFormat == kMclFormatMpeg) c->max_b_frames = 2;
  }
  if (!entry_->lossless) {
    if (job_.preset) {
      const MpegPreset& p = *job_.preset;
      c->bit_rate = int64_t(job_.bitRate) * 1000;
      c->rc_max_rate = int64_t(job_.maxBitRate) * 1000;
      c->rc_min_rate = int64_t(job_.minBitRate) * 1000;
      c->rc_buffer_size = p.bufferKbit * 1024;
    } else if (entry_->usesBitRate && job_.bitRate > 0) {
      c->bit_rate = int64_t(job_.bitRate) * 1000;
      if (job_.maxBitRate >= job_.bitRate) {
        c->rc_max_rate = int64_t(job_.maxBitRate) * 1000;
        c->rc_buffer_size = job_.fileFormat == kMclFormatMpeg
                                ? 1835008
                                : int(std::min<int64_t>(c->rc_max_rate, INT32_MAX));
      }
      if (job_.minBitRate > 0 && job_.minBitRate <= job_.bitRate)
        c->rc_min_rate = int64_t(job_.minBitRate) * 1000;
    } else {
      qscale_ = QualityToQscale(job_.quality);
      c->flags |= AV_CODEC_FLAG_QSCALE;
      c->global_quality = FF_QP2LAMBDA * qscale_;
    }
  }
  if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* opts = nullptr;
  if (job_.preset && job_.preset->codec == kMclCodecMpeg2 &&
      std::strcmp(job_.preset->muxer, "svcd") == 0)
    av_dict_set(&opts, "scan_offset", "1", 0);
  const int r = avcodec_open2(c, codec, &opts);
  av_dict_free(&opts);
  if (r < 0) return kMclException;
  if (avcodec_parameters_from_context(videoStream_->codecpar, c) < 0) return kMclException;
  videoStream_->codecpar->codec_tag = job_.fileFormat == kMclFormatAvi ? entry_->fourCC : 0;
  // The encoder's buffer model (rates, buffer size) goes to the muxer, which
  // writes it into MPEG pack and system headers.
  for (int i = 0; i < c->nb_coded_side_data; ++i) {
    const AVPacketSideData& sd = c->coded_side_data[i];
    uint8_t* dst = av_stream_new_side_data(videoStream_, sd.type, sd.size);
    if (!dst) return kMclException;
    std::memcpy(dst, sd.data, sd.size);
  }
  videoStream_->time_base = c->time_base;
  videoStream_->sample_aspect_ratio = c->sample_aspect_ratio;
  framePool_ = std::make_unique<FramePool>(width, height, pix);
  // The encoder runs on a thread of its own behind a queue, so that the next frames are captured
  // meanwhile; the colour conversion of queued images runs on a few threads more, each image
  // whole on one of them. The queue holds a few frames (up to about 32 MB of them): a frame that
  // takes the capture or the encoder longer than usual is then made up for without the other
  // side waiting.
  const unsigned cores = std::thread::hardware_concurrency();
  const size_t frameBytes = size_t(width) * size_t(height) * 4;
  const size_t depth =
      std::clamp<size_t>((size_t{32} << 20) / std::max<size_t>(frameBytes, 1), 2, 6);
  // Half the cores: the encoder's own threads and the capture want the others.
  const int converters = int(std::clamp(cores / 2, 1u, 4u));
  scalers_.clear();
  scalers_.resize(size_t(converters));
  queue_ = std::make_unique<EncodeQueue>(
      c, depth,
      [this](const Image& image, int worker) -> FramePtr {
        FramePtr frame = framePool_->Get();
        if (!frame) return nullptr;
        frame->color_range = videoCtx_->color_range;
        if (!ImageToFrame(image, frame.get(), !keepAlpha_, scalers_[size_t(worker)]))
          return nullptr;
        return frame;
      },
      converters);
  return kMclOk;
}

int32_t MediaWriter::OpenAudio() {
  const bool mpeg = job_.fileFormat == kMclFormatMpeg;
  AVCodecID id;
  if (mpeg)
    id = AV_CODEC_ID_MP2;
  else if (job_.audioCodec != kMclAudioCodecPcm)
    return kMclBadOutput;
  else
    id = job_.sampleBits == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
  const AVCodec* codec = avcodec_find_encoder(id);
  if (!codec) return kMclBadOutput;
  audioCtx_.reset(avcodec_alloc_context3(codec));
  if (!audioCtx_) return kMclException;
  AVCodecContext* c = audioCtx_.get();
  c->sample_rate = OutputSampleRate(job_);
  c->sample_fmt = id == AV_CODEC_ID_PCM_U8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  av_channel_layout_default(&c->ch_layout, mpeg ? 2 : job_.channels);  // MPEG sound is stereo
  c->time_base = AVRational{1, c->sample_rate};
  if (mpeg) c->bit_rate = int64_t(job_.audioBitRate) * 1000;
  if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(c, codec, nullptr) < 0) return kMclException;
  audioStream_ = avformat_new_stream(fmt_, nullptr);
  if (!audioStream_ || avcodec_parameters_from_context(audioStream_->codecpar, c) < 0)
    return kMclException;
  audioStream_->time_base = c->time_base;
  audioFrameSize_ = c->frame_size > 0 ? c->frame_size : 1024;
  audioFrame_.reset(av_frame_alloc());
  if (!audioFrame_) return kMclException;
  return kMclOk;
}

int32_t MediaWriter::WritePacket(AVPacket* pkt) {
  if (writeFailed_) {
    av_packet_unref(pkt);
    return kMclOk;
  }
  for (;;) {
    PacketPtr copy(av_packet_clone(pkt));
    if (!copy) return kMclException;
    const int r = av_interleaved_write_frame(fmt_, copy.get());
    if (r >= 0 && fmt_->pb->error >= 0) break;
    const int32_t action = HandleWriteError();
    if (action == kMclActionRetry) {
      fmt_->pb->error = 0;
      continue;
    }
    av_packet_unref(pkt);
    return action;
  }
  av_packet_unref(pkt);
  return kMclOk;
}

int32_t MediaWriter::Drain(AVCodecContext* c, AVStream* stream, bool flush) {
  if (flush && avcodec_send_frame(c, nullptr) < 0) return kMclException;
  for (;;) {
    const int r = avcodec_receive_packet(c, packet_.get());
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return kMclOk;
    if (r < 0) return kMclException;
    av_packet_rescale_ts(packet_.get(), c->time_base, stream->time_base);
    packet_->stream_index = stream->index;
    const int32_t w = WritePacket(packet_.get());
    if (w != kMclOk) return w;
  }
}

int32_t MediaWriter::WriteVideo(const Image& image, int64_t copies) {
  if (copies <= 0) return kMclOk;
  if (!videoCtx_) {
    // Uncompressed: scale when needed, then lay the rows out bottom-up, straight into a packet
    // buffer that every copy shares.
    const Image* src = &image;
    if (image.width != width_ || image.height != height_) {
      if (!ImageToFrame(image, videoFrame_.get(), !keepAlpha_, sws_)) return kMclException;
      scaled_.Reset(width_, height_);
      for (int y = 0; y < height_; ++y)
        std::memcpy(scaled_.Row(y), videoFrame_->data[0] + ptrdiff_t(y) * videoFrame_->linesize[0],
                    size_t(width_) * 4);
      src = &scaled_;
    }
    PacketPtr dib(av_packet_alloc());
    if (!dib) return kMclException;
    dib->buf = av_buffer_pool_get(dibPool_);
    if (!dib->buf) return kMclException;
    dib->data = dib->buf->data;
    dib->size = int(dibSize_);
    std::memset(dib->data + dibSize_, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    const int bpp = keepAlpha_ ? 4 : 3;
    const size_t stride = (size_t(width_) * bpp + 3) & ~size_t(3);
    for (int y = 0; y < height_; ++y) {
      const uint8_t* s = src->Row(height_ - 1 - y);
      uint8_t* d = dib->data + size_t(y) * stride;
      if (bpp == 4) {
        std::memcpy(d, s, size_t(width_) * 4);
      } else {
        for (int x = 0; x < width_; ++x, s += 4, d += 3) {
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
        }
        std::memset(d, 0, stride - size_t(width_) * 3);
      }
    }
    for (int64_t i = 0; i < copies; ++i) {
      if (av_packet_ref(packet_.get(), dib.get()) < 0) return kMclException;
      packet_->flags |= AV_PKT_FLAG_KEY;
      packet_->pts = packet_->dts = videoPts_++;
      packet_->duration = 1;
      av_packet_rescale_ts(packet_.get(), AVRational{frameRate_.den, frameRate_.num},
                           videoStream_->time_base);
      packet_->stream_index = videoStream_->index;
      const int32_t w = WritePacket(packet_.get());
      if (w != kMclOk) return w;
    }
    return kMclOk;
  }

  // Copied into the queue; converted (in slices on several cores) and encoded on the queue's
  // thread while the caller captures the next image.
  const int lambda = qscale_ > 0 ? FF_QP2LAMBDA * qscale_ : 0;
  if (!queue_->PushImage(image, videoPts_, copies, lambda)) return kMclException;
  videoPts_ += copies;
  return WriteEncodedVideo(false);
}

int32_t MediaWriter::WriteEncodedVideo(bool untilEnd) {
  const bool ok = queue_->Take(encoded_, untilEnd);
  while (!encoded_.empty()) {
    PacketPtr p = std::move(encoded_.front());
    encoded_.pop_front();
    av_packet_rescale_ts(p.get(), videoCtx_->time_base, videoStream_->time_base);
    p->stream_index = videoStream_->index;
    const int32_t w = WritePacket(p.get());
    if (w != kMclOk) {
      encoded_.clear();
      return w;
    }
  }
  return ok ? kMclOk : kMclException;
}

int32_t MediaWriter::EncodeAudioFrames(bool flush) {
  AVCodecContext* c = audioCtx_.get();
  const int ch = c->ch_layout.nb_channels;
  size_t used = 0;
  const size_t total = audioPending_.size() / size_t(ch);
  while (total - used >= size_t(audioFrameSize_) || (flush && total > used)) {
    int n = int(std::min<size_t>(total - used, size_t(audioFrameSize_)));
    const int frameSamples = (c->frame_size > 0) ? c->frame_size : n;  // fixed-size codecs pad
    AVFrame* f = audioFrame_.get();
    av_frame_unref(f);
    f->nb_samples = frameSamples;
    f->format = c->sample_fmt;
    f->sample_rate = c->sample_rate;
    if (av_channel_layout_copy(&f->ch_layout, &c->ch_layout) < 0 || av_frame_get_buffer(f, 0) < 0)
      return kMclException;
    const int16_t* s = audioPending_.data() + used * size_t(ch);
    if (c->sample_fmt == AV_SAMPLE_FMT_U8) {
      uint8_t* d = f->data[0];
      for (int i = 0; i < n * ch; ++i) d[i] = uint8_t((s[i] >> 8) + 128);
      std::memset(d + n * ch, 128, size_t(frameSamples - n) * size_t(ch));
    } else {
      std::memcpy(f->data[0], s, size_t(n) * size_t(ch) * 2);
      std::memset(f->data[0] + size_t(n) * size_t(ch) * 2, 0,
                  size_t(frameSamples - n) * size_t(ch) * 2);
    }
    f->pts = audioPts_;
    audioPts_ += frameSamples;
    used += size_t(n);
    if (avcodec_send_frame(c, f) < 0) return kMclException;
    const int32_t w = Drain(c, audioStream_, false);
    if (w != kMclOk) return w;
  }
  audioPending_.erase(audioPending_.begin(), audioPending_.begin() + ptrdiff_t(used * size_t(ch)));
  return flush ? Drain(c, audioStream_, true) : kMclOk;
}

int32_t MediaWriter::WriteAudio(const int16_t* samples, int frames) {
  if (!audioCtx_ || frames <= 0) return kMclOk;
  const int ch = audioCtx_->ch_layout.nb_channels;
  audioPending_.insert(audioPending_.end(), samples, samples + size_t(frames) * size_t(ch));
  return EncodeAudioFrames(false);
}

int32_t MediaWriter::Finish() {
  if (!headerWritten_) return writeFailed_ ? kMclWriteError : kMclOk;
  int32_t r = kMclOk;
  if (queue_) {
    queue_->Close();
    r = WriteEncodedVideo(true);
  }
  if (r == kMclOk && audioCtx_) r = EncodeAudioFrames(true);
  if (r != kMclOk) return r;
  if (!writeFailed_) {
    // The trailer cannot be written twice: a retry counts as ignore.
    const int t = av_write_trailer(fmt_);
    if (fmt_->pb) avio_flush(fmt_->pb);
    if (t < 0 || fmt_->pb->error < 0) {
      r = HandleWriteError();
      if (r == kMclActionRetry)
        writeFailed_ = true;
      else if (r != kMclOk)
        return r;
    }
  }
  headerWritten_ = false;
  if (fmt_->pb && avio_closep(&fmt_->pb) < 0 && !writeFailed_) {
    r = HandleWriteError();
    if (r != kMclOk && r != kMclActionRetry) return r;
  }
  fileOpen_ = false;
  return writeFailed_ ? kMclWriteError : kMclOk;
}

}  // namespace mcl
