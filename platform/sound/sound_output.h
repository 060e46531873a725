// Sound output: plays one wave image at a time on a worker thread into the
// sound system's default device, or silently when no device opens. Every
// buffer played passes one hook (SetSoundOutputHook), which sees the sound
// whether or not a device is present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace sound {

// Flags of PlaySoundMemory.
enum : uint32_t {
  SND_SYNC = 0x0000,       // return when the sound has ended
  SND_ASYNC = 0x0001,      // return at once
  SND_NODEFAULT = 0x0002,  // no fallback sound when this one cannot play (there never is one here)
  SND_MEMORY = 0x0004,     // the argument is a wave image in memory
  SND_LOOP = 0x0008,       // repeat until stopped; always played asynchronously
  SND_NOSTOP = 0x0010,     // fail instead of stopping a sound already playing
};

struct TWaveFormat {
  int Channels = 0;
  int SamplesPerSec = 0;
  int BitsPerSample = 0;  // 8, 16, 24 or 32
  bool IsFloat = false;   // 32-bit IEEE floats
  int BlockAlign() const { return Channels * (BitsPerSample / 8); }
};

// The sample data of a wave image (a view into the image).
struct TWaveData {
  TWaveFormat Format;
  const uint8_t* Samples = nullptr;
  size_t Size = 0;  // a whole number of frames
};

// Reads a RIFF/WAVE image: PCM of 8, 16, 24 or 32 bits or 32-bit float, 1 to
// 8 channels. False (with Error set) for anything else, for truncated or
// overlapping chunks and for an image without sample data.
bool ParseWaveImage(const void* Image, size_t Size, TWaveData& Out, std::string* Error = nullptr);

// Plays a wave image from memory (the bytes are copied; the caller may free
// them at once). Image nullptr stops the current sound. A new sound stops the
// one playing unless SND_NOSTOP is given, in which case the call fails while a
// sound plays. Returns false for an image that cannot be played.
bool PlaySoundMemory(const void* Image, size_t Size, uint32_t Flags);
// Stops the current sound (and waits for its worker to end).
void StopSound();
// True while a sound is playing.
bool SoundPlaying();

// Receives every buffer as it is played: the format and a whole number of frames.
using TSoundOutputHook =
    std::function<void(const TWaveFormat& Format, const uint8_t* Frames, size_t Bytes)>;
// Installs the hook (empty removes it); returns the previous one.
TSoundOutputHook SetSoundOutputHook(TSoundOutputHook Hook);
// Whether the default device is tried at all (on by default); tests turn it
// off so that playback is paced by the clock alone.
void SetSoundDeviceEnabled(bool Enabled);

}  // namespace sound
