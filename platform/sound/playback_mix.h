// The process's playback mix: every producer of sound (the movie player,
// wave-out, tests) registers a pull callback; a mix thread pulls 10 ms periods
// of 44100 Hz stereo 16-bit sound on an absolute monotonic clock, sums them
// with saturation and hands the sum to the sound output and to every capture
// that records it ("Stereo Mix"). The clock, not a sound card, paces the mix,
// so a recording runs the same with or without a card.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sound {

constexpr int kMixRate = 44100;
constexpr int kMixChannels = 2;
constexpr int kMixPeriodFrames = 441;  // 10 ms

// Fills Out (Frames interleaved stereo frames, zeroed beforehand) with the
// producer's next sound. Runs on the mix thread and must never block.
using MixPullFn = std::function<void(int16_t* Out, int Frames)>;

// Registers a producer; returns its id (> 0).
int MixAddProducer(MixPullFn Pull);
// Unregisters a producer. Waits for a pull of it in progress, unless called
// from the mix thread itself (from inside a pull).
void MixRemoveProducer(int Id);

// A consumer of the summed mix. OnMix runs on the mix thread.
class MixCapture {
 public:
  virtual ~MixCapture() = default;
  virtual void OnMix(const int16_t* Frames, int Count) = 0;
};
void MixAttachCapture(MixCapture* Capture);
// Detaches; waits for a delivery to it in progress (unless on the mix thread).
void MixDetachCapture(MixCapture* Capture);

// True while the mix thread runs (a producer or a capture is attached).
bool MixThreadRunning();

// False when LUMICAST_SOUND=none hides every ALSA device and the output.
bool AlsaEnabled();

namespace testing {
// With the manual clock on, no mix thread runs: AdvanceMixClock pulls and
// delivers the given number of periods on the calling thread.
void SetManualMixClock(bool On);
void AdvanceMixClock(int Periods);
// Names the ALSA device the output opens ("" restores "default"); the output
// also opens under LUMICAST_SOUND=none when a name is given here.
void SetOutputDevice(const std::string& Name);
// Frames written to the sound output since the process started.
uint64_t OutputFramesWritten();
}  // namespace testing

}  // namespace sound
