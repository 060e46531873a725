// Regions: a set of pixels kept as non-overlapping rectangles. TRegion is a
// value; the window-system style functions below (CreateRectRgn, CombineRgn...)
// work on it so that code written against region handles reads the same.
#pragma once

#include <vector>

#include "platform/classlib/colors.h"
#include "platform/classlib/geometry.h"

namespace classlib {

class TBitmap;

// Results of the region functions.
enum : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
// CombineRgn modes.
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& R);
  // Any list of rectangles (they may overlap); empty ones are ignored.
  explicit TRegion(const std::vector<TRect>& Rects);

  bool IsEmpty() const { return rects_.empty(); }
  // The rectangles, sorted by top then left, not overlapping; horizontally
  // touching runs in one band are joined, equal bands below each other merged.
  const std::vector<TRect>& Rects() const { return rects_; }
  TRect Bounds() const;
  bool Contains(int X, int Y) const;
  bool Intersects(const TRect& R) const;
  void Offset(int dx, int dy);
  void Clear() { rects_.clear(); }
  // NULLREGION, SIMPLEREGION (one rectangle) or COMPLEXREGION.
  int Kind() const;

  TRegion Combined(const TRegion& Other, int Mode) const;

  friend bool operator==(const TRegion&, const TRegion&) = default;

 private:
  std::vector<TRect> rects_;
};

TRegion CreateRectRgn(int Left, int Top, int Right, int Bottom);
TRegion CreateRectRgnIndirect(const TRect& R);
// An ellipse inscribed in the box (pixel centres inside the ellipse).
TRegion CreateEllipticRgn(int Left, int Top, int Right, int Bottom);
// The pixels [x0, x1) of row y inside the ellipse inscribed in the box (pixel centres inside or
// on the ellipse); false when the row has none. Elliptic regions and canvas ellipses use it.
bool EllipseRow(double l, double t, double r, double b, int y, int& x0, int& x1);
// A rectangle with corners rounded by an ellipse of WidthEllipse x HeightEllipse.
TRegion CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int WidthEllipse,
                           int HeightEllipse);
TRegion CreatePolygonRgn(const TPoint* Points, int Count, bool Winding = false);
// A region from a rectangle list.
TRegion ExtCreateRegion(const std::vector<TRect>& Rects);
// Dest := A <Mode> B (RGN_COPY copies A). Returns the kind of the result.
int CombineRgn(TRegion& Dest, const TRegion& A, const TRegion& B, int Mode);
bool PtInRegion(const TRegion& R, int X, int Y);
bool RectInRegion(const TRegion& R, const TRect& Rect);
int OffsetRgn(TRegion& R, int dx, int dy);
int GetRgnBox(const TRegion& R, TRect& Box);
bool EqualRgn(const TRegion& A, const TRegion& B);
// The region's rectangle list.
std::vector<TRect> GetRegionData(const TRegion& R);
// Every pixel of the bitmap whose colour differs from KeyColor (system colours
// resolved), offset by (dx, dy).
TRegion BitmapToRegion(TBitmap* Bitmap, TColor KeyColor, int dx = 0, int dy = 0);

}  // namespace classlib
