#include "platform/encoder/internal/ff_util.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/encoder/internal/yuv_convert.h"

namespace mcl {

FramePtr AllocFrame(int width, int height, AVPixelFormat format) {
  FramePtr f(av_frame_alloc());
  if (!f) return nullptr;
  f->width = width;
  f->height = height;
  f->format = format;
  if (av_frame_get_buffer(f.get(), 0) < 0) return nullptr;
  return f;
}

namespace {

std::atomic<size_t> livePoolBuffers{0};

void FreePoolBuffer(void*, uint8_t* data) {
  av_free(data);
  --livePoolBuffers;
}

// Pool buffers are counted so that a test can see that none outlives its conversion.
AVBufferRef* AllocCountedBuffer(size_t size) {
  uint8_t* data = static_cast<uint8_t*>(av_malloc(size));
  if (!data) return nullptr;
  AVBufferRef* buf = av_buffer_create(data, size, FreePoolBuffer, nullptr, 0);
  if (!buf) {
    av_free(data);
    return nullptr;
  }
  ++livePoolBuffers;
  return buf;
}

// The scaler of the cache when it converts these sizes and formats, else a new one.
SwsContext* Scaler(SwsPtr& cache, int srcW, int srcH, AVPixelFormat srcFormat, int dstW, int dstH,
                   AVPixelFormat dstFormat, bool fullRange, int threads) {
  if (SwsContext* c = cache.get()) {
    int64_t v[7] = {};
    const char* keys[7] = {"srcw", "srch", "src_format", "dstw", "dsth", "dst_format", "threads"};
    for (int i = 0; i < 7; ++i) av_opt_get_int(c, keys[i], 0, &v[i]);
    if (v[0] == srcW && v[1] == srcH && v[2] == srcFormat && v[3] == dstW && v[4] == dstH &&
        v[5] == dstFormat && v[6] == threads)
      return c;
    cache.reset();
  }
  SwsContext* c = sws_alloc_context();
  if (!c) return nullptr;
  av_opt_set_int(c, "srcw", srcW, 0);
  av_opt_set_int(c, "srch", srcH, 0);
  av_opt_set_int(c, "src_format", srcFormat, 0);
  av_opt_set_int(c, "dstw", dstW, 0);
  av_opt_set_int(c, "dsth", dstH, 0);
  av_opt_set_int(c, "dst_format", dstFormat, 0);
  av_opt_set_int(c, "sws_flags", SWS_BICUBIC, 0);
  av_opt_set_int(c, "dst_range", fullRange ? 1 : 0, 0);
  av_opt_set_int(c, "threads", threads, 0);
  if (sws_init_context(c, nullptr, nullptr) < 0) {
    sws_freeContext(c);
    return nullptr;
  }
  cache.reset(c);
  return c;
}

void KeepBuffer(void*, uint8_t*) {}

}  // namespace

FramePool::FramePool(int width, int height, AVPixelFormat format)
    : width_(width), height_(height), format_(format) {
  // The same line sizes and plane heights av_frame_get_buffer would give.
  if (av_image_fill_linesizes(linesize_, format, FFALIGN(width, 32)) < 0) return;
  for (int i = 0; i < 4; ++i) linesize_[i] = FFALIGN(linesize_[i], 64);
  ptrdiff_t lines[4] = {linesize_[0], linesize_[1], linesize_[2], linesize_[3]};
  size_t sizes[4] = {};
  if (av_image_fill_plane_sizes(sizes, format, FFALIGN(height, 32), lines) < 0) return;
  for (int i = 0; i < 4 && sizes[i] > 0; ++i) {
    planeSize_[i] = sizes[i] + 16 + 64 - 1;
    pools_[i] = CountedBufferPool(planeSize_[i]);
    if (!pools_[i]) return;
    planes_ = i + 1;
  }
}

FramePool::~FramePool() {
  // Buffers still held by an encoder go when it lets them go.
  for (AVBufferPool*& p : pools_)
    if (p) av_buffer_pool_uninit(&p);
}

FramePtr FramePool::Get() {
  if (planes_ == 0) return nullptr;
  FramePtr f(av_frame_alloc());
  if (!f) return nullptr;
  f->width = width_;
  f->height = height_;
  f->format = format_;
  for (int i = 0; i < planes_; ++i) {
    f->buf[i] = av_buffer_pool_get(pools_[i]);
    if (!f->buf[i]) return nullptr;
    f->data[i] =
        reinterpret_cast<uint8_t*>(FFALIGN(reinterpret_cast<uintptr_t>(f->buf[i]->data), 64));
    f->linesize[i] = linesize_[i];
  }
  f->extended_data = f->data;
  return f;
}

AVBufferPool* CountedBufferPool(size_t size) {
  return av_buffer_pool_init(size, AllocCountedBuffer);
}

size_t LivePoolBuffers() { return livePoolBuffers.load(); }

bool ImageToFrame(const Image& image, AVFrame* dst, bool opaque, SwsPtr& cache, int threads) {
  if (image.Empty()) return false;
  const auto dstFormat = static_cast<AVPixelFormat>(dst->format);
  if (av_frame_make_writable(dst) < 0) return false;

  const bool sameSize = image.width == dst->width && image.height == dst->height;
  // Same size and the same layout: a plain copy.
  if (dstFormat == AV_PIX_FMT_BGRA && sameSize) {
    for (int y = 0; y < image.height; ++y) {
      uint8_t* d = dst->data[0] + ptrdiff_t(y) * dst->linesize[0];
      std::memcpy(d, image.Row(y), size_t(image.width) * 4);
      if (opaque)
        for (int x = 0; x < image.width; ++x) d[x * 4 + 3] = 255;
    }
    return true;
  }

  // Same size into planar G, B, R (, A): split the bytes, exactly.
  if ((dstFormat == AV_PIX_FMT_GBRP || dstFormat == AV_PIX_FMT_GBRAP) && sameSize) {
    const bool alpha = dstFormat == AV_PIX_FMT_GBRAP;
    for (int y = 0; y < image.height; ++y) {
      const uint8_t* s = image.Row(y);
      uint8_t* g = dst->data[0] + ptrdiff_t(y) * dst->linesize[0];
      uint8_t* b = dst->data[1] + ptrdiff_t(y) * dst->linesize[1];
      uint8_t* r = dst->data[2] + ptrdiff_t(y) * dst->linesize[2];
      uint8_t* a = alpha ? dst->data[3] + ptrdiff_t(y) * dst->linesize[3] : nullptr;
      for (int x = 0; x < image.width; ++x, s += 4) {
        b[x] = s[0];
        g[x] = s[1];
        r[x] = s[2];
        if (a) a[x] = opaque ? 255 : s[3];
      }
    }
    return true;
  }

  // Same size into 4:2:0 YUV (every YUV codec's format) or 4:4:4 (still JPEG images): our own
  // conversion, several times faster than the general scaler. The alpha has no place in them.
  if ((dstFormat == AV_PIX_FMT_YUV420P || dstFormat == AV_PIX_FMT_YUV444P) && sameSize) {
    const YuvPlanes planes{dst->data[0],     dst->data[1],     dst->data[2],
                           dst->linesize[0], dst->linesize[1], dst->linesize[2]};
    const bool full = dst->color_range == AVCOL_RANGE_JPEG;
    if (dstFormat == AV_PIX_FMT_YUV420P)
      BgrxToYuv420(image.bgra.data(), image.width * 4, image.width, image.height, planes, full);
    else
      BgrxToYuv444(image.bgra.data(), image.width * 4, image.width, image.height, planes, full);
    return true;
  }

  // Same size into packed 24- or 32-bit RGB or BGR: reorder the bytes, exactly.
  const bool rgb24 = dstFormat == AV_PIX_FMT_RGB24, bgr24 = dstFormat == AV_PIX_FMT_BGR24;
  if ((rgb24 || bgr24 || dstFormat == AV_PIX_FMT_RGBA) && sameSize) {
    const int bytes = rgb24 || bgr24 ? 3 : 4;
    const int red = bgr24 ? 2 : 0, blue = bgr24 ? 0 : 2;
    for (int y = 0; y < image.height; ++y) {
      const uint8_t* s = image.Row(y);
      uint8_t* d = dst->data[0] + ptrdiff_t(y) * dst->linesize[0];
      for (int x = 0; x < image.width; ++x, s += 4, d += bytes) {
        d[red] = s[2];
        d[1] = s[1];
        d[blue] = s[0];
        if (bytes == 4) d[3] = opaque ? 255 : s[3];
      }
    }
    return true;
  }

  // With the alpha to be ignored, read the pixels as B,G,R,x.
  const AVPixelFormat srcFormat = opaque ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGRA;
  // YUV frames tagged full range (JPEG) get samples spanning 0..255; the scaler is told so
  // instead of being handed the deprecated full-range pixel formats.
  const bool fullRange = dst->color_range == AVCOL_RANGE_JPEG;
  if (threads < 1) threads = 1;
  SwsContext* ctx = Scaler(cache, image.width, image.height, srcFormat, dst->width, dst->height,
                           dstFormat, fullRange, threads);
  if (!ctx) return false;
  int* invTable = nullptr;
  int* table = nullptr;
  int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
  if (sws_getColorspaceDetails(ctx, &invTable, &srcRange, &table, &dstRange, &brightness, &contrast,
                               &saturation) >= 0 &&
      dstRange != int(fullRange))
    sws_setColorspaceDetails(ctx, invTable, srcRange, table, int(fullRange), brightness, contrast,
                             saturation);
  const uint8_t* srcData[4] = {image.bgra.data(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {image.width * 4, 0, 0, 0};
  if (threads > 1) {
    // The threaded scaler works on reference-counted frames; the image's
    // pixels are lent to it, not copied.
    FramePtr src(av_frame_alloc());
    if (!src) return false;
    src->width = image.width;
    src->height = image.height;
    src->format = srcFormat;
    src->buf[0] = av_buffer_create(const_cast<uint8_t*>(image.bgra.data()), image.bgra.size(),
                                   KeepBuffer, nullptr, AV_BUFFER_FLAG_READONLY);
    if (!src->buf[0]) return false;
    src->data[0] = src->buf[0]->data;
    src->linesize[0] = srcStride[0];
    if (sws_scale_frame(ctx, dst, src.get()) < 0) return false;
  } else {
    sws_scale(ctx, srcData, srcStride, 0, image.height, dst->data, dst->linesize);
  }
  if (opaque && (dstFormat == AV_PIX_FMT_BGRA || dstFormat == AV_PIX_FMT_RGBA)) {
    for (int y = 0; y < dst->height; ++y) {
      uint8_t* d = dst->data[0] + ptrdiff_t(y) * dst->linesize[0];
      for (int x = 0; x < dst->width; ++x) d[x * 4 + 3] = 255;
    }
  }
  return true;
}

namespace {

void LibraryLogCallback(void* object, int level, const char* format, va_list args) {
  if (level > AV_LOG_WARNING) return;
  char text[1024];
  va_list copy;
  va_copy(copy, args);
  std::vsnprintf(text, sizeof text, format, copy);
  va_end(copy);
  const char* className = nullptr;
  if (object != nullptr) {
    const AVClass* cls = *static_cast<const AVClass* const*>(object);
    if (cls != nullptr)
      className = cls->item_name != nullptr ? cls->item_name(object) : cls->class_name;
  }
  const std::string line = LibraryMessageLine(level, className, text);
  if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

std::string LibraryMessageLine(int level, const char* className, const std::string& text) {
  if (level > AV_LOG_WARNING) return {};
  std::string body = text;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r' || body.back() == ' '))
    body.pop_back();
  if (body.empty()) return {};
  std::string line = "encoder: ";
  if (className != nullptr && *className != '\0') line += std::string("[") + className + "] ";
  line += body;

  // Messages may come from the libraries' worker threads.
  static std::mutex mutex;
  static std::set<std::string> shown;
  static bool capped = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (shown.count(line) != 0) return {};
  if (shown.size() >= kMaxLibraryMessages) {
    if (capped) return {};
    capped = true;
    return "encoder: further library messages are not shown";
  }
  shown.insert(line);
  return line;
}

void RouteLibraryMessages() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(LibraryLogCallback); });
}

}  // namespace mcl
