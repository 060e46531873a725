// Fuzz entry point: any bytes load into a string list as text (LF, CR LF or CR line ends), and its
// name=value and comma-text views read every line without leaving their buffers.
#include <cstddef>
#include <cstdint>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  classlib::TMemoryStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  classlib::TStringList list;
  try {
    list.LoadFromStream(&in);
    for (int i = 0; i < list.Count() && i < 256; ++i) {
      (void)list.Names(i);
      (void)list.ValueFromIndex(i);
    }
    const std::string comma = list.CommaText();
    classlib::TStringList again;
    again.SetCommaText(comma);
    again.SetCommaText(list.Text());
  } catch (const classlib::Exception&) {
  }
  return 0;
}
