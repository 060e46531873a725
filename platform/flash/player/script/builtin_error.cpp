// Error: message and name, and toString.
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

Value ErrorCtor(NativeCall& c) {
  ScriptObject* o = c.This();
  if (!o) {
    o = c.vm.realm().NewObject(c.vm.realm().error_proto);
  }
  if (c.Count() > 0 && !c.Arg(0).IsUndefined())
    c.vm.SetMember(Value::Object(o), "message", c.Arg(0));
  return Value::Object(o);
}

Value ErrorToString(NativeCall& c) {
  return Value::String(c.vm.ToString(c.vm.GetMember(c.self, "message")));
}

}  // namespace

void InstallError(Realm& realm) {
  realm.error_proto = realm.NewObject();
  realm.Class("Error", ErrorCtor, ErrorCtor, realm.error_proto);
  realm.Set(realm.error_proto, "message", Value::String("Error"));
  realm.Set(realm.error_proto, "name", Value::String("Error"));
  realm.Method(realm.error_proto, "toString", ErrorToString);
}

}  // namespace flash
