#include "platform/flash/format/text.h"

#include <algorithm>
#include <cstring>

#include "platform/flash/format/errors.h"
#include "platform/flash/format/font.h"
#include "platform/flash/format/reader.h"

namespace flash {

std::shared_ptr<StaticTextDef> ParseStaticText(uint16_t tag_code, const uint8_t* data,
                                               size_t length) {
  Reader r(data, length);
  auto text = std::make_shared<StaticTextDef>(r.U16());
  text->version = tag_code == kTagDefineText2 ? 2 : 1;
  text->bounds = r.Rect();
  text->matrix = r.ReadMatrix();
  int glyph_bits = r.U8();
  int advance_bits = r.U8();
  if (glyph_bits > 32 || advance_bits > 32)
    throw FormatError("text glyph fields are wider than 32 bits");
  TextRecord current;
  int32_t pen_x = 0;
  // A record cut short by the end of the tag ends the text; the records before it stand.
  while (r.Remaining() > 0) try {
      uint8_t flags = r.U8();
      if (flags == 0) break;  // end of the records
      TextRecord rec = current;
      rec.glyphs.clear();
      rec.x = pen_x;
      if (flags & 0x08) {
        rec.font_id = r.U16();
        rec.has_font = true;
      }
      if (flags & 0x04) rec.color = text->version == 2 ? r.RgbaColor() : r.Rgb();
      if (flags & 0x01) rec.x = r.S16();
      if (flags & 0x02) rec.y = r.S16();
      if (flags & 0x08) rec.height = r.U16();
      uint8_t count = r.U8();
      pen_x = rec.x;
      for (uint8_t i = 0; i < count; ++i) {
        TextGlyphEntry g;
        g.index = r.UB(glyph_bits);
        g.advance = r.SB(advance_bits);
        pen_x += g.advance;
        rec.glyphs.push_back(g);
      }
      r.Align();
      current = rec;
      text->records.push_back(std::move(rec));
    } catch (const FormatError&) {
      break;
    }
  return text;
}

std::shared_ptr<EditTextDef> ParseEditText(const uint8_t* data, size_t length, int swf_version) {
  Reader r(data, length);
  auto t = std::make_shared<EditTextDef>(r.U16());
  t->bounds = r.Rect();
  uint8_t f1 = r.U8(), f2 = r.U8();
  t->has_text = f1 & 0x80;
  t->word_wrap = f1 & 0x40;
  t->multiline = f1 & 0x20;
  t->password = f1 & 0x10;
  t->read_only = f1 & 0x08;
  t->has_color = f1 & 0x04;
  t->has_max_length = f1 & 0x02;
  t->has_font = f1 & 0x01;
  bool has_font_class = f2 & 0x80;
  t->auto_size = f2 & 0x40;
  t->has_layout = f2 & 0x20;
  t->no_select = f2 & 0x10;
  t->border = f2 & 0x08;
  t->was_static = f2 & 0x04;
  t->html = f2 & 0x02;
  t->use_outlines = f2 & 0x01;
  if (t->has_font) t->font_id = r.U16();
  if (has_font_class) t->font_class = r.CString();
  if (t->has_font || has_font_class) t->font_height = r.U16();
  if (t->has_color) t->color = r.RgbaColor();
  if (t->has_max_length) t->max_length = r.U16();
  if (t->has_layout) {
    uint8_t align = r.U8();
    t->align = align <= 3 ? static_cast<TextAlign>(align) : TextAlign::Left;
    t->left_margin = r.U16();
    t->right_margin = r.U16();
    t->indent = r.U16();
    t->leading = r.S16();
  }
  t->variable = MovieStringToUtf8(r.CString(), swf_version);
  if (t->has_text) {
    // Some writers leave the terminator off the last string of the tag.
    if (r.Remaining() > 0 && !std::memchr(r.Current(), 0, r.Remaining())) {
      size_t n = r.Remaining();
      const uint8_t* p = r.Bytes(n);
      t->initial_text =
          MovieStringToUtf8(std::string(reinterpret_cast<const char*>(p), n), swf_version);
    } else if (r.Remaining() > 0) {
      t->initial_text = MovieStringToUtf8(r.CString(), swf_version);
    }
  }
  return t;
}

bool ReadTextTag(uint16_t tag_code, const uint8_t* data, size_t length, int swf_version,
                 std::map<uint16_t, CharacterPtr>& dictionary) {
  switch (tag_code) {
    case kTagDefineFont:
    case kTagDefineFont2:
    case kTagDefineFont3: {
      auto font = ParseFont(tag_code, data, length, swf_version);
      dictionary[font->id] = font;
      return true;
    }
    case kTagDefineFontInfo:
    case kTagDefineFontInfo2:
    case kTagDefineFontAlignZones:
    case kTagDefineFontName: {
      auto it = dictionary.find(FontIdOf(data, length));
      if (it == dictionary.end() || it->second->kind != CharacterDef::Kind::Font) return true;
      it->second = ApplyFontTag(tag_code, data, length, static_cast<const FontDef&>(*it->second),
                                swf_version);
      return true;
    }
    case kTagDefineText:
    case kTagDefineText2: {
      auto text = ParseStaticText(tag_code, data, length);
      for (const TextRecord& rec : text->records) {
        auto it = dictionary.find(rec.font_id);
        if (it == dictionary.end() || it->second->kind != CharacterDef::Kind::Font) continue;
        const auto& font = static_cast<const FontDef&>(*it->second);
        ShapeDef& run = GlyphRunFor(text->glyph_runs, rec.color);
        double scale = rec.height * kGlyphRunUnits / font.EmSquare();
        double x = rec.x;
        for (const TextGlyphEntry& g : rec.glyphs) {
          if (g.index < font.glyphs.size())
            AppendGlyph(run, font.glyphs[g.index].shape, scale, x * kGlyphRunUnits,
                        rec.y * kGlyphRunUnits);
          x += g.advance;
        }
      }
      dictionary[text->id] = text;
      return true;
    }
    case kTagCsmTextSettings: {
      // Settings for a text field or static text defined before; for anything else (or a short
      // tag) ignored.
      if (length < 11) return true;
      auto it = dictionary.find(FontIdOf(data, length));
      if (it == dictionary.end()) return true;
      if (it->second->kind == CharacterDef::Kind::Text) {
        auto text = std::make_shared<StaticTextDef>(static_cast<const StaticTextDef&>(*it->second));
        text->anti_alias = data[2] >> 6 == 1 ? 1 : 0;
        it->second = text;
        return true;
      }
      if (it->second->kind != CharacterDef::Kind::EditText) return true;
      auto copy = std::make_shared<EditTextDef>(static_cast<const EditTextDef&>(*it->second));
      Reader r(data, length);
      r.U16();
      const uint8_t bits = r.U8();
      copy->anti_alias = bits >> 6 == 1 ? 1 : 0;
      copy->grid_fit = std::min(2, (bits >> 3) & 7);
      copy->thickness = r.F32();
      copy->sharpness = r.F32();
      it->second = copy;
      return true;
    }
    case kTagDefineEditText: {
      auto field = ParseEditText(data, length, swf_version);
      dictionary[field->id] = field;
      return true;
    }
    default: return false;
  }
}

}  // namespace flash
