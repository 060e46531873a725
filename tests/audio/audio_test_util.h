// Helpers of the audio tests: a tone on the playback mix, waiting for a
// condition, and counting the process's threads.
#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <dirent.h>
#include <functional>
#include <thread>

#include "platform/sound/playback_mix.h"

namespace audiotest {

// A 1 kHz tone (or silence) on both channels of the mix while it lives.
class Tone {
 public:
  explicit Tone(int amplitude = 10000) : amplitude_(amplitude) {
    id_ = sound::MixAddProducer([this](int16_t* out, int frames) {
      for (int i = 0; i < frames; ++i, ++frame_) {
        const auto v =
            static_cast<int16_t>(amplitude_.load() * std::sin(2 * M_PI * 1000.0 * frame_ / 44100));
        out[2 * i] = out[2 * i + 1] = v;
      }
    });
  }
  ~Tone() { sound::MixRemoveProducer(id_); }
  void setAmplitude(int a) { amplitude_ = a; }

 private:
  std::atomic<int> amplitude_;
  long frame_ = 0;
  int id_ = 0;
};

// Polls Condition for up to Seconds; true when it held.
inline bool WaitFor(const std::function<bool()>& condition, double seconds = 10) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

inline int ThreadCount() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}

// Runs the mix by hand for the lifetime of the object.
struct ManualClock {
  ManualClock() { sound::testing::SetManualMixClock(true); }
  ~ManualClock() { sound::testing::SetManualMixClock(false); }
  void advance(int periods) { sound::testing::AdvanceMixClock(periods); }
};

}  // namespace audiotest
