// Fuzz entry point: any bytes loaded by the optimising GIF class, optimised with and without
// the size passes, written, and read again. Loading either succeeds or raises a class-library
// exception; whatever loads must optimise and write without touching memory outside buffers,
// and what is written must load again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/gif_image_ex.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::StartApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  classlib::TMemoryStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  lumicast::TGIFImageEx image;
  try {
    image.LoadFromStream(&in);
  } catch (const classlib::Exception&) {
    return 0;
  }
  lumicast::gifex::GIFSizePasses = (data[size - 1] & 1) != 0;
  classlib::TMemoryStream out;
  try {
    image.Optimize(0x1F, 0, 0, 8);
    image.SaveToStream(&out);
  } catch (const classlib::Exception&) {
    // Pixels outside a frame's own map cannot be written: a clear refusal.
    return 0;
  }
  out.SetPosition(0);
  lumicast::TGIFImageEx again;
  again.LoadFromStream(&out);  // what we wrote must read back
  return 0;
}
