#include "platform/flash/text/text_field.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>

#include "platform/flash/text/html_text.h"

namespace flash::text {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

TextField::TextField(const EditTextDef& def, std::shared_ptr<const MovieDef> movie)
    : movie_(std::move(movie)) {
  const double px = 1 / 20.0;
  options.box = {def.bounds.xmin * px, def.bounds.ymin * px,
                 (def.bounds.xmax - def.bounds.xmin) * px,
                 (def.bounds.ymax - def.bounds.ymin) * px};
  options.word_wrap = def.word_wrap;
  options.password = def.password;
  options.auto_size = def.auto_size ? AutoSize::Left : AutoSize::None;
  multiline = def.multiline;
  html = def.html;
  read_only = def.read_only;
  selectable = !def.no_select;
  border = background = def.border;
  embed_fonts = def.use_outlines;
  advanced_anti_alias = def.anti_alias == 1;
  grid_fit = def.grid_fit;
  thickness = def.thickness;
  sharpness = def.sharpness;
  max_chars = def.has_max_length ? def.max_length : 0;
  variable = def.variable;
  if (def.has_font && movie_) {
    const CharacterDef* c = movie_->Find(def.font_id);
    if (c && c->kind == CharacterDef::Kind::Font) {
      auto it = movie_->dictionary.find(def.font_id);
      tag_font_ = std::static_pointer_cast<const FontDef>(it->second);
      default_format.font = tag_font_->name;
      default_format.bold = tag_font_->bold;
      default_format.italic = tag_font_->italic;
    }
  }
  if (def.has_font || !def.font_class.empty()) default_format.size = def.font_height * px;
  if (def.has_color) default_format.color = def.color;
  if (def.has_layout) {
    // An HTML field takes the tag's alignment with its initial text; one without any starts
    // left-aligned.
    if (!html || def.has_text) default_format.align = def.align;
    default_format.left_margin = def.left_margin * px;
    default_format.right_margin = def.right_margin * px;
    default_format.indent = def.indent * px;
    default_format.leading = def.leading * px;
  }
  if (def.has_text) {
    if (html)
      SetHtmlText(def.initial_text);
    else
      SetText(def.initial_text);
  }
}

void TextField::SetText(const std::string& utf8) {
  runs_.clear();
  std::u32string s = Utf8ToUtf32(utf8);
  // Every line end is a paragraph break: a CR LF pair makes two.
  std::u32string t = std::move(s);
  for (char32_t& c : t)
    if (c == '\n') c = U'\r';
  if (!t.empty()) runs_.push_back({std::move(t), default_format});
  Changed();
}

void TextField::SetHtmlText(const std::string& html_text) {
  runs_ = ParseHtml(html_text, default_format, multiline, styles.empty() ? nullptr : &styles,
                    condense_white);
  Changed();
}

void TextField::SetRuns(std::vector<TextRun> runs) {
  runs_ = std::move(runs);
  Changed();
}

std::string TextField::Text() const {
  std::u32string all;
  for (const TextRun& r : runs_) all += r.text;
  return Utf32ToUtf8(all);
}

size_t TextField::Length() const {
  size_t n = 0;
  for (const TextRun& r : runs_) n += r.text.size();
  return n;
}

namespace {

// The text as characters, each naming its format in a table (the runs' formats, then any made
// by a change), so that edits touch indices instead of copying formats.
struct Flat {
  std::u32string chars;
  std::vector<uint32_t> format_of;  // one per character
  std::vector<TextFormat> formats;

  std::vector<TextRun> Runs() const {
    std::vector<TextRun> runs;
    for (size_t i = 0; i < chars.size();) {
      size_t j = i + 1;
      while (j < chars.size() && format_of[j] == format_of[i]) ++j;
      const TextFormat& f = formats[format_of[i]];
      if (!runs.empty() && runs.back().format == f)
        runs.back().text.append(chars, i, j - i);
      else
        runs.push_back({chars.substr(i, j - i), f});
      i = j;
    }
    return runs;
  }
};

Flat Flatten(const std::vector<TextRun>& runs) {
  Flat f;
  for (const TextRun& r : runs) {
    f.chars += r.text;
    f.format_of.insert(f.format_of.end(), r.text.size(), static_cast<uint32_t>(f.formats.size()));
    f.formats.push_back(r.format);
  }
  return f;
}

}  // namespace

void TextField::ReplaceText(size_t begin, size_t end, const std::string& utf8) {
  Flat f = Flatten(runs_);
  begin = std::min(begin, f.chars.size());
  end = std::clamp(end, begin, f.chars.size());
  uint32_t format;
  if (begin < f.chars.size()) {
    format = f.format_of[begin];
  } else if (begin > 0) {
    format = f.format_of[begin - 1];
  } else {
    format = static_cast<uint32_t>(f.formats.size());
    f.formats.push_back(default_format);
  }
  std::u32string text = Utf8ToUtf32(utf8);
  for (char32_t& c : text)
    if (c == '\n') c = '\r';
  f.chars.replace(begin, end - begin, text);
  f.format_of.erase(f.format_of.begin() + static_cast<long>(begin),
                    f.format_of.begin() + static_cast<long>(end));
  f.format_of.insert(f.format_of.begin() + static_cast<long>(begin), text.size(), format);
  runs_ = f.Runs();
  Changed();
}

void TextField::ChangeFormat(size_t begin, size_t end,
                             const std::function<void(TextFormat&)>& change) {
  Flat f = Flatten(runs_);
  end = std::min(end, f.chars.size());
  // Each format the range uses is changed once, into a new entry of the table.
  std::vector<uint32_t> changed(f.formats.size(), UINT32_MAX);
  for (size_t i = begin; i < end; ++i) {
    uint32_t& to = changed[f.format_of[i]];
    if (to == UINT32_MAX) {
      to = static_cast<uint32_t>(f.formats.size());
      TextFormat copy = f.formats[f.format_of[i]];
      change(copy);
      f.formats.push_back(std::move(copy));
    }
    f.format_of[i] = to;
  }
  runs_ = f.Runs();
  Changed();
}

const TextFormat& TextField::FormatAt(size_t index) const {
  for (const TextRun& r : runs_) {
    if (index < r.text.size()) return r.format;
    index -= r.text.size();
  }
  return default_format;
}

TextExtent TextField::Extent(const std::string& utf8, const TextFormat& format) const {
  return MeasureText(Utf8ToUtf32(utf8), format, [this](const TextFormat& f) { return FaceFor(f); });
}

std::string TextField::HtmlText() const { return ToHtml(runs_, default_format); }

const Face* TextField::FaceFor(const TextFormat& f) const {
  if (!embed_fonts && HasDeviceFont(f.font)) return DeviceFace(f.font, f.bold, f.italic);
  // A device font the system lacks is drawn with the movie's own font of that name when the
  // movie has one, the nearest to what the author saw; otherwise with the fallback face.
  // The tag's own font first, then any font of the movie with that name, best style match first.
  std::shared_ptr<const FontDef> best;
  int best_score = -1;
  auto consider = [&](const std::shared_ptr<const FontDef>& font) {
    if (!font || font->glyphs.empty() || !SameName(font->name, f.font)) return;
    // Standing in for a device font needs the font's advances.
    if (!embed_fonts && !font->has_layout) return;
    int score = (font->bold == f.bold) + (font->italic == f.italic) + (font == tag_font_);
    if (score > best_score) {
      best = font;
      best_score = score;
    }
  };
  consider(tag_font_);
  if (movie_) {
    for (const auto& [id, c] : movie_->dictionary)
      if (c->kind == CharacterDef::Kind::Font) consider(std::static_pointer_cast<const FontDef>(c));
  }
  if (!best) return embed_fonts ? nullptr : DeviceFace(f.font, f.bold, f.italic);
  for (const auto& face : embedded_)
    if (&face->Font() == best.get()) return face.get();
  embedded_.push_back(std::make_unique<EmbeddedFace>(best));
  return embedded_.back().get();
}

const TextLayout& TextField::Layout() const {
  if (dirty_) {
    layout_ = LayoutText(runs_, options, [this](const TextFormat& f) { return FaceFor(f); });
    dirty_ = false;
  }
  return layout_;
}

const std::vector<ShapeDef>& TextField::GlyphRuns() const {
  const TextLayout& l = Layout();
  if (runs_dirty_) {
    glyph_runs_.clear();
    const double units = 20 * kGlyphRunUnits;  // per pixel
    // Glyphs this far out are never seen, and their run coordinates would not fit.
    const double kFarthest = 1e5;
    for (const PlacedGlyph& g : l.glyphs) {
      const ShapeDef* outline = g.face->Outline(g.glyph);
      if (!outline || std::abs(g.x) > kFarthest || std::abs(g.y) > kFarthest || g.size > 4000)
        continue;
      AppendGlyph(GlyphRunFor(glyph_runs_, g.color), *outline, g.size / g.face->EmSquare() * units,
                  g.x * units, g.y * units);
    }
    runs_dirty_ = false;
  }
  return glyph_runs_;
}

std::optional<size_t> TextField::CharAt(double x, double y) const {
  const TextLayout& l = Layout();
  if (l.lines.empty()) return std::nullopt;
  const size_t first =
      std::clamp<size_t>(static_cast<size_t>(std::max(scroll, 1)), 1, l.lines.size()) - 1;
  y += l.lines[first].top - l.lines.front().top;
  x += hscroll;
  const LaidLine* line = nullptr;
  for (const LaidLine& ln : l.lines)
    if (y >= ln.top && y < ln.Bottom() + ln.leading) line = &ln;
  if (!line) return std::nullopt;
  for (size_t k = 0; k < l.glyphs.size(); ++k) {
    const PlacedGlyph& g = l.glyphs[k];
    if (g.char_index < line->first_char || g.char_index >= line->end_char) continue;
    double right = line->x + line->width;
    if (k + 1 < l.glyphs.size() && l.glyphs[k + 1].char_index < line->end_char &&
        l.glyphs[k + 1].char_index > g.char_index)
      right = l.glyphs[k + 1].x;
    if (x >= g.x && x < right) return g.char_index;
  }
  return std::nullopt;
}

size_t TextField::CharIndexAt(double x, double y) const {
  const TextLayout& l = Layout();
  if (l.lines.empty()) return 0;
  const size_t first =
      std::clamp<size_t>(static_cast<size_t>(std::max(scroll, 1)), 1, l.lines.size()) - 1;
  y += l.lines[first].top - l.lines.front().top;
  x += hscroll;
  size_t line = 0;
  while (line + 1 < l.lines.size() && y >= l.lines[line].Bottom() + l.lines[line].leading) ++line;
  const LaidLine& ln = l.lines[line];
  // The end of a line is before the break or space that ends it, but the last line's end is the
  // end of the text.
  size_t end = ln.end_char;
  if (line + 1 < l.lines.size() && end > ln.first_char) {
    char32_t last = 0;
    size_t at = 0;
    for (const TextRun& r : runs_) {
      if (end - 1 < at + r.text.size()) {
        last = r.text[end - 1 - at];
        break;
      }
      at += r.text.size();
    }
    if (last == ' ' || last == '\r' || last == '\n') --end;
  }
  // Glyphs come in the order of their characters; each reaches to the next one on its line.
  for (size_t k = 0; k < l.glyphs.size(); ++k) {
    const PlacedGlyph& g = l.glyphs[k];
    if (g.char_index < ln.first_char || g.char_index >= end) continue;
    double right = ln.x + ln.width;
    if (k + 1 < l.glyphs.size() && l.glyphs[k + 1].char_index < ln.end_char &&
        l.glyphs[k + 1].x >= g.x)
      right = l.glyphs[k + 1].x;
    if (x < (g.x + std::max(right, g.x)) / 2) return g.char_index;
  }
  return end;
}

int TextField::MaxScroll() const {
  const TextLayout& l = Layout();
  if (l.lines.empty()) return 1;
  // The first line from which the remaining lines fit into the box.
  double bottom = l.lines.back().Bottom();
  double visible = l.box.height - 2 * kGutter;
  for (size_t i = 0; i < l.lines.size(); ++i)
    if (bottom - l.lines[i].top <= visible + 0.001) return static_cast<int>(i) + 1;
  return static_cast<int>(l.lines.size());
}

int TextField::BottomScroll() const {
  const TextLayout& l = Layout();
  if (l.lines.empty()) return 1;
  size_t first = static_cast<size_t>(std::clamp(scroll, 1, static_cast<int>(l.lines.size())) - 1);
  double limit = l.lines[first].top + l.box.height - 2 * kGutter;
  size_t last = first;
  for (size_t i = first; i < l.lines.size(); ++i)
    if (l.lines[i].Bottom() <= limit + 0.001) last = i;
  return static_cast<int>(last) + 1;
}

bool TextField::Overflows() const {
  const TextLayout& l = Layout();
  return l.text_height + 2 * kGutter > l.box.height + 0.001 ||
         l.text_width + 2 * kGutter > l.box.width + 0.001 || scroll > 1 || hscroll > 0;
}

}  // namespace flash::text
