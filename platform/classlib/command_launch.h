// Starting desktop programs without waiting for them. Every start goes through
// one replaceable service so that tests can see what would have been started.
#pragma once

#include <functional>
#include <string>

namespace classlib {

// CommandLine: a shell command line. Returns false when it could not be started.
using TCommandLaunchService = std::function<bool(const std::string& CommandLine)>;

// Starts CommandLine in the background (the program does not wait for it).
bool StartCommand(const std::string& CommandLine);
// Replaces the service; an empty function restores the real one. Returns the previous service.
TCommandLaunchService SetCommandLaunchService(TCommandLaunchService Service);

// The command line of the desktop's recording-level mixer: the sound control panel on its
// input tab where it is installed, else the terminal mixer's capture view.
const std::string& RecordingMixerCommand();
// Starts the recording-level mixer; false when it could not be started.
bool LaunchRecordingMixer();

}  // namespace classlib
