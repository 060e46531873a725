// Converts interleaved 16-bit stereo sound at 44100 Hz (the mix) into a PCM
// wave format (8-bit unsigned or 16-bit signed, one or two channels, any rate)
// and back, through the resampler.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound/mmsystem.h"

struct SwrContext;

namespace sound::internal {

// True for the PCM formats the sound layer records and plays: tag 1, 8 or 16
// bits, 1-2 channels, 1000-192000 Hz, a consistent block align.
bool IsPlayablePcm(const WAVEFORMATEX& f);

class PcmConverter {
 public:
  // From (rate, channels, bits) to (rate, channels, bits).
  PcmConverter(uint32_t SrcRate, int SrcChannels, int SrcBits, uint32_t DstRate, int DstChannels,
               int DstBits);
  ~PcmConverter();
  PcmConverter(const PcmConverter&) = delete;
  PcmConverter& operator=(const PcmConverter&) = delete;
  bool ok() const { return ctx_ != nullptr; }
  // Converts Frames input frames; appends the output bytes to Out.
  void Convert(const uint8_t* In, int Frames, std::vector<uint8_t>& Out);
  // Appends what the resampler still holds and starts afresh.
  void Flush(std::vector<uint8_t>& Out);

 private:
  SwrContext* ctx_ = nullptr;
  uint32_t src_rate_, dst_rate_;
  int dst_channels_, dst_bytes_;
};

}  // namespace sound::internal
