// The player's sound mixer: event-sound voices (in and out points, loops, envelopes) and one
// stream voice per timeline, summed with saturation into 44100 Hz stereo 16-bit frames.
// The player's thread changes voices through a locked command list and never waits for the mix;
// Render runs on the mix thread (or in tests, on the test's thread after each tick).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/flash/format/sound.h"

namespace flash {

class SoundMixer {
 public:
  static constexpr size_t kMaxVoices = 64;
  // A stream voice keeps at most half a second queued; older sound is dropped.
  static constexpr size_t kMaxStreamFrames = 44100 / 2;
  using Pcm = std::shared_ptr<const std::vector<int16_t>>;  // 44100 Hz interleaved stereo
  // What reaches each output channel, 32768 being the whole input channel: left out = ll * left
  // + lr * right, right out = rr * right + rl * left.
  struct Levels {
    int32_t ll = 32768, lr = 0, rr = 32768, rl = 0;
    bool Unity() const { return ll == 32768 && lr == 0 && rr == 32768 && rl == 0; }
    bool operator==(const Levels&) const = default;
  };

  // Player side. `owner` groups voices for StopOwner (a level), `sound` identifies one sound for
  // Stop and the no-multiple rule, `stream` identifies a timeline's stream voice.
  // `group` (a clip) lets SetLevels and StopGroup reach the voice later.
  void Start(const void* owner, const void* sound, Pcm pcm, const SoundInfo& info,
             const void* group, Levels levels);
  void Start(const void* owner, const void* sound, Pcm pcm, const SoundInfo& info) {
    Start(owner, sound, std::move(pcm), info, nullptr, Levels());
  }
  void Stop(const void* sound);
  void StopGroup(const void* group);
  void SetLevels(const void* group, Levels levels);
  void StopOwner(const void* owner);
  void StopAll();
  void StreamFeed(const void* owner, const void* stream, std::vector<int16_t> frames);
  void StreamEnd(const void* stream);

  // Mix side: adds the next `frames` stereo frames into `out` (saturating).
  void Render(int16_t* out, int frames);
  // True while a voice plays, a stream has queued sound or a command waits.
  bool Busy() const;
  size_t VoiceCount() const;  // event voices after the last Render

 private:
  struct Command {
    enum class Kind { Start, Stop, StopGroup, SetLevels, StopOwner, StopAll, Feed, StreamEnd };
    explicit Command(Kind k) : kind(k) {}
    Kind kind;
    const void* owner = nullptr;
    const void* key = nullptr;
    const void* group = nullptr;
    Levels levels;
    Pcm pcm;
    SoundInfo info;
    std::vector<int16_t> frames;
  };
  struct Voice {
    const void* owner = nullptr;
    const void* sound = nullptr;
    const void* group = nullptr;
    Levels levels;
    Pcm pcm;
    std::vector<SoundEnvelopePoint> envelope;  // positions non-decreasing
    size_t first = 0, last = 0;                // frames [first, last) of the sound play
    uint32_t loops_left = 1;
    size_t at = 0;        // next frame of the sound
    uint64_t played = 0;  // frames played since the start, across loops
  };
  struct Stream {
    const void* owner;
    const void* key;
    std::deque<int16_t> queue;
  };

  void Push(Command c);
  void Apply(Command& c);
  void MixVoice(Voice& v, int32_t* acc, int frames);  // false when it ended

  mutable std::mutex mutex_;
  std::vector<Command> commands_;
  bool busy_ = false;  // under mutex_: the state Render left
  size_t voice_count_ = 0;

  // Mix side only.
  std::deque<Voice> voices_;
  std::vector<Stream> streams_;
  std::vector<int32_t> acc_;
};

}  // namespace flash
