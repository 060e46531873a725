#include "platform/encoder/handles.h"

#include <unordered_map>

namespace mcl {
namespace {

struct Table {
  std::unordered_map<MclHandle, std::unique_ptr<Object>> objects;
  MclHandle next = 1;
};

Table& TheTable() {
  static Table table;
  return table;
}

}  // namespace

MclHandle Register(std::unique_ptr<Object> object) {
  Table& t = TheTable();
  // Handles grow monotonically so that a freed handle is not soon reused;
  // after wrapping, skip 0, negatives and handles still in use.
  for (;;) {
    MclHandle h = t.next;
    t.next = (t.next >= INT32_MAX) ? 1 : t.next + 1;
    if (h > 0 && !t.objects.count(h)) {
      t.objects.emplace(h, std::move(object));
      return h;
    }
  }
}

Object* Find(MclHandle handle) {
  Table& t = TheTable();
  auto it = t.objects.find(handle);
  return it == t.objects.end() ? nullptr : it->second.get();
}

bool Release(MclHandle handle) {
  Table& t = TheTable();
  auto it = t.objects.find(handle);
  if (it == t.objects.end()) return false;
  // Move the object out first: its destructor may free other handles.
  std::unique_ptr<Object> dying = std::move(it->second);
  t.objects.erase(it);
  return true;
}

size_t LiveHandleCount() { return TheTable().objects.size(); }

}  // namespace mcl
