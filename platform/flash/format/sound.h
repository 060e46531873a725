// The movie format's sound tags as plain data: sound definitions, the sound-info record of a
// start, stream heads and blocks, the sounds of buttons and the class names of symbols.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/flash/format/types.h"

namespace flash {

// Codec numbers of the format's sound fields.
enum SoundCodec : uint8_t {
  kSoundPcmNative = 0,  // uncompressed; 16-bit samples are read little-endian
  kSoundAdpcm = 1,
  kSoundMp3 = 2,
  kSoundPcmLittle = 3,
  kSoundNelly16k = 4,
  kSoundNelly8k = 5,
  kSoundNelly = 6,
  kSoundSpeex = 11,
};

struct SoundFormat {
  uint8_t codec = 0;
  uint8_t rate_code = 0;  // 0..3: 5512.5, 11025, 22050, 44100 Hz
  bool sixteen_bit = false;
  bool stereo = false;
  // The rate the data is coded at (Nellymoser 16/8 kHz and Speex fix their own).
  double SampleRate() const;
  int Channels() const { return stereo ? 2 : 1; }
  bool operator==(const SoundFormat&) const = default;
};

struct SoundDef : CharacterDef {
  explicit SoundDef(uint16_t character_id) : CharacterDef(Kind::Sound, character_id) {}
  SoundFormat format;
  uint32_t sample_count = 0;  // as declared; never trusted to size anything
  int seek_samples = 0;       // MP3: samples of decoder delay to skip at the start
  std::vector<uint8_t> data;  // the coded sound (MP3: the frames after the seek field)
};

struct SoundEnvelopePoint {
  uint32_t position = 0;  // in 44.1 kHz samples from the start of playback
  uint16_t left = 32768, right = 32768;
};

struct SoundInfo {
  bool stop = false;
  bool no_multiple = false;
  bool has_in = false, has_out = false;
  uint32_t in_point = 0, out_point = 0;  // 44.1 kHz samples
  uint16_t loops = 1;
  std::vector<SoundEnvelopePoint> envelope;
};

// StartSound (by id) or StartSound2 (by class name, resolved through the symbol classes).
struct StartSoundTag {
  uint16_t sound_id = 0;
  std::string class_name;
  SoundInfo info;
};

struct SoundStreamHead {
  SoundFormat playback;
  SoundFormat stream;
  uint16_t samples_per_block = 0;
  int16_t latency_seek = 0;
};

struct ButtonSounds {
  uint16_t button_id = 0;
  // In the tag's order: over to up (idle), up to over, over to down, down to over; id 0 plays
  // nothing.
  StartSoundTag transitions[4];
};

// The parsers throw FormatError for a field that runs past its tag.
std::shared_ptr<SoundDef> ParseDefineSound(const uint8_t* data, size_t size);
StartSoundTag ParseStartSound(uint16_t tag_code, const uint8_t* data, size_t size);
SoundStreamHead ParseSoundStreamHead(const uint8_t* data, size_t size);
ButtonSounds ParseDefineButtonSound(const uint8_t* data, size_t size);
// SymbolClass: (id, class name) pairs.
std::vector<std::pair<uint16_t, std::string>> ParseSymbolClass(const uint8_t* data, size_t size);

}  // namespace flash
