// Bitmap helpers shared by the skinned controls (keyed drawing with the key
// taken from the bitmap itself, frames cut from a strip, region data from a
// bitmap), the 24-bit blend bitmap TEffectBmp, and the two control bases that
// paint through an off-screen bitmap over their parent's background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/region.h"

namespace controls {

// Paints into Canvas what lies under Control: the parent's own painting and
// the visible windowless siblings before Control that overlap it.
void PaintControlBackground(classlib::TControl* Control, classlib::TCanvas* Canvas);
// Count nested one-pixel frames, each inside the previous: top and left in
// TopLeft, right and bottom in BottomRight.
void DrawTwoColourFrame(classlib::TCanvas* Canvas, const classlib::TRect& R,
                        classlib::TColor TopLeft, classlib::TColor BottomRight, int Count);
// The bottom-left pixel (-1 for an empty bitmap).
classlib::TColor BitmapKeyColour(const classlib::TBitmap* Bitmap);
// Draws the Source part of Bitmap (all of it when Source is empty) at (X, Y),
// stretched to Width x Height when both are non-zero. Key clNone draws
// opaque; clDefault (0x20000000) takes the source part's bottom-left pixel.
void DrawKeyedBitmapPart(classlib::TCanvas* Canvas, int X, int Y, classlib::TColor Key,
                         classlib::TBitmap* Bitmap, const classlib::TRect& Source, int Width,
                         int Height);
void DrawKeyedBitmap(classlib::TCanvas* Canvas, int X, int Y, classlib::TColor Key,
                     classlib::TBitmap* Bitmap);
// Frame FrameIndex (1-based) of FrameCount frames side by side, keyed by that
// frame's bottom-left pixel.
void DrawBitmapFrame(classlib::TCanvas* Canvas, int X, int Y, int FrameCount, int FrameIndex,
                     classlib::TBitmap* Bitmap);

// Most rectangles a region description from BitmapRegionData holds.
constexpr int kMaxRegionRects = 9984;
// A region description of the bitmap's pixels that differ from the key: the
// pixel at column 0 of the second-to-last row (of the only row for a one-row
// bitmap). A 32-byte header (size 32, type 1, count, 0, bounds 0, 0, width,
// height) then 16 bytes (left, top, right, bottom) per run, little-endian.
// Returns the size in bytes, 0 for an empty bitmap. Runs past
// kMaxRegionRects are left out.
size_t BitmapRegionData(const classlib::TBitmap* Bitmap, std::vector<uint8_t>& Data);
// The region a description of BitmapRegionData stands for (empty when the
// data is malformed).
classlib::TRegion RegionFromData(const std::vector<uint8_t>& Data);

// A 24-bit bitmap with top-down rows of 3 * Width + Width mod 4 bytes (B, G, R).
class TEffectBmp {
 public:
  explicit TEffectBmp(const classlib::TBitmap* Source);
  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t Size() const { return pixels_.size(); }
  int RowBytes() const { return row_; }
  uint8_t* GetRow(int Y);  // EInvalidGraphicOperation outside 0..Height-1
  void ReadRow(int Y, uint8_t* Buffer);
  void WriteRow(int Y, const uint8_t* Buffer);
  // Moves this bitmap toward Other by Factor (clamped to 0..1), per channel
  // Round((1 - f) * own + f * other); nothing when the sizes differ.
  void Blend(TEffectBmp& Other, double Factor);
  void Draw(classlib::TCanvas* Canvas, int X, int Y);
  // Writes the pixels into Target (resized to this size, 24-bit).
  void CopyTo(classlib::TBitmap* Target) const;

 private:
  int width_ = 0;
  int height_ = 0;
  int row_ = 0;
  std::vector<uint8_t> pixels_;
};

// A windowless control painted through an off-screen bitmap; with
// Transparent it shows its parent's picture behind what it draws.
class TEffectGControl : public classlib::TGraphicControl {
 public:
  explicit TEffectGControl(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TEffectGControl"; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  // Repaints without letting the parent erase the area first.
  void RepaintOpaque();

 protected:
  virtual void paintContent(classlib::TBitmap* Target) { (void)Target; }
  void Paint() override;
  void BoundsChanged(bool Moved, bool Resized) override;

 private:
  bool transparent_ = false;
};

// A windowed control painted the same way.
class TEffectCControl : public classlib::TCustomControl {
 public:
  explicit TEffectCControl(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TEffectCControl"; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);

 protected:
  virtual void paintContent(classlib::TBitmap* Target) { (void)Target; }
  void Paint() override;
  void BoundsChanged(bool Moved, bool Resized) override;
  void WMEraseBkgnd(classlib::TMessage& Message) override;

 private:
  bool transparent_ = false;
};

// Paints Control's background into Target (sized Width + 1 x Height + 1) the
// way both bases do: the parent's picture when Transparent, else its colour.
void PaintEffectBackground(classlib::TControl* Control, bool Transparent,
                           classlib::TBitmap* Target);

}  // namespace controls
