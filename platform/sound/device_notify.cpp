#include "platform/sound/device_notify.h"

#include "platform/classlib/message_queue.h"
#include "platform/sound/mmsystem.h"

namespace sound::internal {

void DeviceNotify::Send(uint32_t Msg, uintptr_t Handle, intptr_t Param) const {
  if (!target) return;
  if (kind == CALLBACK_EVENT)
    reinterpret_cast<Event*>(target)->Set();
  else if (kind == CALLBACK_WINDOW)
    classlib::PostMessage(reinterpret_cast<classlib::TWinControl*>(target), Msg, Handle, Param);
}

DeviceNotify MakeNotify(uintptr_t Callback, uint32_t Flags) {
  DeviceNotify n;
  const uint32_t kind = Flags & 0x00070000u;
  if (kind == CALLBACK_EVENT || kind == CALLBACK_WINDOW) {
    n.kind = kind;
    n.target = Callback;
  }
  return n;
}

}  // namespace sound::internal
