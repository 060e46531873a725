#include "platform/classlib/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas_impl.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/graphic.h"

namespace classlib {

// ---------------------------------------------------------------- pen, brush, font

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TPen::SetColor(TColor v) {
  if (color_ != v) {
    color_ = v;
    Changed();
  }
}
void TPen::SetWidth(int v) {
  v = std::max(v, 1);
  if (width_ != v) {
    width_ = v;
    Changed();
  }
}
void TPen::SetStyle(TPenStyle v) {
  if (style_ != v) {
    style_ = v;
    Changed();
  }
}
void TPen::SetMode(TPenMode v) {
  if (mode_ != v) {
    mode_ = v;
    Changed();
  }
}
void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor v) {
  if (color_ == v && style_ != bsClear) return;
  color_ = v;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}
void TBrush::SetStyle(TBrushStyle v) {
  if (style_ != v) {
    style_ = v;
    Changed();
  }
}
void TBrush::SetBitmap(TBitmap* v) {
  if (bitmap_ != v) {
    bitmap_ = v;
    Changed();
  }
}
void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TFont::SetName(const std::string& v) {
  if (name_ != v) {
    name_ = v;
    Changed();
  }
}
void TFont::SetHeight(int v) {
  if (height_ != v) {
    height_ = v;
    Changed();
  }
}
int TFont::Size() const {
  // Size = -Height * 72 / 96, rounded half away from zero.
  int64_t n = -static_cast<int64_t>(height_) * 72;
  int64_t q = (std::llabs(n) * 2 + ScreenPixelsPerInch) / (2 * ScreenPixelsPerInch);
  return static_cast<int>(n < 0 ? -q : q);
}
void TFont::SetSize(int v) {
  int64_t n = static_cast<int64_t>(v) * ScreenPixelsPerInch;
  int64_t q = (std::llabs(n) * 2 + 72) / 144;
  SetHeight(-static_cast<int>(n < 0 ? -q : q));
}
void TFont::SetColor(TColor v) {
  if (color_ != v) {
    color_ = v;
    Changed();
  }
}
void TFont::SetStyle(TFontStyles v) {
  v &= 0xF;
  if (style_ != v) {
    style_ = v;
    Changed();
  }
}
void TFont::SetCharset(TFontCharset v) {
  if (charset_ != v) {
    charset_ = v;
    Changed();
  }
}
void TFont::SetPitch(TFontPitch v) {
  if (pitch_ != v) {
    pitch_ = v;
    Changed();
  }
}
void TFont::SetEscapement(int v) {
  if (escapement_ != v) {
    escapement_ = v;
    Changed();
  }
}
void TFont::SetOrientation(int v) {
  if (orientation_ == v && escapement_ == v) return;
  orientation_ = v;
  escapement_ = v;
  Changed();
}
void TFont::SetQuality(TFontQuality v) {
  if (quality_ == v) return;
  quality_ = v;
  Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    name_ = f->name_;
    height_ = f->height_;
    color_ = f->color_;
    style_ = f->style_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    escapement_ = f->escapement_;
    orientation_ = f->orientation_;
    quality_ = f->quality_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

// ---------------------------------------------------------------- spans

namespace {

inline void ApplyRop(DrawCtx& ctx, int x, int y, uint32_t dev, int rop2) {
  if (rop2 == 13) {
    pixels::WriteDevice(ctx.s, x, y, dev);
  } else if (rop2 != 11) {
    // Mixing modes change the colour only: a 32-bit pixel keeps its fourth
    // byte, so drawing twice in XOR mode restores it exactly.
    uint32_t d = pixels::ReadDevice(ctx.s, x, y);
    uint32_t v = pixels::Rop2(rop2, dev, d) & ctx.mask;
    if (ctx.s.BitsPerPixel == 32) {
      uint8_t* p = ctx.s.Row(y) + 4 * x;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
    } else {
      pixels::WriteDevice(ctx.s, x, y, v);
    }
  }
}

// Hatch patterns on an 8 x 8 grid.
bool HatchBit(TBrushStyle style, int x, int y) {
  x &= 7;
  y &= 7;
  switch (style) {
    case bsHorizontal: return y == 7;
    case bsVertical: return x == 7;
    case bsFDiagonal: return ((x - y) & 7) == 0;
    case bsBDiagonal: return ((x + y) & 7) == 7;
    case bsCross: return x == 7 || y == 7;
    case bsDiagCross: return ((x - y) & 7) == 0 || ((x + y) & 7) == 7;
    default: return true;
  }
}

int Mod(int a, int m) {
  int r = a % m;
  return r < 0 ? r + m : r;
}

}  // namespace

void SpanRop(DrawCtx& ctx, int y, int x0, int x1, uint32_t dev, int rop2) {
  for (const auto& c : ctx.clips) {
    if (y < c.Top || y >= c.Bottom) continue;
    int a = std::max(x0, c.Left), b = std::min(x1, c.Right);
    if (a >= b) continue;
    if (rop2 == 13 && ctx.s.BitsPerPixel == 32) {
      uint8_t* p = ctx.s.Row(y) + 4 * a;
      uint8_t b0 = static_cast<uint8_t>(dev), b1 = static_cast<uint8_t>(dev >> 8),
              b2 = static_cast<uint8_t>(dev >> 16), b3 = ctx.s.AlphaFill;
      for (int x = a; x < b; ++x, p += 4) {
        p[0] = b0;
        p[1] = b1;
        p[2] = b2;
        p[3] = b3;
      }
    } else if (rop2 == 13 && ctx.s.BitsPerPixel == 8) {
      std::fill(ctx.s.Row(y) + a, ctx.s.Row(y) + b, static_cast<uint8_t>(dev));
    } else {
      for (int x = a; x < b; ++x) ApplyRop(ctx, x, y, dev, rop2);
    }
  }
}

void PlotRop(DrawCtx& ctx, int x, int y, uint32_t dev, int rop2) {
  if (ctx.InClip(x, y)) ApplyRop(ctx, x, y, dev, rop2);
}

void SpanBrush(DrawCtx& ctx, TCanvas::Impl& d, int y, int x0, int x1, int rop2) {
  TBitmap* pattern = d.brush.Bitmap();
  if (pattern && !pattern->Empty()) {
    int pw = pattern->Width(), ph = pattern->Height();
    int py = Mod(y - ctx.oy, ph);
    for (const auto& c : ctx.clips) {
      if (y < c.Top || y >= c.Bottom) continue;
      int a = std::max(x0, c.Left), b = std::min(x1, c.Right);
      for (int x = a; x < b; ++x)
        ApplyRop(ctx, x, y, ctx.Dev(pattern->PixelColor(Mod(x - ctx.ox, pw), py)), rop2);
    }
    return;
  }
  TBrushStyle st = d.brush.Style();
  if (st == bsClear) return;
  uint32_t dev = ctx.Dev(d.brush.Color());
  if (st == bsSolid) {
    SpanRop(ctx, y, x0, x1, dev, rop2);
    return;
  }
  for (const auto& c : ctx.clips) {
    if (y < c.Top || y >= c.Bottom) continue;
    int a = std::max(x0, c.Left), b = std::min(x1, c.Right);
    for (int x = a; x < b; ++x)
      if (HatchBit(st, x - ctx.ox, y - ctx.oy)) ApplyRop(ctx, x, y, dev, rop2);
  }
}

void BlendPixel(DrawCtx& ctx, int x, int y, TColor Color, int Coverage) {
  if (Coverage <= 0 || !ctx.InClip(x, y)) return;
  if (Coverage >= 255) {
    pixels::WriteDevice(ctx.s, x, y, ctx.Dev(Color));
    return;
  }
  TColor d = pixels::DeviceToColor(ctx.s, pixels::ReadDevice(ctx.s, x, y));
  Color = ColorToRGB(Color);
  TColor c = RGB(BlendChannel(GetRValue(Color), GetRValue(d), Coverage),
                 BlendChannel(GetGValue(Color), GetGValue(d), Coverage),
                 BlendChannel(GetBValue(Color), GetBValue(d), Coverage));
  pixels::WriteDevice(ctx.s, x, y, ctx.Dev(c));
}

bool TCanvasAccess::Begin(TCanvas* c, DrawCtx& ctx) {
  TCanvas::Impl& d = *c->d_;
  if (!c->GetSurface(ctx.s)) return false;
  c->Changing();
  ctx.mapper = &d.mapper;
  ctx.mask = pixels::DeviceMask(ctx.s);
  ctx.ox = d.origin.X;
  ctx.oy = d.origin.Y;
  TRect all{0, 0, ctx.s.Width, ctx.s.Height};
  ctx.clips.clear();
  if (d.clip) {
    for (const auto& r : d.clip->Rects()) {
      TRect t;
      if (IntersectRect(t, r, all)) ctx.clips.push_back(t);
    }
  } else {
    ctx.clips.push_back(all);
  }
  return true;
}

// ---------------------------------------------------------------- canvas

TCanvas::TCanvas() : d_(std::make_unique<Impl>()) {
  d_->brush.OnChange = [this](TObject*) {
    d_->bkMode = d_->brush.Style() == bsSolid ? OPAQUE : TRANSPARENT;
  };
}

TCanvas::~TCanvas() = default;

TPen* TCanvas::Pen() const { return &d_->pen; }
TBrush* TCanvas::Brush() const { return &d_->brush; }
TFont* TCanvas::Font() const { return &d_->font; }
void TCanvas::SetPen(TPen* v) { d_->pen.Assign(v); }
void TCanvas::SetBrush(TBrush* v) { d_->brush.Assign(v); }
void TCanvas::SetFont(TFont* v) { d_->font.Assign(v); }
TPoint TCanvas::PenPos() const { return d_->penPos; }
void TCanvas::SetPenPos(const TPoint& P) { MoveTo(P.X, P.Y); }
TCopyMode TCanvas::CopyMode() const { return d_->copyMode; }
void TCanvas::SetCopyMode(TCopyMode v) { d_->copyMode = v; }
int TCanvas::BkMode() const { return d_->bkMode; }
void TCanvas::SetBkMode(int Mode) { d_->bkMode = Mode == TRANSPARENT ? TRANSPARENT : OPAQUE; }

bool TCanvas::AcquireSurface(TPixelSurface& Surface) {
  if (!d_->attached) return false;
  Surface = d_->attachedSurface;
  return Surface.Top != nullptr && Surface.Width > 0 && Surface.Height > 0;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

bool TCanvas::HandleAllocated() {
  TPixelSurface s;
  return GetSurface(s);
}

void TCanvas::AttachSurface(const TPixelSurface& Surface) {
  d_->attached = true;
  d_->attachedSurface = Surface;
  d_->mapper.Reset();
}

void TCanvas::DetachSurface() {
  d_->attached = false;
  d_->attachedSurface = TPixelSurface{};
}

bool TCanvas::GetSurface(TPixelSurface& Surface) { return AcquireSurface(Surface); }

void TCanvas::Refresh() { d_->mapper.Reset(); }

void TCanvas::Lock() {
  d_->mutex.lock();
  ++d_->locks;
}
void TCanvas::Unlock() {
  --d_->locks;
  d_->mutex.unlock();
}
bool TCanvas::TryLock() {
  if (!d_->mutex.try_lock()) return false;
  ++d_->locks;
  return true;
}
int TCanvas::LockCount() const { return d_->locks.load(); }

// ----- clipping

TRect TCanvas::ClipRect() {
  TPixelSurface s;
  TRect r{};
  bool have = GetSurface(s);
  if (d_->clip) {
    r = d_->clip->Bounds();
    if (have) IntersectRect(r, r, Rect(0, 0, s.Width, s.Height));
  } else if (have) {
    r = Rect(0, 0, s.Width, s.Height);
  }
  if (IsRectEmpty(r)) return {};
  OffsetRect(r, -d_->origin.X, -d_->origin.Y);
  return r;
}

bool TCanvas::HasClipRegion() const { return d_->clip.has_value(); }

void TCanvas::SetClipRegion(const TRegion* Region) {
  if (!Region) {
    d_->clip.reset();
    return;
  }
  TRegion r = *Region;
  r.Offset(d_->origin.X, d_->origin.Y);
  d_->clip = std::move(r);
}

TRegion TCanvas::ClipRegion() const {
  if (!d_->clip) return TRegion();
  TRegion r = *d_->clip;
  r.Offset(-d_->origin.X, -d_->origin.Y);
  return r;
}

void TCanvas::IntersectClipRect(const TRect& R) {
  TRect sr = R;
  OffsetRect(sr, d_->origin.X, d_->origin.Y);
  if (d_->clip) {
    d_->clip = d_->clip->Combined(TRegion(sr), RGN_AND);
  } else {
    TPixelSurface s;
    TRect all = GetSurface(s) ? Rect(0, 0, s.Width, s.Height) : sr;
    TRect t;
    IntersectRect(t, all, sr);
    d_->clip = TRegion(t);
  }
}

void TCanvas::ExcludeClipRect(const TRect& R) {
  TRect sr = R;
  OffsetRect(sr, d_->origin.X, d_->origin.Y);
  if (!d_->clip) {
    TPixelSurface s;
    if (!GetSurface(s)) return;
    d_->clip = TRegion(Rect(0, 0, s.Width, s.Height));
  }
  d_->clip = d_->clip->Combined(TRegion(sr), RGN_DIFF);
}

TPoint TCanvas::Origin() const { return d_->origin; }
void TCanvas::SetOrigin(const TPoint& P) { d_->origin = P; }

// ----- pixels

TColor TCanvas::Pixels(int X, int Y) {
  TPixelSurface s;
  if (!GetSurface(s)) return -1;
  X += d_->origin.X;
  Y += d_->origin.Y;
  if (X < 0 || Y < 0 || X >= s.Width || Y >= s.Height) return -1;
  return pixels::DeviceToColor(s, pixels::ReadDevice(s, X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor Color) {
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  PlotRop(ctx, X + ctx.ox, Y + ctx.oy, ctx.Dev(Color), 13);
  Changed();
}

// ----- lines

namespace {

// Dash patterns of the styled pens (on, off, on, off...).
const std::vector<int>& DashPattern(TPenStyle st) {
  static const std::vector<int> dash{18, 6}, dot{3, 3}, dashdot{9, 6, 3, 6},
      dashdotdot{9, 3, 3, 3, 3, 3}, solid{};
  switch (st) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashdot;
    case psDashDotDot: return dashdotdot;
    default: return solid;
  }
}

bool DashOn(const std::vector<int>& pat, int count) {
  int total = 0;
  for (int v : pat) total += v;
  int pos = count % total;
  for (size_t i = 0; i < pat.size(); ++i) {
    if (pos < pat[i]) return i % 2 == 0;
    pos -= pat[i];
  }
  return true;
}

void FillPolygonRows(DrawCtx& ctx, TCanvas::Impl& d, const TRegion& rgn, int rop2) {
  for (const auto& r : rgn.Rects())
    for (int y = r.Top; y < r.Bottom; ++y) SpanBrush(ctx, d, y, r.Left, r.Right, rop2);
}

// A wide line: the segment thickened to Width, filled as a polygon.
void WideLine(DrawCtx& ctx, int x0, int y0, int x1, int y1, int width, uint32_t dev, int rop2) {
  double dx = x1 - x0, dy = y1 - y0;
  double len = std::sqrt(dx * dx + dy * dy);
  if (len == 0) return;
  double nx = -dy / len * width / 2.0, ny = dx / len * width / 2.0;
  // Pixel centres lie at +0.5; work in doubled coordinates so the polygon
  // is exact at half pixels.
  TPoint pts[4] = {{static_cast<int>(std::lround((x0 + 0.5 + nx) * 2)),
                    static_cast<int>(std::lround((y0 + 0.5 + ny) * 2))},
                   {static_cast<int>(std::lround((x1 + 0.5 + nx) * 2)),
                    static_cast<int>(std::lround((y1 + 0.5 + ny) * 2))},
                   {static_cast<int>(std::lround((x1 + 0.5 - nx) * 2)),
                    static_cast<int>(std::lround((y1 + 0.5 - ny) * 2))},
                   {static_cast<int>(std::lround((x0 + 0.5 - nx) * 2)),
                    static_cast<int>(std::lround((y0 + 0.5 - ny) * 2))}};
  int ymin = pts[0].Y, ymax = pts[0].Y;
  for (auto& p : pts) {
    ymin = std::min(ymin, p.Y);
    ymax = std::max(ymax, p.Y);
  }
  for (int y = ymin / 2 - 1; y <= ymax / 2 + 1; ++y) {
    double yc = (y + 0.5) * 2;
    double xa = 1e18, xb = -1e18;
    for (int i = 0; i < 4; ++i) {
      const TPoint& p = pts[i];
      const TPoint& q = pts[(i + 1) % 4];
      if (p.Y == q.Y) continue;
      if (yc < std::min(p.Y, q.Y) || yc >= std::max(p.Y, q.Y)) continue;
      double x = p.X + (yc - p.Y) * (q.X - p.X) / double(q.Y - p.Y);
      xa = std::min(xa, x);
      xb = std::max(xb, x);
    }
    if (xa > xb) continue;
    int a = static_cast<int>(std::ceil(xa / 2 - 0.5)),
        b = static_cast<int>(std::ceil(xb / 2 - 0.5));
    SpanRop(ctx, y, a, b, dev, rop2);
  }
}

}  // namespace

void TCanvas::MoveTo(int X, int Y) {
  d_->penPos = {X, Y};
  d_->styleCount = 0;
}

// The pixels of a line from (x0, y0) to (x1, y1), without the end point,
// drawn with the pen (surface coordinates).
static void PenLine(DrawCtx& ctx, TCanvas::Impl& d, int x0, int y0, int x1, int y1) {
  const TPen& pen = d.pen;
  if (pen.Style() == psClear) return;
  int rop2 = pixels::PenModeRop2(pen.Mode());
  uint32_t dev = ctx.Dev(pen.Color());
  if (pen.Width() > 1) {
    WideLine(ctx, x0, y0, x1, y1, pen.Width(), dev, rop2);
    return;
  }
  const std::vector<int>& pat = DashPattern(pen.Style());
  bool opaqueGaps = d.bkMode == OPAQUE;
  uint32_t gapDev = opaqueGaps ? ctx.Dev(d.brush.Color()) : 0;
  int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int n = std::max(dx, dy);
  int err = (dx > dy ? dx : -dy) / 2;
  int x = x0, y = y0;
  for (int i = 0; i < n; ++i) {
    if (pat.empty() || DashOn(pat, d.styleCount))
      PlotRop(ctx, x, y, dev, rop2);
    else if (opaqueGaps)
      PlotRop(ctx, x, y, gapDev, rop2);
    ++d.styleCount;
    int e2 = err;
    if (e2 > -dx) {
      err -= dy;
      x += sx;
    }
    if (e2 < dy) {
      err += dx;
      y += sy;
    }
  }
}

void TCanvas::LineTo(int X, int Y) {
  DrawCtx ctx;
  TPoint from = d_->penPos;
  d_->penPos = {X, Y};
  if (!TCanvasAccess::Begin(this, ctx)) return;
  PenLine(ctx, *d_, from.X + ctx.ox, from.Y + ctx.oy, X + ctx.ox, Y + ctx.oy);
  Changed();
}

void TCanvas::Polyline(const TPoint* Points, int Count) {
  if (!Points || Count < 2) return;
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  d_->styleCount = 0;
  for (int i = 1; i < Count; ++i)
    PenLine(ctx, *d_, Points[i - 1].X + ctx.ox, Points[i - 1].Y + ctx.oy, Points[i].X + ctx.ox,
            Points[i].Y + ctx.oy);
  Changed();
}

// ----- shapes

namespace {

using RowSpans = std::vector<std::pair<int, int>>;  // per row [x0, x1)

// The rows of a shape drawn from the top row Top; returns the pixels of
// each row with every 4-neighbour inside the shape.
RowSpans Erode(const RowSpans& s) {
  RowSpans e(s.size(), {0, 0});
  for (size_t i = 0; i < s.size(); ++i) {
    if (i == 0 || i + 1 == s.size()) continue;
    int a = std::max({s[i].first + 1, s[i - 1].first, s[i + 1].first});
    int b = std::min({s[i].second - 1, s[i - 1].second, s[i + 1].second});
    if (s[i - 1].second <= s[i - 1].first || s[i + 1].second <= s[i + 1].first) continue;
    if (b > a) e[i] = {a, b};
  }
  return e;
}

RowSpans EllipseRows(int l, int t, int r, int b) {
  RowSpans rows;
  for (int y = t; y < b; ++y) {
    int x0 = 0, x1 = 0;
    if (!EllipseRow(l, t, r, b, y, x0, x1)) x0 = x1 = 0;
    rows.push_back({x0, x1});
  }
  return rows;
}

RowSpans RoundRectRows(int l, int t, int r, int b, int w, int h) {
  w = std::min(std::abs(w), r - l);
  h = std::min(std::abs(h), b - t);
  RowSpans rows;
  for (int y = t; y < b; ++y) {
    int x0 = l, x1 = r, ex0, ex1;
    if (w > 0 && h > 0) {
      bool top = y < t + h / 2, bottom = y >= b - h / 2;
      if (top || bottom) {
        int et = top ? t : b - h;
        if (EllipseRow(l, et, l + w, et + h, y, ex0, ex1)) {
          x0 = ex0;
          x1 = r - (ex0 - l);
        } else {
          x0 = x1 = 0;
        }
      }
    }
    rows.push_back({x0, x1});
  }
  return rows;
}

}  // namespace

// Draws a shape given by its rows: the outline (pen width pixels deep) with
// the pen, the rest with the brush, every pixel once.
static void DrawRowShape(DrawCtx& ctx, TCanvas::Impl& d, int top, const RowSpans& rows) {
  int rop2 = pixels::PenModeRop2(d.pen.Mode());
  bool pen = d.pen.Style() != psClear;
  RowSpans inner = rows;
  if (pen)
    for (int i = 0; i < d.pen.Width(); ++i) inner = Erode(inner);
  uint32_t penDev = ctx.Dev(d.pen.Color());
  for (size_t i = 0; i < rows.size(); ++i) {
    int y = top + static_cast<int>(i);
    auto [a, b] = rows[i];
    if (b <= a) continue;
    auto [ia, ib] = inner[i];
    if (ib <= ia) {
      if (pen) SpanRop(ctx, y, a, b, penDev, rop2);
      continue;
    }
    if (pen) {
      SpanRop(ctx, y, a, ia, penDev, rop2);
      SpanRop(ctx, y, ib, b, penDev, rop2);
    }
    SpanBrush(ctx, d, y, ia, ib, rop2);
  }
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  int l = std::min(X1, X2) + ctx.ox, r = std::max(X1, X2) + ctx.ox;
  int t = std::min(Y1, Y2) + ctx.oy, b = std::max(Y1, Y2) + ctx.oy;
  int rop2 = pixels::PenModeRop2(d_->pen.Mode());
  const TPen& pen = d_->pen;
  if (pen.Style() == psClear) {
    // Without a pen the fill stops one pixel short on the right and bottom.
    for (int y = t; y < b - 1; ++y) SpanBrush(ctx, *d_, y, l, r - 1, rop2);
    Changed();
    return;
  }
  if (r <= l || b <= t) {
    Changed();
    return;
  }
  int w = pen.Width();
  uint32_t penDev = ctx.Dev(pen.Color());
  bool styled = w == 1 && !DashPattern(pen.Style()).empty();
  TRect outer{l, t, r, b};
  if (w > 1 && pen.Style() != psInsideFrame)
    outer = {l - (w - 1) / 2, t - (w - 1) / 2, r + w / 2, b + w / 2};
  TRect inner{outer.Left + w, outer.Top + w, outer.Right - w, outer.Bottom - w};
  if (styled && r - l > 1 && b - t > 1) {
    d_->styleCount = 0;
    PenLine(ctx, *d_, l, t, r - 1, t);
    PenLine(ctx, *d_, r - 1, t, r - 1, b - 1);
    PenLine(ctx, *d_, r - 1, b - 1, l, b - 1);
    PenLine(ctx, *d_, l, b - 1, l, t);
  } else {
    for (int y = outer.Top; y < outer.Bottom; ++y) {
      if (!IsRectEmpty(inner) && y >= inner.Top && y < inner.Bottom) {
        SpanRop(ctx, y, outer.Left, inner.Left, penDev, rop2);
        SpanRop(ctx, y, inner.Right, outer.Right, penDev, rop2);
      } else {
        SpanRop(ctx, y, outer.Left, outer.Right, penDev, rop2);
      }
    }
  }
  if (!IsRectEmpty(inner))
    for (int y = inner.Top; y < inner.Bottom; ++y)
      SpanBrush(ctx, *d_, y, inner.Left, inner.Right, rop2);
  Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  int l = std::min(X1, X2) + ctx.ox, r = std::max(X1, X2) + ctx.ox;
  int t = std::min(Y1, Y2) + ctx.oy, b = std::max(Y1, Y2) + ctx.oy;
  if (d_->pen.Style() == psClear) {
    --r;
    --b;
  }
  if (r > l && b > t) DrawRowShape(ctx, *d_, t, RoundRectRows(l, t, r, b, X3, Y3));
  Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  int l = std::min(X1, X2) + ctx.ox, r = std::max(X1, X2) + ctx.ox;
  int t = std::min(Y1, Y2) + ctx.oy, b = std::max(Y1, Y2) + ctx.oy;
  if (d_->pen.Style() == psClear) {
    --r;
    --b;
  }
  if (r > l && b > t) DrawRowShape(ctx, *d_, t, EllipseRows(l, t, r, b));
  Changed();
}

void TCanvas::Polygon(const TPoint* Points, int Count) {
  if (!Points || Count < 2) return;
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  std::vector<TPoint> pts(Points, Points + Count);
  for (auto& p : pts) {
    p.X += ctx.ox;
    p.Y += ctx.oy;
  }
  int rop2 = pixels::PenModeRop2(d_->pen.Mode());
  if (Count >= 3) FillPolygonRows(ctx, *d_, CreatePolygonRgn(pts.data(), Count, false), rop2);
  d_->styleCount = 0;
  for (int i = 0; i < Count; ++i) {
    const TPoint& p = pts[i];
    const TPoint& q = pts[(i + 1) % Count];
    PenLine(ctx, *d_, p.X, p.Y, q.X, q.Y);
  }
  Changed();
}

void TCanvas::FillRect(const TRect& R) {
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  for (int y = R.Top + ctx.oy; y < R.Bottom + ctx.oy; ++y)
    SpanBrush(ctx, *d_, y, R.Left + ctx.ox, R.Right + ctx.ox, 13);
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  if (IsRectEmpty(R)) return;
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  int l = R.Left + ctx.ox, t = R.Top + ctx.oy, r = R.Right + ctx.ox, b = R.Bottom + ctx.oy;
  for (int y = t; y < b; ++y) {
    if (y == t || y == b - 1) {
      SpanBrush(ctx, *d_, y, l, r, 13);
    } else {
      SpanBrush(ctx, *d_, y, l, l + 1, 13);
      if (r - 1 > l) SpanBrush(ctx, *d_, y, r - 1, r, 13);
    }
  }
  Changed();
}

void TCanvas::InvertRect(const TRect& R) {
  DrawCtx ctx;
  if (!TCanvasAccess::Begin(this, ctx)) return;
  for (int y = R.Top + ctx.oy; y < R.Bottom + ctx.oy; ++y)
    SpanRop(ctx, y, R.Left + ctx.ox, R.Right + ctx.ox, 0, 6);
  Changed();
}

// ----- pictures

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Graphic->Draw(this, R);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  TCanvasAccess::Blt(this, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas, Source.Left,
                     Source.Top, Source.Width(), Source.Height(), d_->copyMode);
}

// ---------------------------------------------------------------- block transfer

namespace {

// Nearest-pixel mapping of Dn destination positions onto Sn source positions
// (negative counts mirror).
std::vector<int> StretchTable(int dn, int sn) {
  int ad = std::abs(dn), as = std::abs(sn);
  std::vector<int> t(static_cast<size_t>(ad));
  bool mirror = (dn < 0) != (sn < 0);
  for (int i = 0; i < ad; ++i) {
    int k =
        static_cast<int>((static_cast<int64_t>(2 * i + 1) * as) / (2 * static_cast<int64_t>(ad)));
    t[static_cast<size_t>(i)] = mirror ? as - 1 - k : k;
  }
  return t;
}

bool UsesSource(uint8_t code) { return ((code >> 2) & 0x33) != (code & 0x33); }
bool UsesPattern(uint8_t code) { return ((code >> 4) & 0x0F) != (code & 0x0F); }

bool SamePalette(const TPixelSurface& a, const TPixelSurface& b) {
  if (a.BitsPerPixel > 8 || b.BitsPerPixel > 8 || !a.Palette || !b.Palette) return false;
  int n = std::min(a.PaletteSize, 1 << a.BitsPerPixel);
  int m = std::min(b.PaletteSize, 1 << b.BitsPerPixel);
  if (n != m) return false;
  for (int i = 0; i < n; ++i)
    if (!(a.Palette[i] == b.Palette[i])) return false;
  return true;
}

// Colour as 0x00RRGGBB (the channel order of true-colour device values).
inline uint32_t ToRRGGBB(TColor c) { return SwapRedBlue(static_cast<uint32_t>(c)); }
inline TColor FromRRGGBB(uint32_t v) { return static_cast<TColor>(SwapRedBlue(v)); }

}  // namespace

bool TCanvasAccess::Blt(TCanvas* Dst, int X, int Y, int W, int H, TCanvas* Src, int XS, int YS,
                        int WS, int HS, uint32_t Rop, TBitmap* Mask, int XM, int YM,
                        uint32_t BackRop, const TColor* Transparent) {
  if (!Dst) return false;
  TPixelSurface ss;
  uint8_t code = static_cast<uint8_t>(Rop >> 16), backCode = static_cast<uint8_t>(BackRop >> 16);
  bool needSrc = UsesSource(code) || (Mask && UsesSource(backCode));
  if (Src) {
    if (!Src->GetSurface(ss)) {
      if (needSrc) return false;
      ss = TPixelSurface{};
    }
    XS += Src->d_->origin.X;
    YS += Src->d_->origin.Y;
  } else if (needSrc) {
    return false;
  }
  return BltFromSurface(Dst, X, Y, W, H, ss, XS, YS, WS, HS, Rop, Mask, XM, YM, BackRop,
                        Transparent);
}

bool TCanvasAccess::BltFromSurface(TCanvas* Dst, int X, int Y, int W, int H,
                                   const TPixelSurface& SrcIn, int XS, int YS, int WS, int HS,
                                   uint32_t Rop, TBitmap* Mask, int XM, int YM, uint32_t BackRop,
                                   const TColor* Transparent) {
  DrawCtx ctx;
  if (!Begin(Dst, ctx)) return false;
  TCanvas::Impl& d = *Dst->d_;
  if (W == 0 || H == 0) {
    End(Dst);
    return true;
  }
  uint8_t code = static_cast<uint8_t>(Rop >> 16), backCode = static_cast<uint8_t>(BackRop >> 16);
  bool needSrc = UsesSource(code) || (Mask && UsesSource(backCode));
  bool needPat = UsesPattern(code) || (Mask && UsesPattern(backCode));
  if (!needSrc) {
    WS = W;
    HS = H;
  }
  if (WS == 0 || HS == 0) {
    End(Dst);
    return true;
  }

  // Normalise to positive extents; mirroring goes into the tables. A negative
  // extent counts back from its start pixel: X = 3, W = -4 covers pixels 0..3.
  int dl = (W < 0 ? X + W + 1 : X) + ctx.ox, dt = (H < 0 ? Y + H + 1 : Y) + ctx.oy;
  std::vector<int> colMap = StretchTable(W, WS), rowMap = StretchTable(H, HS);
  int sl = WS < 0 ? XS + WS + 1 : XS, st = HS < 0 ? YS + HS + 1 : YS;
  int aw = std::abs(W), ah = std::abs(H);

  // Copying within one surface: read from a snapshot of the source area.
  TPixelSurface src = SrcIn;
  std::vector<uint8_t> snapshot;
  if (needSrc && src.Top && src.Top == ctx.s.Top) {
    int sw = std::abs(WS), sh = std::abs(HS);
    int x0 = std::clamp(sl, 0, src.Width), x1 = std::clamp(sl + sw, 0, src.Width);
    int y0 = std::clamp(st, 0, src.Height), y1 = std::clamp(st + sh, 0, src.Height);
    int bpp = src.BitsPerPixel == 15 ? 16 : src.BitsPerPixel;
    TPixelSurface copy = src;
    copy.Width = src.Width;
    copy.Height = std::max(0, y1 - y0);
    copy.Stride = BytesPerScanLine(src.Width, bpp);
    snapshot.resize(static_cast<size_t>(copy.Stride) * std::max(1, copy.Height));
    copy.Top = snapshot.data();
    // Never read more of a row than the surface holds.
    ptrdiff_t rowBytes = std::min<ptrdiff_t>(copy.Stride, std::abs(src.Stride));
    for (int y = y0; y < y1; ++y)
      std::copy(src.Row(y), src.Row(y) + rowBytes, snapshot.data() + copy.Stride * (y - y0));
    (void)x0;
    (void)x1;
    src = copy;
    st -= y0;
  }

  bool haveSrc = needSrc && src.Top;
  bool indexMode = pixels::Indexed(ctx.s) && (!needSrc || (haveSrc && SamePalette(src, ctx.s)));
  TPixelSurface maskSurf;
  if (Mask && !Mask->Empty()) maskSurf = Mask->Surface();
  uint32_t transparentKey = Transparent ? ToRRGGBB(ColorToRGB(*Transparent)) : 0;

  // Fast path: straight copy between true-colour surfaces of one format, or from 32 bits to 24
  // (the colour bytes are the same; the fourth byte is dropped).
  bool sameTrueColour =
      src.BitsPerPixel == ctx.s.BitsPerPixel && (src.BitsPerPixel == 24 || src.BitsPerPixel == 32);
  bool drop4th = src.BitsPerPixel == 32 && ctx.s.BitsPerPixel == 24;
  if (code == 0xCC && !Mask && !Transparent && haveSrc && W > 0 && H > 0 && WS == W && HS == H &&
      (sameTrueColour || drop4th)) {
    int bytes = src.BitsPerPixel / 8;
    for (const auto& c : ctx.clips) {
      for (int y = std::max(dt, c.Top); y < std::min(dt + ah, c.Bottom); ++y) {
        int sy = st + (y - dt);
        int a = std::max(dl, c.Left), b = std::min(dl + aw, c.Right);
        if (a >= b) continue;
        if (sy < 0 || sy >= src.Height) {
          for (int x = a; x < b; ++x) pixels::WriteDevice(ctx.s, x, y, 0);
          continue;
        }
        // The part of the span that has source pixels is [ia, ib); the rest is
        // black. A span wholly beside the source has none.
        int sa = sl + (a - dl), sb = sl + (b - dl);
        int ca = std::clamp(sa, 0, src.Width), cb = std::clamp(sb, 0, src.Width);
        if (cb <= ca) ca = cb = sa;
        int ia = std::clamp(a + (ca - sa), a, b), ib = std::clamp(a + (cb - sa), ia, b);
        for (int x = a; x < ia; ++x) pixels::WriteDevice(ctx.s, x, y, 0);
        if (cb > ca && drop4th) {
          const uint8_t* sp = src.Row(sy) + ca * 4;
          uint8_t* dp = ctx.s.Row(y) + (a + ca - sa) * 3;
          for (int n = cb - ca; n > 0; --n, sp += 4, dp += 3) {
            dp[0] = sp[0];
            dp[1] = sp[1];
            dp[2] = sp[2];
          }
        } else if (cb > ca) {
          std::copy(src.Row(sy) + ca * bytes, src.Row(sy) + cb * bytes,
                    ctx.s.Row(y) + (a + ca - sa) * bytes);
        }
        for (int x = ib; x < b; ++x) pixels::WriteDevice(ctx.s, x, y, 0);
      }
    }
    End(Dst);
    return true;
  }

  // Fast path: a (stretched) copy between true-colour surfaces that leaves
  // out the key colour and places beside the source, as the general road does.
  const bool trueSrc = src.BitsPerPixel == 24 || src.BitsPerPixel == 32;
  const bool trueDst = ctx.s.BitsPerPixel == 24 || ctx.s.BitsPerPixel == 32;
  if (code == 0xCC && !Mask && Transparent && haveSrc && trueSrc && trueDst) {
    const int sb = src.BitsPerPixel / 8, db = ctx.s.BitsPerPixel / 8;
    for (const auto& c : ctx.clips) {
      for (int y = std::max(dt, c.Top); y < std::min(dt + ah, c.Bottom); ++y) {
        const int sy = st + rowMap[static_cast<size_t>(y - dt)];
        if (sy < 0 || sy >= src.Height) continue;
        const uint8_t* srow = src.Row(sy);
        uint8_t* drow = ctx.s.Row(y);
        for (int x = std::max(dl, c.Left); x < std::min(dl + aw, c.Right); ++x) {
          const int sx = sl + colMap[static_cast<size_t>(x - dl)];
          if (sx < 0 || sx >= src.Width) continue;
          const uint8_t* sp = srow + static_cast<ptrdiff_t>(sx) * sb;
          if ((sp[0] | (sp[1] << 8) | (static_cast<uint32_t>(sp[2]) << 16)) == transparentKey)
            continue;
          uint8_t* dp = drow + static_cast<ptrdiff_t>(x) * db;
          dp[0] = sp[0];
          dp[1] = sp[1];
          dp[2] = sp[2];
          if (db == 4) dp[3] = sb == 4 ? sp[3] : ctx.s.AlphaFill;
        }
      }
    }
    End(Dst);
    return true;
  }

  TBitmap* patBmp = d.brush.Bitmap() && !d.brush.Bitmap()->Empty() ? d.brush.Bitmap() : nullptr;
  TBrushStyle patStyle = d.brush.Style();
  TColor brushColor = ColorToRGB(d.brush.Color());
  uint32_t brushIndex = indexMode ? ctx.Dev(brushColor) : 0;

  for (const auto& c : ctx.clips) {
    for (int y = std::max(dt, c.Top); y < std::min(dt + ah, c.Bottom); ++y) {
      int sy = st + rowMap[static_cast<size_t>(y - dt)];
      for (int x = std::max(dl, c.Left); x < std::min(dl + aw, c.Right); ++x) {
        int sx = sl + colMap[static_cast<size_t>(x - dl)];
        uint8_t op = code;
        if (Mask) {
          int mx = XM + (x - dl), my = YM + (y - dt);
          bool fore = false;
          if (maskSurf.Top && mx >= 0 && my >= 0 && mx < maskSurf.Width && my < maskSurf.Height)
            fore = (pixels::DeviceToColor(maskSurf, pixels::ReadDevice(maskSurf, mx, my)) &
                    0xFFFFFF) != 0;
          op = fore ? code : backCode;
        }
        bool inSrc = haveSrc && sx >= 0 && sy >= 0 && sx < src.Width && sy < src.Height;
        uint32_t sdev = inSrc ? pixels::ReadDevice(src, sx, sy) : 0;
        // A transparent copy only ever puts source pixels, and none of the key colour.
        if (Transparent && (!inSrc || ToRRGGBB(pixels::DeviceToColor(src, sdev)) == transparentKey))
          continue;
        uint32_t dd = pixels::ReadDevice(ctx.s, x, y);
        uint32_t p = 0;
        if (needPat) {
          TColor pc = brushColor;
          if (patBmp)
            pc = patBmp->PixelColor(Mod(x - ctx.ox, patBmp->Width()),
                                    Mod(y - ctx.oy, patBmp->Height()));
          else if (patStyle != bsSolid && patStyle != bsClear &&
                   !HatchBit(patStyle, x - ctx.ox, y - ctx.oy))
            pc = clWhite;
          p = indexMode ? (patBmp || pc != brushColor ? ctx.Dev(pc) : brushIndex) : ToRRGGBB(pc);
        }
        uint32_t out;
        if (indexMode) {
          out = pixels::Rop3(op, p, sdev, dd) & ctx.mask;
        } else {
          uint32_t s = inSrc ? ToRRGGBB(pixels::DeviceToColor(src, sdev)) : 0;
          uint32_t dc = ToRRGGBB(pixels::DeviceToColor(ctx.s, dd));
          uint32_t v = pixels::Rop3(op, p, s, dc) & 0xFFFFFF;
          out = pixels::Indexed(ctx.s) ? ctx.Dev(FromRRGGBB(v)) : ctx.Dev(FromRRGGBB(v));
          if (ctx.s.BitsPerPixel == 32 && code == 0xCC && !Mask && inSrc &&
              src.BitsPerPixel == 32) {
            // A 32-bit copy keeps the source's fourth byte.
            uint8_t* px = ctx.s.Row(y) + 4 * x;
            const uint8_t* sp = src.Row(sy) + 4 * sx;
            px[0] = sp[0];
            px[1] = sp[1];
            px[2] = sp[2];
            px[3] = sp[3];
            continue;
          }
        }
        pixels::WriteDevice(ctx.s, x, y, out);
      }
    }
  }
  End(Dst);
  return true;
}

}  // namespace classlib
