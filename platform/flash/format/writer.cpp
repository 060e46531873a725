#include "platform/flash/format/writer.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace flash {

void BitWriter::String(const std::string& s) {
  for (char c : s) U8(static_cast<uint8_t>(c));
  U8(0);
}

void BitWriter::Bytes(const std::vector<uint8_t>& b) {
  Flush();
  bytes_.insert(bytes_.end(), b.begin(), b.end());
}

void BitWriter::UB(uint32_t v, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    acc_ = static_cast<uint8_t>(acc_ << 1 | ((v >> i) & 1u));
    if (++nbits_ == 8) {
      bytes_.push_back(acc_);
      acc_ = 0;
      nbits_ = 0;
    }
  }
}

void BitWriter::Flush() {
  if (nbits_ > 0) {
    bytes_.push_back(static_cast<uint8_t>(acc_ << (8 - nbits_)));
    acc_ = 0;
    nbits_ = 0;
  }
}

int BitWriter::SignedBits(int32_t v) {
  int64_t x = v;
  int n = 1;
  while (x < -(int64_t{1} << (n - 1)) || x >= (int64_t{1} << (n - 1))) ++n;
  return n;
}

int BitWriter::UnsignedBits(uint32_t v) {
  int n = 0;
  while (n < 32 && (v >> n) != 0) ++n;
  return n;
}

void BitWriter::Rect(const RectTwips& r) {
  int n =
      std::max({SignedBits(r.xmin), SignedBits(r.xmax), SignedBits(r.ymin), SignedBits(r.ymax)});
  UB(n, 5);
  SB(r.xmin, n);
  SB(r.xmax, n);
  SB(r.ymin, n);
  SB(r.ymax, n);
  Flush();
}

void BitWriter::WriteMatrix(const Matrix& m) {
  auto fixed = [](double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); };
  bool scale = m.a != 1 || m.d != 1;
  UB(scale, 1);
  if (scale) {
    int n = std::max(SignedBits(fixed(m.a)), SignedBits(fixed(m.d)));
    UB(n, 5);
    SB(fixed(m.a), n);
    SB(fixed(m.d), n);
  }
  bool rotate = m.b != 0 || m.c != 0;
  UB(rotate, 1);
  if (rotate) {
    int n = std::max(SignedBits(fixed(m.b)), SignedBits(fixed(m.c)));
    UB(n, 5);
    SB(fixed(m.b), n);
    SB(fixed(m.c), n);
  }
  int32_t tx = static_cast<int32_t>(std::lround(m.tx)),
          ty = static_cast<int32_t>(std::lround(m.ty));
  int n = (tx == 0 && ty == 0) ? 0 : std::max(SignedBits(tx), SignedBits(ty));
  UB(n, 5);
  SB(tx, n);
  SB(ty, n);
  Flush();
}

void BitWriter::WriteColorTransform(const ColorTransform& cx, bool with_alpha) {
  bool has_mult =
      cx.r_mult != 256 || cx.g_mult != 256 || cx.b_mult != 256 || (with_alpha && cx.a_mult != 256);
  bool has_add = cx.r_add || cx.g_add || cx.b_add || (with_alpha && cx.a_add);
  int n = 1;
  auto widen = [&](int v) { n = std::max(n, SignedBits(v)); };
  if (has_mult) {
    widen(cx.r_mult);
    widen(cx.g_mult);
    widen(cx.b_mult);
    if (with_alpha) widen(cx.a_mult);
  }
  if (has_add) {
    widen(cx.r_add);
    widen(cx.g_add);
    widen(cx.b_add);
    if (with_alpha) widen(cx.a_add);
  }
  UB(has_add, 1);
  UB(has_mult, 1);
  UB(n, 4);
  if (has_mult) {
    SB(cx.r_mult, n);
    SB(cx.g_mult, n);
    SB(cx.b_mult, n);
    if (with_alpha) SB(cx.a_mult, n);
  }
  if (has_add) {
    SB(cx.r_add, n);
    SB(cx.g_add, n);
    SB(cx.b_add, n);
    if (with_alpha) SB(cx.a_add, n);
  }
  Flush();
}

// --- shapes ---

void ShapeBuilder::Extend(int32_t x, int32_t y) {
  if (!any_point_) {
    bounds_ = {x, x, y, y};
    any_point_ = true;
    return;
  }
  bounds_.xmin = std::min(bounds_.xmin, x);
  bounds_.xmax = std::max(bounds_.xmax, x);
  bounds_.ymin = std::min(bounds_.ymin, y);
  bounds_.ymax = std::max(bounds_.ymax, y);
}

void ShapeBuilder::SetStyle(int fill0, int fill1, int line) {
  Record r{Record::Style};
  r.fill0 = fill0;
  r.fill1 = fill1;
  r.line = line;
  records_.push_back(r);
}

void ShapeBuilder::MoveTo(int32_t x, int32_t y) {
  records_.push_back({Record::Move, x, y});
  x_ = x;
  y_ = y;
  Extend(x, y);
}

namespace {

// Largest delta an edge record holds: its field is at most 17 bits, signed.
constexpr int64_t kMaxEdgeDelta = 65535;

bool FitsEdge(int64_t v) { return v >= -kMaxEdgeDelta && v <= kMaxEdgeDelta; }

}  // namespace

void ShapeBuilder::LineTo(int32_t x, int32_t y) {
  // A line longer than an edge record holds is written as pieces that each fit.
  int64_t dx = int64_t{x} - x_, dy = int64_t{y} - y_;
  int64_t longest = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
  int64_t pieces = std::max<int64_t>(1, (longest + kMaxEdgeDelta - 1) / kMaxEdgeDelta);
  const int32_t from_x = x_, from_y = y_;
  for (int64_t i = 1; i <= pieces; ++i) {
    auto px = static_cast<int32_t>(from_x + dx * i / pieces);
    auto py = static_cast<int32_t>(from_y + dy * i / pieces);
    records_.push_back({Record::Line, px - x_, py - y_});
    x_ = px;
    y_ = py;
  }
  Extend(x, y);
}

void ShapeBuilder::CurveTo(int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
  Extend(cx, cy);
  Extend(ax, ay);
  if (!FitsEdge(int64_t{cx} - x_) || !FitsEdge(int64_t{cy} - y_) || !FitsEdge(int64_t{ax} - cx) ||
      !FitsEdge(int64_t{ay} - cy)) {
    // Too long for one record: the two halves of the curve (to the nearest twip).
    auto mid = [](int64_t a, int64_t b) { return static_cast<int32_t>((a + b) / 2); };
    int32_t c1x = mid(x_, cx), c1y = mid(y_, cy), c2x = mid(cx, ax), c2y = mid(cy, ay);
    int32_t mx = mid(c1x, c2x), my = mid(c1y, c2y);
    CurveTo(c1x, c1y, mx, my);
    CurveTo(c2x, c2y, ax, ay);
    return;
  }
  records_.push_back({Record::Curve, cx - x_, cy - y_, ax - cx, ay - cy});
  x_ = ax;
  y_ = ay;
}

void ShapeBuilder::Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int fill, int line) {
  SetStyle(0, fill, line);
  MoveTo(x0, y0);
  LineTo(x1, y0);
  LineTo(x1, y1);
  LineTo(x0, y1);
  LineTo(x0, y0);
}

std::vector<uint8_t> ShapeBuilder::Encode(uint16_t id, int version) const {
  BitWriter w;
  bool alpha = version >= 3;
  RectTwips b = bounds_;
  int max_width = 0;
  for (const auto& l : lines_) max_width = std::max<int>(max_width, l.width);
  RectTwips shape_bounds{b.xmin - max_width / 2, b.xmax + max_width / 2, b.ymin - max_width / 2,
                         b.ymax + max_width / 2};
  w.U16(id);
  w.Rect(shape_bounds);
  if (version == 4) {
    w.Rect(b);
    w.U8(0);
  }
  auto count = [&](size_t n) {
    if (n >= 0xFF && version >= 2) {
      w.U8(0xFF);
      w.U16(static_cast<uint16_t>(n));
    } else {
      w.U8(static_cast<uint8_t>(n));
    }
  };
  count(fills_.size());
  for (const auto& f : fills_) {
    w.U8(static_cast<uint8_t>(f.type));
    if (f.type == FillStyleSpec::Type::Solid) {
      alpha ? w.RgbaColor(f.color) : w.Rgb(f.color);
      continue;
    }
    w.WriteMatrix(f.gradient_matrix);
    w.UB(version == 4 ? f.spread : 0, 2);
    w.UB(version == 4 ? f.interpolation : 0, 2);
    w.UB(static_cast<uint32_t>(f.stops.size()), 4);
    for (const auto& s : f.stops) {
      w.U8(s.ratio);
      alpha ? w.RgbaColor(s.color) : w.Rgb(s.color);
    }
    if (f.type == FillStyleSpec::Type::Focal)
      w.U16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(f.focal * 256))));
  }
  count(lines_.size());
  for (const auto& l : lines_) {
    w.U16(l.width);
    if (version == 4) w.U16(0);  // round caps and joins, solid colour
    alpha ? w.RgbaColor(l.color) : w.Rgb(l.color);
  }
  WriteRecords(w);
  return w.Data();
}

void ShapeBuilder::WriteRecords(BitWriter& w) const {
  int fill_bits = BitWriter::UnsignedBits(static_cast<uint32_t>(fills_.size()));
  int line_bits = BitWriter::UnsignedBits(static_cast<uint32_t>(lines_.size()));
  w.UB(fill_bits, 4);
  w.UB(line_bits, 4);
  for (const auto& r : records_) {
    switch (r.kind) {
      case Record::Style:
        w.UB(0, 1);
        w.UB(0, 1);  // new styles
        w.UB(1, 1);  // line
        w.UB(1, 1);  // fill1
        w.UB(1, 1);  // fill0
        w.UB(0, 1);  // move
        w.UB(r.fill0, fill_bits);
        w.UB(r.fill1, fill_bits);
        w.UB(r.line, line_bits);
        break;
      case Record::Move: {
        w.UB(0, 1);
        w.UB(0b00001, 5);
        int n = std::max(BitWriter::SignedBits(r.a), BitWriter::SignedBits(r.b));
        w.UB(n, 5);
        w.SB(r.a, n);
        w.SB(r.b, n);
        break;
      }
      case Record::Line: {
        int n = std::max({2, BitWriter::SignedBits(r.a), BitWriter::SignedBits(r.b)});
        w.UB(1, 1);
        w.UB(1, 1);
        w.UB(n - 2, 4);
        w.UB(1, 1);  // general line
        w.SB(r.a, n);
        w.SB(r.b, n);
        break;
      }
      case Record::Curve: {
        int n = std::max({2, BitWriter::SignedBits(r.a), BitWriter::SignedBits(r.b),
                          BitWriter::SignedBits(r.c), BitWriter::SignedBits(r.d)});
        w.UB(1, 1);
        w.UB(0, 1);
        w.UB(n - 2, 4);
        w.SB(r.a, n);
        w.SB(r.b, n);
        w.SB(r.c, n);
        w.SB(r.d, n);
        break;
      }
    }
  }
  w.UB(0, 6);  // end of shape
}

std::vector<uint8_t> ShapeBuilder::EncodeGlyph() const {
  BitWriter w;
  WriteRecords(w);
  return w.Data();
}

// --- fonts and texts ---

std::vector<uint8_t> FontSpec::Encode(uint16_t id) const {
  BitWriter w;
  w.U16(id);
  w.U8(static_cast<uint8_t>((has_layout ? 0x80 : 0) | (wide_offsets ? 0x08 : 0) | 0x04 |
                            (italic ? 0x02 : 0) | (bold ? 0x01 : 0)));
  w.U8(1);  // language
  w.U8(static_cast<uint8_t>(name.size()));
  for (char c : name) w.U8(static_cast<uint8_t>(c));
  w.U16(static_cast<uint16_t>(glyphs.size()));
  size_t entry = wide_offsets ? 4 : 2;
  uint32_t offset = static_cast<uint32_t>((glyphs.size() + 1) * entry);
  auto put_offset = [&](uint32_t o) { wide_offsets ? w.U32(o) : w.U16(static_cast<uint16_t>(o)); };
  for (const Glyph& g : glyphs) {
    put_offset(offset);
    offset += static_cast<uint32_t>(g.outline.size());
  }
  put_offset(offset);  // the code table
  for (const Glyph& g : glyphs) w.Bytes(g.outline);
  for (const Glyph& g : glyphs) w.U16(g.code);
  if (!has_layout) return w.Data();
  w.U16(ascent);
  w.U16(descent);
  w.U16(static_cast<uint16_t>(leading));
  for (const Glyph& g : glyphs) w.U16(g.advance);
  for (const Glyph& g : glyphs) w.Rect(g.bounds);
  w.U16(static_cast<uint16_t>(kerning.size()));
  for (const Kern& k : kerning) {
    w.U16(k.left);
    w.U16(k.right);
    w.U16(static_cast<uint16_t>(k.adjustment));
  }
  return w.Data();
}

std::vector<uint8_t> StaticTextSpec::Encode(uint16_t id) const {
  BitWriter w;
  w.U16(id);
  w.Rect(bounds);
  w.WriteMatrix(matrix);
  int glyph_bits = 1, advance_bits = 1;
  for (const Record& r : records)
    for (auto [index, advance] : r.glyphs) {
      glyph_bits = std::max(glyph_bits, BitWriter::UnsignedBits(index));
      advance_bits = std::max(advance_bits, BitWriter::SignedBits(advance));
    }
  w.U8(static_cast<uint8_t>(glyph_bits));
  w.U8(static_cast<uint8_t>(advance_bits));
  for (const Record& r : records) {
    w.U8(static_cast<uint8_t>(0x80 | (r.font_id >= 0 ? 0x08 : 0) | (r.has_color ? 0x04 : 0) |
                              (r.has_y ? 0x02 : 0) | (r.has_x ? 0x01 : 0)));
    if (r.font_id >= 0) w.U16(static_cast<uint16_t>(r.font_id));
    if (r.has_color) version == 2 ? w.RgbaColor(r.color) : w.Rgb(r.color);
    if (r.has_x) w.U16(static_cast<uint16_t>(r.x));
    if (r.has_y) w.U16(static_cast<uint16_t>(r.y));
    if (r.font_id >= 0) w.U16(r.height);
    w.U8(static_cast<uint8_t>(r.glyphs.size()));
    for (auto [index, advance] : r.glyphs) {
      w.UB(index, glyph_bits);
      w.SB(advance, advance_bits);
    }
    w.Flush();
  }
  w.U8(0);
  return w.Data();
}

std::vector<uint8_t> EditTextSpec::Encode(uint16_t id) const {
  BitWriter w;
  w.U16(id);
  w.Rect(bounds);
  w.U8(static_cast<uint8_t>((has_text ? 0x80 : 0) | (word_wrap ? 0x40 : 0) |
                            (multiline ? 0x20 : 0) | (password ? 0x10 : 0) |
                            (read_only ? 0x08 : 0) | (has_color ? 0x04 : 0) |
                            (max_length >= 0 ? 0x02 : 0) | (font_id >= 0 ? 0x01 : 0)));
  w.U8(static_cast<uint8_t>((auto_size ? 0x40 : 0) | (has_layout ? 0x20 : 0) |
                            (no_select ? 0x10 : 0) | (border ? 0x08 : 0) | (html ? 0x02 : 0) |
                            (use_outlines ? 0x01 : 0)));
  if (font_id >= 0) {
    w.U16(static_cast<uint16_t>(font_id));
    w.U16(font_height);
  }
  if (has_color) w.RgbaColor(color);
  if (max_length >= 0) w.U16(static_cast<uint16_t>(max_length));
  if (has_layout) {
    w.U8(align);
    w.U16(left_margin);
    w.U16(right_margin);
    w.U16(indent);
    w.U16(static_cast<uint16_t>(leading));
  }
  w.String(variable);
  if (has_text) w.String(text);
  return w.Data();
}

// --- timelines ---

void TimelineWriter::Tag(uint16_t code, const std::vector<uint8_t>& body) {
  size_t len = body.size();
  // Tags that some readers require in long form are always written long when they carry data.
  bool long_form = len >= 0x3F;
  uint16_t head = static_cast<uint16_t>(code << 6 | (long_form ? 0x3F : len));
  tags_.push_back(head & 0xFF);
  tags_.push_back(head >> 8);
  if (long_form)
    for (int i = 0; i < 4; ++i) tags_.push_back(static_cast<uint8_t>(len >> (8 * i)));
  tags_.insert(tags_.end(), body.begin(), body.end());
}

void TimelineWriter::Place(const PlaceSpec& p) {
  BitWriter w;
  bool v3 = p.blend_mode >= 0 || !p.filters.empty() || p.cache_as_bitmap >= 0;
  uint8_t flags = 0;
  if (p.clip_depth >= 0) flags |= 0x40;
  if (!p.name.empty()) flags |= 0x20;
  if (p.ratio >= 0) flags |= 0x10;
  if (p.has_color_transform) flags |= 0x08;
  if (p.has_matrix) flags |= 0x04;
  if (p.character_id >= 0) flags |= 0x02;
  if (p.move) flags |= 0x01;
  w.U8(flags);
  if (v3)
    w.U8(static_cast<uint8_t>((p.filters.empty() ? 0 : 0x01) | (p.blend_mode >= 0 ? 0x02 : 0) |
                              (p.cache_as_bitmap >= 0 ? 0x04 : 0)));
  w.U16(p.depth);
  if (p.character_id >= 0) w.U16(static_cast<uint16_t>(p.character_id));
  if (p.has_matrix) w.WriteMatrix(p.matrix);
  if (p.has_color_transform) w.WriteColorTransform(p.color_transform, true);
  if (p.ratio >= 0) w.U16(static_cast<uint16_t>(p.ratio));
  if (!p.name.empty()) w.String(p.name);
  if (p.clip_depth >= 0) w.U16(static_cast<uint16_t>(p.clip_depth));
  if (!p.filters.empty()) WriteFilterList(w, p.filters);
  if (p.blend_mode >= 0) w.U8(static_cast<uint8_t>(p.blend_mode));
  if (p.cache_as_bitmap >= 0) w.U8(static_cast<uint8_t>(p.cache_as_bitmap));
  Tag(v3 ? kTagPlaceObject3 : kTagPlaceObject2, w.Data());
}

void TimelineWriter::Remove(uint16_t depth) {
  BitWriter w;
  w.U16(depth);
  Tag(kTagRemoveObject2, w.Data());
}

void TimelineWriter::FrameLabel(const std::string& label) {
  BitWriter w;
  w.String(label);
  Tag(kTagFrameLabel, w.Data());
}

void TimelineWriter::DoAction(const std::vector<uint8_t>& code) { Tag(kTagDoAction, code); }

void TimelineWriter::SetBackgroundColor(Rgba c) {
  BitWriter w;
  w.Rgb(c);
  Tag(kTagSetBackgroundColor, w.Data());
}

void SwfWriter::DefineSprite(uint16_t id, const TimelineWriter& sprite) {
  BitWriter w;
  w.U16(id);
  w.U16(static_cast<uint16_t>(sprite.Frames()));
  w.Bytes(sprite.Bytes());
  w.U16(kTagEnd);
  Tag(kTagDefineSprite, w.Data());
}

void SwfWriter::DoInitAction(uint16_t sprite_id, const std::vector<uint8_t>& code) {
  BitWriter w;
  w.U16(sprite_id);
  w.Bytes(code);
  Tag(kTagDoInitAction, w.Data());
}

std::vector<uint8_t> SwfWriter::Finish(bool compressed) const {
  BitWriter body;
  body.Rect({0, width_ * 20, 0, height_ * 20});
  body.U16(static_cast<uint16_t>(std::lround(rate_ * 256)));
  body.U16(static_cast<uint16_t>(frames_));
  body.Bytes(tags_);
  body.U16(kTagEnd);
  const std::vector<uint8_t>& b = body.Data();
  std::vector<uint8_t> out = {static_cast<uint8_t>(compressed ? 'C' : 'F'), 'W', 'S',
                              static_cast<uint8_t>(version_)};
  uint32_t total = static_cast<uint32_t>(8 + b.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(total >> (8 * i)));
  if (!compressed) {
    out.insert(out.end(), b.begin(), b.end());
    return out;
  }
  uLongf packed_size = compressBound(static_cast<uLong>(b.size()));
  std::vector<uint8_t> packed(packed_size);
  compress2(packed.data(), &packed_size, b.data(), static_cast<uLong>(b.size()),
            Z_BEST_COMPRESSION);
  out.insert(out.end(), packed.begin(), packed.begin() + static_cast<long>(packed_size));
  return out;
}

bool SwfWriter::Save(const std::string& path, bool compressed) const {
  auto bytes = Finish(compressed);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// --- actions ---

ActionBuilder& ActionBuilder::OpWithData(uint8_t code, const std::vector<uint8_t>& data) {
  code_.push_back(code);
  code_.push_back(static_cast<uint8_t>(data.size() & 0xFF));
  code_.push_back(static_cast<uint8_t>(data.size() >> 8));
  code_.insert(code_.end(), data.begin(), data.end());
  return *this;
}

ActionBuilder& ActionBuilder::PushString(const std::string& s) {
  std::vector<uint8_t> d{0};
  d.insert(d.end(), s.begin(), s.end());
  d.push_back(0);
  return OpWithData(0x96, d);
}

ActionBuilder& ActionBuilder::PushNumber(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  std::vector<uint8_t> d{6};
  uint32_t hi = static_cast<uint32_t>(bits >> 32), lo = static_cast<uint32_t>(bits);
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(hi >> (8 * i)));
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(lo >> (8 * i)));
  return OpWithData(0x96, d);
}

ActionBuilder& ActionBuilder::PushInt(int32_t v) {
  std::vector<uint8_t> d{7};
  for (int i = 0; i < 4; ++i)
    d.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
  return OpWithData(0x96, d);
}

ActionBuilder& ActionBuilder::PushBool(bool b) {
  return OpWithData(0x96, {5, static_cast<uint8_t>(b)});
}
ActionBuilder& ActionBuilder::PushUndefined() { return OpWithData(0x96, {3}); }
ActionBuilder& ActionBuilder::PushNull() { return OpWithData(0x96, {2}); }
ActionBuilder& ActionBuilder::PushRegister(uint8_t r) { return OpWithData(0x96, {4, r}); }
ActionBuilder& ActionBuilder::PushConstant(uint8_t index) { return OpWithData(0x96, {8, index}); }

ActionBuilder& ActionBuilder::ConstantPool(const std::vector<std::string>& strings) {
  std::vector<uint8_t> d{static_cast<uint8_t>(strings.size() & 0xFF),
                         static_cast<uint8_t>(strings.size() >> 8)};
  for (const auto& s : strings) {
    d.insert(d.end(), s.begin(), s.end());
    d.push_back(0);
  }
  return OpWithData(0x88, d);
}

ActionBuilder& ActionBuilder::GotoFrame(uint16_t zero_based) {
  return OpWithData(
      0x81, {static_cast<uint8_t>(zero_based & 0xFF), static_cast<uint8_t>(zero_based >> 8)});
}

ActionBuilder& ActionBuilder::GotoLabel(const std::string& label) {
  std::vector<uint8_t> d(label.begin(), label.end());
  d.push_back(0);
  return OpWithData(0x8C, d);
}

ActionBuilder& ActionBuilder::GetUrl(const std::string& url, const std::string& target) {
  std::vector<uint8_t> d(url.begin(), url.end());
  d.push_back(0);
  d.insert(d.end(), target.begin(), target.end());
  d.push_back(0);
  return OpWithData(0x83, d);
}

ActionBuilder& ActionBuilder::SetTarget(const std::string& target) {
  std::vector<uint8_t> d(target.begin(), target.end());
  d.push_back(0);
  return OpWithData(0x8B, d);
}

ActionBuilder& ActionBuilder::StoreRegister(uint8_t r) { return OpWithData(0x87, {r}); }

ActionBuilder& ActionBuilder::Jump(int16_t offset) {
  return OpWithData(
      0x99, {static_cast<uint8_t>(offset & 0xFF), static_cast<uint8_t>((offset >> 8) & 0xFF)});
}

ActionBuilder& ActionBuilder::If(int16_t offset) {
  return OpWithData(
      0x9D, {static_cast<uint8_t>(offset & 0xFF), static_cast<uint8_t>((offset >> 8) & 0xFF)});
}

ActionBuilder& ActionBuilder::Raw(const std::vector<uint8_t>& bytes) {
  code_.insert(code_.end(), bytes.begin(), bytes.end());
  return *this;
}

}  // namespace flash
