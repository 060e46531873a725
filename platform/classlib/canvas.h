// Pens, brushes, fonts and the canvas that draws with them. A canvas draws
// into pixel rows in memory (a bitmap's, or an off-screen image's): shapes and
// lines are not anti-aliased and hit exact pixels (a rectangle covers
// Left..Right-1, a line leaves out its end point), text is anti-aliased.
// Drawing on a bitmap of 1, 4 or 8 bits per pixel maps every colour to the
// nearest palette entry; pen and copy modes then act on the palette indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/colors.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/object.h"
#include "platform/classlib/region.h"

namespace classlib {

class TGraphic;
class TBitmap;
class TCanvas;

// Where a canvas draws: rows of pixels in memory. Top points at the first
// byte of the top row; Stride is the distance from a row to the row below it
// (negative for bottom-up storage). 32-bit pixels are bytes B, G, R, X, 24-bit
// pixels B, G, R; 15- and 16-bit pixels are 5-5-5 and 5-6-5 words; 1- and
// 4-bit pixels are packed from the most significant bit.
struct TPixelSurface {
  uint8_t* Top = nullptr;
  ptrdiff_t Stride = 0;
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 32;
  const TRGBQuad* Palette = nullptr;  // for 1, 4 and 8 bits
  int PaletteSize = 0;
  uint32_t PaletteVersion = 0;  // changes whenever the palette's entries change
  uint8_t AlphaFill = 0;        // written into the fourth byte of 32-bit pixels
  uint8_t* Row(int Y) const { return Top + Stride * Y; }
};

enum TPenStyle : uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};
enum TPenMode : uint8_t {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;  // a set of TFontStyle flags
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
enum : TFontCharset {
  ANSI_CHARSET = 0,
  DEFAULT_CHARSET = 1,
  SYMBOL_CHARSET = 2,
  OEM_CHARSET = 255
};

class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;
  std::string ClassName() const override { return "TGraphicsObject"; }

 protected:
  virtual void Changed();
};

class TPen : public TGraphicsObject {
 public:
  std::string ClassName() const override { return "TPen"; }
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Width() const { return width_; }
  void SetWidth(int v);  // values below 1 are stored as 1
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v);
  void Assign(TPersistent* Source) override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

class TBrush : public TGraphicsObject {
 public:
  std::string ClassName() const override { return "TBrush"; }
  TColor Color() const { return color_; }
  void SetColor(TColor v);  // a clear brush becomes solid again
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v);
  // A pattern bitmap tiled from the canvas origin (not owned); when set it
  // takes the place of colour and style.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* v);
  void Assign(TPersistent* Source) override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
};

// Screen metrics are fixed at 96 pixels per inch.
constexpr int ScreenPixelsPerInch = 96;

// How glyph edges are drawn: fqNonAntialiased draws hard edges (callers that
// supersample do their own smoothing); the others draw anti-aliased.
enum TFontQuality : uint8_t { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased };

class TFont : public TGraphicsObject {
 public:
  std::string ClassName() const override { return "TFont"; }
  // The face name as asked for; Arial, Times New Roman and Courier New (and the
  // sans-serif dialog faces) are drawn with their metric-compatible equivalents.
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v);
  // Height in pixels: negative is the character height, positive the cell
  // height (with internal leading). Size is in points: Height = -Size * 96 / 72.
  int Height() const { return height_; }
  void SetHeight(int v);
  int Size() const;
  void SetSize(int v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  // Angle of the text's base line, counter-clockwise in tenths of a degree.
  int Escapement() const { return escapement_; }
  void SetEscapement(int v);
  // Sets both the escapement and the characters' own orientation.
  int Orientation() const { return orientation_; }
  void SetOrientation(int v);
  int PixelsPerInch() const { return ScreenPixelsPerInch; }
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality v);
  void Assign(TPersistent* Source) override;

 private:
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int escapement_ = 0;
  int orientation_ = 0;
  TFontQuality quality_ = fqDefault;
};

// Copy modes: the raster operations of CopyRect, BitBlt and StretchBlt. The
// bits 16..23 are the truth table of (pattern, source, destination).
using TCopyMode = uint32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

// DrawText formats.
enum : unsigned {
  DT_TOP = 0x0,
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_TABSTOP = 0x80,
  DT_NOCLIP = 0x100,
  DT_EXTERNALLEADING = 0x200,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_INTERNAL = 0x1000,
  DT_EDITCONTROL = 0x2000,
  DT_PATH_ELLIPSIS = 0x4000,
  DT_END_ELLIPSIS = 0x8000,
  DT_MODIFYSTRING = 0x10000,
  DT_RTLREADING = 0x20000,
  DT_WORD_ELLIPSIS = 0x40000,
  DT_HIDEPREFIX = 0x100000,
  DT_PREFIXONLY = 0x200000,
};
// Text background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  std::string ClassName() const override { return "TCanvas"; }

  TPen* Pen() const;
  TBrush* Brush() const;
  TFont* Font() const;
  void SetPen(TPen* v);      // copies
  void SetBrush(TBrush* v);  // copies
  void SetFont(TFont* v);    // copies

  TPoint PenPos() const;
  void SetPenPos(const TPoint& P);
  TCopyMode CopyMode() const;
  void SetCopyMode(TCopyMode v);

  // Lines: the pen; the end point of a line is not drawn.
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void Polyline(const TPoint* Points, int Count);
  void Polyline(const std::vector<TPoint>& Points) {
    Polyline(Points.data(), static_cast<int>(Points.size()));
  }
  // Shapes: filled with the brush, outlined with the pen.
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
  void Polygon(const TPoint* Points, int Count);  // alternate filling
  void Polygon(const std::vector<TPoint>& Points) {
    Polygon(Points.data(), static_cast<int>(Points.size()));
  }
  // Brush only.
  void FillRect(const TRect& R);
  void FrameRect(const TRect& R);  // a one-pixel frame in the brush colour
  // Inverts the pixels of R (XOR with white; palette indices are complemented).
  void InvertRect(const TRect& R);

  // Text in the font's colour; an opaque (solid) brush fills the text cell.
  void TextOut(int X, int Y, const std::string& Text);
  // Text clipped to R; a solid brush fills R first.
  void TextRect(const TRect& R, int X, int Y, const std::string& Text);
  int TextWidth(const std::string& Text);
  int TextHeight(const std::string& Text);
  TSize TextExtent(const std::string& Text);
  // Formatted text in R (DT_... flags). Returns the text's height; with
  // DT_CALCRECT nothing is drawn and R's right and bottom are set to the text's extent.
  int DrawText(const std::string& Text, TRect& R, unsigned Format);
  // Text background: OPAQUE follows a solid brush, TRANSPARENT a clear one.
  int BkMode() const;
  void SetBkMode(int Mode);

  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);
  // Copies (stretching as needed) Source of Canvas to Dest with CopyMode().
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

  // -1 outside the drawing surface.
  TColor Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Color);

  // Clipping. ClipRect is the bounding box of what may be drawn (the whole
  // surface without a clip region), in logical coordinates.
  TRect ClipRect();
  bool HasClipRegion() const;
  // The clip region in logical coordinates; nullptr removes clipping.
  void SetClipRegion(const TRegion* Region);
  TRegion ClipRegion() const;
  void IntersectClipRect(const TRect& R);
  void ExcludeClipRect(const TRect& R);
  // Logical (0, 0) falls on surface pixel Origin.
  TPoint Origin() const;
  void SetOrigin(const TPoint& P);

  // Serialises drawing from several threads; Lock may be nested.
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const;

  // Whether the canvas currently has pixels to draw on.
  bool HandleAllocated();
  // A token that expires when the canvas is destroyed: code that keeps a
  // canvas pointer across waits (painters) checks it before drawing.
  std::weak_ptr<const void> LifeToken() const { return life_; }
  // Draws onto the given pixel rows until detached (the memory must outlive it).
  void AttachSurface(const TPixelSurface& Surface);
  void DetachSurface();
  // The surface drawing goes to (false when there is none).
  bool GetSurface(TPixelSurface& Surface);
  // Tells the canvas that drawing (through GetSurface) has ended.
  void NotifyChanged() { Changed(); }
  // Resets the cached colour look-ups (after palette entries changed).
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  struct Impl;  // drawing state, private to the class library's implementation

 protected:
  // A canvas that owns its surface (a bitmap's) supplies it here.
  virtual bool AcquireSurface(TPixelSurface& Surface);
  virtual void Changing();
  virtual void Changed();

 private:
  friend struct TCanvasAccess;
  std::shared_ptr<const int> life_ = std::make_shared<const int>(0);
  std::unique_ptr<Impl> d_;
};

}  // namespace classlib
