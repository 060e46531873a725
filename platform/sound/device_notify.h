// How a wave device tells its owner about open, close and finished buffers:
// by signalling an Event (CALLBACK_EVENT) or by posting a message to a window
// (CALLBACK_WINDOW), which then arrives on the user-interface thread.
#pragma once

#include <cstdint>

namespace sound::internal {

struct DeviceNotify {
  uint32_t kind = 0;     // CALLBACK_EVENT, CALLBACK_WINDOW or 0
  uintptr_t target = 0;  // the Event* or the classlib::TWinControl*
  void Send(uint32_t Msg, uintptr_t Handle, intptr_t Param) const;
};

// Keeps only the callback kind of a device's open flags.
DeviceNotify MakeNotify(uintptr_t Callback, uint32_t Flags);

}  // namespace sound::internal
