#include "controls/effect_controls.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/bitmap_utils.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/math_utils.h"

using namespace classlib;

namespace controls {

void PaintControlBackground(TControl* Control, TCanvas* Canvas) {
  lumicast::PaintParentBackground(Control, Canvas);
}

void DrawTwoColourFrame(TCanvas* Canvas, const TRect& R, TColor TopLeft, TColor BottomRight,
                        int Count) {
  if (Canvas == nullptr) return;
  TRect r = R;
  for (int i = 0; i < Count && r.Right - r.Left > 0 && r.Bottom - r.Top > 0; ++i) {
    Canvas->Pen()->SetColor(TopLeft);
    Canvas->MoveTo(r.Left, r.Bottom - 1);
    Canvas->LineTo(r.Left, r.Top);
    Canvas->LineTo(r.Right - 1, r.Top);
    Canvas->Pen()->SetColor(BottomRight);
    Canvas->LineTo(r.Right - 1, r.Bottom - 1);
    Canvas->LineTo(r.Left - 1, r.Bottom - 1);
    r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
}

TColor BitmapKeyColour(const TBitmap* Bitmap) {
  if (Bitmap == nullptr || Bitmap->Empty()) return -1;
  return Bitmap->PixelColor(0, Bitmap->Height() - 1);
}

void DrawKeyedBitmapPart(TCanvas* Canvas, int X, int Y, TColor Key, TBitmap* Bitmap,
                         const TRect& Source, int Width, int Height) {
  if (Canvas == nullptr || Bitmap == nullptr || Bitmap->Empty()) return;
  TRect src = Source;
  if (src.Right - src.Left <= 0 || src.Bottom - src.Top <= 0)
    src = Rect(0, 0, Bitmap->Width(), Bitmap->Height());
  int w = Width != 0 && Height != 0 ? Width : src.Right - src.Left;
  int h = Width != 0 && Height != 0 ? Height : src.Bottom - src.Top;
  TColor key = Key;
  if (Key == clDefault) {
    key = Bitmap->PixelColor(src.Left, src.Bottom - 1);
    if (key == -1) key = clNone;  // the part lies outside the bitmap
  } else if (Key != clNone) {
    key = ColorToRGB(Key);
  }
  lumicast::StretchBitmapKeyed(Canvas, X, Y, w, h, Bitmap, src.Left, src.Top, src.Right - src.Left,
                               src.Bottom - src.Top, key);
}

void DrawKeyedBitmap(TCanvas* Canvas, int X, int Y, TColor Key, TBitmap* Bitmap) {
  DrawKeyedBitmapPart(Canvas, X, Y, Key, Bitmap, TRect{}, 0, 0);
}

void DrawBitmapFrame(TCanvas* Canvas, int X, int Y, int FrameCount, int FrameIndex,
                     TBitmap* Bitmap) {
  if (Bitmap == nullptr || Bitmap->Empty() || FrameCount < 1) return;
  int fw = Bitmap->Width() / FrameCount;
  if (fw < 1) return;
  FrameIndex = std::clamp(FrameIndex, 1, FrameCount);
  TRect src = Rect(fw * (FrameIndex - 1), 0, fw * FrameIndex, Bitmap->Height());
  DrawKeyedBitmapPart(Canvas, X, Y, clDefault, Bitmap, src, 0, 0);
}

namespace {
void Put32(std::vector<uint8_t>& d, size_t at, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  d[at] = uint8_t(u);
  d[at + 1] = uint8_t(u >> 8);
  d[at + 2] = uint8_t(u >> 16);
  d[at + 3] = uint8_t(u >> 24);
}
int32_t Get32(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<int32_t>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) |
                              (uint32_t(d[at + 3]) << 24));
}
}  // namespace

size_t BitmapRegionData(const TBitmap* Bitmap, std::vector<uint8_t>& Data) {
  Data.clear();
  if (Bitmap == nullptr || Bitmap->Empty()) return 0;
  const int w = Bitmap->Width();
  const int h = Bitmap->Height();
  // The key row is the second-to-last; a one-row bitmap has only its last.
  const TColor key = Bitmap->PixelColor(0, h >= 2 ? h - 2 : h - 1);
  std::vector<TRect> runs;
  for (int y = 0; y < h && static_cast<int>(runs.size()) < kMaxRegionRects; ++y) {
    int start = -1;
    for (int x = 0; x <= w; ++x) {
      bool opaque = x < w && Bitmap->PixelColor(x, y) != key;
      if (opaque && start < 0) start = x;
      if (!opaque && start >= 0) {
        runs.push_back(Rect(start, y, x, y + 1));
        start = -1;
        if (static_cast<int>(runs.size()) == kMaxRegionRects) break;
      }
    }
  }
  Data.assign(32 + 16 * runs.size(), 0);
  Put32(Data, 0, 32);
  Put32(Data, 4, 1);
  Put32(Data, 8, static_cast<int32_t>(runs.size()));
  Put32(Data, 12, 0);
  Put32(Data, 16, 0);
  Put32(Data, 20, 0);
  Put32(Data, 24, w);
  Put32(Data, 28, h);
  for (size_t i = 0; i < runs.size(); ++i) {
    Put32(Data, 32 + 16 * i, runs[i].Left);
    Put32(Data, 36 + 16 * i, runs[i].Top);
    Put32(Data, 40 + 16 * i, runs[i].Right);
    Put32(Data, 44 + 16 * i, runs[i].Bottom);
  }
  return Data.size();
}

TRegion RegionFromData(const std::vector<uint8_t>& Data) {
  if (Data.size() < 32 || Get32(Data, 0) != 32 || Get32(Data, 4) != 1) return TRegion();
  int64_t count = Get32(Data, 8);
  if (count < 0 || static_cast<uint64_t>(count) > (Data.size() - 32) / 16) return TRegion();
  std::vector<TRect> rects;
  rects.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    size_t at = 32 + 16 * static_cast<size_t>(i);
    rects.push_back(
        Rect(Get32(Data, at), Get32(Data, at + 4), Get32(Data, at + 8), Get32(Data, at + 12)));
  }
  return TRegion(rects);
}

TEffectBmp::TEffectBmp(const TBitmap* Source) {
  if (Source == nullptr || Source->Empty()) return;
  width_ = Source->Width();
  height_ = Source->Height();
  row_ = 3 * width_ + width_ % 4;
  pixels_.assign(static_cast<size_t>(row_) * height_, 0);
  const int bits = Source->BitsPerPixel();
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = pixels_.data() + static_cast<size_t>(y) * row_;
    if (bits == 24 || bits == 32) {
      // Straight from the rows: B, G, R are already in place.
      const uint8_t* src = Source->ScanLine(y);
      const int step = bits / 8;
      if (step == 3) {
        std::memcpy(row, src, static_cast<size_t>(3 * width_));
      } else {
        for (int x = 0; x < width_; ++x) std::memcpy(row + 3 * x, src + 4 * x, 3);
      }
      continue;
    }
    for (int x = 0; x < width_; ++x) {
      TColor c = Source->PixelColor(x, y);
      row[3 * x] = static_cast<uint8_t>(GetBValue(c));
      row[3 * x + 1] = static_cast<uint8_t>(GetGValue(c));
      row[3 * x + 2] = static_cast<uint8_t>(GetRValue(c));
    }
  }
}

uint8_t* TEffectBmp::GetRow(int Y) {
  if (Y < 0 || Y >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  return pixels_.data() + static_cast<size_t>(Y) * row_;
}

void TEffectBmp::ReadRow(int Y, uint8_t* Buffer) {
  std::memcpy(Buffer, GetRow(Y), static_cast<size_t>(row_));
}

void TEffectBmp::WriteRow(int Y, const uint8_t* Buffer) {
  std::memcpy(GetRow(Y), Buffer, static_cast<size_t>(row_));
}

void TEffectBmp::Blend(TEffectBmp& Other, double Factor) {
  if (Other.width_ != width_ || Other.height_ != height_) return;
  const double f = std::clamp(std::isnan(Factor) ? 0.0 : Factor, 0.0, 1.0);
  std::vector<uint8_t> own(static_cast<size_t>(row_)), other(static_cast<size_t>(row_));
  for (int y = 0; y < height_; ++y) {
    ReadRow(y, own.data());
    Other.ReadRow(y, other.data());
    for (int i = 0; i < 3 * width_; ++i) {
      // nearbyint rounds halves to even in the default rounding mode.
      const double v = (1.0 - f) * own[static_cast<size_t>(i)] + f * other[static_cast<size_t>(i)];
      own[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
    }
    WriteRow(y, own.data());
  }
}

void TEffectBmp::CopyTo(TBitmap* Target) const {
  if (Target == nullptr) return;
  Target->SetPixelFormat(pf24bit);
  Target->SetSize(width_, height_);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = pixels_.data() + static_cast<size_t>(y) * row_;
    std::memcpy(Target->ScanLine(y), src, static_cast<size_t>(3 * width_));
  }
  Target->Changed(Target);
}

void TEffectBmp::Draw(TCanvas* Canvas, int X, int Y) {
  if (Canvas == nullptr || width_ == 0) return;
  TBitmap b;
  CopyTo(&b);
  Canvas->Draw(X, Y, &b);
}

void PaintEffectBackground(TControl* Control, bool Transparent, TBitmap* Target) {
  Target->SetPixelFormat(pf24bit);
  Target->SetSize(Control->Width() + 1, Control->Height() + 1);
  Target->Canvas()->SetFont(Control->Font());
  TColor fill =
      Transparent && Control->Parent() != nullptr ? Control->Parent()->Color() : Control->Color();
  Target->Canvas()->Brush()->SetColor(fill);
  Target->Canvas()->FillRect(Rect(0, 0, Target->Width(), Target->Height()));
  if (Transparent) PaintControlBackground(Control, Target->Canvas());
}

TEffectGControl::TEffectGControl(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() | csOpaque);
}

void TEffectGControl::SetTransparent(bool Value) {
  transparent_ = Value;
  if (Value)
    SetControlStyle(ControlStyle() & ~csOpaque);
  else
    SetControlStyle(ControlStyle() | csOpaque);
  Invalidate();
}

void TEffectGControl::RepaintOpaque() {
  const TControlStyle saved = ControlStyle();
  SetControlStyle(saved | csOpaque);
  try {
    Repaint();
  } catch (...) {
    SetControlStyle(saved);
    throw;
  }
  SetControlStyle(saved);
}

void TEffectGControl::Paint() {
  TBitmap off;
  PaintEffectBackground(this, transparent_, &off);
  paintContent(&off);
  Canvas()->Draw(0, 0, &off);
}

void TEffectGControl::BoundsChanged(bool Moved, bool Resized) {
  TGraphicControl::BoundsChanged(Moved, Resized);
  if (Moved && transparent_) Invalidate();
}

TEffectCControl::TEffectCControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() | csOpaque);
}

void TEffectCControl::SetTransparent(bool Value) {
  transparent_ = Value;
  Invalidate();
}

void TEffectCControl::Paint() {
  TBitmap off;
  PaintEffectBackground(this, transparent_, &off);
  paintContent(&off);
  Canvas()->Draw(0, 0, &off);
}

void TEffectCControl::BoundsChanged(bool Moved, bool Resized) {
  TCustomControl::BoundsChanged(Moved, Resized);
  if (Moved && transparent_) Invalidate();
}

void TEffectCControl::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

}  // namespace controls
