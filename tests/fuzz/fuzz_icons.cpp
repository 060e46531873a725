// Fuzz entry point: any bytes read as an animated cursor and as an icon
// list's "Icons" property either load or raise a class-library exception,
// never reading outside their buffers nor allocating beyond the input. A
// loaded cursor is handed on to an icon list and a GIF image.
#include <cstddef>
#include <cstdint>

#include "imaging/animated_cursor.h"
#include "imaging/gif_image.h"
#include "imaging/icon_list.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::StartApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  classlib::TMemoryStream in;
  if (size > 0) in.Write(data, static_cast<int64_t>(size));
  try {
    in.SetPosition(0);
    lumicast::TAnimatedCursorImage cursor;
    cursor.LoadFromStream(&in);
    lumicast::TIconList list;
    list.Assign(&cursor);
    if (cursor.FrameCount() <= 8) {
      lumicast::TGIFImage gif;
      gif.Assign(&cursor);
    }
  } catch (const classlib::Exception&) {
  }
  try {
    in.SetPosition(0);
    lumicast::TIconList list;
    list.ReadData(&in);
    classlib::TMemoryStream out;
    list.WriteData(&out);
  } catch (const classlib::Exception&) {
  }
  return 0;
}
