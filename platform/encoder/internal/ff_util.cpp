#include "platform/encoder/internal/ff_util.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

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

bool ImageToFrame(const Image& image, AVFrame* dst, bool opaque, SwsPtr& cache) {
  if (image.Empty()) return false;
  const auto dstFormat = static_cast<AVPixelFormat>(dst->format);
  if (av_frame_make_writable(dst) < 0) return false;

  // Same size and the same layout: a plain copy.
  if (dstFormat == AV_PIX_FMT_BGRA && image.width == dst->width && image.height == dst->height) {
    for (int y = 0; y < image.height; ++y) {
      uint8_t* d = dst->data[0] + ptrdiff_t(y) * dst->linesize[0];
      std::memcpy(d, image.Row(y), size_t(image.width) * 4);
      if (opaque)
        for (int x = 0; x < image.width; ++x) d[x * 4 + 3] = 255;
    }
    return true;
  }

  // Same size into planar G, B, R (, A): split the bytes, exactly.
  if ((dstFormat == AV_PIX_FMT_GBRP || dstFormat == AV_PIX_FMT_GBRAP) &&
      image.width == dst->width && image.height == dst->height) {
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

  // With the alpha to be ignored, read the pixels as B,G,R,x.
  const AVPixelFormat srcFormat = opaque ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGRA;
  SwsContext* ctx = sws_getCachedContext(cache.release(), image.width, image.height, srcFormat,
                                         dst->width, dst->height, dstFormat, SWS_BICUBIC,
                                         nullptr, nullptr, nullptr);
  cache.reset(ctx);
  if (!ctx) return false;
  // YUV frames tagged full range (JPEG) get samples spanning 0..255; the scaler is told so
  // instead of being handed the deprecated full-range pixel formats.
  const bool fullRange = dst->color_range == AVCOL_RANGE_JPEG;
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
  sws_scale(ctx, srcData, srcStride, 0, image.height, dst->data, dst->linesize);
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
    if (cls != nullptr) className = cls->item_name != nullptr ? cls->item_name(object) : cls->class_name;
  }
  const std::string line = LibraryMessageLine(level, className, text);
  if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

std::string LibraryMessageLine(int level, const char* className, const std::string& text) {
  if (level > AV_LOG_WARNING) return {};
  std::string body = text;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r' || body.back() == ' ')) body.pop_back();
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
