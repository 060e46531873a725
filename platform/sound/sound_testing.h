// Test hooks of the sound layer: scripted wave-in faults and mixer tables.
// (The manual mix clock and the output device are in playback_mix.h.)
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sound/mmsystem.h"

namespace sound::testing {

struct WaveInFaults {
  bool failOpen = false;    // waveInOpen returns MMSYSERR_ALLOCATED
  bool silentOpen = false;  // the open succeeds but never signals its event
  int failAddBufferAt =
      0;  // the n-th waveInAddBuffer (1-based) since set fails with MMSYSERR_NOMEM
  bool reorderCompletion = false;  // finished buffers are returned in swapped pairs
};
void SetWaveInFaults(const WaveInFaults& Faults);

// Bytes a device lost because no buffer was queued.
uint64_t WaveInLostBytes(HWAVEIN Handle);

// A scripted mixer: lines and controls as the query calls report them.
struct ScriptControl {
  uint32_t type = 0;
  std::string name;
  uint32_t flags = 0;  // MIXERCONTROL_CONTROLF_*
  uint32_t items = 0;  // multiple-item controls
  int32_t minimum = 0, maximum = 0;
  std::vector<std::string> listTexts;  // one per item
  std::vector<int32_t> values;         // channels x items; zeros when empty
};
struct ScriptLine {
  std::string name;
  uint32_t componentType = 0;
  uint32_t channels = 2;
  std::vector<ScriptControl> controls;
};
struct ScriptDestination {
  ScriptLine line;
  std::vector<ScriptLine> sources;
};
struct ScriptMixer {
  std::string name;
  std::vector<ScriptDestination> destinations;
};
// Replaces every mixer by the scripted ones (empty: back to the real mixers).
void SetMixerTables(const std::vector<ScriptMixer>& Mixers);

// Called by the mix thread after each period, before it looks whether anything is still
// attached (empty: none).
void SetAfterMixPeriodHook(std::function<void()> Hook);

}  // namespace sound::testing
