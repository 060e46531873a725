// Helpers of the sound tests: tones, their coded forms (compressed ones encoded with FFmpeg) and
// measurements of what the mixer renders.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/flash/format/sound.h"

namespace soundtest {

// `seconds` of a sine at `freq` Hz, interleaved, amplitude `level` (of full scale).
inline std::vector<int16_t> Tone(double freq, int rate, int channels, double seconds,
                                 double level = 0.5) {
  size_t n = static_cast<size_t>(seconds * rate);
  std::vector<int16_t> s(n * static_cast<size_t>(channels));
  for (size_t i = 0; i < n; ++i) {
    auto v = static_cast<int16_t>(
        std::lround(level * 32767 * std::sin(2 * M_PI * freq * static_cast<double>(i) / rate)));
    for (int c = 0; c < channels; ++c)
      s[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = v;
  }
  return s;
}

// Uncompressed bytes: 16-bit little-endian or 8-bit unsigned.
inline std::vector<uint8_t> PcmBytes(const std::vector<int16_t>& s, bool sixteen_bit) {
  std::vector<uint8_t> b;
  for (int16_t v : s) {
    if (sixteen_bit) {
      b.push_back(static_cast<uint8_t>(v & 0xFF));
      b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    } else {
      b.push_back(static_cast<uint8_t>((v >> 8) + 128));
    }
  }
  return b;
}

// Encodes with FFmpeg's encoder of `codec` (kSoundAdpcm, kSoundMp3, kSoundNelly*); each packet is
// one element. Empty when the encoder is missing. `delay` (when given) receives the encoder's
// delay in samples.
std::vector<std::vector<uint8_t>> Encode(uint8_t codec, const std::vector<int16_t>& samples,
                                         int rate, int channels, int* delay = nullptr);

inline std::vector<uint8_t> Joined(const std::vector<std::vector<uint8_t>>& packets) {
  std::vector<uint8_t> all;
  for (const auto& p : packets) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The peak level FFmpeg's own decoder gives `packets` over the middle half of the sound, at
// the coded rate (mono codecs only); -1 when it does not decode.
double ReferencePeak(uint8_t codec, const std::vector<std::vector<uint8_t>>& packets, int rate);

struct Measure {
  double freq = 0;   // from rising zero crossings
  double peak = 0;   // largest magnitude / 32768
  size_t onset = 0;  // first frame above a small threshold (frames.size() when none)
};

// Measures one channel (0 left, 1 right) of interleaved stereo frames [from, to).
Measure MeasureChannel(const std::vector<int16_t>& frames, int channel, size_t from = 0,
                       size_t to = SIZE_MAX);

}  // namespace soundtest
