// SharedObject: local shared objects kept in memory for the run. getLocal gives the same object
// for the same name and path every time; flush succeeds without writing anything to disk, so a
// capture never leaves files behind or depends on an earlier run.
#include <unordered_set>

#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

// Names may not hold these characters (nor be empty).
bool ValidName(const std::string& name) {
  return !name.empty() && name.find_first_of("~%&\\;:\"',<>?# ") == std::string::npos;
}

// The objects made so far, by path and name, in a hidden member of the class.
ScriptObject* Store(NativeCall& c) {
  Value cls = c.vm.GetMember(Value::Object(c.vm.realm().global), "SharedObject");
  ScriptObject* cls_object = c.vm.ObjectOf(cls);
  if (!cls_object) return nullptr;
  ScriptObject* store = c.vm.ObjectOf(c.vm.GetMember(cls, "__store"));
  if (!store) {
    store = c.vm.realm().NewObject();
    c.vm.realm().Set(cls_object, "__store", Value::Object(store), kDontEnum | kDontDelete);
  }
  return store;
}

Value GetLocal(NativeCall& c) {
  std::string name = c.vm.ToString(c.Arg(0));
  if (!ValidName(name)) return Value::Null();
  std::string path = c.Arg(1).IsUndefined() ? "" : c.vm.ToString(c.Arg(1));
  ScriptObject* store = Store(c);
  if (!store) return Value::Null();
  std::string key = path + "\n" + name;
  Value existing = c.vm.GetMember(Value::Object(store), key);
  if (existing.IsObject()) return existing;
  Value so = c.vm.Construct(c.vm.GetMember(Value::Object(c.vm.realm().global), "SharedObject"), {});
  if (!so.IsObject()) return Value::Null();
  c.vm.SetMember(so, "data", Value::Object(c.vm.realm().NewObject()));
  c.vm.SetMember(Value::Object(store), key, so);
  return so;
}

Value Flush(NativeCall& c) { return c.vm.FromBool(true); }

Value Clear(NativeCall& c) {
  if (c.vm.ObjectOf(c.self))
    c.vm.SetMember(c.self, "data", Value::Object(c.vm.realm().NewObject()));
  return Value::Undefined();
}

// The bytes the data would take stored: each member's name and value, nested objects included
// (each object counted once, so cycles end).
Value GetSize(NativeCall& c) {
  double size = 0;
  std::vector<Value> work = {c.vm.GetMember(c.self, "data")};
  std::unordered_set<ScriptObject*> seen;
  while (!work.empty()) {
    Value v = work.back();
    work.pop_back();
    ScriptObject* o = c.vm.ObjectOf(v);
    if (!o || !v.IsObject() || !seen.insert(o).second) continue;
    for (const std::string& name : c.vm.EnumerableNames(v)) {
      Value m = c.vm.GetMember(v, name);
      size += 2 + static_cast<double>(name.size());
      switch (m.type) {
        case Value::Type::Number: size += 9; break;
        case Value::Type::Bool: size += 2; break;
        case Value::Type::String: size += 3 + static_cast<double>(m.string.size()); break;
        case Value::Type::Object:
          size += 4;
          work.push_back(m);
          break;
        default: size += 1; break;
      }
    }
  }
  return Value::Number(size);
}

Value Nothing(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallSharedObject(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  FunctionObject* so = realm.Class("SharedObject", Nothing, Nothing, proto);
  realm.Method(so, "getLocal", GetLocal);
  realm.Method(proto, "flush", Flush);
  realm.Method(proto, "clear", Clear);
  realm.Method(proto, "getSize", GetSize);
}

}  // namespace flash
