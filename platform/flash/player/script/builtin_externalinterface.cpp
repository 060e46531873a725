// flash.external.ExternalInterface: there is no container page around a captured movie, so the
// interface is unavailable; calls answer null and callbacks cannot be registered.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

Value Call(NativeCall&) { return Value::Null(); }
Value AddCallback(NativeCall& c) { return c.vm.FromBool(false); }
Value Nothing(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallExternalInterface(Realm& realm) {
  // The class lives in the flash.external package only.
  FunctionObject* ei = realm.NewNative(Nothing);
  realm.LinkPrototype(ei, realm.NewObject());
  realm.Set(PackageObject(realm, "flash.external"), "ExternalInterface", Value::Object(ei));
  realm.Set(ei, "available", Value::Bool(false), kDontEnum | kDontDelete | kReadOnly);
  realm.Method(ei, "call", Call);
  realm.Method(ei, "addCallback", AddCallback);
}

}  // namespace flash
