// AsBroadcaster: initialize gives an object a listener list and the methods that use it.
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

ArrayObject* Listeners(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.vm.GetMember(c.self, "_listeners"));
  return o && o->kind == ScriptObject::Kind::Array ? static_cast<ArrayObject*>(o) : nullptr;
}

// Takes the first listener loosely equal to `v` (so null and undefined stand for each other).
bool RemoveFrom(NativeCall& c, ArrayObject* l, const Value& v) {
  for (size_t i = 0; i < l->items.size(); ++i)
    if (c.vm.LooseEquals(l->items[i], v)) {
      l->items.erase(l->items.begin() + static_cast<long>(i));
      l->ForgetInfo();
      return true;
    }
  return false;
}

// Adding a listener first takes out one equal to it, so it is listed once, at the end; any
// value is listed, undefined included.
Value AddListener(NativeCall& c) {
  ArrayObject* l = Listeners(c);
  if (!l) return Value::Bool(false);
  RemoveFrom(c, l, c.Arg(0));
  l->items.push_back(c.Arg(0));
  return Value::Bool(true);
}

Value RemoveListener(NativeCall& c) {
  ArrayObject* l = Listeners(c);
  return Value::Bool(l && RemoveFrom(c, l, c.Arg(0)));
}

Value BroadcastMessage(NativeCall& c) {
  ArrayObject* l = Listeners(c);
  if (!l || c.Count() == 0) return Value::Undefined();
  std::string name = c.vm.ToString(c.Arg(0));
  std::vector<Value> args(c.args.begin() + 1, c.args.end());
  std::vector<Value> listeners = l->items;  // listeners may change the list while they run
  for (const Value& target : listeners) {
    // An empty name calls the listener itself, as a method call of no name does.
    if (name.empty()) {
      if (c.vm.IsFunction(target)) c.vm.Call(target, Value::Undefined(), args);
      continue;
    }
    Value fn = c.vm.GetMember(target, name);
    if (c.vm.IsFunction(fn)) c.vm.Call(fn, target, args);
  }
  return Value::Bool(!listeners.empty());
}

Value Initialize(NativeCall& c) {
  Value target = c.Arg(0);
  if (!c.vm.ObjectOf(target)) return Value::Undefined();
  Realm& realm = c.vm.realm();
  ScriptObject* self = c.vm.ObjectOf(c.self);
  for (const char* name : {"broadcastMessage", "addListener", "removeListener"}) {
    Value m = self ? c.vm.GetMember(c.self, name) : Value::Undefined();
    c.vm.SetMember(target, name, m);
    if (ScriptObject* o = c.vm.ObjectOf(target))
      if (Property* p = o->Find(realm.heap.Key(name))) p->flags |= kDontEnum;
  }
  c.vm.SetMember(target, "_listeners", Value::Object(realm.NewArray()));
  if (ScriptObject* o = c.vm.ObjectOf(target))
    if (Property* p = o->Find(realm.heap.Key("_listeners"))) p->flags |= kDontEnum;
  return Value::Undefined();
}

Value Nothing(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallBroadcaster(Realm& realm) {
  FunctionObject* b = realm.Class("AsBroadcaster", Nothing);
  realm.Method(b, "initialize", Initialize);
  realm.Method(b, "addListener", AddListener);
  realm.Method(b, "removeListener", RemoveListener);
  realm.Method(b, "broadcastMessage", BroadcastMessage);
}

}  // namespace flash
