#include "platform/flash/video/internal/frame_picture.h"

#include <algorithm>
#include <vector>

#include "platform/flash/format/video.h"

namespace flash {

std::shared_ptr<BitmapDef> FramePicture(const AVFrame& frame, SwsContext*& scaler, int max_width,
                                        int max_height, uint16_t id) {
  const int w = frame.width, h = frame.height;
  if (w <= 0 || h <= 0 || w > kMaxVideoSide || h > kMaxVideoSide ||
      int64_t{w} * h > kMaxVideoPixels || max_width <= 0 || max_height <= 0)
    return nullptr;
  scaler = sws_getCachedContext(
      scaler, w, h, static_cast<AVPixelFormat>(frame.format), w, h, AV_PIX_FMT_BGRA,
      SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
  if (!scaler) return nullptr;
  const int out_w = std::min(w, max_width), out_h = std::min(h, max_height);
  // The scaler writes whole vector widths: rows are padded, and a spare row follows.
  const int stride = (w * 4 + 63) & ~63;
  std::vector<uint8_t> full(static_cast<size_t>(stride) * (h + 1) + 64);
  uint8_t* planes[4] = {full.data(), nullptr, nullptr, nullptr};
  int strides[4] = {stride, 0, 0, 0};
  if (sws_scale(scaler, frame.data, frame.linesize, 0, h, planes, strides) != h) return nullptr;
  auto pic = std::make_shared<BitmapDef>(id);
  pic->width = out_w;
  pic->height = out_h;
  pic->bgra_premultiplied.resize(static_cast<size_t>(out_w) * out_h * 4);
  const bool has_alpha = frame.format == AV_PIX_FMT_YUVA420P;
  for (int y = 0; y < out_h; ++y) {
    const uint8_t* s = full.data() + static_cast<size_t>(y) * stride;
    uint8_t* d = pic->bgra_premultiplied.data() + static_cast<size_t>(y) * out_w * 4;
    for (int x = 0; x < out_w; ++x, s += 4, d += 4) {
      const unsigned a = has_alpha ? s[3] : 255;
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + 127) / 255);
      d[3] = static_cast<uint8_t>(a);
    }
  }
  return pic;
}

}  // namespace flash
