// Decodes the movie format's sound codecs to 44100 Hz interleaved stereo 16-bit frames, the form
// the player's mixer plays. Undecodable data gives no frames, never an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/sound.h"

namespace flash {

constexpr int kSoundMixRate = 44100;
// No sound decodes to more than ten minutes, whatever its declared sample count says.
constexpr size_t kMaxSoundFrames = 10u * 60u * kSoundMixRate;

class SoundDecoder {
 public:
  explicit SoundDecoder(const SoundFormat& format);
  ~SoundDecoder();
  SoundDecoder(const SoundDecoder&) = delete;
  SoundDecoder& operator=(const SoundDecoder&) = delete;

  // False when the codec is unknown or has no decoder here (its sound plays as silence).
  bool Usable() const;
  // Decodes one piece of coded sound (a whole event sound or one stream block) and appends its
  // frames to `out`, which never grows beyond `max_frames` frames.
  void Decode(const uint8_t* data, size_t size, std::vector<int16_t>& out,
              size_t max_frames = kMaxSoundFrames);
  // Appends what the decoder and resampler still hold.
  void Flush(std::vector<int16_t>& out, size_t max_frames = kMaxSoundFrames);
  // Forgets all state, as at the start of a new stream.
  void Reset();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Decodes a whole event sound; MP3 seek samples are skipped.
std::shared_ptr<const std::vector<int16_t>> DecodeEventSound(const SoundDef& def);

}  // namespace flash
