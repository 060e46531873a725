// The file is read by FFmpeg's demuxer from memory and its frames by its decoders.
#include "platform/flash/video/flv_stream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/flash/format/video.h"
#include "platform/flash/video/internal/deblocking.h"
#include "platform/flash/video/internal/frame_picture.h"

namespace flash {
namespace {

// The bytes the demuxer reads, with its position.
struct MemoryInput {
  const std::string* bytes;
  size_t at = 0;
};

int ReadMemory(void* opaque, uint8_t* buf, int size) {
  auto* in = static_cast<MemoryInput*>(opaque);
  const size_t left = in->bytes->size() - in->at;
  const size_t n = std::min(left, static_cast<size_t>(std::max(size, 0)));
  if (n == 0) return AVERROR_EOF;
  std::memcpy(buf, in->bytes->data() + in->at, n);
  in->at += n;
  return static_cast<int>(n);
}

int64_t SeekMemory(void* opaque, int64_t offset, int whence) {
  auto* in = static_cast<MemoryInput*>(opaque);
  const auto size = static_cast<int64_t>(in->bytes->size());
  if (whence == AVSEEK_SIZE) return size;
  int64_t to = offset;
  switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET: break;
    case SEEK_CUR: to += static_cast<int64_t>(in->at); break;
    case SEEK_END: to += size; break;
    default: return -1;
  }
  if (to < 0 || to > size) return -1;
  in->at = static_cast<size_t>(to);
  return to;
}

// The onMetaData tag of a file: the script data tag before the first audio or video tag, a
// name and a list of named values (AMF0). Every length is checked against the bytes left.
class MetadataReader {
 public:
  explicit MetadataReader(const std::string& bytes) : b_(bytes) {}

  std::vector<std::pair<std::string, FlvStream::MetaValue>> Read() {
    std::vector<std::pair<std::string, FlvStream::MetaValue>> out;
    if (b_.size() < 9) return out;
    size_t at = U32(5) + 4;  // the header, then the size of the tag before the first
    for (int tags = 0; tags < 8 && at + 11 <= b_.size(); ++tags) {
      const uint8_t type = Byte(at) & 0x1F;
      const size_t size = U24(at + 1);
      const size_t body = at + 11;
      if (body + size > b_.size() || type == 8 || type == 9) break;
      if (type == 18) {
        pos_ = body;
        end_ = body + size;
        std::string name;
        if (Take(1) && Byte(pos_ - 1) == 2 && String(name) && name == "onMetaData" && Take(1)) {
          const uint8_t kind = Byte(pos_ - 1);
          if (kind == 8 && !Take(4)) return out;  // the list's count is only a hint
          if (kind == 3 || kind == 8) Properties(out);
        }
        break;
      }
      at = body + size + 4;
    }
    return out;
  }

 private:
  uint8_t Byte(size_t at) const { return static_cast<uint8_t>(b_[at]); }
  size_t U24(size_t at) const {
    return size_t{Byte(at)} << 16 | size_t{Byte(at + 1)} << 8 | Byte(at + 2);
  }
  size_t U32(size_t at) const { return size_t{Byte(at)} << 24 | U24(at + 1); }
  bool Take(size_t n) {
    if (n > end_ - pos_) return false;
    pos_ += n;
    return true;
  }
  bool String(std::string& s) {
    if (!Take(2)) return false;
    const size_t n = size_t{Byte(pos_ - 2)} << 8 | Byte(pos_ - 1);
    if (!Take(n)) return false;
    s.assign(b_, pos_ - n, n);
    return true;
  }
  // Named values up to the end marker (an empty name and type 9).
  void Properties(std::vector<std::pair<std::string, FlvStream::MetaValue>>& out) {
    for (size_t count = 0; count < 4096; ++count) {
      std::string name;
      if (!String(name) || !Take(1)) return;
      const uint8_t kind = Byte(pos_ - 1);
      if (name.empty() && kind == 9) return;
      FlvStream::MetaValue v;
      if (!Value(kind, v, 0)) return;
      if (kind <= 2) out.emplace_back(std::move(name), std::move(v));
    }
  }
  // One value of type `kind` (its type byte read); nested lists are read past. False when the
  // data ends inside it or nests too deeply.
  bool Value(uint8_t kind, FlvStream::MetaValue& v, int depth) {
    if (depth > 8) return false;
    switch (kind) {
      case 0: {  // number, big-endian double
        if (!Take(8)) return false;
        uint64_t bits = 0;
        for (size_t i = pos_ - 8; i < pos_; ++i) bits = bits << 8 | Byte(i);
        std::memcpy(&v.number, &bits, 8);
        v.kind = FlvStream::MetaValue::Kind::Number;
        return true;
      }
      case 1:
        if (!Take(1)) return false;
        v.kind = FlvStream::MetaValue::Kind::Boolean;
        v.number = Byte(pos_ - 1) ? 1 : 0;
        return true;
      case 2: v.kind = FlvStream::MetaValue::Kind::Text; return String(v.text);
      case 5:
      case 6: return true;  // null, undefined
      case 3:
      case 8: {  // object, list with a count: named values up to the end marker
        if (kind == 8 && !Take(4)) return false;
        for (size_t count = 0; count < 65536; ++count) {
          std::string name;
          if (!String(name) || !Take(1)) return false;
          const uint8_t k = Byte(pos_ - 1);
          if (name.empty() && k == 9) return true;
          FlvStream::MetaValue inner;
          if (!Value(k, inner, depth + 1)) return false;
        }
        return false;
      }
      case 10: {  // strict array: a count, then values
        if (!Take(4)) return false;
        const size_t n = U32(pos_ - 4);
        for (size_t i = 0; i < n; ++i) {
          if (!Take(1)) return false;
          FlvStream::MetaValue inner;
          if (!Value(Byte(pos_ - 1), inner, depth + 1)) return false;
        }
        return true;
      }
      case 11: return Take(10);  // date
      case 12: {                 // long string
        if (!Take(4)) return false;
        return Take(U32(pos_ - 4));
      }
      default: return false;
    }
  }

  const std::string& b_;
  size_t pos_ = 0, end_ = 0;
};

struct Frame {
  double time = 0;  // seconds
  bool key = false;
  std::vector<uint8_t> data;
};

}  // namespace

struct FlvStream::Impl {
  AVCodecParameters* params = nullptr;
  std::vector<Frame> frames;
  double duration = 0;
  std::vector<std::pair<std::string, MetaValue>> metadata;

  AVCodecContext* context = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  long last = -1;  // the frame `picture` shows
  std::shared_ptr<BitmapDef> picture;
  std::mutex mutex;

  ~Impl() {
    avcodec_parameters_free(&params);
    avcodec_free_context(&context);
    av_frame_free(&frame);
    av_packet_free(&packet);
    sws_freeContext(scaler);
  }

  bool Demux(const std::string& bytes);
  bool OpenDecoder();
  void Decode(const Frame& f);
  std::shared_ptr<const BitmapDef> PictureAt(double seconds);
};

bool FlvStream::Impl::Demux(const std::string& bytes) {
  const AVInputFormat* flv = av_find_input_format("flv");
  if (!flv || bytes.size() < 9 || bytes.compare(0, 3, "FLV") != 0) return false;
  MemoryInput input{&bytes};
  constexpr int kBufferSize = 1 << 16;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
  if (!buffer) return false;
  AVIOContext* io =
      avio_alloc_context(buffer, kBufferSize, 0, &input, ReadMemory, nullptr, SeekMemory);
  if (!io) {
    av_free(buffer);
    return false;
  }
  AVFormatContext* format = avformat_alloc_context();
  bool ok = false;
  if (format) {
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Finding the streams reads a little ahead; a failure there leaves what the header said.
    format->probesize = 1 << 20;
    if (avformat_open_input(&format, nullptr, flv, nullptr) == 0) {
      ok = true;
    } else {
      format = nullptr;  // freed by the failed open
    }
  }
  int video = -1;
  if (ok) {
    avformat_find_stream_info(format, nullptr);
    video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    ok = video >= 0;
  }
  if (ok) {
    const AVStream* st = format->streams[video];
    params = avcodec_parameters_alloc();
    ok = params && avcodec_parameters_copy(params, st->codecpar) >= 0;
    if (format->duration > 0) duration = format->duration / static_cast<double>(AV_TIME_BASE);
    AVPacket* p = av_packet_alloc();
    size_t total = 0;
    const double base = av_q2d(st->time_base);
    double frame_time = 0;  // the gap between the last two frames, for the last frame's length
    while (ok && p && av_read_frame(format, p) >= 0) {
      if (p->stream_index == video && p->size > 0) {
        if (frames.size() >= kMaxFrames || total + p->size > kMaxEncodedBytes) {
          av_packet_unref(p);
          break;
        }
        const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        Frame f;
        f.time = ts == AV_NOPTS_VALUE ? (frames.empty() ? 0 : frames.back().time) : ts * base;
        if (!frames.empty()) {
          f.time = std::max(f.time, frames.back().time);
          frame_time = f.time - frames.back().time;
        }
        f.key = (p->flags & AV_PKT_FLAG_KEY) != 0;
        f.data.assign(p->data, p->data + p->size);
        total += f.data.size();
        frames.push_back(std::move(f));
      }
      av_packet_unref(p);
    }
    av_packet_free(&p);
    if (!frames.empty()) duration = std::max(duration, frames.back().time + frame_time);
    metadata = MetadataReader(bytes).Read();
    for (const auto& [name, value] : metadata)
      if (name == "duration" && value.kind == MetaValue::Kind::Number && value.number > duration &&
          value.number < 1e9)
        duration = value.number;
    ok = ok && !frames.empty();
  }
  if (format) avformat_close_input(&format);
  av_freep(&io->buffer);
  avio_context_free(&io);
  return ok;
}

bool FlvStream::Impl::OpenDecoder() {
  if (params->width < 0 || params->height < 0 || params->width > kMaxVideoSide ||
      params->height > kMaxVideoSide)
    return false;
  const AVCodec* codec = avcodec_find_decoder(params->codec_id);
  if (!codec) return false;
  context = avcodec_alloc_context3(codec);
  frame = av_frame_alloc();
  packet = av_packet_alloc();
  if (!context || !frame || !packet) return false;
  if (avcodec_parameters_to_context(context, params) < 0) return false;
  SetUpDecoder(*context);
  return avcodec_open2(context, codec, nullptr) >= 0;
}

void FlvStream::Impl::Decode(const Frame& f) {
  if (f.data.size() > static_cast<size_t>(INT32_MAX) - AV_INPUT_BUFFER_PADDING_SIZE) return;
  if (av_new_packet(packet, static_cast<int>(f.data.size())) < 0) return;
  std::copy(f.data.begin(), f.data.end(), packet->data);
  const int sent = avcodec_send_packet(context, packet);
  av_packet_unref(packet);
  if (sent < 0) return;
  while (avcodec_receive_frame(context, frame) >= 0) {
    // A picture is cut to the size the file declares (its own size when it declares none).
    const int w = params->width > 0 ? params->width : frame->width;
    const int h = params->height > 0 ? params->height : frame->height;
    // Sorenson H.263 frames are smoothed when their header asks for it.
    const int smoothing = params->codec_id == AV_CODEC_ID_FLV1
                              ? H263SmoothingQuantizer(f.data.data(), f.data.size(), 0)
                              : 0;
    if (auto pic = FramePicture(*frame, scaler, w, h, 0, smoothing)) picture = std::move(pic);
    av_frame_unref(frame);
  }
}

std::shared_ptr<const BitmapDef> FlvStream::Impl::PictureAt(double seconds) {
  std::lock_guard<std::mutex> lock(mutex);
  auto after = std::upper_bound(frames.begin(), frames.end(), seconds,
                                [](double t, const Frame& f) { return t < f.time; });
  const long target = static_cast<long>(after - frames.begin()) - 1;
  if (target < 0) return picture;
  if (target == last) return picture;
  long key = 0;
  for (long i = target; i >= 0; --i)
    if (frames[static_cast<size_t>(i)].key) {
      key = i;
      break;
    }
  long from = key;
  if (last >= key && last < target) {
    from = last + 1;  // forwards from the frame shown
  } else {
    avcodec_flush_buffers(context);
  }
  for (long i = from; i <= target; ++i) Decode(frames[static_cast<size_t>(i)]);
  last = target;
  return picture;
}

FlvStream::FlvStream() : impl_(std::make_unique<Impl>()) {}
FlvStream::~FlvStream() = default;

std::unique_ptr<FlvStream> FlvStream::Open(const std::string& bytes) {
  std::unique_ptr<FlvStream> s(new FlvStream());
  if (!s->impl_->Demux(bytes) || !s->impl_->OpenDecoder()) return nullptr;
  return s;
}

double FlvStream::Duration() const { return impl_->duration; }
int FlvStream::Width() const { return impl_->params->width; }
int FlvStream::Height() const { return impl_->params->height; }
size_t FlvStream::FrameCount() const { return impl_->frames.size(); }
const std::vector<std::pair<std::string, FlvStream::MetaValue>>& FlvStream::Metadata() const {
  return impl_->metadata;
}
std::shared_ptr<const BitmapDef> FlvStream::PictureAt(double seconds) {
  return impl_->PictureAt(seconds);
}

}  // namespace flash
