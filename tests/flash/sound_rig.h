// A player whose mixer a sound test pulls itself: one frame period of sound
// after each tick, all of it kept, interleaved stereo.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/sound/movie_sound.h"

namespace soundtest {

constexpr int kFps = 20;
constexpr size_t kTickFrames = 44100 / kFps;

struct Rig {
  flash::Player player;
  flash::MovieSound& sound;
  std::vector<int16_t> out;  // everything rendered, interleaved stereo
  Rig() : sound(static_cast<flash::MovieSound&>(*player.sound)) { sound.SetAutoAttach(false); }
  void Load(const flash::SwfWriter& w) { player.LoadBytes(0, w.Finish(false)); }
  void Pull(size_t frames = kTickFrames) {
    size_t at = out.size();
    out.resize(at + frames * 2, 0);
    sound.Mixer().Render(out.data() + at, static_cast<int>(frames));
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      player.Tick();
      Pull();
    }
  }
  size_t Frames() const { return out.size() / 2; }
};

}  // namespace soundtest
