// Text on a canvas: glyphs are rendered by Qt into a coverage mask and blended
// into the surface in the font's colour, so text works on every pixel format.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/classlib/canvas.h"
#include "platform/classlib/canvas_impl.h"
#include "platform/classlib/canvas_qt.h"

namespace classlib {

namespace {

struct TextLine {
  QString Text;
  int Underline = -1;  // index of the character under a prefix "&", or -1
};

// Removes "&" prefixes: "&&" gives "&", "&x" gives x marked for underlining.
TextLine StripPrefix(const QString& s, bool keep) {
  TextLine out;
  if (keep) {
    out.Text = s;
    return out;
  }
  for (int i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != u'&' && out.Underline < 0) out.Underline = static_cast<int>(out.Text.size());
      out.Text.append(s[i]);
    } else if (s[i] == u'&') {
      // A lone "&" at the end shows nothing.
    } else {
      out.Text.append(s[i]);
    }
  }
  return out;
}

// Coverage masks of unrotated runs, per thread (canvases may draw on worker
// threads), dropped all at once when they outgrow their budget.
class TextMaskCache {
 public:
  const QImage* Find(const QString& Key) {
    auto it = masks_.find(Key);
    return it == masks_.end() ? nullptr : &it->second;
  }
  const QImage* Add(const QString& Key, QImage Mask) {
    const size_t bytes = static_cast<size_t>(Mask.sizeInBytes()) + Key.size() * 2 + 64;
    if (bytes > kBudget) {
      spare_ = std::move(Mask);
      return &spare_;
    }
    if (bytes_ + bytes > kBudget) {
      masks_.clear();
      bytes_ = 0;
    }
    bytes_ += bytes;
    return &masks_.insert_or_assign(Key, std::move(Mask)).first->second;
  }

 private:
  static constexpr size_t kBudget = 4u << 20;
  std::unordered_map<QString, QImage> masks_;
  QImage spare_;  // a mask too large to keep, valid until the next one
  size_t bytes_ = 0;
};

TextMaskCache& MaskCache() {
  thread_local TextMaskCache cache;
  return cache;
}

// Widths of measured runs per font: captions are measured again on every
// repaint (and shortened by bisection), and shaping is the slow part.
// FontKey is the font's QFont::key(), worked out once by the caller.
int CachedAdvance(const QString& FontKey, const QFontMetrics& Metrics, const QString& Text) {
  thread_local std::unordered_map<QString, int> widths;
  const QString key = FontKey + QChar(0x1F) + Text;
  auto it = widths.find(key);
  if (it != widths.end()) return it->second;
  if (widths.size() >= 16384) widths.clear();
  const int w = Metrics.horizontalAdvance(Text);
  widths.emplace(key, w);
  return w;
}

// Draws one run of text with its cell's top-left corner at (x, y) (surface
// coordinates), clipped to Clip when given.
void RenderRun(DrawCtx& ctx, TCanvas::Impl& d, int x, int y, const QString& text, const TRect* clip,
               bool opaque, int underline = -1) {
  QFont font = FontToQFont(d.font);
  QFontMetrics fm(font);
  const QString font_key = font.key();
  int width = CachedAdvance(font_key, fm, text);
  int height = fm.height();
  int ascent = fm.ascent();
  double angle = d.font.Escapement() / 10.0;
  QTransform xf;
  xf.translate(x, y);
  xf.rotate(-angle);
  auto inClip = [&](int px, int py) {
    return !clip || (px >= clip->Left && px < clip->Right && py >= clip->Top && py < clip->Bottom);
  };

  if (opaque) {
    uint32_t dev = ctx.Dev(d.brush.Color());
    if (angle == 0) {
      for (int py = y; py < y + height; ++py) {
        int a = x, b = x + width;
        if (clip) {
          if (py < clip->Top || py >= clip->Bottom) continue;
          a = std::max(a, clip->Left);
          b = std::min(b, clip->Right);
        }
        SpanRop(ctx, py, a, b, dev, 13);
      }
    } else {
      QPolygonF cell = xf.map(QPolygonF(QRectF(0, 0, width, height)));
      std::vector<TPoint> pts;
      for (const QPointF& p : cell)
        pts.push_back({static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))});
      TRegion rgn = CreatePolygonRgn(pts.data(), static_cast<int>(pts.size()) - 1, false);
      for (const auto& r : rgn.Rects())
        for (int py = r.Top; py < r.Bottom; ++py)
          for (int px = r.Left; px < r.Right; ++px)
            if (inClip(px, py)) PlotRop(ctx, px, py, dev, 13);
    }
  }
  if (text.isEmpty()) return;

  // The mask covers the cell with a margin for overhangs (italics, accents).
  int margin = std::max(2, height / 2);
  QRectF local(-margin, -margin, width + 2 * margin, height + 2 * margin);
  QRect box = xf.mapRect(local).toAlignedRect();
  TRect area{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
  TRect surf{0, 0, ctx.s.Width, ctx.s.Height};
  if (clip) IntersectRect(area, area, *clip);
  if (!IntersectRect(area, area, surf)) return;
  auto render = [&](QImage& Mask, const QTransform& At) {
    Mask.fill(Qt::transparent);
    QPainter p(&Mask);
    p.setRenderHint(QPainter::TextAntialiasing, d.font.Quality() != fqNonAntialiased);
    p.setTransform(At);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QPointF(0, ascent), text);
    if (underline >= 0 && underline < text.size()) {
      int ux = fm.horizontalAdvance(text.left(underline));
      int uw = fm.horizontalAdvance(text.mid(underline, 1));
      int uy = ascent + std::max(1, fm.underlinePos());
      p.fillRect(QRect(ux, uy, uw, std::max(1, static_cast<int>(fm.lineWidth()))), Qt::white);
    }
  };
  // Unrotated runs keep their whole mask, which depends only on the font and
  // the text: repainted captions are blended again without rendering.
  QImage rotated;
  const QImage* mask;
  TPoint mask_at;  // surface position of the mask's top-left pixel
  if (angle == 0) {
    const QString key = font_key + QChar(0x1F) + QString::number(underline) + QChar(0x1F) + text;
    mask = MaskCache().Find(key);
    if (mask == nullptr) {
      QImage m(box.width(), box.height(), QImage::Format_ARGB32_Premultiplied);
      render(m, QTransform::fromTranslate(margin, margin));
      mask = MaskCache().Add(key, m.convertToFormat(QImage::Format_Alpha8));
    }
    mask_at = {box.left(), box.top()};
  } else {
    rotated = QImage(area.Width(), area.Height(), QImage::Format_ARGB32_Premultiplied);
    QTransform at = xf * QTransform::fromTranslate(-area.Left, -area.Top);
    render(rotated, at);
    rotated = rotated.convertToFormat(QImage::Format_Alpha8);
    mask = &rotated;
    mask_at = {area.Left, area.Top};
  }
  TColor color = ColorToRGB(d.font.Color());
  auto coverage = [&](int X, int Y) {
    return static_cast<int>(mask->constScanLine(Y - mask_at.Y)[X - mask_at.X]);
  };
  if (ctx.s.BitsPerPixel == 24 || ctx.s.BitsPerPixel == 32) {
    // True-colour surfaces: the same blend as BlendPixel, a clipped span at
    // a time straight on the stored bytes.
    const int bpp = ctx.s.BitsPerPixel / 8;
    const int fr = GetRValue(color), fg = GetGValue(color), fb = GetBValue(color);
    for (int y = area.Top; y < area.Bottom; ++y) {
      const uchar* line = mask->constScanLine(y - mask_at.Y);
      uint8_t* row = ctx.s.Row(y);
      // Clip rectangles do not overlap, so no pixel is blended twice.
      for (const auto& c : ctx.clips) {
        if (y < c.Top || y >= c.Bottom) continue;
        const int x0 = std::max(c.Left, area.Left), x1 = std::min(c.Right, area.Right);
        for (int x = x0; x < x1; ++x) {
          const int a = line[x - mask_at.X];
          if (a == 0) continue;
          uint8_t* p = row + static_cast<ptrdiff_t>(x) * bpp;
          p[0] = static_cast<uint8_t>(BlendChannel(fb, p[0], a));
          p[1] = static_cast<uint8_t>(BlendChannel(fg, p[1], a));
          p[2] = static_cast<uint8_t>(BlendChannel(fr, p[2], a));
          if (bpp == 4) p[3] = ctx.s.AlphaFill;
        }
      }
    }
    return;
  }
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) {
      int a = coverage(x, y);
      if (a) BlendPixel(ctx, x, y, color, a);
    }
}

}  // namespace

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
  DrawCtx ctx;
  int w = TextWidth(Text);
  if (TCanvasAccess::Begin(this, ctx)) {
    RenderRun(ctx, *d_, X + ctx.ox, Y + ctx.oy,
              QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())), nullptr,
              d_->bkMode == OPAQUE && d_->brush.Style() != bsClear);
    Changed();
  }
  MoveTo(X + w, Y);
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const std::string& Text) {
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  TRect clip = R;
  OffsetRect(clip, ctx.ox, ctx.oy);
  if (d_->brush.Style() != bsClear && d_->bkMode == OPAQUE) {
    uint32_t dev = ctx.Dev(d_->brush.Color());
    for (int y = clip.Top; y < clip.Bottom; ++y) SpanRop(ctx, y, clip.Left, clip.Right, dev, 13);
  }
  RenderRun(ctx, *d_, X + ctx.ox, Y + ctx.oy,
            QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())), &clip, false);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& Text) {
  const QFont font = FontToQFont(d_->font);
  QFontMetrics fm(font);
  return {CachedAdvance(font.key(), fm,
                        QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()))),
          fm.height()};
}

int TCanvas::TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
int TCanvas::TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

int TCanvas::DrawText(const std::string& Text, TRect& R, unsigned Format) {
  QFont font = FontToQFont(d_->font);
  QFontMetrics fm(font);
  const QString font_key = font.key();
  int lineHeight = fm.height() + ((Format & DT_EXTERNALLEADING) ? fm.leading() : 0);
  int maxWidth = R.Right - R.Left;
  QString all = QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));

  if (Format & DT_EXPANDTABS) {
    QString expanded;
    int tab = 8 * std::max(1, fm.averageCharWidth());
    for (QChar c : all) {
      if (c == u'\t') {
        int w = CachedAdvance(font_key, fm, expanded.mid(expanded.lastIndexOf(u'\n') + 1));
        int target = (w / tab + 1) * tab;
        while (CachedAdvance(font_key, fm, expanded.mid(expanded.lastIndexOf(u'\n') + 1)) < target)
          expanded.append(u' ');
      } else {
        expanded.append(c);
      }
    }
    all = expanded;
  }

  // Split into lines.
  std::vector<QString> paragraphs;
  if (Format & DT_SINGLELINE) {
    QString s = all;
    s.remove(u'\r');
    s.remove(u'\n');
    paragraphs.push_back(s);
  } else {
    QString s = all;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    for (const QString& p : s.split(u'\n')) paragraphs.push_back(p);
  }
  bool keepPrefix = (Format & DT_NOPREFIX) != 0;
  std::vector<TextLine> lines;
  for (const QString& para : paragraphs) {
    TextLine stripped = StripPrefix(para, keepPrefix);
    if (!(Format & DT_WORDBREAK) || (Format & DT_SINGLELINE)) {
      lines.push_back(stripped);
      continue;
    }
    // Break at spaces so every line fits the width; a word wider than the
    // rectangle stays whole on its own line.
    const QString& t = stripped.Text;
    int start = 0;
    while (start <= t.size()) {
      int lastFit = -1, pos = start;
      while (true) {
        int next = static_cast<int>(t.indexOf(u' ', pos));
        int wordEnd = next < 0 ? static_cast<int>(t.size()) : next;
        bool fits = CachedAdvance(font_key, fm, t.mid(start, wordEnd - start)) <= maxWidth;
        if (fits || lastFit < 0) lastFit = wordEnd;  // the first word is always taken
        if (!fits || next < 0) break;
        pos = next + 1;
      }
      TextLine line;
      line.Text = t.mid(start, lastFit - start);
      if (stripped.Underline >= start && stripped.Underline < lastFit)
        line.Underline = stripped.Underline - start;
      lines.push_back(line);
      start = lastFit;
      while (start < t.size() && t[start] == u' ') ++start;
      if (start >= t.size()) break;
    }
  }

  // Ellipses.
  if (Format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    const QString dots = QStringLiteral("...");
    for (auto& line : lines) {
      if (CachedAdvance(font_key, fm, line.Text) <= maxWidth) continue;
      if (Format & DT_PATH_ELLIPSIS) {
        int slash =
            static_cast<int>(std::max(line.Text.lastIndexOf(u'/'), line.Text.lastIndexOf(u'\\')));
        if (slash > 0) {
          QString tail = line.Text.mid(slash);
          QString head = line.Text.left(slash);
          while (!head.isEmpty() && CachedAdvance(font_key, fm, head + dots + tail) > maxWidth)
            head.chop(1);
          if (!head.isEmpty() || CachedAdvance(font_key, fm, dots + tail) <= maxWidth) {
            line.Text = head + dots + tail;
            line.Underline = -1;
            continue;
          }
        }
      }
      // The longest prefix that fits with the dots, found by bisecting the
      // prefix length rather than shortening a character at a time.
      auto fits = [&](qsizetype n) {
        return CachedAdvance(font_key, fm, line.Text.left(n) + dots) <= maxWidth;
      };
      qsizetype lo = 0, hi = line.Text.size();
      while (lo < hi) {
        qsizetype mid = (lo + hi + 1) / 2;
        if (fits(mid))
          lo = mid;
        else
          hi = mid - 1;
      }
      if (lo > 0 && line.Text[lo - 1].isHighSurrogate()) --lo;  // never half a character
      QString head = line.Text.left(lo);
      if (line.Underline >= head.size()) line.Underline = -1;
      line.Text = head + dots;
    }
  }

  int textWidth = 0;
  for (const auto& line : lines)
    textWidth = std::max(textWidth, CachedAdvance(font_key, fm, line.Text));
  int textHeight = lineHeight * static_cast<int>(lines.size());

  if (Format & DT_CALCRECT) {
    R.Right = R.Left + textWidth;
    R.Bottom = R.Top + textHeight;
    return textHeight;
  }

  int top = R.Top;
  if (Format & DT_SINGLELINE) {
    if (Format & DT_VCENTER)
      top = R.Top + (R.Bottom - R.Top - textHeight) / 2;
    else if (Format & DT_BOTTOM)
      top = R.Bottom - textHeight;
  }

  DrawCtx ctx;
  if (TCanvasAccess::Begin(this, ctx)) {
    TRect clip = R;
    OffsetRect(clip, ctx.ox, ctx.oy);
    bool opaque = d_->bkMode == OPAQUE && d_->brush.Style() != bsClear;
    int y = top;
    for (const auto& line : lines) {
      int w = CachedAdvance(font_key, fm, line.Text);
      int x = R.Left;
      if (Format & DT_CENTER)
        x = R.Left + (maxWidth - w) / 2;
      else if (Format & DT_RIGHT)
        x = R.Right - w;
      int ul = (Format & DT_HIDEPREFIX) ? -1 : line.Underline;
      if (Format & DT_PREFIXONLY) {
        if (ul >= 0) {
          int ux = CachedAdvance(font_key, fm, line.Text.left(ul));
          int uw = CachedAdvance(font_key, fm, line.Text.mid(ul, 1));
          uint32_t dev = ctx.Dev(d_->font.Color());
          int uy = y + ctx.oy + fm.ascent() + std::max(1, fm.underlinePos());
          if (uy >= clip.Top && uy < clip.Bottom)
            SpanRop(ctx, uy, std::max(clip.Left, x + ctx.ox + ux),
                    std::min(clip.Right, x + ctx.ox + ux + uw), dev, 13);
        }
      } else {
        RenderRun(ctx, *d_, x + ctx.ox, y + ctx.oy, line.Text,
                  (Format & DT_NOCLIP) ? nullptr : &clip, opaque, ul);
      }
      y += lineHeight;
    }
    Changed();
  }
  if (Format & (DT_VCENTER | DT_BOTTOM)) return top - R.Top + textHeight;
  return textHeight;
}

}  // namespace classlib
