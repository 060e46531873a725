// Helpers that define members of built-in objects: native getter/setter properties, and the
// package objects (flash.geom, flash.external...) that hold classes outside _global.
#pragma once

#include <cmath>
#include <optional>
#include <string>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/realm.h"

namespace flash {

// A member computed on each read (a node's firstChild, a rectangle's right edge, the stage's
// width). The property is hidden and undeletable; without a setter, assignments are ignored.
inline void NativeAccessor(Realm& realm, ScriptObject* on, const char* name, NativeFn get,
                           NativeFn set, int tag = 0) {
  Property& p = on->Put(realm.heap.Key(name), name, Value::Undefined(), kDontEnum | kDontDelete);
  p.accessor = true;
  p.getter = realm.NewNative(get, tag);
  p.setter = set ? realm.NewNative(set, tag) : nullptr;
}

// The tabIndex that clips, buttons and text fields keep: unset by undefined, otherwise a whole
// number. A field's wraps to 0..4294967295 (what is not a number counts as 0); a clip's or a
// button's is truncated to a signed 32-bit number, and what does not fit (or is not a number)
// becomes -2147483648.
inline std::optional<double> TabIndexOf(ActionRunner& vm, const Value& v, bool wraps_unsigned) {
  if (v.IsUndefined()) return std::nullopt;
  double d = vm.ToNumber(v);
  if (!wraps_unsigned)
    return std::isnan(d) || d <= -2147483649.0 || d >= 2147483648.0 ? -2147483648.0 : std::trunc(d);
  if (!std::isfinite(d)) return 0.0;
  d = std::fmod(std::trunc(d), 4294967296.0);
  return d < 0 ? d + 4294967296.0 : d;
}
inline Value TabIndexValue(const std::optional<double>& index) {
  return index ? Value::Number(*index) : Value::Undefined();
}
// Buttons' and fields' tabIndex shows in for..in, unlike the other native members.
inline void TabIndexAccessor(Realm& realm, ScriptObject* on, NativeFn get, NativeFn set, int tag) {
  NativeAccessor(realm, on, "tabIndex", get, set, tag);
  on->Find(realm.heap.Key("tabIndex"))->flags &= ~kDontEnum;
}

// Gives a built-in object (Key, Mouse, Selection) a listener list: AsBroadcaster's methods and a
// hidden `_listeners` array.
inline void ListenerList(Realm& realm, ScriptObject* on) {
  if (const Property* b = realm.global->Find(realm.heap.Key("AsBroadcaster"));
      b && b->value.IsObject()) {
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
      if (const Property* m = b->value.object->Find(realm.heap.Key(name)))
        realm.Set(on, name, m->value);
  }
  realm.Set(on, "_listeners", Value::Object(realm.NewArray()));
}

// The package object at a dotted path from _global ("flash.geom"), made where missing.
inline ScriptObject* PackageObject(Realm& realm, const std::string& path) {
  ScriptObject* at = realm.global;
  size_t from = 0;
  while (from <= path.size()) {
    size_t dot = path.find('.', from);
    std::string name = path.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
    Property* p = at->Find(realm.heap.Key(name));
    if (!p || !p->value.IsObject()) {
      ScriptObject* made = realm.NewObject();
      realm.Set(at, name, Value::Object(made));
      at = made;
    } else {
      at = p->value.object;
    }
    if (dot == std::string::npos) break;
    from = dot + 1;
  }
  return at;
}

}  // namespace flash
