// Fuzz entry point: any bytes read as a BMP stream either load or raise a class-library
// exception; a loaded bitmap's rows, its colour reductions, drawing, conversion and saved form
// stay in bounds.
#include <cstddef>
#include <cstdint>

#include "imaging/color_reduction.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::StartApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  classlib::TMemoryStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  classlib::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(&in);
  } catch (const classlib::Exception&) {
    return 0;
  }
  if (bitmap.Empty()) return 0;
  // Touch the first and last byte of every row.
  const int bits = classlib::PixelFormatBits(bitmap.PixelFormat());
  const int row = bits > 0 ? classlib::BytesPerScanLine(bitmap.Width(), bits) : 0;
  unsigned sum = 0;
  for (int y = 0; y < bitmap.Height() && row > 0; ++y) {
    const uint8_t* p = bitmap.ScanLine(y);
    sum += p[0] + p[row - 1];
  }
  (void)sum;
  try {
    classlib::TMemoryStream out;
    bitmap.SaveToStream(&out);
    if (static_cast<int64_t>(bitmap.Width()) * bitmap.Height() <= 64 * 64) {
      const uint8_t method = size > 0 ? data[size - 1] % 6 : 0;
      lumicast::ReduceBitmapTo8Bit(&bitmap, classlib::pf8bit,
                                   static_cast<lumicast::TReductionMethod>(method));
      lumicast::ReduceBitmapTo8Bit(&bitmap, classlib::pf4bit, lumicast::rmHistogram);
      // Drawing reads the pixels through the palette; converting rewrites them.
      classlib::TBitmap target;
      target.SetPixelFormat(classlib::pf24bit);
      target.SetSize(8, 8);
      target.Canvas()->Draw(1, 1, &bitmap);
      target.Canvas()->StretchDraw(classlib::TRect{0, 0, 5, 7}, &bitmap);
      bitmap.SetPixelFormat(classlib::pf24bit);
    }
  } catch (const classlib::Exception&) {
  }
  return 0;
}
