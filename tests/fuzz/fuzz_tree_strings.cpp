// Fuzz entry point: any bytes read as a run of counted strings (a 32-bit count, then the text);
// every read either yields a text of the counted length or fails without reading past the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "treectl/tree_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  classlib::TMemoryStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  try {
    for (;;) {
      const int64_t before = in.Position();
      std::string text = "unchanged";
      if (!lumicast::ReadCountedString(&in, text)) {
        if (text != "unchanged") std::abort();  // a failed read must leave the text alone
        break;
      }
      if (in.Position() != before + 4 + static_cast<int64_t>(text.size())) std::abort();
    }
  } catch (const classlib::Exception&) {
  }
  return 0;
}
