#include "platform/flash/player/script/object.h"

#include "platform/flash/player/script/lib/string_ops.h"

#include <algorithm>
#include <cctype>

namespace flash {

Property* ScriptObject::Find(const std::string& key) {
  auto it = index_.find(key);
  return it == index_.end() ? nullptr : &props_[it->second];
}

const Property* ScriptObject::Find(const std::string& key) const {
  auto it = index_.find(key);
  return it == index_.end() ? nullptr : &props_[it->second];
}

Property& ScriptObject::Put(const std::string& key, const std::string& name, Value v,
                            uint16_t flags) {
  auto it = index_.find(key);
  Property* p;
  if (it != index_.end()) {
    p = &props_[it->second];
  } else {
    index_.emplace(key, static_cast<uint32_t>(props_.size()));
    if (props_.empty()) props_.reserve(4);
    props_.push_back(Property{});
    p = &props_.back();
    p->name = name;
    p->flags = flags;
    p->seq = NextSeq();
    ++live_;
  }
  p->value = std::move(v);
  p->accessor = false;
  p->getter = p->setter = nullptr;
  if (key == "__proto__")
    proto_cache_ = p->value.type == Value::Type::Object ? p->value.object : nullptr;
  return *p;
}

bool ScriptObject::Remove(const std::string& key) {
  auto it = index_.find(key);
  if (it == index_.end()) return false;
  uint32_t at = it->second;
  index_.erase(it);
  props_.erase(props_.begin() + at);
  for (auto& [k, i] : index_)
    if (i > at) --i;
  --live_;
  if (key == "__proto__") proto_cache_ = nullptr;
  return true;
}

void ScriptObject::Trace(std::vector<ScriptObject*>& gray) const {
  for (const Property& p : props_) {
    TraceValue(p.value, gray);
    if (p.getter && !p.getter->marked) gray.push_back(p.getter);
    if (p.setter && !p.setter->marked) gray.push_back(p.setter);
  }
  TraceValue(primitive, gray);
  if (watches)
    for (const auto& [k, w] : *watches) {
      if (w.callback && !w.callback->marked) gray.push_back(w.callback);
      TraceValue(w.data, gray);
    }
  for (ScriptObject* i : interfaces)
    if (i && !i->marked) gray.push_back(i);
}

void FunctionObject::Trace(std::vector<ScriptObject*>& gray) const {
  ScriptObject::Trace(gray);
  for (ScriptObject* s : scope)
    if (s && !s->marked) gray.push_back(s);
}

void FieldObject::Trace(std::vector<ScriptObject*>& gray) const {
  ScriptObject::Trace(gray);
  TraceValue(style_sheet, gray);
}

ArrayObject::ElementInfo& ArrayObject::InfoAt(size_t i) {
  if (i >= info.size()) info.resize(i + 1);
  return info[i];
}

bool ArrayObject::SetElement(size_t i, Value v) {
  if (Has(i)) {
    if (InfoOf(i).flags & kReadOnly) return false;
    items[i] = std::move(v);
    return true;
  }
  if (i >= items.size()) items.resize(i + 1, Value::Hole());
  items[i] = std::move(v);
  InfoAt(i) = ElementInfo{NextSeq(), 0};
  return true;
}

bool ArrayObject::DeleteElement(size_t i) {
  if (!Has(i)) return true;
  if (InfoOf(i).flags & kDontDelete) return false;
  items[i] = Value::Hole();
  if (i < info.size()) info[i] = ElementInfo{};
  return true;
}

bool ArrayObject::IndexOf(const std::string& name, size_t& index) {
  if (name.empty() || name.size() > 10) return false;
  if (name.size() > 1 && name[0] == '0') return false;
  uint64_t v = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v >= 4294967295u) return false;
  index = static_cast<size_t>(v);
  return true;
}

void ArrayObject::Trace(std::vector<ScriptObject*>& gray) const {
  ScriptObject::Trace(gray);
  for (const Value& v : items) TraceValue(v, gray);
}

Heap::~Heap() {
  for (ScriptObject* o : objects_) {
    delete o->watches;
    delete o;
  }
}

std::string Heap::Key(const std::string& name) const {
  if (!case_insensitive) return name;
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 0x80)
      return scriptlib::ToLowerCase(name, 6);  // letters beyond ASCII too
  std::string s = name;
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void Heap::Collect(const std::function<void(std::vector<ScriptObject*>& gray)>& roots) {
  std::vector<ScriptObject*> gray;
  for (ScriptObject* o : objects_)
    if (o->pins > 0) gray.push_back(o);
  roots(gray);
  while (!gray.empty()) {
    ScriptObject* o = gray.back();
    gray.pop_back();
    if (o->marked) continue;
    o->marked = true;
    o->Trace(gray);
  }
  size_t kept = 0;
  for (ScriptObject* o : objects_) {
    if (o->marked) {
      o->marked = false;
      objects_[kept++] = o;
    } else {
      delete o->watches;
      delete o;
    }
  }
  objects_.resize(kept);
  allocated_since_ = 0;
  live_after_ = kept;
}

}  // namespace flash
