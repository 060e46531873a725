#include "platform/classlib/region.h"

#include <algorithm>
#include <cmath>

#include "platform/classlib/bitmap.h"

namespace classlib {

namespace {

using Intervals = std::vector<std::pair<int, int>>;  // sorted, disjoint [x0, x1)

// Joins overlapping or touching intervals.
Intervals UnionOf(Intervals v) {
  std::sort(v.begin(), v.end());
  Intervals out;
  for (const auto& iv : v) {
    if (iv.first >= iv.second) continue;
    if (!out.empty() && iv.first <= out.back().second)
      out.back().second = std::max(out.back().second, iv.second);
    else
      out.push_back(iv);
  }
  return out;
}

bool Apply(int mode, bool a, bool b) {
  switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
  }
}

Intervals CombineIntervals(const Intervals& a, const Intervals& b, int mode) {
  std::vector<int> edges;
  edges.reserve((a.size() + b.size()) * 2);
  for (const auto& iv : a) {
    edges.push_back(iv.first);
    edges.push_back(iv.second);
  }
  for (const auto& iv : b) {
    edges.push_back(iv.first);
    edges.push_back(iv.second);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  Intervals out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    int x0 = edges[i], x1 = edges[i + 1];
    while (ia < a.size() && a[ia].second <= x0) ++ia;
    while (ib < b.size() && b[ib].second <= x0) ++ib;
    bool inA = ia < a.size() && a[ia].first <= x0;
    bool inB = ib < b.size() && b[ib].first <= x0;
    if (!Apply(mode, inA, inB)) continue;
    if (!out.empty() && out.back().second == x0)
      out.back().second = x1;
    else
      out.push_back({x0, x1});
  }
  return out;
}

// Walks the horizontal bands of a rectangle list: for each band between two
// consecutive rectangle edges, the union of the x-ranges of the rectangles
// covering it.
class BandWalker {
 public:
  explicit BandWalker(const std::vector<TRect>& rects) : rects_(rects) {
    std::sort(rects_.begin(), rects_.end(),
              [](const TRect& l, const TRect& r) { return l.Top < r.Top; });
  }
  void AddEdges(std::vector<int>& edges) const {
    for (const auto& r : rects_) {
      edges.push_back(r.Top);
      edges.push_back(r.Bottom);
    }
  }
  // Bands must be asked for in increasing order.
  Intervals At(int y0) {
    while (next_ < rects_.size() && rects_[next_].Top <= y0) active_.push_back(rects_[next_++]);
    active_.erase(std::remove_if(active_.begin(), active_.end(),
                                 [y0](const TRect& r) { return r.Bottom <= y0; }),
                  active_.end());
    Intervals v;
    for (const auto& r : active_) v.push_back({r.Left, r.Right});
    return UnionOf(std::move(v));
  }

 private:
  std::vector<TRect> rects_;
  std::vector<TRect> active_;
  size_t next_ = 0;
};

std::vector<TRect> Build(const std::vector<TRect>& a, const std::vector<TRect>& b, int mode) {
  std::vector<TRect> ra, rb;
  for (const auto& r : a)
    if (!IsRectEmpty(r)) ra.push_back(r);
  for (const auto& r : b)
    if (!IsRectEmpty(r)) rb.push_back(r);
  BandWalker wa(ra), wb(rb);
  std::vector<int> edges;
  wa.AddEdges(edges);
  wb.AddEdges(edges);
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

  std::vector<TRect> out;
  Intervals prev;
  size_t prevStart = 0;  // index in out of the previous band's rectangles
  int prevBottom = 0;
  bool havePrev = false;
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    int y0 = edges[i], y1 = edges[i + 1];
    Intervals band = CombineIntervals(wa.At(y0), wb.At(y0), mode);
    if (band.empty()) {
      havePrev = false;
      continue;
    }
    if (havePrev && prevBottom == y0 && band == prev) {
      for (size_t k = prevStart; k < out.size(); ++k) out[k].Bottom = y1;
    } else {
      prevStart = out.size();
      for (const auto& iv : band) out.push_back({iv.first, y0, iv.second, y1});
      prev = std::move(band);
      havePrev = true;
    }
    prevBottom = y1;
  }
  return out;
}

}  // namespace

TRegion::TRegion(const TRect& R) {
  if (!IsRectEmpty(R)) rects_.push_back(R);
}

TRegion::TRegion(const std::vector<TRect>& Rects) : rects_(Build(Rects, {}, RGN_OR)) {}

TRect TRegion::Bounds() const {
  TRect b{};
  for (const auto& r : rects_) UnionRect(b, b, r);
  return b;
}

bool TRegion::Contains(int X, int Y) const {
  for (const auto& r : rects_)
    if (PtInRect(r, {X, Y})) return true;
  return false;
}

bool TRegion::Intersects(const TRect& R) const {
  TRect t;
  for (const auto& r : rects_)
    if (IntersectRect(t, r, R)) return true;
  return false;
}

void TRegion::Offset(int dx, int dy) {
  for (auto& r : rects_) OffsetRect(r, dx, dy);
}

int TRegion::Kind() const {
  if (rects_.empty()) return NULLREGION;
  return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

TRegion TRegion::Combined(const TRegion& Other, int Mode) const {
  TRegion r;
  if (Mode == RGN_COPY) return *this;
  r.rects_ = Build(rects_, Other.rects_, Mode);
  return r;
}

TRegion CreateRectRgn(int Left, int Top, int Right, int Bottom) {
  // Reversed corners are put in order, as region handles do.
  return TRegion(Rect(std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right),
                      std::max(Top, Bottom)));
}

TRegion CreateRectRgnIndirect(const TRect& R) {
  return CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom);
}

bool EllipseRow(double l, double t, double r, double b, int y, int& x0, int& x1) {
  double a = (r - l) / 2, bb = (b - t) / 2;
  if (a <= 0 || bb <= 0) return false;
  double cx = (l + r) / 2, cy = (t + b) / 2;
  double dy = (y + 0.5 - cy) / bb;
  if (dy * dy > 1) return false;
  double hw = a * std::sqrt(1 - dy * dy);
  x0 = static_cast<int>(std::ceil(cx - hw - 0.5));
  x1 = static_cast<int>(std::floor(cx + hw - 0.5)) + 1;
  return x1 > x0;
}

TRegion CreateEllipticRgn(int Left, int Top, int Right, int Bottom) {
  std::vector<TRect> rows;
  for (int y = Top; y < Bottom; ++y) {
    int x0, x1;
    if (EllipseRow(Left, Top, Right, Bottom, y, x0, x1)) rows.push_back({x0, y, x1, y + 1});
  }
  return ExtCreateRegion(rows);
}

TRegion CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int WidthEllipse,
                           int HeightEllipse) {
  int w = std::min(std::abs(WidthEllipse), Right - Left),
      h = std::min(std::abs(HeightEllipse), Bottom - Top);
  std::vector<TRect> rows;
  for (int y = Top; y < Bottom; ++y) {
    int x0 = Left, x1 = Right, ex0, ex1;
    if (w > 0 && h > 0) {
      if (y < Top + h / 2 && EllipseRow(Left, Top, Left + w, Top + h, y, ex0, ex1)) {
        x0 = ex0;
        x1 = Right - (Left + w - ex1);
      } else if (y >= Bottom - h / 2 &&
                 EllipseRow(Left, Bottom - h, Left + w, Bottom, y, ex0, ex1)) {
        x0 = ex0;
        x1 = Right - (Left + w - ex1);
      } else if (y < Top + h / 2 || y >= Bottom - h / 2) {
        continue;
      }
    }
    if (x1 > x0) rows.push_back({x0, y, x1, y + 1});
  }
  return ExtCreateRegion(rows);
}

TRegion CreatePolygonRgn(const TPoint* Points, int Count, bool Winding) {
  std::vector<TRect> rows;
  if (!Points || Count < 3) return TRegion();
  int ymin = Points[0].Y, ymax = Points[0].Y;
  for (int i = 1; i < Count; ++i) {
    ymin = std::min(ymin, Points[i].Y);
    ymax = std::max(ymax, Points[i].Y);
  }
  std::vector<std::pair<double, int>> xs;
  for (int y = ymin; y < ymax; ++y) {
    double yc = y + 0.5;
    xs.clear();
    for (int i = 0; i < Count; ++i) {
      const TPoint& p = Points[i];
      const TPoint& q = Points[(i + 1) % Count];
      if (p.Y == q.Y) continue;
      double y0 = p.Y, y1 = q.Y;
      int dir = y1 > y0 ? 1 : -1;
      if (yc < std::min(y0, y1) || yc >= std::max(y0, y1)) continue;
      double x = p.X + (yc - y0) * (q.X - p.X) / (y1 - y0);
      xs.push_back({x, dir});
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
      wind += xs[k].second;
      bool inside = Winding ? wind != 0 : (k % 2 == 0);
      if (!inside) continue;
      int x0 = static_cast<int>(std::ceil(xs[k].first - 0.5));
      int x1 = static_cast<int>(std::ceil(xs[k + 1].first - 0.5));
      if (x1 > x0) rows.push_back({x0, y, x1, y + 1});
    }
  }
  return ExtCreateRegion(rows);
}

TRegion ExtCreateRegion(const std::vector<TRect>& Rects) { return TRegion(Rects); }

int CombineRgn(TRegion& Dest, const TRegion& A, const TRegion& B, int Mode) {
  if (Mode < RGN_AND || Mode > RGN_COPY) return RGN_ERROR;
  Dest = A.Combined(B, Mode);
  return Dest.Kind();
}

bool PtInRegion(const TRegion& R, int X, int Y) { return R.Contains(X, Y); }
bool RectInRegion(const TRegion& R, const TRect& Rect) { return R.Intersects(Rect); }

int OffsetRgn(TRegion& R, int dx, int dy) {
  R.Offset(dx, dy);
  return R.Kind();
}

int GetRgnBox(const TRegion& R, TRect& Box) {
  Box = R.Bounds();
  return R.Kind();
}

bool EqualRgn(const TRegion& A, const TRegion& B) { return A == B; }

std::vector<TRect> GetRegionData(const TRegion& R) { return R.Rects(); }

TRegion BitmapToRegion(TBitmap* Bitmap, TColor KeyColor, int dx, int dy) {
  std::vector<TRect> rows;
  if (!Bitmap || Bitmap->Empty()) return TRegion();
  TColor key = ColorToRGB(KeyColor) & 0xFFFFFF;
  for (int y = 0; y < Bitmap->Height(); ++y) {
    int x = 0, w = Bitmap->Width();
    while (x < w) {
      while (x < w && (Bitmap->PixelColor(x, y) & 0xFFFFFF) == key) ++x;
      int start = x;
      while (x < w && (Bitmap->PixelColor(x, y) & 0xFFFFFF) != key) ++x;
      if (x > start) rows.push_back({start + dx, y + dy, x + dx, y + dy + 1});
    }
  }
  return ExtCreateRegion(rows);
}

}  // namespace classlib
