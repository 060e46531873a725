// flash.net.FileReference and FileReferenceList. A player run has no file dialog: a browse or a
// download the reference would open a dialog for ends as if the user cancelled it, with
// onCancel told to the listeners after the running scripts of the tick. The file members stay
// undefined, as they are before any file was chosen.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

Value Construct(NativeCall& c) {
  if (ScriptObject* self = c.This())
    c.vm.realm().Set(self, "_listeners", Value::Object(c.vm.realm().NewArray()));
  return Value::Undefined();
}

bool TellCancel(ActionRunner& vm, ScriptObject* file) {
  Value broadcast = vm.GetMember(Value::Object(file), "broadcastMessage");
  if (vm.IsFunction(broadcast))
    vm.CallFromPlayer(broadcast, Value::Object(file),
                      {Value::String("onCancel"), Value::Object(file)});
  return false;  // told once
}

Value Cancelled(NativeCall& c) {
  if (ScriptObject* self = c.This()) c.vm.player().tick_listeners.push_back({self, TellCancel});
  return Value::Bool(true);
}

// A type list is an array of filters that each name a description and extensions.
bool ValidTypeList(NativeCall& c, const Value& list) {
  ScriptObject* o = c.vm.ObjectOf(list);
  if (!o || o->kind != ScriptObject::Kind::Array) return false;
  const auto& items = static_cast<ArrayObject*>(o)->items;
  if (items.empty()) return false;
  for (const Value& item : items) {
    if (!c.vm.ObjectOf(item)) return false;
    for (const char* name : {"description", "extension"}) {
      Value v = c.vm.GetMember(item, name);
      if (v.IsUndefined() || c.vm.ToString(v).empty()) return false;
    }
  }
  return true;
}

Value Browse(NativeCall& c) {
  if (c.Count() > 0 && !c.Arg(0).IsUndefined() && !ValidTypeList(c, c.Arg(0)))
    return Value::Bool(false);
  return Cancelled(c);
}

// Only an absolute address can be downloaded.
Value Download(NativeCall& c) {
  if (c.Count() == 0 || c.vm.ToString(c.Arg(0)).find("://") == std::string::npos)
    return Value::Bool(false);
  return Cancelled(c);
}

Value Refused(NativeCall&) { return Value::Bool(false); }
Value Nothing(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallFileReference(Realm& realm) {
  ScriptObject* net = PackageObject(realm, "flash.net");
  ScriptObject* broadcaster = nullptr;
  if (const Property* b = realm.global->Find(realm.heap.Key("AsBroadcaster"));
      b && b->value.IsObject())
    broadcaster = b->value.object;
  auto make = [&](const char* name) {
    FunctionObject* ctor = realm.NewNative(Construct);
    ScriptObject* proto = realm.NewObject();
    realm.LinkPrototype(ctor, proto);
    realm.Set(net, name, Value::Object(ctor));
    for (const char* m : {"addListener", "removeListener", "broadcastMessage"})
      if (const Property* p = broadcaster ? broadcaster->Find(realm.heap.Key(m)) : nullptr)
        realm.Set(proto, m, p->value);
    realm.Method(proto, "browse", Browse);
    return proto;
  };
  ScriptObject* file = make("FileReference");
  realm.Method(file, "download", Download);
  realm.Method(file, "upload", Refused);
  realm.Method(file, "cancel", Nothing);
  make("FileReferenceList");
}

}  // namespace flash
