// Reduction of a bitmap of any pixel format to a BMP stream of a wanted
// pixel format: 1 and 4 bits through the bitmap's own conversion, 8 bits by
// one of six methods that choose a palette of at most 256 colours.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/stream.h"

namespace lumicast {

enum TReductionMethod : uint8_t {
  rmHistogram = 0,  // the most frequent colours of the picture
  rmMedianCut = 1,  // median cut on a 4-4-4 histogram
  rm7R8G4B = 2,     // fixed 7 red, 8 green, 4 blue levels
  rm6R6G6B = 3,     // fixed 6 levels per channel
  rmRamps = 4,      // three 64-step ramps, one channel per pixel
  rmGrayscale = 5,  // 256 greys
};

// The method used where none is named (the histogram method).
extern TReductionMethod DefaultReductionMethod;

// A new memory stream, positioned at 0, holding the BMP file of Bitmap in the
// wanted pixel format (pf1bit, pf4bit, pf8bit or pf24bit). A bitmap already
// in that format is saved unchanged unless the method is rmGrayscale. An
// empty bitmap raises EInvalidGraphic "Bitmap image is not valid"; any other
// wanted format gives the not-implemented report.
std::unique_ptr<classlib::TMemoryStream> ReduceBitmapTo8Bit(classlib::TBitmap* Bitmap,
                                                            classlib::TPixelFormat WantedFormat,
                                                            TReductionMethod Method);
// ReduceBitmapTo8Bit with the smallest format holding Colors colours and the
// default method.
std::unique_ptr<classlib::TMemoryStream> ReduceBitmapToColors(classlib::TBitmap* Bitmap,
                                                              int Colors);

// The pixel format of a bitmap, and bytes of one padded row.
classlib::TPixelFormat GetBitmapPixelFormat(classlib::TBitmap* Bitmap);
int BytesPerScanline(int PixelsPerScanline, int BitsPerPixel);

// Index of the nearest level (ties to the lower level) of the 4-, 6-, 7- and
// 8-level tables, for every channel value.
const std::array<uint8_t, 256>& NearestLevelIndex(int Levels);
// The level table itself (4, 6, 7 or 8 entries).
const uint8_t* LevelTable(int Levels);

// A 24-bit picture reduced to 8-bit indices: the palette (256 entries) and
// the number of colours the method reports (0 = all 256).
struct TReducedImage {
  std::array<classlib::TRGBQuad, 256> Palette{};
  uint32_t ColorsUsed = 0;
};
// Runs a method on 24-bit rows (B, G, R; Rows24 bottom-up, Stride24 bytes per
// row) of Width x Height pixels, writing 8-bit indices into Out (Stride8 bytes
// per row, same row order).
TReducedImage ReduceRows24(const uint8_t* Rows24, int64_t Stride24, int Width, int Height,
                           TReductionMethod Method, uint8_t* Out, int64_t Stride8);

}  // namespace lumicast
