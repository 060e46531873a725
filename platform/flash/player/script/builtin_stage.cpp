// Stage: the stage size of the movie in level 0, the scale mode, alignment, menu and display
// state settings, and listeners (the AsBroadcaster methods). The captured view never changes
// size, so onResize is not sent; a change of displayState sends onFullScreen.
#include <algorithm>
#include <cctype>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

enum Prop { kWidth, kHeight, kScaleMode, kAlign, kShowMenu, kDisplayState };

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// The settings live in hidden members of the Stage object.
Value Setting(NativeCall& c, const char* name) { return c.vm.GetMember(c.self, name); }
void Store(NativeCall& c, const char* name, Value v) {
  if (ScriptObject* o = c.vm.ObjectOf(c.self)) c.vm.realm().Set(o, name, std::move(v), kDontEnum);
}

Value Get(NativeCall& c) {
  switch (static_cast<FunctionObject*>(c.callee)->native_tag) {
    case kWidth: {
      RectTwips r = c.vm.player().StageRect();
      return Value::Number((r.xmax - r.xmin) / 20.0);
    }
    case kHeight: {
      RectTwips r = c.vm.player().StageRect();
      return Value::Number((r.ymax - r.ymin) / 20.0);
    }
    case kScaleMode: return Setting(c, "__scaleMode");
    case kAlign: return Setting(c, "__align");
    case kShowMenu: return Setting(c, "__showMenu");
    case kDisplayState: return Setting(c, "__displayState");
    default: return Value::Undefined();
  }
}

Value Set(NativeCall& c) {
  const Value& v = c.Arg(0);
  switch (static_cast<FunctionObject*>(c.callee)->native_tag) {
    case kScaleMode: {
      std::string mode = Lower(c.vm.ToString(v));
      for (const char* known : {"showAll", "noBorder", "exactFit", "noScale"})
        if (mode == Lower(known)) Store(c, "__scaleMode", Value::String(known));
      break;
    }
    case kAlign: {
      // Any of the letters T, B, L, R in any case; kept as vertical then horizontal.
      std::string text = Lower(c.vm.ToString(v)), out;
      if (text.find('t') != std::string::npos)
        out += 'T';
      else if (text.find('b') != std::string::npos)
        out += 'B';
      if (text.find('l') != std::string::npos)
        out += 'L';
      else if (text.find('r') != std::string::npos)
        out += 'R';
      Store(c, "__align", Value::String(out));
      break;
    }
    case kShowMenu: Store(c, "__showMenu", Value::Bool(c.vm.ToBool(v))); break;
    case kDisplayState: {
      std::string state = Lower(c.vm.ToString(v));
      const char* next = state == "fullscreen" ? "fullScreen"
                         : state == "normal"   ? "normal"
                                               : nullptr;
      if (!next || c.vm.ToString(Setting(c, "__displayState")) == next) break;
      Store(c, "__displayState", Value::String(next));
      Value broadcast = c.vm.GetMember(c.self, "broadcastMessage");
      if (c.vm.IsFunction(broadcast))
        c.vm.Call(broadcast, c.self,
                  {Value::String("onFullScreen"), Value::Bool(std::string(next) == "fullScreen")});
      break;
    }
    default: break;
  }
  return Value::Undefined();
}

}  // namespace

void InstallStage(Realm& realm) {
  ScriptObject* stage = realm.NewObject();
  realm.Set(realm.global, "Stage", Value::Object(stage));
  NativeAccessor(realm, stage, "width", Get, nullptr, kWidth);
  NativeAccessor(realm, stage, "height", Get, nullptr, kHeight);
  NativeAccessor(realm, stage, "scaleMode", Get, Set, kScaleMode);
  NativeAccessor(realm, stage, "align", Get, Set, kAlign);
  NativeAccessor(realm, stage, "showMenu", Get, Set, kShowMenu);
  NativeAccessor(realm, stage, "displayState", Get, Set, kDisplayState);
  realm.Set(stage, "__scaleMode", Value::String("showAll"));
  realm.Set(stage, "__align", Value::String(""));
  realm.Set(stage, "__showMenu", Value::Bool(true));
  realm.Set(stage, "__displayState", Value::String("normal"));
  // Listeners as AsBroadcaster gives them.
  realm.Set(stage, "_listeners", Value::Object(realm.NewArray()));
  const Property* b = realm.global->Find(realm.heap.Key("AsBroadcaster"));
  if (b && b->value.IsObject())
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
      if (const Property* m = b->value.object->Find(realm.heap.Key(name)))
        realm.Set(stage, name, m->value);
}

}  // namespace flash
