// LoadVars: an object whose enumerable members are URL-encoded variables; decode, toString and
// the loading methods that fill it from a file.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/data_load.h"
#include "platform/flash/player/script/lib/url_vars.h"

namespace flash {

namespace {

namespace lib = scriptlib;

Value Decode(NativeCall& c) {
  if (!c.vm.ObjectOf(c.self) || c.Count() == 0) return Value::Undefined();
  for (const auto& [name, value] : lib::DecodeUrlVariables(c.vm.ToString(c.Arg(0)), c.vm.version()))
    c.vm.SetMember(c.self, name, Value::String(value));
  return Value::Undefined();
}

// Every enumerable member, in enumeration order, with its value as text (a conversion that
// throws ends the call with that exception).
Value ToString(NativeCall& c) {
  lib::UrlVariables vars;
  for (const std::string& name : c.vm.EnumerableNames(c.self)) {
    std::string value = c.vm.ToString(c.vm.GetMember(c.self, name));
    vars.emplace_back(name, std::move(value));
  }
  return Value::String(lib::EncodeUrlVariables(vars));
}

Value Nothing(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallLoadVars(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  realm.Class("LoadVars", Nothing, Nothing, proto);
  realm.Method(proto, "decode", Decode);
  realm.Method(proto, "toString", ToString);
  InstallDataLoadMethods(realm, proto, DataFormat::kVariables);
}

}  // namespace flash
