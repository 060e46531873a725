#include "platform/flash/text_painter.h"

#include <algorithm>
#include <cmath>

#include "platform/flash/renderer/glyph_cache.h"

namespace flash {
namespace {

// Scaled alike in both directions and neither rotated nor mirrored.
bool Upright(const Matrix& m) {
  return m.b == 0 && m.c == 0 && m.a > 0 && m.d > 0 && std::abs(m.a - m.d) <= 1e-9 * m.a;
}

Matrix Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
Matrix Scale(double s) { return {s, 0, 0, s, 0, 0}; }

void AddRect(ShapeGroup& g, double x0, double y0, double x1, double y1, uint32_t style) {
  if (x1 <= x0 || y1 <= y0) return;
  auto i = [](double v) { return static_cast<int32_t>(std::lround(v)); };
  ShapePath p;
  p.fill1 = style;
  p.start_x = i(x0);
  p.start_y = i(y0);
  p.edges = {{false, 0, 0, i(x1), i(y0)},
             {false, 0, 0, i(x1), i(y1)},
             {false, 0, 0, i(x0), i(y1)},
             {false, 0, 0, i(x0), i(y0)}};
  g.paths.push_back(std::move(p));
}

uint32_t AddFill(ShapeGroup& g, Rgba c) {
  FillStyle f;
  f.color = c;
  g.fill_styles.push_back(f);
  return static_cast<uint32_t>(g.fill_styles.size());
}

// A box from (x0, y0) to (x1, y1), in units of which `unit` make a pixel: filled with `fill`
// when given, and framed by one-pixel bars along its top and left edges and just outside its
// right and bottom edges, the bottom-right corner left open.
ShapeDef BoxShape(double x0, double y0, double x1, double y1, double unit, const Rgba* fill,
                  const Rgba* line) {
  ShapeDef s;
  s.groups.emplace_back();
  ShapeGroup& g = s.groups.back();
  if (fill) AddRect(g, x0, y0, x1, y1, AddFill(g, *fill));
  if (line) {
    uint32_t style = AddFill(g, *line);
    const double w = unit;
    AddRect(g, x0, y0, x1 + w, y0 + w, style);
    AddRect(g, x0, y0 + w, x0 + w, y1 + w, style);
    AddRect(g, x1, y0 + w, x1 + w, y1, style);
    AddRect(g, x0 + w, y1, x1, y1 + w, style);
  }
  return s;
}

}  // namespace

void PaintStaticText(Renderer& r, const StaticTextDef& text, const MovieDef& movie, const Matrix& m,
                     const ColorTransform& cx) {
  Matrix to_view = m * text.matrix;
  if (!Upright(to_view)) {
    for (const ShapeDef& run : text.glyph_runs)
      r.DrawShape(run, to_view * Scale(1 / kGlyphRunUnits), cx);
    return;
  }
  for (const TextRecord& rec : text.records) {
    auto it = movie.dictionary.find(rec.font_id);
    if (it == movie.dictionary.end() || it->second->kind != CharacterDef::Kind::Font) continue;
    const auto& font = static_cast<const FontDef&>(*it->second);
    double scale = rec.height / static_cast<double>(font.EmSquare()) * to_view.a;
    Rgba color = cx.Apply(rec.color);
    double x = rec.x;
    for (const TextGlyphEntry& g : rec.glyphs) {
      if (g.index < font.glyphs.size() && !font.glyphs[g.index].shape.groups.empty()) {
        double px, py;
        to_view.Apply(x, rec.y, px, py);
        DrawCachedGlyph(r, font.glyphs[g.index].shape, it->second, scale, px, py, color);
      }
      x += g.advance;
    }
  }
}

namespace {

// The field's twips to the target. Device text is drawn upright: the field keeps its scale and
// position but not its rotation.
Matrix FieldView(const text::TextField& field, const Matrix& m) {
  if (field.embed_fonts) return m;
  double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
  if (m.a * m.d - m.b * m.c < 0) sy = -sy;
  return {sx, 0, 0, sy, m.tx, m.ty};
}

// How far scrolling moves the lines up, in pixels.
double ScrollShift(const text::TextField& field, const text::TextLayout& layout) {
  if (field.scroll <= 1 || layout.lines.empty()) return 0;
  const size_t first = std::min(layout.lines.size(), static_cast<size_t>(field.scroll)) - 1;
  return layout.lines.front().top - layout.lines[first].top;
}

}  // namespace

void PaintTextField(Renderer& r, const text::TextField& field, const Matrix& m,
                    const ColorTransform& cx) {
  const Matrix view = FieldView(field, m);
  const text::TextLayout& layout = field.Layout();
  const text::FieldBox& box = layout.box;
  double x0 = box.x * 20, y0 = box.y * 20, x1 = (box.x + box.width) * 20,
         y1 = (box.y + box.height) * 20;
  if (field.background || field.border) {
    const Rgba* fill = field.background ? &field.background_color : nullptr;
    const Rgba* line = field.border ? &field.border_color : nullptr;
    if (view.b == 0 && view.c == 0) {
      // An upright box lands on whole pixels, its frame one pixel wide at any scale.
      double ax, ay, bx, by;
      view.Apply(x0, y0, ax, ay);
      view.Apply(x1, y1, bx, by);
      auto snap = [](double v) { return std::floor(v + 0.5) * 20; };
      ShapeDef frame = BoxShape(snap(std::min(ax, bx)), snap(std::min(ay, by)),
                                snap(std::max(ax, bx)), snap(std::max(ay, by)), 20, fill, line);
      r.DrawShape(frame, Scale(1 / 20.0), cx);
    } else {
      r.DrawShape(BoxShape(x0, y0, x1, y1, 20, fill, line), view, cx);
    }
  }
  if (layout.glyphs.empty() && layout.underlines.empty()) return;
  bool clip = field.Overflows();
  if (clip) {
    Rgba white{255, 255, 255, 255};
    ShapeDef inside = BoxShape(x0, y0, x1, y1, 20, &white, nullptr);
    r.BeginMask();
    r.DrawShape(inside, view, ColorTransform());
    r.EndMask();
  }
  const double dy = ScrollShift(field, layout);
  double dx = -field.hscroll;
  Matrix to_view = view * Translate(dx * 20, dy * 20);
  if (Upright(to_view)) {
    Matrix px = to_view * Scale(20);  // field pixels -> target pixels
    for (const text::PlacedGlyph& g : layout.glyphs) {
      const ShapeDef* outline = g.face->Outline(g.glyph);
      if (!outline) continue;
      double x, y;
      px.Apply(g.x, g.y, x, y);
      DrawCachedGlyph(r, *outline, g.face->Owner(), g.size / g.face->EmSquare() * px.a, x, y,
                      cx.Apply(g.color));
    }
  } else {
    for (const ShapeDef& run : field.GlyphRuns())
      r.DrawShape(run, to_view * Scale(1 / kGlyphRunUnits), cx);
  }
  for (const text::UnderlineSpan& u : layout.underlines) {
    ShapeDef bar = BoxShape((u.x0 + dx) * 20, (u.y + dy) * 20, (u.x1 + dx) * 20,
                            (u.y + dy + u.thickness) * 20, 20, &u.color, nullptr);
    r.DrawShape(bar, view, cx);
  }
  if (clip) r.PopMask();
}

namespace {

// The line holding the character position `index`: the last that starts at or before it.
size_t LineOf(const text::TextLayout& layout, size_t index) {
  size_t line = 0;
  for (size_t i = 0; i < layout.lines.size(); ++i)
    if (layout.lines[i].first_char <= index) line = i;
  return line;
}

// Where a caret before the character `index` of `line` stands, in field pixels before
// scrolling: at that character's glyph, else after the line's text (an empty line: where its
// paragraph's alignment would start the text).
double CaretX(const text::TextField& field, const text::TextLayout& layout, size_t line,
              size_t index) {
  const text::LaidLine& l = layout.lines[line];
  double x = l.x + l.width;
  if (l.first_char == l.end_char || (line + 1 == layout.lines.size() && l.width == 0)) {
    const text::TextFormat& f = field.FormatAt(index);
    const double left = layout.box.x + text::kGutter + f.left_margin + f.block_indent + f.indent;
    const double right = layout.box.x + layout.box.width - text::kGutter - f.right_margin;
    x = f.align == TextAlign::Center  ? (left + right) / 2
        : f.align == TextAlign::Right ? right
                                      : left;
  }
  for (const text::PlacedGlyph& g : layout.glyphs)
    if (g.char_index == index && index < l.end_char) return g.x;
  return x;
}

// Fills the field-pixel rectangle [x0, x1) x [top, bottom) black. Upright, it lands on whole
// target pixels and is at least one pixel wide.
void FillFieldRect(Renderer& r, const Matrix& view, double x0, double x1, double top,
                   double bottom, const ColorTransform& cx) {
  const Rgba black{0, 0, 0, 255};
  if (view.b == 0 && view.c == 0) {
    double ax, ay, bx, by;
    view.Apply(x0 * 20, top * 20, ax, ay);
    view.Apply(x1 * 20, bottom * 20, bx, by);
    const double left = std::floor(std::min(ax, bx) + 0.5);
    const double right = std::max(left + 1, std::floor(std::max(ax, bx) + 0.5));
    r.DrawShape(BoxShape(left * 20, std::round(std::min(ay, by)) * 20, right * 20,
                         std::round(std::max(ay, by)) * 20, 20, &black, nullptr),
                Scale(1 / 20.0), cx);
  } else {
    r.DrawShape(BoxShape(x0 * 20, top * 20, x1 * 20, bottom * 20, 20, &black, nullptr), view, cx);
  }
}

}  // namespace

void PaintCaret(Renderer& r, const text::TextField& field, size_t caret, const Matrix& m,
                const ColorTransform& cx) {
  const Matrix view = FieldView(field, m);
  const text::TextLayout& layout = field.Layout();
  if (layout.lines.empty()) return;
  const size_t line = LineOf(layout, caret);
  const text::LaidLine& l = layout.lines[line];
  const double x = CaretX(field, layout, line, caret) - field.hscroll;
  const double dy = ScrollShift(field, layout);
  FillFieldRect(r, view, x, x + 1, l.top + dy, l.Bottom() + dy, cx);
}

void PaintSelection(Renderer& r, const text::TextField& field, size_t begin, size_t end,
                    const Matrix& m, const ColorTransform& cx) {
  const Matrix view = FieldView(field, m);
  const text::TextLayout& layout = field.Layout();
  if (layout.lines.empty() || begin >= end) return;
  const bool clip = field.Overflows();
  if (clip) {
    const text::FieldBox& box = layout.box;
    Rgba white{255, 255, 255, 255};
    r.BeginMask();
    r.DrawShape(BoxShape(box.x * 20, box.y * 20, (box.x + box.width) * 20,
                         (box.y + box.height) * 20, 20, &white, nullptr),
                view, ColorTransform());
    r.EndMask();
  }
  const double dy = ScrollShift(field, layout), dx = -field.hscroll;
  // The selected part of each line on a black band as high as the line.
  for (size_t li = LineOf(layout, begin); li < layout.lines.size(); ++li) {
    const text::LaidLine& l = layout.lines[li];
    if (l.first_char >= end) break;
    const size_t from = std::max(begin, l.first_char), to = std::min(end, l.end_char);
    if (from >= to && !(from == to && l.first_char == l.end_char)) continue;
    const double x0 = CaretX(field, layout, li, from);
    const double x1 = to < l.end_char ? CaretX(field, layout, li, to) : l.x + l.width;
    if (x1 > x0) FillFieldRect(r, view, x0 + dx, x1 + dx, l.top + dy, l.Bottom() + dy, cx);
  }
  // The selected glyphs again over it, in the inverse of their colour.
  const Matrix to_view = view * Translate(dx * 20, dy * 20);
  const Matrix px = to_view * Scale(20);
  for (const text::PlacedGlyph& g : layout.glyphs) {
    if (g.char_index < begin || g.char_index >= end) continue;
    const ShapeDef* outline = g.face->Outline(g.glyph);
    if (!outline) continue;
    const Rgba ink = cx.Apply(g.color);
    const Rgba inverse{static_cast<uint8_t>(255 - ink.r), static_cast<uint8_t>(255 - ink.g),
                       static_cast<uint8_t>(255 - ink.b), ink.a};
    if (Upright(to_view)) {
      double x, y;
      px.Apply(g.x, g.y, x, y);
      DrawCachedGlyph(r, *outline, g.face->Owner(), g.size / g.face->EmSquare() * px.a, x, y,
                      inverse);
    } else {
      ShapeDef glyph = *outline;
      for (ShapeGroup& group : glyph.groups)
        for (FillStyle& f : group.fill_styles) f.color = inverse;
      const double s = g.size / g.face->EmSquare() * 20;
      r.DrawShape(glyph, to_view * Translate(g.x * 20, g.y * 20) * Scale(s), ColorTransform());
    }
  }
  if (clip) r.PopMask();
}

}  // namespace flash
