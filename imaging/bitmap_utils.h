// Small helpers shared by the GIF writer, the colour reduction and the
// custom controls: integer and memory operations, rectangles, text
// shortening, the not-implemented report, drawing a bitmap with a key colour
// left out, disabled-look bitmaps and painting what lies under a see-through
// control.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/geometry.h"

namespace classlib {
class TControl;
class TImageList;
class TWinControl;
}  // namespace classlib

namespace lumicast {

int32_t IntMax(int32_t A, int32_t B);
int32_t IntMin(int32_t A, int32_t B);

// A zero-filled block of Size bytes; nullptr for a size of 0 or less.
void* AllocGlobalBlock(int64_t Size);
// Frees a block of AllocGlobalBlock and sets the holder to nullptr.
void FreeGlobalBlock(void*& Holder);
bool SameBytes(const void* A, const void* B, size_t Length);
// Copies Count bytes; the ranges may overlap.
void CopyBytes(void* Destination, const void* Source, size_t Count);
inline uint8_t* OffsetPointer(void* P, ptrdiff_t Count) { return static_cast<uint8_t*>(P) + Count; }
inline const std::string& ResourceText(const std::string& Text) { return Text; }

inline int RectSpanX(const classlib::TRect& R) { return R.Right - R.Left; }
inline int RectSpanY(const classlib::TRect& R) { return R.Bottom - R.Top; }
// Edges included on all four sides.
inline bool IsPointInsideRect(const classlib::TPoint& P, const classlib::TRect& R) {
  return P.X >= R.Left && P.X <= R.Right && P.Y >= R.Top && P.Y <= R.Bottom;
}

// Takes one pending message numbered Msg for Window out of the queue. When
// that was the quit message, the quit request is posted again with the same
// exit code, so the application still ends.
void DropPendingMessage(classlib::TWinControl* Window, uint32_t Msg);

// Text when it fits Width pixels in Canvas's font; otherwise the longest
// "first characters + ..." that fits, down to "..." alone.
std::string ShortenTextToWidth(const std::string& Text, classlib::TCanvas* Canvas, int Width);

// True when one of the program's windows is active and the caller runs on
// the user-interface thread.
bool HasActiveThreadWindow();

// Restores the default cursor, shows "Function not yet implemented" and
// aborts the current operation silently (EAbort).
[[noreturn]] void RaiseNotImplemented();

// Draws (stretching) the source rectangle of Bitmap into the destination
// rectangle, leaving out the pixels of the key colour. A destination width or
// height below 1 takes the bitmap's; a source width or height below 1 takes
// the whole bitmap. Key clNone draws opaque; clDefault takes the bitmap's
// bottom-left pixel; monochrome bitmaps use white as the key.
void StretchBitmapKeyed(classlib::TCanvas* Canvas, int X, int Y, int Width, int Height,
                        classlib::TBitmap* Bitmap, int SrcX, int SrcY, int SrcW, int SrcH,
                        classlib::TColor Key);
void DrawBitmapRectTransparent(classlib::TCanvas* Canvas, int X, int Y, classlib::TColor Key,
                               classlib::TBitmap* Bitmap, const classlib::TRect& Source,
                               int DestHeight, int DestWidth);
void BlitBitmapRectKeyed(classlib::TCanvas* Canvas, int X, int Y, classlib::TColor Key,
                         classlib::TBitmap* Bitmap, const classlib::TRect& Source);
void BlitBitmapKeyed(classlib::TCanvas* Canvas, int X, int Y, classlib::TColor Key,
                     classlib::TBitmap* Bitmap);

// A new bitmap (owned by the caller) of Bitmap's size, filled with
// Background, with the pixels that differ from MaskColor painted in Shadow
// (and, when Highlight is set, first in HighlightColor one pixel right and
// down).
classlib::TBitmap* MakeEmbossedBitmap(classlib::TBitmap* Bitmap, classlib::TColor MaskColor,
                                      classlib::TColor Background, bool Highlight,
                                      classlib::TColor Shadow, classlib::TColor HighlightColor);
// The disabled look: button face, shadow and highlight colours.
classlib::TBitmap* MakeGrayedBitmap(classlib::TBitmap* Bitmap, classlib::TColor MaskColor);

// Draws image Index of List in the disabled look: every pixel of the image
// that is not white when the image is drawn over white is painted, first in
// HighlightColor one pixel right and down (when Highlight is set), then in
// Shadow at (X, Y). The canvas's brush colour is left as it was.
void DrawImageListItemGrayed(classlib::TImageList* List, classlib::TCanvas* Canvas, int X, int Y,
                             int Index, classlib::TColor Shadow, classlib::TColor HighlightColor,
                             bool Highlight);

// Paints onto Canvas (the control's client coordinates) what lies under the
// control: the parent's background and the visible graphic siblings before it
// that overlap it.
void PaintParentBackground(classlib::TControl* Control, classlib::TCanvas* Canvas);

}  // namespace lumicast
