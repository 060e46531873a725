// Function: call and apply, and the constructor (which makes nothing: functions come from code).
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

// Run by a subclass constructor, Function makes nothing and hands back its first argument.
Value FunctionCtor(NativeCall& c) { return c.on_existing && c.Count() ? c.Arg(0) : c.self; }

// The `this` that call and apply give the function: undefined and null give _global, a
// primitive becomes an object of its class (_global when that cannot be made).
Value ThisArgument(NativeCall& c) {
  const Value& v = c.Arg(0);
  Value global = Value::Object(c.vm.realm().global);
  if (v.IsNullish()) return global;
  Value o = c.vm.WrapPrimitive(v);
  return o.IsUndefined() ? global : o;
}

Value CallMethod(NativeCall& c) {
  Value self = ThisArgument(c);
  std::vector<Value> rest;
  for (size_t i = 1; i < c.Count(); ++i) rest.push_back(c.args[i]);
  return c.vm.Call(c.self, self, std::move(rest));
}

Value ApplyMethod(NativeCall& c) {
  Value self = ThisArgument(c);
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
