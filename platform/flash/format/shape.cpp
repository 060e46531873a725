// Morph shapes: the shape in between the start and end shapes.
#include "platform/flash/format/shape.h"

#include <algorithm>
#include <cmath>

namespace flash {
namespace {

double Lerp(double a, double b, double t) { return a + (b - a) * t; }

int32_t LerpInt(int32_t a, int32_t b, double t) {
  return static_cast<int32_t>(std::lround(Lerp(a, b, t)));
}

// Colour channels follow the usual player arithmetic: single precision, truncated.
uint8_t LerpByte(uint8_t a, uint8_t b, double t) {
  float v = static_cast<float>(a) + static_cast<float>(b - a) * static_cast<float>(t);
  return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

Rgba LerpColor(Rgba a, Rgba b, double t) {
  return {LerpByte(a.r, b.r, t), LerpByte(a.g, b.g, t), LerpByte(a.b, b.b, t),
          LerpByte(a.a, b.a, t)};
}

Matrix LerpMatrix(const Matrix& a, const Matrix& b, double t) {
  return {Lerp(a.a, b.a, t), Lerp(a.b, b.b, t),   Lerp(a.c, b.c, t),
          Lerp(a.d, b.d, t), Lerp(a.tx, b.tx, t), Lerp(a.ty, b.ty, t)};
}

FillStyle LerpFill(const FillStyle& a, const FillStyle& b, double t) {
  FillStyle f = a;
  f.color = LerpColor(a.color, b.color, t);
  f.matrix = LerpMatrix(a.matrix, b.matrix, t);
  f.gradient.focal_point = Lerp(a.gradient.focal_point, b.gradient.focal_point, t);
  for (size_t i = 0; i < f.gradient.stops.size() && i < b.gradient.stops.size(); ++i) {
    f.gradient.stops[i].ratio = LerpByte(a.gradient.stops[i].ratio, b.gradient.stops[i].ratio, t);
    f.gradient.stops[i].color = LerpColor(a.gradient.stops[i].color, b.gradient.stops[i].color, t);
  }
  return f;
}

}  // namespace

ShapeDef MorphShapeDef::Interpolate(double ratio) const {
  double t = ratio < 0 ? 0 : ratio > 1 ? 1 : ratio;
  ShapeDef shape(id);
  shape.version = 4;
  shape.bounds = {LerpInt(start_bounds.xmin, end_bounds.xmin, t),
                  LerpInt(start_bounds.xmax, end_bounds.xmax, t),
                  LerpInt(start_bounds.ymin, end_bounds.ymin, t),
                  LerpInt(start_bounds.ymax, end_bounds.ymax, t)};
  shape.edge_bounds = shape.bounds;
  ShapeGroup& g = shape.groups.emplace_back();
  g.fill_styles.reserve(fill_styles.size());
  for (const MorphFillStyle& f : fill_styles) g.fill_styles.push_back(LerpFill(f.start, f.end, t));
  g.line_styles.reserve(line_styles.size());
  for (const MorphLineStyle& l : line_styles) {
    LineStyle s = l.start;
    s.width = static_cast<uint16_t>(std::lround(Lerp(l.start.width, l.end.width, t)));
    s.color = LerpColor(l.start.color, l.end.color, t);
    if (s.has_fill) s.fill = LerpFill(l.start.fill, l.end.fill, t);
    g.line_styles.push_back(s);
  }
  g.paths.reserve(start_paths.size());
  for (size_t i = 0; i < start_paths.size() && i < end_paths.size(); ++i) {
    const ShapePath& a = start_paths[i];
    const ShapePath& b = end_paths[i];
    ShapePath p;
    p.fill0 = a.fill0;
    p.fill1 = a.fill1;
    p.line = a.line;
    p.start_x = LerpInt(a.start_x, b.start_x, t);
    p.start_y = LerpInt(a.start_y, b.start_y, t);
    p.edges.reserve(a.edges.size());
    for (size_t k = 0; k < a.edges.size() && k < b.edges.size(); ++k) {
      const ShapeEdge& ea = a.edges[k];
      const ShapeEdge& eb = b.edges[k];
      ShapeEdge e;
      e.curve = ea.curve || eb.curve;
      e.cx = LerpInt(ea.cx, eb.cx, t);
      e.cy = LerpInt(ea.cy, eb.cy, t);
      e.x = LerpInt(ea.x, eb.x, t);
      e.y = LerpInt(ea.y, eb.y, t);
      p.edges.push_back(e);
    }
    g.paths.push_back(std::move(p));
  }
  return shape;
}

ShapeDef SolidRectangle(int32_t xmin, int32_t ymin, int32_t xmax, int32_t ymax, Rgba color) {
  ShapeDef shape;
  shape.bounds = shape.edge_bounds = {xmin, xmax, ymin, ymax};
  ShapeGroup group;
  FillStyle fill;
  fill.color = color;
  group.fill_styles.push_back(fill);
  ShapePath path;
  path.fill1 = 1;
  path.start_x = xmin;
  path.start_y = ymin;
  path.edges = {{false, 0, 0, xmax, ymin},
                {false, 0, 0, xmax, ymax},
                {false, 0, 0, xmin, ymax},
                {false, 0, 0, xmin, ymin}};
  group.paths.push_back(std::move(path));
  shape.groups.push_back(std::move(group));
  return shape;
}

}  // namespace flash
