// Draws shapes, morph shapes and bitmaps into a 32-bit premultiplied pixel buffer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/format/types.h"
#include "platform/flash/renderer/blend.h"

namespace flash {

// Premultiplied B,G,R,A bytes, rows `stride` bytes apart. Not owned by the renderer.
struct RenderTarget {
  uint8_t* pixels = nullptr;
  int width = 0, height = 0, stride = 0;
};

// Finds the characters bitmap fills name.
struct CharacterLookup {
  virtual ~CharacterLookup() = default;
  virtual const CharacterDef* Find(uint16_t id) const = 0;
};

// Coverage of a small picture, one byte a pixel in rows `width` bytes apart, placed with its
// top-left pixel at (left, top) from the point it is drawn at (glyph caches keep these).
struct CoverageMask {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> coverage;
};

// Where a layer lies on the target: its top-left pixel and its size.
struct LayerBox {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const LayerBox&) const = default;
};

// The picture a layer composited: its pixels after its filters, over the part of the layer that
// its content and their reach cover, kept so that the layer can be composited again later
// without being drawn (see PushLayer and PopLayer with `keep`, and DrawKeptLayer).
struct KeptLayer {
  LayerBox layer;  // the layer it was drawn in
  // The picture on the target, premultiplied B,G,R,A pixels in rows of `width`.
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint32_t> pixels;
  // The layer was drawn and composited as a layer (not drawn straight onto the one below it,
  // nor left out as an alpha or erase layer with no layer to act on).
  bool made = false;
  bool sized = false;  // the picture's place is set; the bands fill in their rows
  // Something drawn into the layer reached past its edges and was cut off there: only the same
  // layer at the same place gives this picture again.
  std::atomic<bool> cut{false};
  size_t Bytes() const { return pixels.capacity() * 4; }
};

class Renderer {
 public:
  // With `bands` above 1 the frame is drawn in up to that many horizontal bands (of 16 rows at
  // least) side by side, on the threads of a pool started once: the calls are kept (with what the
  // lookup gives for them) and carried out by Finish, or at the latest by the destructor, and the
  // target shows nothing of them before. The pixels are the same as with one band.
  Renderer(RenderTarget target, Quality quality, const CharacterLookup* lookup, int bands = 1);
  ~Renderer();

  // The bands worth using for a frame of this size: one for small frames.
  static int BandsFor(int width, int height);
  // The same for a frame with filtered layers whose filters read `rows_read` rows around each
  // row (-1: they depend on where the layer begins). Each band then also draws and filters those
  // rows around its own, so fewer bands may be quicker; one when they depend on the layer's start.
  static int BandsFor(int width, int height, int rows_read);
  int bands() const;
  void Finish();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  void Clear(Rgba background);

  // `twips_to_pixels` maps the shape's twips onto target pixels.
  void DrawShape(const ShapeDef& shape, const Matrix& twips_to_pixels, const ColorTransform& cx);
  void DrawMorphShape(const MorphShapeDef& morph, double ratio, const Matrix& twips_to_pixels,
                      const ColorTransform& cx);

  // Paints `color` through `mask` placed at pixel (x, y), like a fill of that colour whose
  // coverage the mask gives.
  void DrawCoverage(const CoverageMask& mask, int x, int y, Rgba color);

  // Clip layers: draw the mask's content between BeginMask and EndMask, then the clipped
  // objects, then PopMask. Masks nest.
  void BeginMask();
  void EndMask();
  void PopMask();

  // Draws the following objects into a layer of their own, composited onto what lies below
  // by PopLayer with a blend mode (BlendMode). Alpha and erase act on the nearest enclosing
  // layer; with none, such a layer draws nothing. `filters` are applied to the layer first,
  // their blurs and distances times `filter_scale`. Layers nest up to kMaxLayers deep; deeper
  // ones, and layers beyond kMaxLayerBytes of pixels in all, draw straight onto the layer below.
  // A layer pushed with the filters it will be popped with also holds what lies within their
  // reach outside the surface below (up to kMaxLayerPad pixels each way), so that it can cast
  // shadows and glows inside.
  static constexpr int kMaxLayers = 32;
  static constexpr int kMaxLayerPad = 512;
  static constexpr size_t kMaxLayerBytes = size_t{512} << 20;
  void PushLayer();
  void PushLayer(const std::vector<Filter>& filters, double filter_scale);
  void PopLayer(int blend_mode);
  void PopLayer(int blend_mode, const std::vector<Filter>& filters, double filter_scale);

  // The same, keeping the layer's picture in `keep` (complete once the frame is finished).
  // Push and pop take the same `keep`.
  void PushLayer(const std::vector<Filter>& filters, double filter_scale,
                 const std::shared_ptr<KeptLayer>& keep);
  void PopLayer(int blend_mode, const std::vector<Filter>& filters, double filter_scale,
                const std::shared_ptr<KeptLayer>& keep);
  // The box a layer pushed now with `filters` would take; false when it would be drawn straight
  // onto the surface below instead (nested too deep, or beyond the budget).
  bool NextLayerBox(const std::vector<Filter>& filters, double filter_scale, LayerBox& box);
  // Composites a kept picture, moved by (dx, dy) pixels, onto what lies below as PopLayer
  // composited it with `blend_mode`. It must be complete (made in a finished frame).
  void DrawKeptLayer(const std::shared_ptr<const KeptLayer>& picture, int dx, int dy,
                     int blend_mode);

  Quality quality() const { return quality_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Quality quality_;
};

}  // namespace flash
