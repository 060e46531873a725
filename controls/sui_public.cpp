#include "controls/sui_public.h"

#include <algorithm>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/control.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/messages.h"

namespace controls {

using namespace classlib;

void PaintParentBackground(TCanvas* Canvas, TControl* Control) {
  if (Canvas == nullptr || Control == nullptr) return;
  TWinControl* parent = Control->Parent();
  if (parent == nullptr) return;
  // A parent already painting a copy is painting this control: stop there.
  if ((parent->ControlState() & csPaintCopy) != 0) return;
  const TPoint saved_origin = Canvas->Origin();
  const bool had_clip = Canvas->HasClipRegion();
  const TRegion saved_clip = Canvas->ClipRegion();
  auto restore = [&] {
    parent->SetControlState(parent->ControlState() & ~csPaintCopy);
    Canvas->SetOrigin(saved_origin);
    Canvas->SetClipRegion(had_clip ? &saved_clip : nullptr);
  };
  parent->SetControlState(parent->ControlState() | csPaintCopy);
  try {
    Canvas->SetOrigin(Point(saved_origin.X - Control->Left(), saved_origin.Y - Control->Top()));
    Canvas->IntersectClipRect(Rect(0, 0, parent->ClientWidth(), parent->ClientHeight()));
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<uintptr_t>(Canvas));
    parent->Perform(WM_PAINT, reinterpret_cast<uintptr_t>(Canvas));
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TileDraw(TCanvas* Canvas, TGraphic* Picture, const TRect& R) {
  if (Canvas == nullptr || Picture == nullptr) return;
  const int pw = Picture->Width(), ph = Picture->Height();
  if (pw <= 0 || ph <= 0) return;  // an empty picture would never advance
  for (int y = 0; y < R.Height() + ph; y += ph)
    for (int x = 0; x < R.Width() + pw; x += pw) Canvas->Draw(x, y, Picture);
}

bool PointInRectInclusive(const TPoint& P, const TRect& R) {
  return P.X >= R.Left && P.X <= R.Right && P.Y >= R.Top && P.Y <= R.Bottom;
}

bool GetWorkArea(TRect& Out) {
  if (Screen == nullptr) return false;
  TScreenRect r = Screen->WorkAreaRect();
  Out = Rect(r.Left, r.Top, r.Right, r.Bottom);
  return true;
}

void MoveControlTo(TControl* Control, const TPoint& P) {
  Control->SetLeft(P.X);
  Control->SetTop(P.Y);
}

void SetFormBounds(TControl* Form, const TRect& R) {
  Form->SetLeft(R.Left);
  Form->SetTop(R.Top);
  Form->SetWidth(R.Right - R.Left);
  Form->SetHeight(R.Bottom - R.Top);
}

namespace {

// Copies the piece of Source at (sx, sy) to (x, y) unscaled; fuchsia pixels
// stay out when Transparent.
void DrawPiece(TCanvas* Canvas, TBitmap* Source, int x, int y, int w, int h, int sx, int sy,
               bool Transparent) {
  if (Transparent)
    TransparentBlt(Canvas, x, y, w, h, Source, sx, sy, w, h, clFuchsia);
  else
    BitBlt(Canvas, x, y, w, h, Source->Canvas(), sx, sy, SRCCOPY);
}

// Stretches the source rectangle S of Bitmap into target T, leaving fuchsia
// out. Nothing when either is empty: an empty source has nothing to stretch.
void StretchPiece(TCanvas* Canvas, TBitmap* Bitmap, const TRect& S, const TRect& T) {
  if (T.Width() <= 0 || T.Height() <= 0 || S.Width() <= 0 || S.Height() <= 0) return;
  TransparentBlt(Canvas, T.Left, T.Top, T.Width(), T.Height(), Bitmap, S.Left, S.Top, S.Width(),
                 S.Height(), clFuchsia);
}

}  // namespace

void DrawNinePartBitmap(TBitmap* Bitmap, TCanvas* Canvas, const TRect& R, bool Transparent) {
  if (Bitmap == nullptr || Canvas == nullptr || Bitmap->Empty()) return;
  const int bw = Bitmap->Width(), bh = Bitmap->Height();
  const int W = R.Right - R.Left, H = R.Bottom - R.Top;
  // A corner: cut source and target to the smaller size, place it, remember
  // where it landed.
  auto corner = [&](const TRect& src, const TRect& dst, bool right, bool bottom) {
    int w = std::max(0, std::min(src.Width(), dst.Width()));
    int h = std::max(0, std::min(src.Height(), dst.Height()));
    int x = right ? R.Right - w : 0;
    int y = bottom ? R.Bottom - h : 0;
    if (w > 0 && h > 0) DrawPiece(Canvas, Bitmap, x, y, w, h, src.Left, src.Top, Transparent);
    return Rect(x, y, x + w, y + h);
  };
  const int bw2 = bw / 2, bh2 = bh / 2, W2 = W / 2, H2 = H / 2;
  TRect tl = corner(Rect(0, 0, bw2, bh2), Rect(0, 0, W2, H2), false, false);
  TRect bl = corner(Rect(0, bh - bh2 + 1, bw2, bh), Rect(0, H - H2 + 1, W2, H), false, true);
  StretchPiece(Canvas, Bitmap, Rect(0, bh2, bw2, bh - bh2), Rect(0, tl.Bottom, tl.Right, bl.Top));
  TRect tr = corner(Rect(bw - bw2 + 1, 0, bw, bh2), Rect(W - W2 + 1, 0, W, H2), true, false);
  TRect br = corner(Rect(bw - bw2 + 1, bh - bh2 + 1, bw, bh), Rect(W - W2 + 1, H - H2 + 1, W, H),
                    true, true);
  StretchPiece(Canvas, Bitmap, Rect(bw - bw2 + 1, bh - bh2, bw, bh2 + 2),
               Rect(tr.Left, tr.Bottom, tr.Right, br.Top));
  StretchPiece(Canvas, Bitmap, Rect(bw2, 0, bw - bw2 + 1, bh2),
               Rect(tl.Right, 0, tr.Left, tl.Bottom));
  StretchPiece(Canvas, Bitmap, Rect(bw2, bh2, bw - bw2 + 1, bh - bh2),
               Rect(tl.Right, tl.Bottom, tr.Left, br.Top - 1));
  StretchPiece(Canvas, Bitmap, Rect(bw2, bh - bh2 + 1, bw - bw2 + 1, bh),
               Rect(tl.Right - 1, bl.Top - 1, br.Left, br.Bottom));
}

void DrawThreePartBitmap(TBitmap* Bitmap, TCanvas* Canvas, const TRect& R, bool Transparent) {
  if (Bitmap == nullptr || Canvas == nullptr || Bitmap->Empty()) return;
  const int cw = Bitmap->Width() / 3, h = Bitmap->Height();
  if (cw <= 0) return;
  const TColor key = Bitmap->Canvas()->Pixels(0, 0);
  auto piece = [&](int cell, int x, int y, int w, int th) {
    if (w <= 0 || th <= 0) return;
    if (Transparent)
      TransparentBlt(Canvas, x, y, w, th, Bitmap, cell * cw, 0, cw, h, key);
    else
      StretchBlt(Canvas, x, y, w, th, Bitmap->Canvas(), cell * cw, 0, cw, h, SRCCOPY);
  };
  piece(0, R.Left, R.Top, cw, h);
  piece(2, R.Right - cw, R.Top, cw, h);
  piece(1, R.Left + cw, R.Top, R.Right - R.Left - 2 * cw, R.Bottom - R.Top);
}

void DrawControlBorder(TWinControl* Control, TCanvas* Canvas, TColor Outer, TColor Inner) {
  if (Control == nullptr || Canvas == nullptr) return;
  const int w = Control->Width(), h = Control->Height();
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(ColorToRGB(Outer));
  Canvas->FrameRect(Rect(0, 0, w, h));
  Canvas->Brush()->SetColor(ColorToRGB(Inner));
  Canvas->FrameRect(Rect(1, 1, w - 1, h - 1));
}

std::string PCharToString(const char* Text) {
  return Text != nullptr ? std::string(Text) : std::string();
}

namespace {

// Turns Bitmap a quarter: pixel (x, y) of the source lands at Target(x, y).
template <typename F>
void Rotate(TBitmap* Bitmap, F Target) {
  if (Bitmap == nullptr) return;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  TBitmap turned;
  turned.SetPixelFormat(Bitmap->PixelFormat());
  turned.SetSize(h, w);
  TCanvas* src = Bitmap->Canvas();
  TCanvas* dst = turned.Canvas();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      TPoint p = Target(x, y, w, h);
      dst->SetPixels(p.X, p.Y, src->Pixels(x, y));
    }
  Bitmap->SetSize(h, w);
  Bitmap->Canvas()->Draw(0, 0, &turned);
}

}  // namespace

void RotateBitmapLeft(TBitmap* Bitmap) {
  Rotate(Bitmap, [](int x, int y, int w, int) { return Point(y, w - 1 - x); });
}

void RotateBitmapRight(TBitmap* Bitmap) {
  Rotate(Bitmap, [](int x, int y, int, int h) { return Point(h - 1 - y, x); });
}

}  // namespace controls
