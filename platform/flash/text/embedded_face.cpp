#include "platform/flash/text/font_face.h"

namespace flash::text {

double EmbeddedFace::Advance(int glyph) const {
  if (glyph < 0 || static_cast<size_t>(glyph) >= font_->glyphs.size()) return 0;
  const FontGlyph& g = font_->glyphs[glyph];
  if (font_->has_layout) return g.advance;
  // Fonts without a layout table: the glyph's own width and a little space.
  const RectTwips& b = g.shape.bounds;
  return b.xmax > 0 ? b.xmax + font_->EmSquare() / 20.0 : font_->EmSquare() / 3.0;
}

double EmbeddedFace::Ascent() const {
  return font_->has_layout ? font_->ascent : font_->EmSquare() * 0.9;
}

double EmbeddedFace::Descent() const {
  return font_->has_layout ? font_->descent : font_->EmSquare() * 0.2;
}

const ShapeDef* EmbeddedFace::Outline(int glyph) const {
  if (glyph < 0 || static_cast<size_t>(glyph) >= font_->glyphs.size()) return nullptr;
  const ShapeDef& s = font_->glyphs[glyph].shape;
  return s.groups.empty() ? nullptr : &s;
}

}  // namespace flash::text
