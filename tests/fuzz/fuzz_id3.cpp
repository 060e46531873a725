// Fuzz entry point: any bytes as an MP3 file's tags give frames of known ids and well-formed
// UTF-8 text, without a read outside the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/flash/format/id3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const flash::Id3Tags tags = flash::ReadId3Tags(data, size);
  for (const flash::Id3Frame& f : tags.frames) {
    if (f.id.size() != 4 || f.text.size() > 2 * size) std::abort();
    for (size_t i = 0; i < f.text.size();) {
      const auto b = static_cast<uint8_t>(f.text[i]);
      const size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
      if (n == 0 || i + n > f.text.size()) std::abort();
      for (size_t k = 1; k < n; ++k)
        if ((static_cast<uint8_t>(f.text[i + k]) & 0xC0) != 0x80) std::abort();
      i += n;
    }
  }
  if (flash::Id3v2TagSize(data, size) > size) std::abort();
  return 0;
}
