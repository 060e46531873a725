// The codecs come from FFmpeg. Frames are converted to premultiplied B,G,R,A by FramePicture;
// pictures larger than the declared size are cut to it, smaller ones are drawn stretched.
#include "platform/flash/video/video_decoder.h"

#include "platform/flash/video/internal/deblocking.h"
#include "platform/flash/video/internal/frame_picture.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <map>
#include <mutex>

namespace flash {
namespace {

AVCodecID CodecId(uint8_t codec) {
  switch (static_cast<VideoCodec>(codec)) {
    case VideoCodec::SorensonH263: return AV_CODEC_ID_FLV1;
    case VideoCodec::ScreenVideo: return AV_CODEC_ID_FLASHSV;
    case VideoCodec::ScreenVideo2: return AV_CODEC_ID_FLASHSV2;
    case VideoCodec::Vp6: return AV_CODEC_ID_VP6F;
    case VideoCodec::Vp6Alpha: return AV_CODEC_ID_VP6A;
  }
  return AV_CODEC_ID_NONE;
}

}  // namespace

struct VideoDecoder::Impl {
  std::shared_ptr<const VideoDef> stream;
  AVCodecContext* context = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  int last = -1;  // the frame number `picture` shows; -1: none decoded since the last reset
  std::shared_ptr<BitmapDef> picture;
  bool usable = false;
  std::mutex mutex;  // one decode at a time; the pictures handed out never change

  ~Impl() { Close(); }

  void Close() {
    avcodec_free_context(&context);
    av_frame_free(&frame);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    scaler = nullptr;
  }

  bool Open() {
    Close();
    const AVCodec* codec = avcodec_find_decoder(CodecId(stream->codec));
    if (!codec) return false;
    context = avcodec_alloc_context3(codec);
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (!context || !frame || !packet) return false;
    context->width = stream->width;
    context->height = stream->height;
    SetUpDecoder(*context);
    if (context->codec_id == AV_CODEC_ID_VP6F || context->codec_id == AV_CODEC_ID_VP6A) {
      // The byte that a container puts before every frame to crop it; streams in movies have
      // none, so nothing is cropped.
      context->extradata = static_cast<uint8_t*>(av_mallocz(1 + AV_INPUT_BUFFER_PADDING_SIZE));
      if (!context->extradata) return false;
      context->extradata_size = 1;
    }
    return avcodec_open2(context, codec, nullptr) >= 0;
  }

  // Decodes one encoded frame; true when it produced a picture.
  bool Decode(const std::vector<uint8_t>& data) {
    if (data.empty() || data.size() > static_cast<size_t>(INT32_MAX) - AV_INPUT_BUFFER_PADDING_SIZE)
      return false;
    if (av_new_packet(packet, static_cast<int>(data.size())) < 0) return false;
    std::copy(data.begin(), data.end(), packet->data);
    const int sent = avcodec_send_packet(context, packet);
    av_packet_unref(packet);
    if (sent < 0) return false;
    // Sorenson H.263 pictures are smoothed as the stream, or else the frame, asks.
    const int smoothing = static_cast<VideoCodec>(stream->codec) == VideoCodec::SorensonH263
                              ? H263SmoothingQuantizer(data.data(), data.size(), stream->deblocking)
                              : 0;
    bool got = false;
    while (avcodec_receive_frame(context, frame) >= 0) {
      got = Convert(smoothing) || got;
      av_frame_unref(frame);
    }
    return got;
  }

  // Turns the decoded frame into the premultiplied picture, its block edges smoothed by
  // `quantizer` when it is not 0.
  bool Convert(int quantizer) {
    auto pic = FramePicture(*frame, scaler, stream->width, stream->height, stream->id, quantizer);
    if (!pic) return false;
    picture = std::move(pic);
    return true;
  }

  // Decodes the frames present from `from` up to `number`.
  void DecodeRange(int from, int number) {
    for (auto it = stream->frames.lower_bound(static_cast<uint16_t>(from));
         it != stream->frames.end() && it->first <= number; ++it)
      Decode(*it->second);
    last = number;
  }
};

VideoDecoder::VideoDecoder(std::shared_ptr<const VideoDef> stream)
    : impl_(std::make_unique<Impl>()) {
  impl_->stream = std::move(stream);
  impl_->usable = impl_->stream && impl_->stream->SizeIsValid() && impl_->Open();
}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::IsKeyFrame(uint8_t codec, const std::vector<uint8_t>& data) {
  switch (static_cast<VideoCodec>(codec)) {
    case VideoCodec::SorensonH263: {
      const H263Header header = ReadH263Header(data.data(), data.size());
      return header.complete && header.picture_type == 0;
    }
    case VideoCodec::Vp6: return !data.empty() && !(data[0] & 0x80);
    case VideoCodec::Vp6Alpha:  // three bytes give where the alpha data starts
      return data.size() > 3 && !(data[3] & 0x80);
    case VideoCodec::ScreenVideo:
    case VideoCodec::ScreenVideo2: break;
  }
  return false;  // only the stream's first frame is taken to start it
}

std::shared_ptr<const BitmapDef> VideoDecoder::Frame(int number) {
  Impl& d = *impl_;
  if (!d.usable || number < 0) return nullptr;
  std::lock_guard<std::mutex> lock(d.mutex);
  if (number == d.last) return d.picture;
  const auto& frames = d.stream->frames;
  // The key frame the target frame depends on: the last one at or before it, else the first.
  int key = frames.empty() ? 0 : frames.begin()->first;
  for (auto it = frames.begin(); it != frames.end() && it->first <= number; ++it)
    if (IsKeyFrame(d.stream->codec, *it->second)) key = it->first;
  if (d.last >= 0 && d.last < number && d.last >= key) {
    d.DecodeRange(d.last + 1, number);  // forwards from the frame shown
  } else {
    avcodec_flush_buffers(d.context);
    d.picture.reset();
    d.DecodeRange(key, number);
  }
  return d.picture;
}

std::shared_ptr<VideoDecoder> DecoderFor(const std::shared_ptr<const CharacterDef>& stream) {
  if (!stream || stream->kind != CharacterDef::Kind::Video) return nullptr;
  static std::mutex mutex;
  static std::map<const CharacterDef*,
                  std::pair<std::weak_ptr<const CharacterDef>, std::shared_ptr<VideoDecoder>>>
      decoders;
  std::lock_guard<std::mutex> lock(mutex);
  // Decoders of streams that are gone are dropped (their address may come back for another).
  for (auto it = decoders.begin(); it != decoders.end();)
    it = it->second.first.expired() ? decoders.erase(it) : std::next(it);
  auto& entry = decoders[stream.get()];
  if (!entry.second) {
    entry.first = stream;
    entry.second = std::make_shared<VideoDecoder>(std::static_pointer_cast<const VideoDef>(stream));
  }
  return entry.second;
}

}  // namespace flash
