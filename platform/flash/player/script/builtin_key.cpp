// Key: which keys are down, the last key pressed and the character it typed, the key codes'
// names, and listeners told of every key going down and up.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {
namespace {

Value IsDown(NativeCall& c) {
  const int code = c.vm.ToInt32(c.Arg(0));
  const InputState& in = c.vm.player().input;
  return Value::Bool(code > 0 && code < 256 && in.keys_down[static_cast<size_t>(code)]);
}

// Whether the key went down an odd number of times since the movie started: the keyboard's
// lights are not seen, so caps lock starts off and every key toggles alike.
Value IsToggled(NativeCall& c) {
  const int code = c.vm.ToInt32(c.Arg(0));
  const InputState& in = c.vm.player().input;
  return Value::Bool(code > 0 && code < 256 && in.keys_toggled[static_cast<size_t>(code)]);
}

Value GetCode(NativeCall& c) { return Value::Number(c.vm.player().input.last_key); }
Value GetAscii(NativeCall& c) { return Value::Number(c.vm.player().input.last_char); }

}  // namespace

void InstallKey(Realm& realm) {
  ScriptObject* key = realm.NewObject();
  realm.Set(realm.global, "Key", Value::Object(key));
  static const std::pair<const char*, int> kCodes[] = {
      {"BACKSPACE", keys::kBackspace}, {"TAB", keys::kTab},         {"ENTER", keys::kEnter},
      {"SHIFT", keys::kShift},         {"CONTROL", keys::kControl}, {"ALT", keys::kAlt},
      {"CAPSLOCK", keys::kCapsLock},   {"ESCAPE", keys::kEscape},   {"SPACE", keys::kSpace},
      {"PGUP", keys::kPageUp},         {"PGDN", keys::kPageDown},   {"END", keys::kEnd},
      {"HOME", keys::kHome},           {"LEFT", keys::kLeft},       {"UP", keys::kUp},
      {"RIGHT", keys::kRight},         {"DOWN", keys::kDown},       {"INSERT", keys::kInsert},
      {"DELETEKEY", keys::kDelete}};
  for (const auto& [name, code] : kCodes)
    realm.Set(key, name, Value::Number(code), kDontEnum | kDontDelete | kReadOnly);
  realm.Method(key, "isDown", IsDown);
  realm.Method(key, "isToggled", IsToggled);
  realm.Method(key, "getCode", GetCode);
  realm.Method(key, "getAscii", GetAscii);
  ListenerList(realm, key);
}

}  // namespace flash
