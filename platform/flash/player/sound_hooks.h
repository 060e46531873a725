// What the player tells its sound about: frames reached, ticks, unloaded levels and StopSounds.
// The movie's sound (platform/flash/sound) implements it; the player only calls it.
#pragma once

#include <cstdint>
#include <memory>

namespace flash {

class MovieClip;
struct SoundDef;

// How a clip's sounds reach the speakers (the script Sound object sets it): a volume and the
// share of each input channel in each output channel, all in percent. ll: left in left, lr:
// right in left, rr: right in right, rl: left in right.
struct SoundTransform {
  int32_t volume = 100;
  int32_t ll = 100, lr = 0, rr = 100, rl = 0;
};

class SoundHooks {
 public:
  virtual ~SoundHooks() = default;
  // A timeline reached `frame` (0-based): by advancing or first showing it, or by a goto.
  // `in_tick` tells whether this happens during a tick (else the frame's sounds wait for the
  // next tick, like its scripts).
  virtual void OnFrame(MovieClip& clip, int frame, bool by_goto, bool in_tick) = 0;
  virtual void OnTickBegin() = 0;
  virtual void OnTickEnd() = 0;
  virtual void OnUnload(MovieClip& root) = 0;
  virtual void StopAll() = 0;

  // Sounds started by scripts. A sound belongs to `clip`: the transforms of the clip and of its
  // parents apply to it. `offset_seconds` is where playback (and every loop) begins.
  virtual void StartScriptSound(MovieClip& clip, std::shared_ptr<const SoundDef> def,
                                double offset_seconds, int loops) {
    (void)clip, (void)def, (void)offset_seconds, (void)loops;
  }
  // Stops the voices of `def`, or with no def every voice of the clip and the clips in it.
  virtual void StopScriptSounds(MovieClip& clip, const SoundDef* def) { (void)clip, (void)def; }
  // A button shown in state `from` now shows `to` (ButtonState bits): its DefineButtonSound
  // sound for that change starts.
  virtual void OnButtonState(MovieClip& button, uint8_t from, uint8_t to) {
    (void)button, (void)from, (void)to;
  }
  // A clip's sound transform changed: its voices and those of the clips in it take it on.
  virtual void TransformChanged() {}
  // The decoded length of a sound in milliseconds (0 when it does not decode).
  virtual double DurationMs(const std::shared_ptr<const SoundDef>& def) {
    (void)def;
    return 0;
  }
};

}  // namespace flash
