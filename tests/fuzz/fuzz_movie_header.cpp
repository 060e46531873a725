// Fuzz entry point: any bytes as a ".swf" and as a ".exe" file are classified, their movie header
// is read and a projector's movie is extracted, without a crash and without reading outside the
// buffers. Failures are reported through the results or class-library exceptions.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/movie_file.h"
#include "platform/classlib/exceptions.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void Examine(fuzzsupport::TempInput& file, const uint8_t* data, size_t size,
             const std::string& out) {
  file.Write(data, size);
  try {
    (void)lumicast::GetSwfFileKind(file.Path());
    lumicast::TSwfHeader header;
    (void)lumicast::ReadSwfHeader(file.Path(), header);
    const std::string written = lumicast::ExtractSwfFromProjector(file.Path(), out);
    if (!written.empty()) std::remove(written.c_str());
  } catch (const classlib::Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzsupport::TempInput swf(".swf");
  static fuzzsupport::TempInput exe(".exe");
  static fuzzsupport::TempInput out(".swf");
  Examine(swf, data, size, out.Path());
  Examine(exe, data, size, out.Path());
  return 0;
}
