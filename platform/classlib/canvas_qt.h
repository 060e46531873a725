// Bridges between the graphics classes and Qt, for code of the platform
// layer only (controls painting into off-screen images, the movie renderer,
// the clipboard). Public class-library headers never include this file.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <QString>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/region.h"

namespace classlib {

// Makes Canvas draw on Image until DetachSurface or the next attach. The image
// must be Format_RGB32, Format_ARGB32 or Format_ARGB32_Premultiplied (pixels
// written get alpha 255) and must outlive the attachment; other formats raise
// EInvalidGraphicOperation.
void AttachCanvasToImage(TCanvas& Canvas, QImage& Image);

// A top-down Format_RGB32 copy of the bitmap (Format_ARGB32 with
// WithAlpha for 32-bit bitmaps, taking their fourth byte as alpha).
QImage BitmapToQImage(const TBitmap& Bitmap, bool WithAlpha = false);
// Replaces Bitmap's picture by Image's pixels as a 32-bit bitmap (alpha kept
// in the fourth byte).
void QImageToBitmap(const QImage& Image, TBitmap& Bitmap);

// The face Qt draws for a requested face name (Arial -> Liberation Sans...).
QString MapFontFamily(const std::string& Name);
// The font at 96 dpi in pixel sizes, with deterministic hinting.
QFont FontToQFont(const TFont& Font);

QColor ColorToQColor(TColor Color);  // system colours resolved
TColor QColorToColor(const QColor& Color);
QRegion RegionToQRegion(const TRegion& Region);
TRegion QRegionToRegion(const QRegion& Region);

}  // namespace classlib
