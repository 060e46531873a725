// Native getter/setter properties: what built-in objects expose as members computed on each read
// (a node's firstChild, a rectangle's right edge, the stage's width). The property is hidden and
// undeletable; without a setter, assignments to it are ignored.
#pragma once

#include "platform/flash/player/script/realm.h"

namespace flash {

inline void NativeAccessor(Realm& realm, ScriptObject* on, const char* name, NativeFn get, NativeFn set, int tag = 0) {
  Property& p = on->Put(realm.heap.Key(name), name, Value::Undefined(), kDontEnum | kDontDelete);
  p.accessor = true;
  p.getter = realm.NewNative(get, tag);
  p.setter = set ? realm.NewNative(set, tag) : nullptr;
}

}  // namespace flash
