#include "platform/flash/player/hit_test.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/flash/format/text.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/player.h"

namespace flash {

namespace {

// Curves are followed as this many straight pieces.
constexpr int kCurvePieces = 8;

// Half a pixel of the stage, in twips: the least a line covers to either side.
constexpr double kHalfPixel = 10;

double SegmentDistance2(double px, double py, double x0, double y0, double x1, double y1) {
  const double dx = x1 - x0, dy = y1 - y0;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = x0 + t * dx - px, ey = y0 + t * dy - py;
  return ex * ex + ey * ey;
}

// Calls `segment` for every straight piece of the path.
template <typename F>
void Segments(const ShapePath& p, F&& segment) {
  double x = p.start_x, y = p.start_y;
  for (const ShapeEdge& e : p.edges) {
    if (!e.curve) {
      segment(x, y, double(e.x), double(e.y));
    } else {
      double px = x, py = y;
      for (int i = 1; i <= kCurvePieces; ++i) {
        const double t = double(i) / kCurvePieces, u = 1 - t;
        const double nx = u * u * x + 2 * u * t * e.cx + t * t * e.x;
        const double ny = u * u * y + 2 * u * t * e.cy + t * t * e.y;
        segment(px, py, nx, ny);
        px = nx;
        py = ny;
      }
    }
    x = e.x;
    y = e.y;
  }
}

bool GroupContains(const ShapeGroup& g, bool non_zero, double x, double y, const Matrix& to_stage) {
  // A ray from the point counts the outline of each fill it crosses, signed by the edge's
  // direction and the side the fill lies on (an edge with the fill on both sides counts nothing).
  // The fill holds the point for an odd count, or with the non-zero rule any count but zero.
  const uint32_t fills = static_cast<uint32_t>(g.fill_styles.size());
  for (uint32_t s = 1; s <= fills; ++s) {
    int winding = 0;
    for (const ShapePath& p : g.paths) {
      const int side = (p.fill1 == s ? 1 : 0) - (p.fill0 == s ? 1 : 0);
      if (side == 0) continue;
      Segments(p, [&](double x0, double y0, double x1, double y1) {
        if ((y0 > y) != (y1 > y) && x < x0 + (y - y0) * (x1 - x0) / (y1 - y0))
          winding += (y1 > y0 ? side : -side);
      });
    }
    if (non_zero ? winding != 0 : (winding & 1) != 0) return true;
  }
  // A line covers its own width in the shape's twips, and at least one pixel of the stage however
  // small the shape is drawn: hairlines and lines thinner than a pixel there are measured on the
  // stage, half a pixel to either side.
  double sx = 0, sy = 0;
  to_stage.Apply(x, y, sx, sy);
  for (const ShapePath& p : g.paths) {
    if (p.line == 0 || p.line > g.line_styles.size()) continue;
    const double half = g.line_styles[p.line - 1].width / 2.0;
    bool hit = false;
    Segments(p, [&](double x0, double y0, double x1, double y1) {
      if (hit) return;
      if (half > 0 && SegmentDistance2(x, y, x0, y0, x1, y1) <= half * half) {
        hit = true;
        return;
      }
      double ax, ay, bx, by;
      to_stage.Apply(x0, y0, ax, ay);
      to_stage.Apply(x1, y1, bx, by);
      hit = SegmentDistance2(sx, sy, ax, ay, bx, by) <= kHalfPixel * kHalfPixel;
    });
    if (hit) return true;
  }
  return false;
}

}  // namespace

// Whether (x, y) of the object's twips lies in the box around `r` (of the same twips) on the
// stage: a turned object's box there is wider than the object.
static bool InStageBox(const DisplayObject& obj, const RectTwips& r, double x, double y) {
  const Matrix m = StageMatrix(obj);
  double px, py;
  m.Apply(x, y, px, py);
  const double xs[] = {double(r.xmin), double(r.xmax)}, ys[] = {double(r.ymin), double(r.ymax)};
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  for (int i = 0; i < 4; ++i) {
    double cx, cy;
    m.Apply(xs[i & 1], ys[i >> 1], cx, cy);
    x0 = i ? std::min(x0, cx) : cx;
    x1 = i ? std::max(x1, cx) : cx;
    y0 = i ? std::min(y0, cy) : cy;
    y1 = i ? std::max(y1, cy) : cy;
  }
  return px >= x0 && px <= x1 && py >= y0 && py <= y1;
}

Matrix StageMatrix(const DisplayObject& obj) {
  Matrix m;
  for (const DisplayObject* o = &obj; o; o = o->parent) m = o->matrix * m;
  return m;
}

bool InsideScriptMask(const MovieClip& clip, double x, double y) {
  const auto mask = clip.mask.lock();
  if (!mask || mask->removed) return true;
  Matrix to_mask;
  if (!StageMatrix(*mask).Invert(to_mask)) return false;
  double sx, sy, mx, my;
  StageMatrix(clip).Apply(x, y, sx, sy);
  to_mask.Apply(sx, sy, mx, my);
  return ObjectContains(*mask, mx, my);
}

bool ShapeContains(const ShapeDef& shape, double x, double y, const Matrix& to_stage) {
  // Beyond the bounds only a line's least pixel reaches: half a pixel of the stage, which in the
  // shape's twips is at most this far.
  const double det = std::fabs(to_stage.a * to_stage.d - to_stage.b * to_stage.c);
  const double norm = std::sqrt(to_stage.a * to_stage.a + to_stage.b * to_stage.b +
                                to_stage.c * to_stage.c + to_stage.d * to_stage.d);
  const double margin = det > 0 ? kHalfPixel * norm / det : HUGE_VAL;
  if (x < shape.bounds.xmin - margin || x > shape.bounds.xmax + margin ||
      y < shape.bounds.ymin - margin || y > shape.bounds.ymax + margin)
    return false;
  for (const ShapeGroup& g : shape.groups)
    if (GroupContains(g, shape.non_zero_winding, x, y, to_stage)) return true;
  return false;
}

bool ObjectContains(const DisplayObject& obj, double x, double y) {
  switch (obj.type) {
    case DisplayObject::Type::Shape:
      return obj.character &&
             ShapeContains(static_cast<const ShapeDef&>(*obj.character), x, y, StageMatrix(obj));
    case DisplayObject::Type::MorphShape:
      return obj.character &&
             ShapeContains(
                 static_cast<const MorphShapeDef&>(*obj.character).Interpolate(obj.ratio / 65535.0),
                 x, y, StageMatrix(obj));
    case DisplayObject::Type::MovieClip: {
      const auto& clip = static_cast<const MovieClip&>(obj);
      if (!InsideScriptMask(clip, x, y)) return false;
      if (clip.drawing && !clip.drawing->Empty() &&
          ShapeContains(clip.drawing->Shape(), x, y, StageMatrix(clip)))
        return true;
      // Clip layers in force: the depth they reach, and whether they hold the point. Hidden
      // objects count; a clip layer itself does not.
      std::vector<std::pair<int, bool>> layers;
      for (const auto& [depth, child] : clip.children) {
        while (!layers.empty() && depth > layers.back().first) layers.pop_back();
        Matrix inv;
        double cx = 0, cy = 0;
        const bool placed = child->matrix.Invert(inv);
        if (placed) inv.Apply(x, y, cx, cy);
        if (IsClipLayer(*child)) {
          layers.emplace_back(child->clip_depth, placed && ObjectContains(*child, cx, cy));
          continue;
        }
        if (!placed ||
            std::any_of(layers.begin(), layers.end(), [](const auto& l) { return !l.second; }))
          continue;
        if (ObjectContains(*child, cx, cy)) return true;
      }
      return false;
    }
    case DisplayObject::Type::Button:
      return ButtonHitContains(static_cast<const ButtonObject&>(obj), x, y);
    case DisplayObject::Type::Text:
    case DisplayObject::Type::EditText: {
      if (!obj.character) return false;
      // Static texts are hit on their glyphs (those drawn with advanced anti-aliasing anywhere
      // in the box their bounds take on the stage), text fields anywhere in their box.
      if (obj.type == DisplayObject::Type::Text) {
        const auto& text = static_cast<const StaticTextDef&>(*obj.character);
        if (text.anti_alias == 1) return InStageBox(obj, text.bounds, x, y);
        Matrix to_text;
        if (!text.matrix.Invert(to_text)) return false;
        double tx, ty;
        to_text.Apply(x, y, tx, ty);
        tx *= kGlyphRunUnits;
        ty *= kGlyphRunUnits;
        for (const ShapeDef& run : text.glyph_runs)
          for (const ShapeGroup& g : run.groups)
            if (GroupContains(g, run.non_zero_winding, tx, ty, Matrix())) return true;
        return false;
      }
      if (const auto* field = dynamic_cast<const TextFieldObject*>(&obj)) {
        const text::FieldBox& b = field->field.Layout().box;
        return x >= b.x * 20 && x <= (b.x + b.width) * 20 && y >= b.y * 20 &&
               y <= (b.y + b.height) * 20;
      }
      const RectTwips& r = static_cast<const EditTextDef&>(*obj.character).bounds;
      return x >= r.xmin && x <= r.xmax && y >= r.ymin && y <= r.ymax;
    }
    default: return false;
  }
}

}  // namespace flash
