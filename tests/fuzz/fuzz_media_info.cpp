// Fuzz entry point: any bytes as a ".wav" and as a ".mp3" file give a file-information record
// (or the bad-input result) without a crash, and the record says what the result says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/encoder/mcl.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void Examine(fuzzsupport::TempInput& file, const uint8_t* data, size_t size) {
  file.Write(data, size);
  MclFileInfo info;
  std::memset(&info, 0x5A, sizeof info);
  const int32_t result = MclGetFileInfo(file.Path().c_str(), sizeof info, &info, 0, 0);
  if (result != kMclOk && info.hasAudio != 0) std::abort();  // a failure must say "no sound"
  if (info.audioDurationMs < 0 && result == kMclOk) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzsupport::TempInput wav(".wav");
  static fuzzsupport::TempInput mp3(".mp3");
  Examine(wav, data, size);
  Examine(mp3, data, size);
  return 0;
}
