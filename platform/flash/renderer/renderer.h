// Draws shapes, morph shapes and bitmaps into a 32-bit premultiplied pixel buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/types.h"

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

// Blend modes of layers (PlaceObject3 numbering).
enum BlendMode : int {
  kBlendNormal = 1,
  kBlendLayer = 2,
};

class Renderer {
 public:
  Renderer(RenderTarget target, Quality quality, const CharacterLookup* lookup);
  ~Renderer();
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
  // by PopLayer.
  void PushLayer();
  void PopLayer(int blend_mode);

  Quality quality() const { return quality_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Quality quality_;
};

}  // namespace flash
