// Fuzz entry point: any bytes as a WAVE file for the RIFF reader. The chunk
// tree is built and scanned, and a file the reader accepts is played through
// (decoding compressed data) without touching memory outside the mapping.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "audio/acm.h"
#include "audio/riff.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("LUMICAST_SOUND", "none", 1);
  fuzzsupport::StartApplication();
  lumicast::sharedAcm();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static fuzzsupport::TempInput input(".wav");
  const std::string& path = input.Write(Data, Size);
  lumicast::unaRiffStream reader(path, lumicast::sharedAcm(), Size % 2 == 0, false);
  if (reader.status == lumicast::unaRiffStream::statusReaderReady && reader.open() == 0) {
    for (int i = 0; i < 20 && !reader.endReachedForDelivery.load(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    reader.close();
  }
  return 0;
}
