// Writes movie files: the tools that make the frame-signal movies and the tests build movies with
// this. It covers what those need: shapes (solid and gradient fills, line styles), sprites, frame
// labels, scripts, background colour, placements and removals, plain or compressed output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/types.h"

namespace flash {

class BitWriter {
 public:
  void U8(uint8_t v) {
    Flush();
    bytes_.push_back(v);
  }
  void U16(uint16_t v) {
    U8(v & 0xFF);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void String(const std::string& s);  // zero-terminated
  void Bytes(const std::vector<uint8_t>& b);
  void UB(uint32_t v, int bits);
  void SB(int32_t v, int bits) { UB(static_cast<uint32_t>(v), bits); }
  void Flush();
  void Rect(const RectTwips& r);
  void WriteMatrix(const Matrix& m);
  void WriteColorTransform(const ColorTransform& cx, bool with_alpha);
  void Rgb(Rgba c) {
    U8(c.r);
    U8(c.g);
    U8(c.b);
  }
  void RgbaColor(Rgba c) {
    Rgb(c);
    U8(c.a);
  }
  const std::vector<uint8_t>& Data() {
    Flush();
    return bytes_;
  }

  // Bits needed to hold a signed / unsigned value.
  static int SignedBits(int32_t v);
  static int UnsignedBits(uint32_t v);

 private:
  std::vector<uint8_t> bytes_;
  uint8_t acc_ = 0;
  int nbits_ = 0;
};

struct GradientStopSpec {
  uint8_t ratio;
  Rgba color;
};

struct FillStyleSpec {
  enum class Type : uint8_t { Solid = 0x00, Linear = 0x10, Radial = 0x12, Focal = 0x13 };
  Type type = Type::Solid;
  Rgba color;
  Matrix gradient_matrix;  // maps the gradient square (-16384..16384 twips) to shape space
  std::vector<GradientStopSpec> stops;
  uint8_t spread = 0;         // 0 pad, 1 reflect, 2 repeat
  uint8_t interpolation = 0;  // 0 normal RGB, 1 linear RGB
  double focal = 0;
  static FillStyleSpec Solid(Rgba c) {
    FillStyleSpec f;
    f.color = c;
    return f;
  }
};

struct LineStyleSpec {
  uint16_t width = 20;
  Rgba color;
};

// A shape described by its styles and an edge path. Style indices are 1-based; 0 means none.
class ShapeBuilder {
 public:
  int AddFill(const FillStyleSpec& f) {
    fills_.push_back(f);
    return static_cast<int>(fills_.size());
  }
  int AddLine(const LineStyleSpec& l) {
    lines_.push_back(l);
    return static_cast<int>(lines_.size());
  }
  void SetStyle(int fill0, int fill1, int line);  // style change for the edges that follow
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);
  void CurveTo(int32_t cx, int32_t cy, int32_t ax, int32_t ay);
  // A closed rectangle filled on its inside with fill1 and outlined with `line`.
  void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int fill, int line = 0);
  // Encodes as DefineShape (1..4 chosen by `version`), bounds computed from the points.
  std::vector<uint8_t> Encode(uint16_t id, int version) const;
  // Encodes as a glyph of a font tag: the records without style tables. Give the glyph one fill
  // (any colour) and fill its inside with it.
  std::vector<uint8_t> EncodeGlyph() const;

 private:
  void WriteRecords(BitWriter& w) const;  // style bit counts, records and the end record
  struct Record {
    enum Kind { Style, Move, Line, Curve } kind;
    int32_t a = 0, b = 0, c = 0, d = 0;
    int fill0 = 0, fill1 = 0, line = 0;
  };
  std::vector<FillStyleSpec> fills_;
  std::vector<LineStyleSpec> lines_;
  std::vector<Record> records_;
  int32_t x_ = 0, y_ = 0;
  RectTwips bounds_{};
  bool any_point_ = false;
  void Extend(int32_t x, int32_t y);
};

// Fonts and texts. Glyph outlines come from ShapeBuilder::EncodeGlyph.
struct FontSpec {
  int version = 2;  // DefineFont2 or DefineFont3
  std::string name;
  bool bold = false, italic = false, wide_offsets = false;
  struct Glyph {
    uint16_t code = 0;
    std::vector<uint8_t> outline;
    uint16_t advance = 0;
    RectTwips bounds;
  };
  std::vector<Glyph> glyphs;
  bool has_layout = true;
  uint16_t ascent = 0, descent = 0;
  int16_t leading = 0;
  struct Kern {
    uint16_t left, right;
    int16_t adjustment;
  };
  std::vector<Kern> kerning;
  std::vector<uint8_t> Encode(uint16_t id) const;  // the tag's body
};

struct StaticTextSpec {
  int version = 2;  // DefineText or DefineText2
  RectTwips bounds;
  Matrix matrix;
  struct Record {
    int font_id = -1;  // -1: keeps the font and height of the record before
    uint16_t height = 240;
    bool has_color = false;
    Rgba color;
    bool has_x = false, has_y = false;
    int16_t x = 0, y = 0;
    std::vector<std::pair<uint32_t, int32_t>> glyphs;  // glyph index, advance
  };
  std::vector<Record> records;
  std::vector<uint8_t> Encode(uint16_t id) const;
};

struct EditTextSpec {
  RectTwips bounds;
  bool word_wrap = false, multiline = false, password = false, read_only = false, auto_size = false,
       no_select = false, border = false, html = false, use_outlines = false;
  int font_id = -1;
  uint16_t font_height = 240;
  bool has_color = false;
  Rgba color;
  int max_length = -1;
  bool has_layout = false;
  uint8_t align = 0;
  uint16_t left_margin = 0, right_margin = 0, indent = 0;
  int16_t leading = 0;
  std::string variable;
  bool has_text = true;
  std::string text;
  std::vector<uint8_t> Encode(uint16_t id) const;
};

struct PlaceSpec {
  uint16_t depth = 1;
  bool move = false;
  int character_id = -1;  // -1: none
  bool has_matrix = false;
  Matrix matrix;
  bool has_color_transform = false;
  ColorTransform color_transform;
  int ratio = -1;
  std::string name;
  int clip_depth = -1;
  int blend_mode = -1;          // >= 0 writes PlaceObject3
  std::vector<Filter> filters;  // non-empty writes PlaceObject3 with a filter list
  int cache_as_bitmap = -1;     // >= 0 writes PlaceObject3 with the caching flag
};

// Tags of one timeline (the movie's or a sprite's).
class TimelineWriter {
 public:
  void Tag(uint16_t code, const std::vector<uint8_t>& body);
  void ShowFrame() {
    Tag(kTagShowFrame, {});
    ++frames_;
  }
  void Place(const PlaceSpec& p);
  void Remove(uint16_t depth);
  void FrameLabel(const std::string& label);
  void DoAction(const std::vector<uint8_t>& code);
  void SetBackgroundColor(Rgba c);
  int Frames() const { return frames_; }
  const std::vector<uint8_t>& Bytes() const { return tags_; }

 protected:
  std::vector<uint8_t> tags_;
  int frames_ = 0;
};

class SwfWriter : public TimelineWriter {
 public:
  SwfWriter(int version, int width_px, int height_px, double frame_rate)
      : version_(version), width_(width_px), height_(height_px), rate_(frame_rate) {}
  void DefineShape(uint16_t id, const ShapeBuilder& shape, int shape_version = 3) {
    static const uint16_t codes[] = {kTagDefineShape, kTagDefineShape, kTagDefineShape2,
                                     kTagDefineShape3, kTagDefineShape4};
    Tag(codes[shape_version < 1 || shape_version > 4 ? 3 : shape_version],
        shape.Encode(id, shape_version));
  }
  void DefineSprite(uint16_t id, const TimelineWriter& sprite);
  void DefineFont(uint16_t id, const FontSpec& font) {
    Tag(font.version == 3 ? kTagDefineFont3 : kTagDefineFont2, font.Encode(id));
  }
  void DefineText(uint16_t id, const StaticTextSpec& text) {
    Tag(text.version == 2 ? kTagDefineText2 : kTagDefineText, text.Encode(id));
  }
  void DefineEditText(uint16_t id, const EditTextSpec& field) {
    Tag(kTagDefineEditText, field.Encode(id));
  }
  void DoInitAction(uint16_t sprite_id, const std::vector<uint8_t>& code);
  // The whole file; frame count is the number of ShowFrame tags written.
  std::vector<uint8_t> Finish(bool compressed) const;
  bool Save(const std::string& path, bool compressed) const;

 private:
  int version_, width_, height_;
  double rate_;
};

// Builds action byte code.
class ActionBuilder {
 public:
  ActionBuilder& Op(uint8_t code) {
    code_.push_back(code);
    return *this;
  }
  ActionBuilder& OpWithData(uint8_t code, const std::vector<uint8_t>& data);
  ActionBuilder& PushString(const std::string& s);
  ActionBuilder& PushNumber(double d);
  ActionBuilder& PushInt(int32_t v);
  ActionBuilder& PushBool(bool b);
  ActionBuilder& PushUndefined();
  ActionBuilder& PushNull();
  ActionBuilder& PushRegister(uint8_t r);
  ActionBuilder& PushConstant(uint8_t index);
  ActionBuilder& ConstantPool(const std::vector<std::string>& strings);
  ActionBuilder& Trace() { return Op(0x26); }
  ActionBuilder& Stop() { return Op(0x07); }
  ActionBuilder& Play() { return Op(0x06); }
  ActionBuilder& NextFrame() { return Op(0x04); }
  ActionBuilder& PrevFrame() { return Op(0x05); }
  ActionBuilder& GotoFrame(uint16_t zero_based);
  ActionBuilder& GotoLabel(const std::string& label);
  ActionBuilder& GetUrl(const std::string& url, const std::string& target);
  ActionBuilder& SetTarget(const std::string& target);
  ActionBuilder& StoreRegister(uint8_t r);
  // Jumps by a byte offset relative to the end of the jump instruction.
  ActionBuilder& Jump(int16_t offset);
  ActionBuilder& If(int16_t offset);
  ActionBuilder& Raw(const std::vector<uint8_t>& bytes);
  size_t Size() const { return code_.size(); }
  // The byte code ending with the End action.
  std::vector<uint8_t> Build() const {
    auto c = code_;
    c.push_back(0);
    return c;
  }

 private:
  std::vector<uint8_t> code_;
};

}  // namespace flash
