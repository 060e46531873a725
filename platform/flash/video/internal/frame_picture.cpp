#include "platform/flash/video/internal/frame_picture.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/flash/format/video.h"
#include "platform/flash/video/internal/deblocking.h"

namespace flash {
namespace {

// Limited-range BT.601 in 16.16 fixed point: 255/219 for luma, and the chroma factors of red
// from V, green from U and V, blue from U, each times 65536 and rounded.
constexpr int32_t kLuma = 76309, kRedV = 104597, kGreenU = 25675, kGreenV = 53279,
                  kBlueU = 132201;

inline uint8_t ClampShift(int32_t v) {
  v >>= 16;  // arithmetic: below zero stays below zero
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The terms of the conversion for every sample value, so that a pixel is a few additions.
struct YuvTables {
  int32_t luma[256], red_v[256], green_u[256], green_v[256], blue_u[256];
  YuvTables() {
    for (int i = 0; i < 256; ++i) {
      luma[i] = kLuma * (i - 16) + 32768;  // the half that rounds
      red_v[i] = kRedV * (i - 128);
      green_u[i] = -kGreenU * (i - 128);
      green_v[i] = -kGreenV * (i - 128);
      blue_u[i] = kBlueU * (i - 128);
    }
  }
};

const YuvTables& Tables() {
  static const YuvTables tables;
  return tables;
}

// Planar 4:2:0 (with a full-size alpha plane or without) to premultiplied B,G,R,A. Every
// chroma sample colours its 2x2 pixels as it is (no interpolation between samples).
void ConvertYuv420(const AVFrame& frame, bool has_alpha, int out_w, int out_h, uint8_t* out) {
  const YuvTables& t = Tables();
  for (int y = 0; y < out_h; ++y) {
    const uint8_t* ly = frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0];
    const uint8_t* lu = frame.data[1] + static_cast<ptrdiff_t>(y / 2) * frame.linesize[1];
    const uint8_t* lv = frame.data[2] + static_cast<ptrdiff_t>(y / 2) * frame.linesize[2];
    const uint8_t* la =
        has_alpha ? frame.data[3] + static_cast<ptrdiff_t>(y) * frame.linesize[3] : nullptr;
    uint8_t* d = out + static_cast<size_t>(y) * out_w * 4;
    for (int x = 0; x < out_w; ++x, d += 4) {
      const int32_t l = t.luma[ly[x]];
      const int u = lu[x / 2], v = lv[x / 2];
      const unsigned b = ClampShift(l + t.blue_u[u]), g = ClampShift(l + t.green_u[u] + t.green_v[v]),
                     r = ClampShift(l + t.red_v[v]);
      // Colour of a frame with alpha is encoded already multiplied by its alpha; it is only
      // capped at the alpha so that the picture stays valid premultiplied data.
      const unsigned a = la ? la[x] : 255;
      d[0] = static_cast<uint8_t>(std::min(b, a));
      d[1] = static_cast<uint8_t>(std::min(g, a));
      d[2] = static_cast<uint8_t>(std::min(r, a));
      d[3] = static_cast<uint8_t>(a);
    }
  }
}

}  // namespace

void SetUpDecoder(AVCodecContext& context) {
  context.thread_count = 1;
  if (context.codec_id == AV_CODEC_ID_FLV1) context.idct_algo = FF_IDCT_FAAN;
}

void YuvToBgr(int y, int u, int v, uint8_t bgr[3]) {
  const YuvTables& t = Tables();
  y = std::clamp(y, 0, 255);
  u = std::clamp(u, 0, 255);
  v = std::clamp(v, 0, 255);
  bgr[0] = ClampShift(t.luma[y] + t.blue_u[u]);
  bgr[1] = ClampShift(t.luma[y] + t.green_u[u] + t.green_v[v]);
  bgr[2] = ClampShift(t.luma[y] + t.red_v[v]);
}

std::shared_ptr<BitmapDef> FramePicture(const AVFrame& frame, SwsContext*& scaler, int max_width,
                                        int max_height, uint16_t id, int smoothing) {
  const int w = frame.width, h = frame.height;
  if (w <= 0 || h <= 0 || w > kMaxVideoSide || h > kMaxVideoSide ||
      int64_t{w} * h > kMaxVideoPixels || max_width <= 0 || max_height <= 0)
    return nullptr;
  const int out_w = std::min(w, max_width), out_h = std::min(h, max_height);
  if (frame.format == AV_PIX_FMT_YUV420P || frame.format == AV_PIX_FMT_YUVA420P) {
    if (smoothing > 0) {
      std::unique_ptr<AVFrame, void (*)(AVFrame*)> copy(av_frame_clone(&frame),
                                                        [](AVFrame* f) { av_frame_free(&f); });
      if (!copy || av_frame_make_writable(copy.get()) < 0) return nullptr;
      for (int plane = 0; plane < 3; ++plane)
        DeblockPlane(copy->data[plane], copy->linesize[plane], plane ? (w + 1) / 2 : w,
                     plane ? (h + 1) / 2 : h, smoothing);
      return FramePicture(*copy, scaler, max_width, max_height, id, 0);
    }
    auto pic = std::make_shared<BitmapDef>(id);
    pic->width = out_w;
    pic->height = out_h;
    pic->bgra_premultiplied.resize(static_cast<size_t>(out_w) * out_h * 4);
    ConvertYuv420(frame, frame.format == AV_PIX_FMT_YUVA420P, out_w, out_h,
                  pic->bgra_premultiplied.data());
    return pic;
  }
  scaler = sws_getCachedContext(
      scaler, w, h, static_cast<AVPixelFormat>(frame.format), w, h, AV_PIX_FMT_BGRA,
      SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
  if (!scaler) return nullptr;
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
  for (int y = 0; y < out_h; ++y) {
    const uint8_t* s = full.data() + static_cast<size_t>(y) * stride;
    uint8_t* d = pic->bgra_premultiplied.data() + static_cast<size_t>(y) * out_w * 4;
    for (int x = 0; x < out_w; ++x, s += 4, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = 255;
    }
  }
  return pic;
}

}  // namespace flash
