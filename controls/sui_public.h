// Drawing helpers of the skinned controls: showing the parent through a
// control, tiling, stretching a frame bitmap in nine or three parts, the
// two-colour control border, quarter turns of a bitmap and small geometry
// helpers.
#pragma once

#include <string>

#include "platform/classlib/colors.h"
#include "platform/classlib/geometry.h"

namespace classlib {
class TBitmap;
class TCanvas;
class TControl;
class TGraphic;
class TWinControl;
}  // namespace classlib

namespace controls {

// Paints Control's parent (background, then its own painting) into Canvas
// so that the control looks transparent. Nothing without a parent.
void PaintParentBackground(classlib::TCanvas* Canvas, classlib::TControl* Control);
// Tiles Picture over Canvas from the canvas origin until the tiles cover
// Rect's width and height (the last row and column reach past it).
void TileDraw(classlib::TCanvas* Canvas, classlib::TGraphic* Picture, const classlib::TRect& Rect);
// Right and bottom edges count as inside.
bool PointInRectInclusive(const classlib::TPoint& P, const classlib::TRect& R);
// The desktop work area; true on success.
bool GetWorkArea(classlib::TRect& Rect);
void MoveControlTo(classlib::TControl* Control, const classlib::TPoint& P);
void SetFormBounds(classlib::TControl* Form, const classlib::TRect& R);
// Stretches a frame bitmap over Rect (taken to start at the canvas origin)
// keeping its four corners unscaled. With Transparent the corners leave out
// fuchsia pixels; edges and centre always do.
void DrawNinePartBitmap(classlib::TBitmap* Bitmap, classlib::TCanvas* Canvas,
                        const classlib::TRect& Rect, bool Transparent);
// Draws a bitmap of three equal cells: the ends unscaled at Rect's left and
// right, the middle stretched between them. With Transparent the bitmap's
// top-left pixel colour is left out.
void DrawThreePartBitmap(classlib::TBitmap* Bitmap, classlib::TCanvas* Canvas,
                         const classlib::TRect& Rect, bool Transparent);
// Frames the control's outer pixel in Outer and the next one in Inner, on the
// canvas the control paints into (its whole area). Bordered controls call it
// after painting and keep those two pixels out of their client layout.
void DrawControlBorder(classlib::TWinControl* Control, classlib::TCanvas* Canvas,
                       classlib::TColor Outer, classlib::TColor Inner);
std::string PCharToString(const char* Text);
// Quarter turns in place: left is anticlockwise, right clockwise.
void RotateBitmapLeft(classlib::TBitmap* Bitmap);
void RotateBitmapRight(classlib::TBitmap* Bitmap);

}  // namespace controls
