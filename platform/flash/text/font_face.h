// The faces text is laid out and drawn with: a movie's embedded font, or a device font of the
// system. Metrics are in the face's EM units; outlines are shapes in the same units (y down),
// filled with one solid white style that the text's colour transform colours.
#pragma once

#include <memory>
#include <string>

#include "platform/flash/format/font.h"
#include "platform/flash/format/shape.h"

namespace flash::text {

class Face {
 public:
  virtual ~Face() = default;
  virtual double EmSquare() const = 0;
  virtual int GlyphOf(char32_t c) const = 0;  // -1 when the face lacks the character
  virtual double Advance(int glyph) const = 0;
  virtual double Kerning(char32_t left, char32_t right) const = 0;
  virtual double Ascent() const = 0;
  virtual double Descent() const = 0;
  virtual double Leading() const = 0;
  virtual const ShapeDef* Outline(int glyph) const = 0;  // null for an empty glyph
  virtual bool IsDevice() const = 0;
  // What keeps the outlines alive, for caches of them; null when they live as long as the process.
  virtual std::shared_ptr<const void> Owner() const { return nullptr; }
};

// A font embedded in a movie.
class EmbeddedFace : public Face {
 public:
  explicit EmbeddedFace(std::shared_ptr<const FontDef> font) : font_(std::move(font)) {}
  double EmSquare() const override { return font_->EmSquare(); }
  int GlyphOf(char32_t c) const override {
    return c > 0xFFFF ? -1 : font_->GlyphOf(static_cast<uint16_t>(c));
  }
  double Advance(int glyph) const override;
  double Kerning(char32_t l, char32_t r) const override {
    return l > 0xFFFF || r > 0xFFFF
               ? 0
               : font_->Kerning(static_cast<uint16_t>(l), static_cast<uint16_t>(r));
  }
  double Ascent() const override;
  double Descent() const override;
  double Leading() const override { return font_->leading; }
  const ShapeDef* Outline(int glyph) const override;
  bool IsDevice() const override { return false; }
  std::shared_ptr<const void> Owner() const override { return font_; }
  const FontDef& Font() const { return *font_; }

 private:
  std::shared_ptr<const FontDef> font_;
};

// The device face for a font name ("_sans", "_serif", "_typewriter", common Windows and Mac font
// names, or any other name, which falls back to the sans face) and style: every name shares the
// one default typeface where it is installed. Faces live as long as
// the process; outlines are made once per face and glyph. Null when no font file can be loaded.
const Face* DeviceFace(const std::string& name, bool bold, bool italic);
// Whether a device face stands for that name (or one of a list of names) itself, rather than
// as the fallback for an unknown one.
bool HasDeviceFont(const std::string& name);

}  // namespace flash::text
