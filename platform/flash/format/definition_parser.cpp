// Reads the definition tags of shapes, morph shapes and bitmaps. Every read is bounds-checked:
// running past the end of a tag throws FormatError.
#include "platform/flash/format/definition_parser.h"

#include <algorithm>
#include <string>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/format/reader.h"
#include "platform/flash/format/shape.h"

namespace flash {
namespace {

Rgba ReadColor(Reader& r, int shape_version) {
  return shape_version >= 3 ? r.RgbaColor() : r.Rgb();
}

void ReadGradientHeader(Reader& r, Gradient& g, int& count) {
  uint8_t b = r.U8();
  int spread = b >> 6;
  g.spread = spread == 1 ? SpreadMode::Reflect : spread == 2 ? SpreadMode::Repeat : SpreadMode::Pad;
  g.interpolation = ((b >> 4) & 3) == 1 ? InterpolationMode::LinearRgb : InterpolationMode::Normal;
  count = b & 0x0F;
}

bool IsKnownFillType(uint8_t t) {
  return t == 0x00 || t == 0x10 || t == 0x12 || t == 0x13 || (t >= 0x40 && t <= 0x43);
}

FillStyle ReadFillStyle(Reader& r, int shape_version) {
  FillStyle f;
  uint8_t type = r.U8();
  if (!IsKnownFillType(type))
    throw FormatError("unknown fill style type " + std::to_string(type), r.Current() - 1);
  f.type = static_cast<FillStyle::Type>(type);
  if (type == 0x00) {
    f.color = ReadColor(r, shape_version);
  } else if (f.IsGradient()) {
    f.matrix = r.ReadMatrix();
    int count = 0;
    ReadGradientHeader(r, f.gradient, count);
    for (int i = 0; i < count; ++i) {
      GradientStop s;
      s.ratio = r.U8();
      s.color = ReadColor(r, shape_version);
      f.gradient.stops.push_back(s);
    }
    if (type == 0x13) f.gradient.focal_point = r.S16() / 256.0;
  } else {
    f.bitmap_id = r.U16();
    f.matrix = r.ReadMatrix();
  }
  return f;
}

size_t ReadStyleCount(Reader& r, bool extended_allowed) {
  size_t n = r.U8();
  if (n == 0xFF && extended_allowed) n = r.U16();
  return n;
}

void ReadLineStyleFlags(Reader& r, LineStyle& l, bool& has_fill) {
  uint16_t flags = r.U16();  // read as two bytes, high byte first in bit order
  uint8_t b0 = static_cast<uint8_t>(flags & 0xFF), b1 = static_cast<uint8_t>(flags >> 8);
  auto cap = [](int v) {
    return v == 1 ? CapStyle::None : v == 2 ? CapStyle::Square : CapStyle::Round;
  };
  l.start_cap = cap(b0 >> 6);
  int join = (b0 >> 4) & 3;
  l.join = join == 1 ? JoinStyle::Bevel : join == 2 ? JoinStyle::Miter : JoinStyle::Round;
  has_fill = (b0 & 0x08) != 0;
  l.no_hscale = (b0 & 0x04) != 0;
  l.no_vscale = (b0 & 0x02) != 0;
  l.pixel_hinting = (b0 & 0x01) != 0;
  l.no_close = (b1 & 0x04) != 0;
  l.end_cap = cap(b1 & 3);
  if (l.join == JoinStyle::Miter) l.miter_limit = r.U16() / 256.0;
}

void ReadStyles(Reader& r, int shape_version, ShapeGroup& g) {
  size_t fills = ReadStyleCount(r, shape_version >= 2);
  for (size_t i = 0; i < fills; ++i) g.fill_styles.push_back(ReadFillStyle(r, shape_version));
  size_t lines = ReadStyleCount(r, true);
  for (size_t i = 0; i < lines; ++i) {
    LineStyle l;
    l.width = r.U16();
    if (shape_version >= 4) {
      bool has_fill = false;
      ReadLineStyleFlags(r, l, has_fill);
      if (has_fill) {
        l.has_fill = true;
        l.fill = ReadFillStyle(r, shape_version);
        l.color = l.fill.color;
      } else {
        l.color = r.RgbaColor();
      }
    } else {
      l.color = ReadColor(r, shape_version);
    }
    g.line_styles.push_back(l);
  }
}

// One shape record as read, before paths are built.
struct Record {
  enum class Type { StyleChange, Edge, End } type = Type::End;
  bool move = false, has_fill0 = false, has_fill1 = false, has_line = false, new_styles = false;
  int32_t move_x = 0, move_y = 0;
  uint32_t fill0 = 0, fill1 = 0, line = 0;
  ShapeEdge edge;  // deltas (not yet absolute)
};

// Reads one shape record. `fill_bits`/`line_bits` may change when new styles arrive, which the
// caller handles through `on_new_styles` (called with the reader positioned at the styles).
template <typename NewStyles>
Record ReadRecord(Reader& r, int& fill_bits, int& line_bits, NewStyles on_new_styles) {
  Record rec;
  if (r.UB(1)) {
    rec.type = Record::Type::Edge;
    bool straight = r.UB(1);
    int n = static_cast<int>(r.UB(4)) + 2;
    if (straight) {
      if (r.UB(1)) {
        rec.edge.x = r.SB(n);
        rec.edge.y = r.SB(n);
      } else if (r.UB(1)) {
        rec.edge.y = r.SB(n);
      } else {
        rec.edge.x = r.SB(n);
      }
    } else {
      rec.edge.curve = true;
      rec.edge.cx = r.SB(n);
      rec.edge.cy = r.SB(n);
      rec.edge.x = r.SB(n);
      rec.edge.y = r.SB(n);
    }
    return rec;
  }
  uint32_t flags = r.UB(5);
  if (flags == 0) {
    rec.type = Record::Type::End;
    return rec;
  }
  rec.type = Record::Type::StyleChange;
  rec.new_styles = flags & 0x10;
  rec.has_line = flags & 0x08;
  rec.has_fill1 = flags & 0x04;
  rec.has_fill0 = flags & 0x02;
  rec.move = flags & 0x01;
  if (rec.move) {
    int n = static_cast<int>(r.UB(5));
    rec.move_x = r.SB(n);
    rec.move_y = r.SB(n);
  }
  if (rec.has_fill0) rec.fill0 = r.UB(fill_bits);
  if (rec.has_fill1) rec.fill1 = r.UB(fill_bits);
  if (rec.has_line) rec.line = r.UB(line_bits);
  if (rec.new_styles) {
    on_new_styles();
    r.Align();
    uint8_t b = r.U8();
    fill_bits = b >> 4;
    line_bits = b & 0x0F;
  }
  return rec;
}

// A style number beyond the style table draws nothing (as if it were 0) instead of indexing
// past the table.
uint32_t CheckStyle(uint32_t index, size_t count) { return index <= count ? index : 0; }

// The edge of `rec` in absolute coordinates from the pen position (x, y), which moves to its end.
ShapeEdge AbsoluteEdge(const Record& rec, int32_t& x, int32_t& y) {
  ShapeEdge e = rec.edge;
  if (e.curve) {
    e.cx += x;
    e.cy += y;
    e.x += e.cx;
    e.y += e.cy;
  } else {
    e.x += x;
    e.y += y;
  }
  x = e.x;
  y = e.y;
  return e;
}

void ParseShapeRecords(Reader& r, int version, ShapeDef& shape, bool with_styles = true) {
  shape.groups.emplace_back();
  if (with_styles) {
    ReadStyles(r, version, shape.groups.back());
  } else {  // glyphs: one solid white fill, coloured by the text's colour transform
    FillStyle white;
    white.color = {255, 255, 255, 255};
    shape.groups.back().fill_styles.push_back(white);
  }
  r.Align();
  uint8_t b = r.U8();
  int fill_bits = b >> 4, line_bits = b & 0x0F;

  ShapePath current;
  int32_t x = 0, y = 0;
  auto flush = [&]() {
    if (!current.edges.empty()) shape.groups.back().paths.push_back(std::move(current));
    current = ShapePath{};
  };
  for (;;) {
    Record rec = ReadRecord(r, fill_bits, line_bits, [&]() {
      flush();
      shape.groups.emplace_back();
      r.Align();
      ReadStyles(r, version, shape.groups.back());
    });
    if (rec.type == Record::Type::End) break;
    if (rec.type == Record::Type::Edge) {
      if (current.edges.empty()) {
        current.start_x = x;
        current.start_y = y;
      }
      current.edges.push_back(AbsoluteEdge(rec, x, y));
      continue;
    }
    // A style change ends the current path; the next one starts at the pen position.
    uint32_t fill0 = current.fill0, fill1 = current.fill1, line = current.line;
    if (rec.new_styles) fill0 = fill1 = line = 0;
    flush();
    const ShapeGroup& g = shape.groups.back();
    if (rec.has_fill0) fill0 = CheckStyle(rec.fill0, g.fill_styles.size());
    if (rec.has_fill1) fill1 = CheckStyle(rec.fill1, g.fill_styles.size());
    if (rec.has_line) line = CheckStyle(rec.line, g.line_styles.size());
    current.fill0 = fill0;
    current.fill1 = fill1;
    current.line = line;
    if (rec.move) {
      x = rec.move_x;
      y = rec.move_y;
    }
  }
  flush();
}

CharacterPtr ParseShape(Reader& r, int version) {
  auto shape = std::make_shared<ShapeDef>(r.U16());
  shape->version = version;
  shape->bounds = r.Rect();
  shape->edge_bounds = shape->bounds;
  if (version >= 4) {
    shape->edge_bounds = r.Rect();
    uint8_t flags = r.U8();
    shape->non_zero_winding = (flags & 0x04) != 0;
  }
  ParseShapeRecords(r, version, *shape);
  return shape;
}

// ---- morph shapes ----

void ReadMorphFill(Reader& r, MorphFillStyle& f) {
  uint8_t type = r.U8();
  if (!IsKnownFillType(type))
    throw FormatError("unknown morph fill style type " + std::to_string(type), r.Current() - 1);
  f.start.type = f.end.type = static_cast<FillStyle::Type>(type);
  if (type == 0x00) {
    f.start.color = r.RgbaColor();
    f.end.color = r.RgbaColor();
  } else if (f.start.IsGradient()) {
    f.start.matrix = r.ReadMatrix();
    f.end.matrix = r.ReadMatrix();
    int count = 0;
    ReadGradientHeader(r, f.start.gradient, count);
    f.end.gradient.spread = f.start.gradient.spread;
    f.end.gradient.interpolation = f.start.gradient.interpolation;
    for (int i = 0; i < count; ++i) {
      GradientStop s, e;
      s.ratio = r.U8();
      s.color = r.RgbaColor();
      e.ratio = r.U8();
      e.color = r.RgbaColor();
      f.start.gradient.stops.push_back(s);
      f.end.gradient.stops.push_back(e);
    }
    if (type == 0x13) {
      f.start.gradient.focal_point = r.S16() / 256.0;
      f.end.gradient.focal_point = r.S16() / 256.0;
    }
  } else {
    f.start.bitmap_id = f.end.bitmap_id = r.U16();
    f.start.matrix = r.ReadMatrix();
    f.end.matrix = r.ReadMatrix();
  }
}

void ReadMorphStyles(Reader& r, int version, MorphShapeDef& m) {
  size_t fills = ReadStyleCount(r, true);
  for (size_t i = 0; i < fills; ++i) {
    MorphFillStyle f;
    ReadMorphFill(r, f);
    m.fill_styles.push_back(std::move(f));
  }
  size_t lines = ReadStyleCount(r, true);
  for (size_t i = 0; i < lines; ++i) {
    MorphLineStyle l;
    l.start.width = r.U16();
    l.end.width = r.U16();
    if (version >= 2) {
      bool has_fill = false;
      ReadLineStyleFlags(r, l.start, has_fill);
      uint16_t width = l.end.width;
      l.end = l.start;
      l.end.width = width;
      if (has_fill) {
        MorphFillStyle f;
        ReadMorphFill(r, f);
        l.start.has_fill = l.end.has_fill = true;
        l.start.fill = f.start;
        l.end.fill = f.end;
        l.start.color = f.start.color;
        l.end.color = f.end.color;
      } else {
        l.start.color = r.RgbaColor();
        l.end.color = r.RgbaColor();
      }
    } else {
      l.start.color = r.RgbaColor();
      l.end.color = r.RgbaColor();
    }
    m.line_styles.push_back(std::move(l));
  }
}

// Reads the records of one edge list of a morph shape into a flat list.
std::vector<Record> ReadMorphRecords(Reader& r) {
  r.Align();
  uint8_t b = r.U8();
  int fill_bits = b >> 4, line_bits = b & 0x0F;
  std::vector<Record> out;
  for (;;) {
    Record rec = ReadRecord(r, fill_bits, line_bits, []() {
      throw FormatError("morph shape edges may not start new styles");
    });
    if (rec.type == Record::Type::End) break;
    out.push_back(rec);
  }
  return out;
}

// A straight edge from (x0, y0) as a curve, so that it can morph into a curve.
ShapeEdge AsCurve(const ShapeEdge& e, int32_t x0, int32_t y0) {
  if (e.curve) return e;
  ShapeEdge c = e;
  c.curve = true;
  c.cx = static_cast<int32_t>((static_cast<int64_t>(x0) + e.x) / 2);
  c.cy = static_cast<int32_t>((static_cast<int64_t>(y0) + e.y) / 2);
  return c;
}

CharacterPtr ParseMorphShape(Reader& r, int version) {
  auto m = std::make_shared<MorphShapeDef>(r.U16());
  m->version = version;
  m->start_bounds = r.Rect();
  m->end_bounds = r.Rect();
  if (version >= 2) {
    r.Rect();
    r.Rect();
    r.U8();
  }
  uint32_t offset = r.U32();
  size_t end_edges_pos = r.Position() + offset;
  if (offset > r.Remaining())
    throw FormatError("morph shape end edges lie outside the tag", r.Current() - 4);
  ReadMorphStyles(r, version, *m);
  std::vector<Record> start = ReadMorphRecords(r);
  if (r.Position() > end_edges_pos)
    throw FormatError("morph shape start edges overrun the end edges", r.Current());
  r.Skip(end_edges_pos - r.Position());
  std::vector<Record> end = ReadMorphRecords(r);

  ShapePath sp, ep;
  int32_t sx = 0, sy = 0, ex = 0, ey = 0;
  auto flush = [&]() {
    uint32_t f0 = sp.fill0, f1 = sp.fill1, l = sp.line;
    if (!sp.edges.empty()) {
      m->start_paths.push_back(std::move(sp));
      m->end_paths.push_back(std::move(ep));
    }
    sp = ShapePath{};
    ep = ShapePath{};
    sp.fill0 = ep.fill0 = f0;
    sp.fill1 = ep.fill1 = f1;
    sp.line = ep.line = l;
  };
  size_t j = 0;
  // Steps past a style change of the end edges at j, taking its move; false when j is an edge.
  auto skip_end_style = [&]() {
    if (j >= end.size() || end[j].type != Record::Type::StyleChange) return false;
    if (end[j].move) {
      ex = end[j].move_x;
      ey = end[j].move_y;
    }
    ++j;
    return true;
  };
  for (const Record& rec : start) {
    if (rec.type == Record::Type::StyleChange) {
      flush();
      if (rec.has_fill0) sp.fill0 = CheckStyle(rec.fill0, m->fill_styles.size());
      if (rec.has_fill1) sp.fill1 = CheckStyle(rec.fill1, m->fill_styles.size());
      if (rec.has_line) sp.line = CheckStyle(rec.line, m->line_styles.size());
      ep.fill0 = sp.fill0;
      ep.fill1 = sp.fill1;
      ep.line = sp.line;
      if (rec.move) {
        sx = rec.move_x;
        sy = rec.move_y;
      }
      // The end edges carry their own move for the same place in the list.
      skip_end_style();
      continue;
    }
    while (skip_end_style()) {
    }
    if (j >= end.size()) throw FormatError("morph shape has fewer end edges than start edges");
    if (sp.edges.empty()) {
      sp.start_x = sx;
      sp.start_y = sy;
      ep.start_x = ex;
      ep.start_y = ey;
    }
    int32_t sx0 = sx, sy0 = sy, ex0 = ex, ey0 = ey;
    ShapeEdge se = AbsoluteEdge(rec, sx, sy);
    ShapeEdge ee = AbsoluteEdge(end[j++], ex, ey);
    if (se.curve != ee.curve) {
      se = AsCurve(se, sx0, sy0);
      ee = AsCurve(ee, ex0, ey0);
    }
    sp.edges.push_back(se);
    ep.edges.push_back(ee);
  }
  flush();
  return m;
}

// ---- bitmaps ----

// Bitmaps keep their encoded bytes; they are decoded when first drawn. A JPEG whose image lies
// partly outside its tag is kept as a bitmap without an image.
CharacterPtr ParseBitmap(uint16_t tag_code, Reader& r, const DefinitionContext& ctx) {
  auto bmp = std::make_shared<BitmapDef>(r.U16());
  auto take = [&](std::vector<uint8_t>& to, size_t n) {
    const uint8_t* p = r.Bytes(n);
    to.assign(p, p + n);
  };
  switch (tag_code) {
    case kTagDefineBits:
      bmp->encoding = BitmapDef::Encoding::Jpeg;
      // The movie's shared tables come first; the normaliser drops the markers between them.
      if (ctx.jpeg_tables) bmp->encoded = *ctx.jpeg_tables;
      bmp->encoded.insert(bmp->encoded.end(), r.Current(), r.Current() + r.Remaining());
      break;
    case kTagDefineBitsJpeg2:
      bmp->encoding = BitmapDef::Encoding::Embedded;
      take(bmp->encoded, r.Remaining());
      break;
    case kTagDefineBitsJpeg3:
    case kTagDefineBitsJpeg4: {
      uint32_t image_size = r.U32();
      if (tag_code == kTagDefineBitsJpeg4) r.U16();  // deblocking strength: not used
      if (image_size > r.Remaining()) {
        bmp->encoding = BitmapDef::Encoding::Missing;
        break;
      }
      bmp->encoding = BitmapDef::Encoding::Embedded;
      take(bmp->encoded, image_size);
      take(bmp->alpha, r.Remaining());
      break;
    }
    case kTagDefineBitsLossless:
    case kTagDefineBitsLossless2: {
      int version = tag_code == kTagDefineBitsLossless ? 1 : 2;
      CheckLosslessHeader(r.Current(), r.Remaining(), version);
      bmp->encoding =
          version == 1 ? BitmapDef::Encoding::Lossless1 : BitmapDef::Encoding::Lossless2;
      take(bmp->encoded, r.Remaining());
      break;
    }
  }
  return bmp;
}

}  // namespace

ShapeDef ParseGlyphShape(const uint8_t* data, size_t length) {
  Reader r(data, length);
  ShapeDef shape;
  ParseShapeRecords(r, 1, shape, false);
  bool any = false;
  for (const ShapeGroup& g : shape.groups) {
    for (const ShapePath& p : g.paths) {
      auto add = [&](int32_t x, int32_t y) {
        if (!any) shape.bounds = {x, x, y, y};
        any = true;
        shape.bounds = {std::min(shape.bounds.xmin, x), std::max(shape.bounds.xmax, x),
                        std::min(shape.bounds.ymin, y), std::max(shape.bounds.ymax, y)};
      };
      add(p.start_x, p.start_y);
      for (const ShapeEdge& e : p.edges) {
        add(e.x, e.y);
        if (e.curve) add(e.cx, e.cy);
      }
    }
  }
  shape.edge_bounds = shape.bounds;
  return shape;
}

bool ParseDefinitionTag(uint16_t tag_code, const uint8_t* data, size_t length,
                        const DefinitionContext& ctx, CharacterPtr& out) {
  if (!data && length) throw FormatError("definition tag without data");
  Reader r(data, length);
  switch (tag_code) {
    case kTagDefineShape: out = ParseShape(r, 1); return true;
    case kTagDefineShape2: out = ParseShape(r, 2); return true;
    case kTagDefineShape3: out = ParseShape(r, 3); return true;
    case kTagDefineShape4: out = ParseShape(r, 4); return true;
    case kTagDefineMorphShape: out = ParseMorphShape(r, 1); return true;
    case kTagDefineMorphShape2: out = ParseMorphShape(r, 2); return true;
    case kTagDefineBits:
    case kTagDefineBitsJpeg2:
    case kTagDefineBitsJpeg3:
    case kTagDefineBitsJpeg4:
    case kTagDefineBitsLossless:
    case kTagDefineBitsLossless2: out = ParseBitmap(tag_code, r, ctx); return true;
    default: return false;
  }
}

}  // namespace flash
