// MclDIBToImg: copies a class-library bitmap into a library image.
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/encoder/image.h"
#include "platform/encoder/mcl.h"

int32_t MclDIBToImg(MclHandle image, classlib::TBitmap* bitmap) {
  if (!mcl::FindAs<mcl::Image>(image)) return kMclBadImage;
  if (!bitmap || bitmap->Empty()) return kMclBadInput;
  const int w = bitmap->Width();
  const int h = bitmap->Height();
  const int bits = bitmap->BitsPerPixel();
  // The rows lie bottom-up in memory: from the top row downwards the
  // distance between rows is negative.
  const uint8_t* top = bitmap->ScanLine(0);
  const ptrdiff_t stride = h > 1 ? bitmap->ScanLine(1) - top : ptrdiff_t(bitmap->RowBytes());
  if (bits == 24 || bits == 32) return mcl::SetImagePixels(image, w, h, bits, top, stride);
  if (bits == 8) {
    const classlib::TPalette pal = bitmap->Palette();
    std::vector<uint8_t> quads(pal.size() * 4);
    for (size_t i = 0; i < pal.size(); ++i) {
      quads[i * 4] = pal[i].rgbBlue;
      quads[i * 4 + 1] = pal[i].rgbGreen;
      quads[i * 4 + 2] = pal[i].rgbRed;
    }
    return mcl::SetImagePixels8(image, w, h, top, stride, quads.data(),
                                int32_t(pal.size() > 256 ? 256 : pal.size()));
  }
  return kMclBadInput;  // 1-, 4- and 16-bit bitmaps are not taken
}
