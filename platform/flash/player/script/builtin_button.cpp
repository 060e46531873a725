// Button: the script side of buttons on the display list: their place and look as for clips,
// enabled, useHandCursor, trackAsMenu, and the handler methods (onPress...) input calls.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {
namespace {

const char* const kClipProperties[] = {
    "_x",      "_y",           "_xscale",   "_yscale",       "_alpha",    "_visible",
    "_width",  "_height",      "_rotation", "_target",       "_name",     "_xmouse",
    "_ymouse", "_highquality", "_quality",  "_soundbuftime"};
constexpr int kParent = 100, kHandCursor = 102, kMenu = 103, kTabIndex = 104;

int TagOf(NativeCall& c) { return static_cast<FunctionObject*>(c.callee)->native_tag; }

// The tab index lives on the script object, also while its button is off the stage.
ButtonScriptObject* ScriptOf(const Value& v) {
  return v.IsObject() ? dynamic_cast<ButtonScriptObject*>(v.object) : nullptr;
}

Value Get(NativeCall& c) {
  if (TagOf(c) == kTabIndex) {
    ButtonScriptObject* o = ScriptOf(c.self);
    return o ? TabIndexValue(o->tab_index) : Value::Undefined();
  }
  ButtonObject* b = ButtonOf(c.self);
  if (!b) return Value::Undefined();
  switch (const int tag = TagOf(c)) {
    case kParent: return b->parent ? c.vm.ClipValue(b->parent) : Value::Undefined();
    case kHandCursor: return Value::Bool(b->use_hand_cursor);
    case kMenu: return Value::Bool(b->Def().track_as_menu);
    default: return c.vm.GetProperty(b, tag);
  }
}

Value Set(NativeCall& c) {
  if (TagOf(c) == kTabIndex) {
    if (ButtonScriptObject* o = ScriptOf(c.self)) o->tab_index = TabIndexOf(c.vm, c.Arg(0), false);
    return Value::Undefined();
  }
  ButtonObject* b = ButtonOf(c.self);
  if (!b) return Value::Undefined();
  switch (const int tag = TagOf(c)) {
    case kHandCursor: b->use_hand_cursor = c.vm.ToBool(c.Arg(0)); break;
    case kParent:
    case kMenu: break;
    default: c.vm.SetProperty(b, tag, c.Arg(0)); break;
  }
  return Value::Undefined();
}

Value GetDepth(NativeCall& c) {
  ButtonObject* b = ButtonOf(c.self);
  return b ? Value::Number(b->depth) : Value::Undefined();
}

// A button reads as its target path.
Value ToString(NativeCall& c) {
  ButtonObject* b = ButtonOf(c.self);
  return b ? Value::String(b->TargetPath()) : Value::String("[object Object]");
}

Value Constructor(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallButton(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  realm.Class("Button", Constructor, nullptr, proto);
  realm.button_proto = proto;
  for (const char* name : kClipProperties)
    NativeAccessor(realm, proto, name, Get, Set, ActionRunner::PropertyIndex(name));
  NativeAccessor(realm, proto, "_parent", Get, Set, kParent);
  // `enabled` is a plain member: a button may shadow it with any value, even undefined (which
  // leaves it enabled), and deleting that brings back the prototype's true.
  realm.Set(proto, "enabled", Value::Bool(true), 0);
  NativeAccessor(realm, proto, "useHandCursor", Get, Set, kHandCursor);
  NativeAccessor(realm, proto, "trackAsMenu", Get, Set, kMenu);
  TabIndexAccessor(realm, proto, Get, Set, kTabIndex);
  realm.Method(proto, "getDepth", GetDepth);
  realm.Method(proto, "toString", ToString);
  // Clips act as buttons too: they are enabled and show the hand cursor unless told otherwise.
  if (realm.movieclip_proto) {
    realm.Set(realm.movieclip_proto, "enabled", Value::Bool(true));
    realm.Set(realm.movieclip_proto, "useHandCursor", Value::Bool(true));
  }
}

}  // namespace flash
