// Writing single images: PNG, TGA, BMP and JPEG through the FFmpeg image
// encoders; GIF with a palette made by FFmpeg's palette filters.
#include <cctype>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavfilter/avfilter.h>
#include <libavutil/opt.h>
}

#include "platform/encoder/internal/ff_util.h"
#include "platform/encoder/job.h"
#include "platform/encoder/mcl.h"

namespace mcl {
namespace {

struct GraphDeleter {
  void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};

bool WriteBytes(const std::string& fileName, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(fileName.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// Encodes one frame with an image encoder; the packet is the whole file.
int32_t EncodeStill(AVCodecID id, const AVFrame* frame, int qscale, PacketPtr& out) {
  const AVCodec* codec = avcodec_find_encoder(id);
  if (!codec) return kMclBadOutput;
  CodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) return kMclException;
  ctx->width = frame->width;
  ctx->height = frame->height;
  ctx->pix_fmt = static_cast<AVPixelFormat>(frame->format);
  ctx->time_base = AVRational{1, 25};
  ctx->color_range = AVCOL_RANGE_JPEG;
  if (qscale > 0) {
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * qscale;
    ctx->qmin = ctx->qmax = qscale;
  }
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return kMclException;
  FramePtr f(av_frame_clone(frame));
  if (!f) return kMclException;
  if (qscale > 0) f->quality = ctx->global_quality;
  out.reset(av_packet_alloc());
  if (!out || avcodec_send_frame(ctx.get(), f.get()) < 0 ||
      avcodec_send_frame(ctx.get(), nullptr) < 0 ||
      avcodec_receive_packet(ctx.get(), out.get()) < 0)
    return kMclException;
  return kMclOk;
}

// Reduces an opaque BGRA frame to 256 colours with the palette filters.
FramePtr Palettise(const AVFrame* bgra) {
  std::unique_ptr<AVFilterGraph, GraphDeleter> graph(avfilter_graph_alloc());
  if (!graph) return nullptr;
  graph->nb_threads = 1;
  char args[160];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/25:pixel_aspect=1/1",
                bgra->width, bgra->height, int(AV_PIX_FMT_BGRA));
  AVFilterContext* src = nullptr;
  AVFilterContext* sink = nullptr;
  if (avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args, nullptr,
                                   graph.get()) < 0 ||
      avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                   nullptr, graph.get()) < 0)
    return nullptr;
  AVFilterInOut* outputs = avfilter_inout_alloc();
  AVFilterInOut* inputs = avfilter_inout_alloc();
  if (!outputs || !inputs) {
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    return nullptr;
  }
  outputs->name = av_strdup("in");
  outputs->filter_ctx = src;
  inputs->name = av_strdup("out");
  inputs->filter_ctx = sink;
  const char* desc =
      "split[a][b];[a]palettegen=max_colors=256:reserve_transparent=0:stats_mode=full[p];"
      "[b][p]paletteuse=dither=sierra2_4a";
  int r = avfilter_graph_parse_ptr(graph.get(), desc, &inputs, &outputs, nullptr);
  avfilter_inout_free(&outputs);
  avfilter_inout_free(&inputs);
  if (r < 0 || avfilter_graph_config(graph.get(), nullptr) < 0) return nullptr;
  FramePtr in(av_frame_clone(bgra));
  if (!in) return nullptr;
  in->pts = 0;
  if (av_buffersrc_add_frame(src, in.get()) < 0 || av_buffersrc_add_frame(src, nullptr) < 0)
    return nullptr;
  FramePtr out(av_frame_alloc());
  if (!out || av_buffersink_get_frame(sink, out.get()) < 0) return nullptr;
  if (out->format != AV_PIX_FMT_PAL8) return nullptr;
  return out;
}

int32_t WriteGif(const AVFrame* bgra, const std::string& fileName) {
  FramePtr pal = Palettise(bgra);
  if (!pal) return kMclException;
  AVFormatContext* fmt = nullptr;
  if (avformat_alloc_output_context2(&fmt, nullptr, "gif", nullptr) < 0 || !fmt)
    return kMclException;
  struct FmtCloser {
    AVFormatContext* f;
    ~FmtCloser() {
      if (f->pb) avio_closep(&f->pb);
      avformat_free_context(f);
    }
  } closer{fmt};

  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_GIF);
  if (!codec) return kMclBadOutput;
  CodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) return kMclException;
  ctx->width = pal->width;
  ctx->height = pal->height;
  ctx->pix_fmt = AV_PIX_FMT_PAL8;
  ctx->time_base = AVRational{1, 100};
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return kMclException;
  AVStream* st = avformat_new_stream(fmt, nullptr);
  if (!st || avcodec_parameters_from_context(st->codecpar, ctx.get()) < 0) return kMclException;
  st->time_base = ctx->time_base;
  if (avio_open(&fmt->pb, fileName.c_str(), AVIO_FLAG_WRITE) < 0) return kMclWriteError;
  AVDictionary* opts = nullptr;
  av_dict_set(&opts, "loop", "-1", 0);  // a still image: no animation extension
  const int hr = avformat_write_header(fmt, &opts);
  av_dict_free(&opts);
  if (hr < 0) return kMclWriteError;
  pal->pts = 0;
  PacketPtr pkt(av_packet_alloc());
  if (!pkt || avcodec_send_frame(ctx.get(), pal.get()) < 0 ||
      avcodec_send_frame(ctx.get(), nullptr) < 0)
    return kMclException;
  while (avcodec_receive_packet(ctx.get(), pkt.get()) >= 0) {
    av_packet_rescale_ts(pkt.get(), ctx->time_base, st->time_base);
    pkt->stream_index = st->index;
    if (av_write_frame(fmt, pkt.get()) < 0) return kMclWriteError;
  }
  if (av_write_trailer(fmt) < 0) return kMclWriteError;
  avio_flush(fmt->pb);
  if (fmt->pb->error < 0) return kMclWriteError;
  if (avio_closep(&fmt->pb) < 0) return kMclWriteError;
  return kMclOk;
}

}  // namespace

int32_t WriteImageFile(const Image& image, const std::string& fileName, int32_t format,
                       double quality, bool withAlpha) {
  if (image.Empty()) return kMclBadImage;
  if (fileName.empty()) return kMclBadOutput;
  RouteLibraryMessages();
  AVCodecID id;
  AVPixelFormat pix;
  bool alpha = withAlpha;
  int qscale = 0;
  switch (format) {
    case kMclImagePng:
      id = AV_CODEC_ID_PNG;
      pix = alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24;
      break;
    case kMclImageTga:
      id = AV_CODEC_ID_TARGA;
      pix = alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
      break;
    case kMclImageBmp:
      id = AV_CODEC_ID_BMP;
      pix = alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
      break;
    case kMclImageJpeg: {
      id = AV_CODEC_ID_MJPEG;
      pix = AV_PIX_FMT_YUV444P;  // with full-range samples, as JPEG files take them
      alpha = false;
      // Quality 1..100 maps onto the quantiser scale 31..1; none means 85.
      double q = quality == kMclNoQuality ? 85.0 : quality;
      if (!(q >= 1.0)) q = 1.0;
      if (q > 100.0) q = 100.0;
      qscale = int(std::lround(1.0 + (100.0 - q) * 30.0 / 99.0));
      break;
    }
    case kMclImageGif:
      id = AV_CODEC_ID_GIF;
      pix = AV_PIX_FMT_BGRA;
      alpha = false;
      break;
    default: return kMclBadOutput;
  }
  FramePtr frame = AllocFrame(image.width, image.height, pix);
  if (frame && id == AV_CODEC_ID_MJPEG) frame->color_range = AVCOL_RANGE_JPEG;
  SwsPtr sws;
  if (!frame || !ImageToFrame(image, frame.get(), !alpha, sws)) return kMclException;
  if (id == AV_CODEC_ID_GIF) return WriteGif(frame.get(), fileName);
  PacketPtr pkt;
  const int32_t r = EncodeStill(id, frame.get(), qscale, pkt);
  if (r != kMclOk) return r;
  return WriteBytes(fileName, pkt->data, size_t(pkt->size)) ? kMclOk : kMclWriteError;
}

}  // namespace mcl

int32_t MclSimpleWriteImage(MclHandle image, const char* fileName, int32_t format, double quality) {
  const mcl::Image* img = mcl::FindAs<mcl::Image>(image);
  if (!img) return kMclBadImage;
  try {
    return mcl::WriteImageFile(*img, fileName ? fileName : "", format, quality, false);
  } catch (...) {
    return kMclException;  // out of memory
  }
}

namespace {

int32_t WriteJobImage(MclHandle job, MclHandle image) {
  const mcl::Job* j = mcl::FindAs<mcl::Job>(job);
  if (!j) return kMclBadJob;
  const mcl::Image* img = mcl::FindAs<mcl::Image>(image);
  if (!img) return kMclBadImage;
  if (img->Empty()) return kMclBadImage;
  const std::string& name = j->videoFileName;
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of('/');
  if (name.empty() || dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return kMclBadOutput;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  int32_t format;
  if (ext == "png")
    format = kMclImagePng;
  else if (ext == "tga")
    format = kMclImageTga;
  else if (ext == "bmp")
    format = kMclImageBmp;
  else if (ext == "jpg" || ext == "jpeg")
    format = kMclImageJpeg;
  else if (ext == "gif")
    format = kMclImageGif;
  else
    return kMclBadOutput;

  // The job's size scales the image; kMclNone keeps its own.
  const int32_t w = j->width > 0 ? j->width : img->width;
  const int32_t h = j->height > 0 ? j->height : img->height;
  const bool alpha = j->bits == 32;
  if (w == img->width && h == img->height)
    return mcl::WriteImageFile(*img, name, format, kMclNoQuality, alpha);
  mcl::Image scaled;
  scaled.Reset(w, h);
  mcl::FramePtr frame = mcl::AllocFrame(w, h, AV_PIX_FMT_BGRA);
  mcl::SwsPtr sws;
  if (!frame || !mcl::ImageToFrame(*img, frame.get(), !alpha, sws)) return kMclException;
  for (int32_t y = 0; y < h; ++y)
    std::memcpy(scaled.Row(y), frame->data[0] + ptrdiff_t(y) * frame->linesize[0], size_t(w) * 4);
  scaled.hasAlpha = alpha;
  return mcl::WriteImageFile(scaled, name, format, kMclNoQuality, alpha);
}

}  // namespace

int32_t MclWriteImage(MclHandle job, MclHandle image) {
  try {
    return WriteJobImage(job, image);
  } catch (...) {
    return kMclException;  // out of memory
  }
}
