// Object: the constructor, the methods every object inherits, and Object.registerClass.
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

Value ObjectCall(NativeCall& c) {
  if (c.Count() > 0 && !c.Arg(0).IsNullish()) {
    if (ScriptObject* o = c.vm.ToObject(c.Arg(0)))
      return c.Arg(0).type == Value::Type::Clip ? c.Arg(0) : Value::Object(o);
  }
  return Value::Object(c.vm.realm().NewObject());
}

Value ObjectConstruct(NativeCall& c) {
  if (c.Count() > 0 && !c.Arg(0).IsNullish()) return ObjectCall(c);
  return c.self;
}

Value HasOwnProperty(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.self);
  if (!o || c.Count() == 0) return Value::Bool(false);
  std::string name = c.vm.ToString(c.Arg(0));
  if (o->Find(c.vm.heap().Key(name))) return Value::Bool(true);
  if (o->kind == ScriptObject::Kind::Array) {
    auto* a = static_cast<ArrayObject*>(o);
    char* end = nullptr;
    unsigned long i = std::strtoul(name.c_str(), &end, 10);
    if (!name.empty() && end && *end == 0 && i < a->items.size()) return Value::Bool(true);
  }
  return Value::Bool(false);
}

Value IsPropertyEnumerable(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.self);
  if (!o) return Value::Bool(false);
  std::string name = c.vm.ToString(c.Arg(0));
  const Property* p = o->Find(c.vm.heap().Key(name));
  size_t i;
  if (!p && o->kind == ScriptObject::Kind::Array && ArrayObject::IndexOf(name, i)) {
    auto* a = static_cast<ArrayObject*>(o);
    return Value::Bool(a->Has(i) && !(a->InfoOf(i).flags & kDontEnum));
  }
  return Value::Bool(p && !(p->flags & kDontEnum));
}

Value IsPrototypeOf(NativeCall& c) {
  ScriptObject* self = c.vm.ObjectOf(c.self);
  ScriptObject* o = c.vm.ObjectOf(c.Arg(0));
  if (!self || !o) return Value::Bool(false);
  int guard = 0;
  for (ScriptObject* p = o->Proto(); p && ++guard < 256; p = p->Proto())
    if (p == self) return Value::Bool(true);
  return Value::Bool(false);
}

Value AddProperty(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.self);
  if (!o || c.Count() < 2) return Value::Bool(false);
  std::string name = c.vm.ToString(c.Arg(0));
  if (name.empty() || !c.vm.IsFunction(c.Arg(1))) return Value::Bool(false);
  const Value& setter = c.Arg(2);
  if (!c.vm.IsFunction(setter) && setter.type != Value::Type::Null) return Value::Bool(false);
  std::string key = c.vm.heap().Key(name);
  Property* existing = o->Find(key);
  uint16_t flags = existing ? existing->flags : 0;
  Property& p = o->Put(key, name, Value::Undefined(), flags);
  p.accessor = true;
  p.getter = c.Arg(1).object;
  p.setter = c.vm.IsFunction(setter) ? setter.object : nullptr;
  return Value::Bool(true);
}

Value Watch(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.self);
  if (!o || c.Count() < 2 || !c.vm.IsFunction(c.Arg(1))) return Value::Bool(false);
  if (!o->watches) o->watches = new std::unordered_map<std::string, ScriptObject::Watch>();
  (*o->watches)[c.vm.heap().Key(c.vm.ToString(c.Arg(0)))] = {c.Arg(1).object, c.Arg(2)};
  return Value::Bool(true);
}

Value Unwatch(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.self);
  if (!o || !o->watches || c.Count() < 1) return Value::Bool(false);
  return Value::Bool(o->watches->erase(c.vm.heap().Key(c.vm.ToString(c.Arg(0)))) > 0);
}

Value ToStringMethod(NativeCall& c) {
  if (c.self.type == Value::Type::Clip) return Value::String(c.vm.ToString(c.self));
  ScriptObject* o = c.This();
  if (o && o->kind == ScriptObject::Kind::Function) return Value::String("[type Function]");
  // A clip being unloaded still reads as its path in its unload handler.
  if (o && o->kind == ScriptObject::Kind::Clip) {
    if (auto clip = static_cast<ClipObject*>(o)->clip.lock())
      return Value::String(clip->TargetPath());
  }
  return Value::String("[object Object]");
}

Value ValueOf(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o && o->kind == ScriptObject::Kind::Boxed) return o->primitive;
  return c.self;
}

// Object.registerClass(linkage name, constructor): clips attached or placed from that symbol
// are made with the constructor's prototype and run it.
Value RegisterClass(NativeCall& c) {
  if (c.Count() < 2) return Value::Bool(false);
  std::string name = c.vm.ToString(c.Arg(0));
  Realm& realm = c.vm.realm();
  if (c.vm.IsFunction(c.Arg(1)))
    realm.registered_classes[realm.heap.Key(name)] = c.Arg(1).object;
  else
    realm.registered_classes.erase(realm.heap.Key(name));
  return Value::Bool(true);
}

}  // namespace

void InstallObject(Realm& realm) {
  ScriptObject* proto = realm.object_proto;
  FunctionObject* ctor = realm.Class("Object", ObjectCall, ObjectConstruct, proto);
  realm.Method(ctor, "registerClass", RegisterClass);
  realm.Method(proto, "hasOwnProperty", HasOwnProperty);
  realm.Method(proto, "isPropertyEnumerable", IsPropertyEnumerable);
  realm.Method(proto, "isPrototypeOf", IsPrototypeOf);
  realm.Method(proto, "addProperty", AddProperty);
  realm.Method(proto, "watch", Watch);
  realm.Method(proto, "unwatch", Unwatch);
  realm.Method(proto, "toString", ToStringMethod);
  realm.Method(proto, "toLocaleString", ToStringMethod);
  realm.Method(proto, "valueOf", ValueOf);
}

}  // namespace flash
