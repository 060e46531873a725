#include "platform/classlib/command_launch.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <utility>

extern char** environ;

namespace classlib {

namespace {

// The shell runs the command in the background and ends at once, so the wait is short.
bool StartWithShell(const std::string& CommandLine) {
  const std::string line = "(" + CommandLine + ") >/dev/null 2>&1 </dev/null &";
  const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
    return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TCommandLaunchService& Service() {
  static TCommandLaunchService service;
  return service;
}

}  // namespace

bool StartCommand(const std::string& CommandLine) {
  if (Service()) return Service()(CommandLine);
  return StartWithShell(CommandLine);
}

TCommandLaunchService SetCommandLaunchService(TCommandLaunchService Service_) {
  return std::exchange(Service(), std::move(Service_));
}

const std::string& RecordingMixerCommand() {
  static const std::string command =
      "if command -v pavucontrol >/dev/null 2>&1; then pavucontrol --tab=4; "
      "else x-terminal-emulator -e alsamixer -V capture; fi";
  return command;
}

bool LaunchRecordingMixer() { return StartCommand(RecordingMixerCommand()); }

}  // namespace classlib
