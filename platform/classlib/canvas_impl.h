// Internal state of TCanvas and the span-level drawing shared by the canvas,
// its text drawing and the drawing helpers. Not part of the public surface.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/classlib/canvas.h"
#include "platform/classlib/pixel_ops.h"
#include "platform/classlib/region.h"

namespace classlib {

struct TCanvas::Impl {
  TPen pen;
  TBrush brush;
  TFont font;
  TPoint penPos;
  TCopyMode copyMode = cmSrcCopy;
  int bkMode = OPAQUE;
  int stretchMode = 3;
  std::optional<TRegion> clip;  // in surface coordinates
  TPoint origin;
  bool attached = false;
  TPixelSurface attachedSurface;
  std::recursive_mutex mutex;
  std::atomic<int> locks{0};
  pixels::ColorMapper mapper;
  int styleCount = 0;  // position along the pen's dash pattern
};

// One drawing operation's view of the surface: the pixels and the rectangles
// that may be touched (surface coordinates, inside the surface).
struct DrawCtx {
  TPixelSurface s;
  std::vector<TRect> clips;
  int ox = 0, oy = 0;  // logical origin on the surface
  pixels::ColorMapper* mapper = nullptr;
  uint32_t mask = 0xFFFFFF;

  uint32_t Dev(TColor c) const { return mapper->ToDevice(s, c); }
  bool InClip(int x, int y) const {
    for (const auto& r : clips)
      if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return true;
    return false;
  }
};

struct TCanvasAccess {
  static TCanvas::Impl& D(TCanvas* c) { return *c->d_; }
  // Prepares a drawing operation; false when the canvas has nothing to draw on.
  static bool Begin(TCanvas* c, DrawCtx& ctx);
  static void End(TCanvas* c) { c->Changed(); }
  // Block transfer of the rectangle (XS, YS, WS, HS) of Src to (X, Y, W, H) of
  // Dst (logical coordinates), with a raster operation; with a mask, BackRop
  // applies where the mask is 0; with Transparent, source pixels of that colour
  // and places outside the source are skipped.
  static bool Blt(TCanvas* Dst, int X, int Y, int W, int H, TCanvas* Src, int XS, int YS, int WS,
                  int HS, uint32_t Rop, TBitmap* Mask = nullptr, int XM = 0, int YM = 0,
                  uint32_t BackRop = 0, const TColor* Transparent = nullptr);
  static bool BltFromSurface(TCanvas* Dst, int X, int Y, int W, int H, const TPixelSurface& Src,
                             int XS, int YS, int WS, int HS, uint32_t Rop, TBitmap* Mask, int XM,
                             int YM, uint32_t BackRop, const TColor* Transparent);
};

// Span and pixel writes with a binary raster operation (clipped).
void SpanRop(DrawCtx& ctx, int y, int x0, int x1, uint32_t dev, int rop2);
void PlotRop(DrawCtx& ctx, int x, int y, uint32_t dev, int rop2);
// A span filled with the canvas's brush (solid, hatched or pattern bitmap).
void SpanBrush(DrawCtx& ctx, TCanvas::Impl& d, int y, int x0, int x1, int rop2);
// One channel of Fore drawn over Back with coverage 0..255, rounded.
inline int BlendChannel(int Fore, int Back, int Coverage) {
  return (Fore * Coverage + Back * (255 - Coverage) + 127) / 255;
}
// Blends Color into the pixel with coverage 0..255 (clipped).
void BlendPixel(DrawCtx& ctx, int x, int y, TColor Color, int Coverage);

}  // namespace classlib
