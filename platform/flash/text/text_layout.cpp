#include "platform/flash/text/text_layout.h"

#include <algorithm>
#include <cmath>

namespace flash::text {
namespace {

// One character with what layout needs of it.
struct Cell {
  char32_t c = 0;
  const TextFormat* format = nullptr;
  const Face* face = nullptr;
  int glyph = -1;
  double advance = 0;  // pixels, with letter spacing and kerning against the next character
};

// Metrics are kept in whole twips (twentieths of a pixel): a font's ascent and descent at a
// size and the advances of its glyphs are cut down to the twip below.
double WholeTwipsDown(double px) { return std::floor(px * 20 + 1e-9) / 20; }
double WholeTwips(double px) { return std::round(px * 20) / 20; }

double Scale(const Cell& cell) { return cell.face ? cell.format->size / cell.face->EmSquare() : 0; }

bool IsBreakSpace(char32_t c) { return c == ' ' || c == '\t'; }

double NextTabStop(const TextFormat& f, double x) {
  for (double stop : f.tab_stops)
    if (stop > x + 0.001) return stop;
  // Past the last of the paragraph's own stops a tab takes no room; without stops of its own,
  // tabs stop every 32 pixels.
  if (!f.tab_stops.empty()) return x;
  constexpr double kDefaultTabInterval = 32;
  return (std::floor(x / kDefaultTabInterval) + 1) * kDefaultTabInterval;
}

struct Paragraph {
  size_t begin, end;  // cells, without the closing break
};

// Vertical metrics of the characters [b, e), or of the paragraph's format when it is empty.
void LineMetrics(const std::vector<Cell>& cells, size_t b, size_t e, const TextFormat& para,
                 const FaceResolver& faces, LaidLine& line) {
  line.ascent = line.descent = 0;
  // Text without a face (a field embedding fonts the movie lacks) takes no height.
  auto take = [&](const Face* face, double size) {
    if (!face) return;
    double s = size / face->EmSquare();
    line.ascent = std::max(line.ascent, WholeTwipsDown(face->Ascent() * s));
    line.descent = std::max(line.descent, WholeTwipsDown(face->Descent() * s));
  };
  if (b == e) {
    take(faces ? faces(para) : nullptr, para.size);
  } else {
    for (size_t i = b; i < e; ++i) take(cells[i].face, cells[i].format->size);
  }
  line.leading = para.leading;
}

}  // namespace

TextLayout LayoutText(const std::vector<TextRun>& runs, const LayoutOptions& opt,
                      const FaceResolver& faces) {
  TextLayout out;
  out.box = opt.box;
  // Characters, with the faces and advances of their formats.
  std::vector<Cell> cells;
  std::vector<Paragraph> paragraphs;
  size_t total = 0;
  for (const TextRun& run : runs) total += run.text.size();
  cells.reserve(total);
  out.glyphs.reserve(total);
  static const TextFormat kDefault;
  const TextFormat* last_format = runs.empty() ? &kDefault : &runs.back().format;
  size_t para_start = 0;
  // Glyphs and advances of the common characters, looked up once per face.
  struct Known {
    int glyph = -1;
    double advance = 0;
    bool known = false;
  };
  std::vector<std::pair<const Face*, std::vector<Known>>> known;
  auto lookup = [&](const Face* face, char32_t c, int& glyph, double& advance) {
    std::vector<Known>* table = nullptr;
    if (c < 256) {
      for (auto& [f, t] : known)
        if (f == face) table = &t;
      if (!table) table = &known.emplace_back(face, std::vector<Known>(256)).second;
      Known& k = (*table)[c];
      if (k.known) {
        glyph = k.glyph;
        advance = k.advance;
        return;
      }
      k.glyph = face->GlyphOf(c);
      k.advance = k.glyph >= 0 ? face->Advance(k.glyph) : 0;
      k.known = true;
      glyph = k.glyph;
      advance = k.advance;
      return;
    }
    glyph = face->GlyphOf(c);
    advance = glyph >= 0 ? face->Advance(glyph) : 0;
  };
  for (const TextRun& run : runs) {
    const Face* face = faces ? faces(run.format) : nullptr;
    for (char32_t c : run.text) {
      if (c == '\r' || c == '\n') {
        paragraphs.push_back({para_start, cells.size()});
        cells.push_back({c, &run.format, nullptr, -1, 0});
        para_start = cells.size();
        continue;
      }
      Cell cell{opt.password ? U'*' : c, &run.format, face, -1, 0};
      if (face) {
        double advance = 0;
        lookup(face, cell.c, cell.glyph, advance);
        cell.advance = WholeTwipsDown(advance * Scale(cell));
      }
      cell.advance += run.format.letter_spacing;
      cells.push_back(cell);
    }
  }
  paragraphs.push_back({para_start, cells.size()});
  for (size_t i = 0; i + 1 < cells.size(); ++i) {
    Cell& a = cells[i];
    const Cell& b = cells[i + 1];
    if (a.face && a.face == b.face && a.format->kerning && a.glyph >= 0 && b.glyph >= 0)
      a.advance += WholeTwips(a.face->Kerning(a.c, b.c) * Scale(a));
  }

  // Lines: each paragraph breaks where its text no longer fits (with word wrap) after the last
  // space that still fits, or before the character that does not when a word is wider than the
  // line.
  struct Pending {
    size_t b, e;
    const TextFormat* para;
    bool first_of_paragraph, last_of_paragraph;
  };
  std::vector<Pending> pending;
  for (const Paragraph& p : paragraphs) {
    const TextFormat* pf = p.begin < cells.size() ? cells[p.begin].format : last_format;
    if (p.begin < p.end) pf = cells[p.begin].format;
    double avail_base =
        opt.box.width - 2 * kGutter - pf->left_margin - pf->right_margin - pf->block_indent;
    size_t b = p.begin;
    bool first = true;
    if (b == p.end) {
      pending.push_back({b, b, pf, true, true});
      continue;
    }
    while (b < p.end) {
      double avail = avail_base - (first ? pf->indent : 0);
      double x = 0;
      size_t e = b, last_break = 0;
      bool has_break = false;
      for (; e < p.end; ++e) {
        const Cell& cell = cells[e];
        double adv = cell.c == '\t' ? NextTabStop(*pf, x) - x : cell.advance;
        // Lines break after spaces only; a tab belongs to the word around it.
        if (opt.word_wrap && e > b && cell.c != ' ' && x + adv > avail + 0.001) break;
        x += adv;
        if (cell.c == ' ') {
          last_break = e + 1;
          has_break = true;
        }
      }
      if (e < p.end && has_break && last_break > b) e = last_break;
      pending.push_back({b, e, pf, first, e >= p.end});
      b = e;
      first = false;
    }
  }

  // Vertical placement and the widths of the lines.
  double top = kGutter;
  for (const Pending& pl : pending) {
    LaidLine line;
    line.first_char = pl.b;
    line.end_char = pl.e;
    LineMetrics(cells, pl.b, pl.e, *pl.para, faces, line);
    line.top = top;
    size_t ink_end = pl.e;
    while (ink_end > pl.b && IsBreakSpace(cells[ink_end - 1].c)) --ink_end;
    // Lines align by their ink; the text's width counts trailing spaces too.
    double x = 0;
    for (size_t i = pl.b; i < pl.e; ++i) {
      if (i == ink_end) line.width = x;
      x += cells[i].c == '\t' ? NextTabStop(*pl.para, x) - x : cells[i].advance;
    }
    if (ink_end == pl.e) line.width = x;
    top += line.ascent + line.descent + line.leading;
    out.text_width = std::max(out.text_width, x + pl.para->left_margin + pl.para->right_margin +
                                                  pl.para->block_indent +
                                                  (pl.first_of_paragraph ? pl.para->indent : 0));
    out.lines.push_back(line);
  }
  // The text's height holds every line with its leading, except the last line's leading when
  // there are several lines.
  // Without any characters the text has no height.
  if (!out.lines.empty() && !cells.empty())
    out.text_height = top - kGutter - (out.lines.size() > 1 ? out.lines.back().leading : 0);

  // Auto size: the box takes the text's size, growing from the side the setting names.
  if (opt.auto_size != AutoSize::None) {
    if (!opt.word_wrap) {
      double w = out.text_width + 2 * kGutter;
      if (opt.auto_size == AutoSize::Right)
        out.box.x += out.box.width - w;
      else if (opt.auto_size == AutoSize::Center)
        out.box.x += (out.box.width - w) / 2;
      out.box.width = w;
    }
    out.box.height = out.text_height + 2 * kGutter;
  }

  // Horizontal placement and glyphs.
  for (size_t li = 0; li < out.lines.size(); ++li) {
    LaidLine& line = out.lines[li];
    const Pending& pl = pending[li];
    const TextFormat& pf = *pl.para;
    double left =
        kGutter + pf.left_margin + pf.block_indent + (pl.first_of_paragraph ? pf.indent : 0);
    double right = out.box.width - kGutter - pf.right_margin;
    double x = left;
    double extra_per_space = 0;
    if (pf.align == TextAlign::Right) {
      x = right - line.width;
    } else if (pf.align == TextAlign::Center) {
      x = left + (right - left - line.width) / 2;
    } else if (pf.align == TextAlign::Justify && !pl.last_of_paragraph) {
      int spaces = 0;
      size_t ink_end = pl.e;
      while (ink_end > pl.b && IsBreakSpace(cells[ink_end - 1].c)) --ink_end;
      for (size_t i = pl.b; i < ink_end; ++i) spaces += cells[i].c == ' ';
      if (spaces > 0 && right - left > line.width)
        extra_per_space = (right - left - line.width) / spaces;
    }
    line.x = x;
    double baseline = line.top + line.ascent;
    double pen = 0;
    for (size_t i = pl.b; i < pl.e; ++i) {
      const Cell& cell = cells[i];
      double adv = cell.c == '\t' ? NextTabStop(pf, pen) - pen : cell.advance;
      if (cell.c == ' ') adv += extra_per_space;
      if (cell.face && cell.glyph >= 0 && cell.c != '\t') {
        PlacedGlyph g;
        g.face = cell.face;
        g.glyph = cell.glyph;
        g.x = out.box.x + x + pen;
        g.y = out.box.y + baseline;
        g.size = cell.format->size;
        g.color = cell.format->color;
        g.char_index = i;
        out.glyphs.push_back(g);
      }
      if (cell.format->underline && !IsBreakSpace(cell.c)) {
        double thickness = std::max(1.0, cell.format->size / 20);
        double y = out.box.y + baseline + std::max(1.0, cell.format->size / 10);
        double x0 = out.box.x + x + pen, x1 = x0 + adv;
        UnderlineSpan* last = out.underlines.empty() ? nullptr : &out.underlines.back();
        if (last && std::abs(last->x1 - x0) < 0.01 && last->y == y &&
            last->color == cell.format->color)
          last->x1 = x1;
        else
          out.underlines.push_back({x0, x1, y, thickness, cell.format->color});
      }
      pen += adv;
    }
    line.x += out.box.x;
    line.top += out.box.y;
  }
  return out;
}

TextExtent MeasureText(const std::u32string& text, const TextFormat& format,
                       const FaceResolver& faces) {
  LayoutOptions options;
  options.box = {0, 0, 1e9, 1e9};
  TextLayout l = LayoutText({{text, format}}, options, faces);
  TextExtent e;
  e.width = l.text_width;
  e.height = l.text_height;
  if (!l.lines.empty()) {
    e.ascent = l.lines.front().ascent;
    e.descent = l.lines.front().descent;
  }
  return e;
}

}  // namespace flash::text
