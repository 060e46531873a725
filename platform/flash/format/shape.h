// Shapes and morph shapes as the renderer draws them: style tables and edge paths in twips.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/flash/format/types.h"

namespace flash {

enum class SpreadMode : uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
enum class InterpolationMode : uint8_t { Normal = 0, LinearRgb = 1 };

struct GradientStop {
  uint8_t ratio = 0;
  Rgba color;
  bool operator==(const GradientStop&) const = default;
};

struct Gradient {
  SpreadMode spread = SpreadMode::Pad;
  InterpolationMode interpolation = InterpolationMode::Normal;
  std::vector<GradientStop> stops;
  double focal_point = 0;  // -1..1 along the gradient's x axis; focal gradients only
  bool operator==(const Gradient&) const = default;
};

struct FillStyle {
  enum class Type : uint8_t {
    Solid = 0x00,
    LinearGradient = 0x10,
    RadialGradient = 0x12,
    FocalGradient = 0x13,
    RepeatingBitmap = 0x40,
    ClippedBitmap = 0x41,
    NonSmoothedRepeatingBitmap = 0x42,
    NonSmoothedClippedBitmap = 0x43,
  };
  Type type = Type::Solid;
  Rgba color;         // solid fills
  Matrix matrix;      // gradient square or bitmap pixels -> shape twips
  Gradient gradient;  // gradient fills
  uint16_t bitmap_id = 0;

  bool IsGradient() const {
    return type == Type::LinearGradient || type == Type::RadialGradient ||
           type == Type::FocalGradient;
  }
  bool IsBitmap() const { return static_cast<uint8_t>(type) >= 0x40; }
  bool IsSmoothedBitmap() const {
    return type == Type::RepeatingBitmap || type == Type::ClippedBitmap;
  }
  bool IsRepeatingBitmap() const {
    return type == Type::RepeatingBitmap || type == Type::NonSmoothedRepeatingBitmap;
  }
};

enum class CapStyle : uint8_t { Round = 0, None = 1, Square = 2 };
enum class JoinStyle : uint8_t { Round = 0, Bevel = 1, Miter = 2 };

struct LineStyle {
  uint16_t width = 0;  // twips; drawn at least one pixel wide
  Rgba color;
  CapStyle start_cap = CapStyle::Round;
  CapStyle end_cap = CapStyle::Round;
  JoinStyle join = JoinStyle::Round;
  double miter_limit = 3;
  bool no_hscale = false;
  bool no_vscale = false;
  bool pixel_hinting = false;
  bool no_close = false;
  bool has_fill = false;  // the line is painted with `fill` instead of `color`
  FillStyle fill;
};

// One edge of a path: a straight line or a quadratic curve to (x, y).
struct ShapeEdge {
  bool curve = false;
  int32_t cx = 0, cy = 0;  // control point (curves)
  int32_t x = 0, y = 0;    // end point
  bool operator==(const ShapeEdge&) const = default;
};

// A run of connected edges sharing the same styles. Style numbers index the owning group's
// style tables from 1; 0 means none. `fill0` and `fill1` are the fills on the two sides of the
// edges, as the shape records give them.
struct ShapePath {
  uint32_t fill0 = 0, fill1 = 0, line = 0;
  int32_t start_x = 0, start_y = 0;
  std::vector<ShapeEdge> edges;
};

// A group of paths drawn together; a later group (the shape records started new style tables)
// draws above an earlier one. Style numbers of the paths index `fill_styles`/`line_styles` of
// this group.
struct ShapeGroup {
  std::vector<FillStyle> fill_styles;
  std::vector<LineStyle> line_styles;
  std::vector<ShapePath> paths;
};

struct ShapeDef : CharacterDef {
  explicit ShapeDef(uint16_t character_id = 0) : CharacterDef(Kind::Shape, character_id) {}
  int version = 1;  // DefineShape 1..4
  RectTwips bounds;
  RectTwips edge_bounds;  // version 4; otherwise equal to bounds
  bool non_zero_winding = false;
  std::vector<ShapeGroup> groups;
};

// A rectangle from (xmin, ymin) to (xmax, ymax), in twips, filled with one solid colour.
ShapeDef SolidRectangle(int32_t xmin, int32_t ymin, int32_t xmax, int32_t ymax, Rgba color);

// Morph shapes: start and end share the edge structure. Each style holds its start and end value.
struct MorphFillStyle {
  FillStyle start, end;
};
struct MorphLineStyle {
  LineStyle start, end;
};

struct MorphShapeDef : CharacterDef {
  explicit MorphShapeDef(uint16_t character_id = 0)
      : CharacterDef(Kind::MorphShape, character_id) {}
  int version = 1;  // DefineMorphShape 1 or 2
  RectTwips start_bounds, end_bounds;
  std::vector<MorphFillStyle> fill_styles;
  std::vector<MorphLineStyle> line_styles;
  // The start and end paths, pairwise matching (same styles, same edge count; a straight edge
  // facing a curve was made a curve).
  std::vector<ShapePath> start_paths, end_paths;

  // The shape at `ratio` (0 = start, 1 = end).
  ShapeDef Interpolate(double ratio) const;
};

}  // namespace flash
