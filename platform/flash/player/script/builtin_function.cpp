// Function: call and apply, and the constructor (which makes nothing: functions come from code).
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

Value FunctionCtor(NativeCall& c) { return c.self; }

Value CallMethod(NativeCall& c) {
  Value self = c.Count() > 0 ? c.Arg(0) : Value::Undefined();
  std::vector<Value> rest;
  for (size_t i = 1; i < c.Count(); ++i) rest.push_back(c.args[i]);
  return c.vm.Call(c.self, self, std::move(rest));
}

Value ApplyMethod(NativeCall& c) {
  Value self = c.Count() > 0 ? c.Arg(0) : Value::Undefined();
  std::vector<Value> args;
  ScriptObject* list = c.vm.ObjectOf(c.Arg(1));
  if (list && list->kind == ScriptObject::Kind::Array) {
    args = static_cast<ArrayObject*>(list)->items;
  } else if (list) {
    double n = c.vm.ToNumber(c.vm.GetMember(c.Arg(1), "length"));
    for (size_t i = 0; i < n && i < 1000000; ++i)
      args.push_back(c.vm.GetMember(c.Arg(1), std::to_string(i)));
  }
  return c.vm.Call(c.self, self, std::move(args));
}

}  // namespace

void InstallFunction(Realm& realm) {
  FunctionObject* ctor = realm.Class("Function", FunctionCtor, nullptr, realm.function_proto);
  (void)ctor;
  realm.Method(realm.function_proto, "call", CallMethod);
  realm.Method(realm.function_proto, "apply", ApplyMethod);
}

}  // namespace flash
