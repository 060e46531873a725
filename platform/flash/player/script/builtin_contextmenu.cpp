// ContextMenu and ContextMenuItem: the objects scripts build to describe a right-click menu. A
// captured movie never shows the menu, so they are data only: their members, copy() and
// hideBuiltInItems().
#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

// The built-in item flags, in the order scripts enumerate them.
constexpr const char* kBuiltIns[] = {"save", "zoom",   "quality",      "play",
                                     "loop", "rewind", "forward_back", "print"};

// Members go in last first, so that enumeration (newest first) lists them in the order given.
void PutInOrder(NativeCall& c, const Value& on,
                const std::vector<std::pair<const char*, Value>>& members) {
  for (auto it = members.rbegin(); it != members.rend(); ++it)
    c.vm.SetMember(on, it->first, it->second);
}

ScriptObject* NewBuiltIns(NativeCall& c, const Value& from) {
  ScriptObject* items = c.vm.realm().NewObject();
  std::vector<std::pair<const char*, Value>> members;
  for (const char* name : kBuiltIns)
    members.emplace_back(name, from.IsObject() ? c.vm.GetMember(from, name) : Value::Bool(true));
  PutInOrder(c, Value::Object(items), members);
  return items;
}

Value MenuConstruct(NativeCall& c) {
  if (!c.This()) return Value::Undefined();
  PutInOrder(c, c.self,
             {{"customItems", Value::Object(c.vm.realm().NewArray())},
              {"builtInItems", Value::Object(NewBuiltIns(c, Value::Undefined()))},
              {"onSelect", c.Arg(0)}});
  return Value::Undefined();
}

Value HideBuiltInItems(NativeCall& c) {
  Value items = c.vm.GetMember(c.self, "builtInItems");
  if (!items.IsObject()) return Value::Undefined();
  for (const char* name : kBuiltIns) c.vm.SetMember(items, name, Value::Bool(false));
  return Value::Undefined();
}

// A new menu with the same handler, copies of the built-in flags and of every custom item.
Value MenuCopy(NativeCall& c) {
  Value copy = c.vm.Construct(c.vm.GetMember(Value::Object(c.vm.realm().global), "ContextMenu"),
                              {c.vm.GetMember(c.self, "onSelect")});
  if (!copy.IsObject()) return copy;
  c.vm.SetMember(copy, "builtInItems",
                 Value::Object(NewBuiltIns(c, c.vm.GetMember(c.self, "builtInItems"))));
  ArrayObject* items = c.vm.realm().NewArray();
  ScriptObject* custom = c.vm.ObjectOf(c.vm.GetMember(c.self, "customItems"));
  if (custom && custom->kind == ScriptObject::Kind::Array) {
    std::vector<Value> originals = static_cast<ArrayObject*>(custom)->items;
    for (const Value& item : originals) {
      Value method = c.vm.GetMember(item, "copy");
      items->items.push_back(c.vm.IsFunction(method) ? c.vm.Call(method, item, {}) : item);
    }
  }
  c.vm.SetMember(copy, "customItems", Value::Object(items));
  return copy;
}

Value ItemConstruct(NativeCall& c) {
  if (!c.This()) return Value::Undefined();
  auto flag = [&](size_t i, bool otherwise) {
    return c.Arg(i).IsUndefined() ? Value::Bool(otherwise) : Value::Bool(c.vm.ToBool(c.Arg(i)));
  };
  PutInOrder(c, c.self,
             {{"visible", flag(4, true)},
              {"enabled", flag(3, true)},
              {"separatorBefore", flag(2, false)},
              {"onSelect", c.Arg(1)},
              {"caption", c.Arg(0)}});
  return Value::Undefined();
}

Value ItemCopy(NativeCall& c) {
  std::vector<Value> args;
  for (const char* name : {"caption", "onSelect", "separatorBefore", "enabled", "visible"})
    args.push_back(c.vm.GetMember(c.self, name));
  return c.vm.Construct(c.vm.GetMember(Value::Object(c.vm.realm().global), "ContextMenuItem"),
                        std::move(args));
}

}  // namespace

void InstallContextMenu(Realm& realm) {
  ScriptObject* menu = realm.NewObject();
  realm.Class("ContextMenu", MenuConstruct, nullptr, menu);
  realm.Method(menu, "copy", MenuCopy);
  realm.Method(menu, "hideBuiltInItems", HideBuiltInItems);
  ScriptObject* item = realm.NewObject();
  realm.Class("ContextMenuItem", ItemConstruct, nullptr, item);
  realm.Method(item, "copy", ItemCopy);
}

}  // namespace flash
