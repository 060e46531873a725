// What the player tells its sound about: frames reached, ticks, unloaded levels and StopSounds.
// The movie's sound (platform/flash/sound) implements it; the player only calls it.
#pragma once

namespace flash {

class MovieClip;

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
};

}  // namespace flash
