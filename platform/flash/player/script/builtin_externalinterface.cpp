// ExternalInterface: there is no container page around a captured movie, so the interface is
// unavailable; calls answer null and callbacks cannot be registered.
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

Value Call(NativeCall&) { return Value::Null(); }
Value AddCallback(NativeCall& c) { return c.vm.FromBool(false); }
Value Nothing(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallExternalInterface(Realm& realm) {
  FunctionObject* ei = realm.Class("ExternalInterface", Nothing);
  realm.Set(ei, "available", Value::Bool(false), kDontEnum | kDontDelete | kReadOnly);
  realm.Method(ei, "call", Call);
  realm.Method(ei, "addCallback", AddCallback);
}

}  // namespace flash
