// Selection: the object with the keyboard focus (by its target path), and the caret and the
// selected characters of a focused text field.
#include <algorithm>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {
namespace {

TextFieldObject* FocusedField(InputState& in) {
  auto f = in.focus.lock();
  if (!f || f->removed || f->type != DisplayObject::Type::EditText) return nullptr;
  return static_cast<TextFieldObject*>(f.get());
}

// The display object a focus argument names: a text field, a button, a clip or a target path.
std::shared_ptr<DisplayObject> Named(NativeCall& c, const Value& v) {
  if (v.type == Value::Type::Object && v.object) {
    if (auto* f = dynamic_cast<FieldObject*>(v.object)) return f->field.lock();
    if (auto* b = dynamic_cast<ButtonScriptObject*>(v.object)) return b->button.lock();
    return nullptr;
  }
  if (v.type == Value::Type::Clip) {
    MovieClip* m = c.vm.ClipOf(v);
    return m ? m->shared_from_this() : nullptr;
  }
  if (v.type == Value::Type::String) {
    // "_level0.field": the last name may be a field or a button of the clip before it.
    const std::string path = v.string;
    if (MovieClip* m = c.vm.ResolvePath(path, c.vm.Target())) return m->shared_from_this();
    const size_t dot = path.find_last_of(".:/");
    if (dot == std::string::npos) {
      MovieClip* t = c.vm.Target();
      return t ? t->ChildByName(path, c.vm.version() >= 7) : nullptr;
    }
    MovieClip* holder = c.vm.ResolvePath(path.substr(0, dot), c.vm.Target());
    return holder ? holder->ChildByName(path.substr(dot + 1), c.vm.version() >= 7) : nullptr;
  }
  return nullptr;
}

Value GetFocus(NativeCall& c) {
  auto f = c.vm.player().input.focus.lock();
  if (!f || f->removed) return Value::Null();
  return Value::String(f->TargetPath());
}

Value SetFocus(NativeCall& c) {
  std::shared_ptr<DisplayObject> target;
  if (!c.Arg(0).IsNullish()) {
    target = Named(c, c.Arg(0));
    // A level's root movie takes no focus.
    if (!target || target->removed || !target->parent) return Value::Bool(false);
    // A clip takes the focus from scripts only when it says so: focusEnabled, or from version 7
    // on tabEnabled as well.
    if (target->type == DisplayObject::Type::MovieClip) {
      const Value clip = c.vm.ClipValue(static_cast<MovieClip*>(target.get()));
      if (!c.vm.ToBool(c.vm.GetMember(clip, "focusEnabled")) &&
          (c.vm.version() < 7 || !c.vm.ToBool(c.vm.GetMember(clip, "tabEnabled"))))
        return Value::Bool(false);
    }
  }
  c.vm.player().SetFocus(target);
  return Value::Bool(true);
}

Value GetBeginIndex(NativeCall& c) {
  InputState& in = c.vm.player().input;
  return FocusedField(in) ? Value::Number(static_cast<double>(std::min(in.caret, in.anchor)))
                          : Value::Number(-1);
}

Value GetEndIndex(NativeCall& c) {
  InputState& in = c.vm.player().input;
  return FocusedField(in) ? Value::Number(static_cast<double>(std::max(in.caret, in.anchor)))
                          : Value::Number(-1);
}

Value GetCaretIndex(NativeCall& c) {
  InputState& in = c.vm.player().input;
  return FocusedField(in) ? Value::Number(static_cast<double>(in.caret)) : Value::Number(-1);
}

Value SetSelection(NativeCall& c) {
  InputState& in = c.vm.player().input;
  TextFieldObject* f = FocusedField(in);
  if (!f) return Value::Undefined();
  const double length = static_cast<double>(f->field.Length());
  auto index = [&](const Value& v) {
    const double d = c.vm.ToNumber(v);
    return static_cast<size_t>(d != d ? 0 : std::clamp(d, 0.0, length));
  };
  in.anchor = index(c.Arg(0));
  in.caret = index(c.Arg(1));
  if (in.caret < in.anchor) std::swap(in.caret, in.anchor);
  return Value::Undefined();
}

}  // namespace

void InstallSelection(Realm& realm) {
  ScriptObject* selection = realm.NewObject();
  realm.Set(realm.global, "Selection", Value::Object(selection));
  realm.Method(selection, "getFocus", GetFocus);
  realm.Method(selection, "setFocus", SetFocus);
  realm.Method(selection, "getBeginIndex", GetBeginIndex);
  realm.Method(selection, "getEndIndex", GetEndIndex);
  realm.Method(selection, "getCaretIndex", GetCaretIndex);
  realm.Method(selection, "setSelection", SetSelection);
  ListenerList(realm, selection);
}

}  // namespace flash
