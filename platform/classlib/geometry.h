// Point, size and rectangle value types with the window system's semantics:
// a rectangle's Right and Bottom lie just outside it, so a rectangle covers
// the pixels Left..Right-1 and Top..Bottom-1.
#pragma once

#include <algorithm>

namespace classlib {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return {Left, Top}; }
  TPoint BottomRight() const { return {Right, Bottom}; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(int X, int Y) { return {X, Y}; }
inline TSize Size(int cx, int cy) { return {cx, cy}; }
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return {Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height) {
  return {Left, Top, Left + Width, Top + Height};
}

inline bool IsRectEmpty(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }
inline bool PtInRect(const TRect& R, const TPoint& P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}
inline bool EqualRect(const TRect& A, const TRect& B) { return A == B; }
inline void SetRect(TRect& R, int Left, int Top, int Right, int Bottom) {
  R = {Left, Top, Right, Bottom};
}
inline void SetRectEmpty(TRect& R) { R = {}; }
inline void OffsetRect(TRect& R, int dx, int dy) {
  R.Left += dx;
  R.Right += dx;
  R.Top += dy;
  R.Bottom += dy;
}
// Grows the rectangle by dx on the left and right, dy on top and bottom
// (negative values shrink it).
inline void InflateRect(TRect& R, int dx, int dy) {
  R.Left -= dx;
  R.Right += dx;
  R.Top -= dy;
  R.Bottom += dy;
}

// Dest := the overlap of A and B; an empty overlap gives the zero rectangle
// and false.
inline bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B) {
  TRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
          std::min(A.Bottom, B.Bottom)};
  if (IsRectEmpty(r)) {
    Dest = {};
    return false;
  }
  Dest = r;
  return true;
}

// Dest := the smallest rectangle holding A and B; empty rectangles take no
// part. Both empty gives the zero rectangle and false.
inline bool UnionRect(TRect& Dest, const TRect& A, const TRect& B) {
  bool ea = IsRectEmpty(A), eb = IsRectEmpty(B);
  if (ea && eb) {
    Dest = {};
    return false;
  }
  if (ea) {
    Dest = B;
    return true;
  }
  if (eb) {
    Dest = A;
    return true;
  }
  Dest = {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
          std::max(A.Bottom, B.Bottom)};
  return true;
}

}  // namespace classlib
