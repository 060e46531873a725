// Shared between the files of the sound layer; not for its callers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sound::internal {

// Sends ALSA's own diagnostics nowhere (missing devices are normal here).
void QuietAlsa();

// An ALSA capture device shown as a wave-in device after "Stereo Mix".
struct CaptureDevice {
  std::string alsaName;     // "default", "plughw:0"
  std::string displayName;  // at most 31 characters
};
// Probed once: ALSA "default" where it opens for capture, then one "plughw:N"
// per card. Empty under LUMICAST_SOUND=none.
const std::vector<CaptureDevice>& AlsaCaptureDevices();

// Stereo Mix's line on mixer 0: volume per channel (0..65535) and mute.
void StereoMixGain(uint32_t& Left, uint32_t& Right, bool& Mute);
// The recording source selected on mixer 0's multiplexer, as a source index
// (0 = Stereo Mix, k = ALSA capture device k).
uint32_t SelectedRecordingSource();

}  // namespace sound::internal
