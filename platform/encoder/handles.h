// Handle table of the encoding library: every object the interface hands out
// is owned here and named by a small positive integer, so that a stale or
// foreign handle is detected instead of being dereferenced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/encoder/mcl.h"

namespace mcl {

struct Object {
  virtual ~Object() = default;
};

// Takes ownership; returns the new handle (never 0).
MclHandle Register(std::unique_ptr<Object> object);
// The object of a handle, or null when the handle names nothing.
Object* Find(MclHandle handle);
// Destroys the object of a handle; false when the handle names nothing.
bool Release(MclHandle handle);
// How many handles name a live object (a caller that frees what it makes
// leaves this where it found it).
size_t LiveHandleCount();

template <class T>
T* FindAs(MclHandle handle) {
  return dynamic_cast<T*>(Find(handle));
}

}  // namespace mcl
