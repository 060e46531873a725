#include "platform/sound/ui_thread.h"

#include "platform/classlib/application.h"

namespace sound {

bool OnUiThread() { return classlib::TApplication::InUiThread(); }

bool PumpUiMessages() {
  if (!OnUiThread()) return false;
  classlib::Application->ProcessMessages();
  return true;
}

}  // namespace sound
