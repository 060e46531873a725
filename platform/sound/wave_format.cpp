#include <cstring>

#include "platform/sound/mmsystem.h"

namespace sound {

namespace {
void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

size_t FormatByteSize(const WAVEFORMATEX& f) {
  return f.wFormatTag == WAVE_FORMAT_PCM ? 16 : 18 + f.extra.size();
}

std::vector<uint8_t> FormatToBytes(const WAVEFORMATEX& f) {
  std::vector<uint8_t> b;
  b.reserve(FormatByteSize(f));
  Put16(b, f.wFormatTag);
  Put16(b, f.nChannels);
  Put32(b, f.nSamplesPerSec);
  Put32(b, f.nAvgBytesPerSec);
  Put16(b, f.nBlockAlign);
  Put16(b, f.wBitsPerSample);
  if (f.wFormatTag != WAVE_FORMAT_PCM) {
    Put16(b, static_cast<uint16_t>(f.extra.size()));
    b.insert(b.end(), f.extra.begin(), f.extra.end());
  }
  return b;
}

bool FormatFromBytes(const uint8_t* Data, size_t Size, WAVEFORMATEX& Out) {
  if (!Data || Size < 16) return false;
  WAVEFORMATEX f;
  f.wFormatTag = Get16(Data);
  f.nChannels = Get16(Data + 2);
  f.nSamplesPerSec = Get32(Data + 4);
  f.nAvgBytesPerSec = Get32(Data + 8);
  f.nBlockAlign = Get16(Data + 12);
  f.wBitsPerSample = Get16(Data + 14);
  if (f.wFormatTag != WAVE_FORMAT_PCM && Size >= 18) {
    const size_t extra = Get16(Data + 16);
    if (Size < 18 + extra) return false;
    f.extra.assign(Data + 18, Data + 18 + extra);
  }
  f.cbSize = static_cast<uint16_t>(f.extra.size());
  Out = std::move(f);
  return true;
}

}  // namespace sound
