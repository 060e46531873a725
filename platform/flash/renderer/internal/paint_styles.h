// Paints of fills and strokes, prepared for one drawing: a premultiplied solid colour or a span
// generator that maps pixels back into gradient or bitmap space.
#pragma once

#include <agg_color_rgba.h>

#include <array>
#include <memory>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/types.h"
#include "platform/flash/renderer/internal/gradient_ramp.h"

namespace flash {

struct BitmapPixels;
struct CharacterLookup;

// Premultiplied colour at position t (0..1, already folded by the spread mode) of a ramp.
agg::rgba8 RampColor(const GradientRamp& ramp, double t);

class PaintStyle {
 public:
  enum class Kind { Solid, LinearGradient, RadialGradient, FocalGradient, Bitmap };

  static PaintStyle Solid(Rgba straight);
  // `m` maps shape twips onto pixels. `low_quality` turns off bitmap smoothing.
  static PaintStyle FromFill(const FillStyle& fill, const Matrix& m, const ColorTransform& cx,
                             const CharacterLookup* lookup, bool low_quality);

  bool IsSolid() const { return kind_ == Kind::Solid; }
  // The colours of a span depend on where it starts along the row, not on the row: a linear
  // gradient whose position does not change downwards.
  bool SameOnEveryRow() const { return kind_ == Kind::LinearGradient && inverse_.c == 0; }
  void Generate(agg::rgba8* span, int x, int y, unsigned len) const;
  // The style draws pixels it does not hold (a bitmap that keeps its own pixels, lent for the
  // call): it must be used before the call returns.
  bool BorrowsPixels() const { return bitmap_ && bitmap_.use_count() == 0; }

  agg::rgba8 solid{0, 0, 0, 0};  // premultiplied

 private:
  void GenerateGradient(agg::rgba8* span, int x, int y, unsigned len) const;
  void GenerateBitmap(agg::rgba8* span, int x, int y, unsigned len) const;

  Kind kind_ = Kind::Solid;
  Matrix inverse_;                        // pixel centre -> gradient square or bitmap pixels
  std::shared_ptr<GradientRamp> ramp_;    // gradients
  std::shared_ptr<GradientRamp> slopes_;  // linear gradients: each entry's step to the next
  SpreadMode spread_ = SpreadMode::Pad;
  double focal_ = 0;
  std::shared_ptr<const BitmapPixels> bitmap_;  // held while the style is in use
  bool smooth_ = false, repeat_ = false;
  ColorTransform cx_;
};

}  // namespace flash
