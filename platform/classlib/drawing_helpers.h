// Drawing operations of the window system's kind, as functions over a
// canvas: block transfers with raster operations, 3-D edges, frame controls
// (check boxes, radio buttons, push buttons, scroll arrows, caption buttons),
// the dotted focus rectangle, and clipping by regions.
#pragma once

#include <cstdint>

#include "platform/classlib/canvas.h"
#include "platform/classlib/region.h"

namespace classlib {

class TBitmap;

// Raster operations (the copy modes of canvas.h).
constexpr uint32_t SRCCOPY = cmSrcCopy;
constexpr uint32_t SRCPAINT = cmSrcPaint;
constexpr uint32_t SRCAND = cmSrcAnd;
constexpr uint32_t SRCINVERT = cmSrcInvert;
constexpr uint32_t SRCERASE = cmSrcErase;
constexpr uint32_t NOTSRCCOPY = cmNotSrcCopy;
constexpr uint32_t NOTSRCERASE = cmNotSrcErase;
constexpr uint32_t MERGECOPY = cmMergeCopy;
constexpr uint32_t MERGEPAINT = cmMergePaint;
constexpr uint32_t PATCOPY = cmPatCopy;
constexpr uint32_t PATPAINT = cmPatPaint;
constexpr uint32_t PATINVERT = cmPatInvert;
constexpr uint32_t DSTINVERT = cmDstInvert;
constexpr uint32_t BLACKNESS = cmBlackness;
constexpr uint32_t WHITENESS = cmWhiteness;
// A four-operand operation for MaskBlt: Fore where the mask is 1, Back where it is 0.
constexpr uint32_t MAKEROP4(uint32_t Fore, uint32_t Back) {
  return ((Back << 8) & 0xFF000000u) | Fore;
}

// Stretch modes (all stretch by picking the nearest source pixel).
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
int SetStretchBltMode(TCanvas* Canvas, int Mode);

// Block transfers. The pattern is the destination canvas's brush. A null
// source is allowed for operations that do not read it. Source pixels outside
// the source surface read as black. Return false when nothing could be done
// (no destination surface, or a needed source missing).
bool BitBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TCanvas* Src, int XSrc, int YSrc,
            uint32_t Rop);
// Negative widths or heights mirror.
bool StretchBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TCanvas* Src, int XSrc,
                int YSrc, int WidthSrc, int HeightSrc, uint32_t Rop);
bool PatBlt(TCanvas* Dest, int X, int Y, int Width, int Height, uint32_t Rop);
// Mask: a bitmap whose white (1) pixels select the foreground operation.
bool MaskBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TCanvas* Src, int XSrc, int YSrc,
             TBitmap* Mask, int XMask, int YMask, uint32_t Rop4);
bool InvertRect(TCanvas* Canvas, const TRect& R);
// Copies the rectangle (XSrc, YSrc, WidthSrc, HeightSrc) of Src to (X, Y, Width, Height) of
// Dest (the nearest source pixel when the sizes differ), except the pixels of the colour Key:
// there, and where the rectangle reaches outside Src, the destination stays as it was.
bool TransparentBlt(TCanvas* Dest, int X, int Y, int Width, int Height, TBitmap* Src, int XSrc,
                    int YSrc, int WidthSrc, int HeightSrc, TColor Key);

// 3-D edges.
enum : unsigned {
  BDR_RAISEDOUTER = 0x1,
  BDR_SUNKENOUTER = 0x2,
  BDR_RAISEDINNER = 0x4,
  BDR_SUNKENINNER = 0x8,
  BDR_OUTER = 0x3,
  BDR_INNER = 0xC,
  BDR_RAISED = 0x5,
  BDR_SUNKEN = 0xA,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : unsigned {
  BF_LEFT = 0x1,
  BF_TOP = 0x2,
  BF_RIGHT = 0x4,
  BF_BOTTOM = 0x8,
  BF_TOPLEFT = BF_TOP | BF_LEFT,
  BF_TOPRIGHT = BF_TOP | BF_RIGHT,
  BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT,
  BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
  BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
  BF_DIAGONAL = 0x10,
  BF_MIDDLE = 0x800,
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,
};
// Draws the edge lines inside R (two lines per side for two edge bits); with
// BF_MIDDLE fills the inside with the face colour; with BF_ADJUST shrinks R
// by the width drawn.
bool DrawEdge(TCanvas* Canvas, TRect& R, unsigned Edge, unsigned Flags);
// Draws Width one-pixel rings just inside R, the top and left lines in TopColor, the bottom and
// right ones in BottomColor (which takes the two corners they share), and shrinks R by Width.
void Frame3D(TCanvas* Canvas, TRect& R, TColor TopColor, TColor BottomColor, int Width);
// Draws a shape as disabled glyphs look: the pixels whose Mask byte is not 0 (Width x Height
// bytes, row by row from the top) with their top-left corner at (X, Y), first with Highlight in
// HighlightColor one pixel right and down, then in Shadow.
void DrawEmbossedMask(TCanvas* Canvas, int X, int Y, const uint8_t* Mask, int Width, int Height,
                      TColor Shadow, TColor HighlightColor, bool Highlight);

// Frame controls.
enum : unsigned { DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4 };
enum : unsigned {
  DFCS_CAPTIONCLOSE = 0x0,
  DFCS_CAPTIONMIN = 0x1,
  DFCS_CAPTIONMAX = 0x2,
  DFCS_CAPTIONRESTORE = 0x3,
  DFCS_CAPTIONHELP = 0x4,
  DFCS_MENUARROW = 0x0,
  DFCS_MENUCHECK = 0x1,
  DFCS_MENUBULLET = 0x2,
  DFCS_SCROLLUP = 0x0,
  DFCS_SCROLLDOWN = 0x1,
  DFCS_SCROLLLEFT = 0x2,
  DFCS_SCROLLRIGHT = 0x3,
  DFCS_SCROLLCOMBOBOX = 0x5,
  DFCS_SCROLLSIZEGRIP = 0x8,
  DFCS_BUTTONCHECK = 0x0,
  DFCS_BUTTONRADIOIMAGE = 0x1,
  DFCS_BUTTONRADIOMASK = 0x2,
  DFCS_BUTTONRADIO = 0x4,
  DFCS_BUTTON3STATE = 0x8,
  DFCS_BUTTONPUSH = 0x10,
  DFCS_INACTIVE = 0x100,
  DFCS_PUSHED = 0x200,
  DFCS_CHECKED = 0x400,
  DFCS_TRANSPARENT = 0x800,
  DFCS_HOT = 0x1000,
  DFCS_ADJUSTRECT = 0x2000,
  DFCS_FLAT = 0x4000,
  DFCS_MONO = 0x8000,
};
// Check boxes and radio buttons are drawn 13 x 13 centred in R.
bool DrawFrameControl(TCanvas* Canvas, TRect& R, unsigned Type, unsigned State);

// A dotted rectangle drawn by inverting every other pixel of its outline;
// drawing it twice restores the picture.
void DrawFocusRect(TCanvas* Canvas, const TRect& R);

// Fills / outlines a region with a colour (FrameRgn: Width x Height pixels
// along the region's inside edge).
void FillRgn(TCanvas* Canvas, const TRegion& Region, TColor Color);
void FrameRgn(TCanvas* Canvas, const TRegion& Region, TColor Color, int Width, int Height);

// Clipping (logical coordinates). Return the kind of the new clip region.
int SelectClipRgn(TCanvas* Canvas, const TRegion* Region);
int IntersectClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom);
int ExcludeClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom);
int GetClipBox(TCanvas* Canvas, TRect& R);
// Moves the logical origin; returns the previous one.
TPoint SetViewportOrg(TCanvas* Canvas, int X, int Y);
int SetBkMode(TCanvas* Canvas, int Mode);

}  // namespace classlib
