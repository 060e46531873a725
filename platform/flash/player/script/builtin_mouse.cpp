// Mouse: listeners told of the button going down and up and of the pointer moving, and hiding
// or showing the pointer.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {
namespace {

// Both return whether the pointer was shown before.
Value Hide(NativeCall& c) {
  InputState& in = c.vm.player().input;
  const bool was_shown = !in.mouse_hidden;
  in.mouse_hidden = true;
  return Value::Number(was_shown ? 1 : 0);
}

Value Show(NativeCall& c) {
  InputState& in = c.vm.player().input;
  const bool was_shown = !in.mouse_hidden;
  in.mouse_hidden = false;
  return Value::Number(was_shown ? 1 : 0);
}

}  // namespace

void InstallMouse(Realm& realm) {
  ScriptObject* mouse = realm.NewObject();
  realm.Set(realm.global, "Mouse", Value::Object(mouse));
  realm.Method(mouse, "hide", Hide);
  realm.Method(mouse, "show", Show);
  ListenerList(realm, mouse);
}

}  // namespace flash
