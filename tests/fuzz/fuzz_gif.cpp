// Fuzz entry point: any bytes read as a GIF file, strictly and tolerantly, either load or raise a
// class-library exception. Every loaded frame of modest size is decoded, and the first frame's
// bitmap goes through a colour reduction; the image draws and is written back and read again,
// all without touching memory outside their buffers.
#include <cstddef>
#include <cstdint>

#include "imaging/color_reduction.h"
#include "imaging/gif_image.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::StartApplication();
  return 0;
}

namespace {

void LoadAndDecode(const uint8_t* data, size_t size, bool tolerant) {
  lumicast::GIFTolerantReading = tolerant;
  classlib::TMemoryStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  lumicast::TGIFImage image;
  try {
    image.LoadFromStream(&in);
  } catch (const classlib::Exception&) {
    return;
  }
  (void)image.Width();
  (void)image.Height();
  const int frames = image.FrameCount() < 16 ? image.FrameCount() : 16;
  for (int i = 0; i < frames; ++i) {
    lumicast::TGIFFrame* frame = image.FrameAt(i);
    const auto& item = frame->Item();
    // Frames up to the format's limit are legal, but huge ones only slow the search down.
    if (static_cast<int64_t>(item.Width) * item.Height > 1024 * 1024) continue;
    try {
      classlib::TBitmap* bitmap = frame->FrameBitmap();
      if (i == 0 && bitmap != nullptr && !bitmap->Empty() &&
          static_cast<int64_t>(bitmap->Width()) * bitmap->Height() <= 128 * 128) {
        const uint8_t method = data[size - 1] % 6;
        lumicast::ReduceBitmapTo8Bit(bitmap, classlib::pf8bit,
                                     static_cast<lumicast::TReductionMethod>(method));
      }
    } catch (const classlib::Exception&) {
    }
  }
  // A loaded image draws, and what it writes back reads again.
  try {
    if (static_cast<int64_t>(image.ScreenWidth()) * image.ScreenHeight() <= 1024 * 1024) {
      classlib::TBitmap target;
      target.SetPixelFormat(classlib::pf24bit);
      target.SetSize(8, 8);
      target.Canvas()->StretchDraw(classlib::TRect{0, 0, 8, 8}, &image);
    }
    classlib::TMemoryStream out;
    image.SaveToStream(&out);
    out.SetPosition(0);
    lumicast::TGIFImage again;
    again.LoadFromStream(&out);
  } catch (const classlib::Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  LoadAndDecode(data, size, true);
  LoadAndDecode(data, size, false);
  lumicast::GIFTolerantReading = true;
  return 0;
}
