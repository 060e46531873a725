// Color: reads and sets the colour transform of the clip it was made for. Multipliers are
// percentages of the clip's 8.8 fixed-point factors and offsets whole numbers; both are kept in
// 16 bits, so values outside that range wrap as they do in the clip's own transform.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/button.h"

namespace flash {

namespace {

// The clip named by the object's `target` member: a clip or button, or a path from the current
// timeline.
MovieClip* TargetClip(NativeCall& c) {
  Value target = c.vm.GetMember(c.self, "target");
  if (target.IsNullish() || (target.type == Value::Type::String && target.string.empty()))
    return nullptr;
  if (MovieClip* clip = c.vm.ClipOf(target)) return clip;
  if (ButtonObject* button = ButtonOf(target)) return button;
  if (target.type != Value::Type::String) return nullptr;
  return c.vm.ResolvePath(target.string, c.vm.Target());
}

int16_t Wrap16(NativeCall& c, double v) {
  return static_cast<int16_t>(
      static_cast<uint16_t>(static_cast<uint32_t>(c.vm.ToInt32(Value::Number(v)))));
}

Value Construct(NativeCall& c) {
  if (ScriptObject* self = c.This()) c.vm.realm().Set(self, "target", c.Arg(0), 0);
  return Value::Undefined();
}

Value SetRgb(NativeCall& c) {
  MovieClip* clip = TargetClip(c);
  if (!clip) return Value::Undefined();
  int32_t rgb = c.vm.ToInt32(c.Arg(0));
  ColorTransform& t = clip->color_transform;
  t.r_mult = t.g_mult = t.b_mult = 0;
  t.r_add = static_cast<int16_t>((rgb >> 16) & 0xFF);
  t.g_add = static_cast<int16_t>((rgb >> 8) & 0xFF);
  t.b_add = static_cast<int16_t>(rgb & 0xFF);
  return Value::Undefined();
}

Value GetRgb(NativeCall& c) {
  MovieClip* clip = TargetClip(c);
  if (!clip) return Value::Undefined();
  const ColorTransform& t = clip->color_transform;
  return Value::Number(static_cast<double>((static_cast<int32_t>(t.r_add) * 65536) |
                                           (static_cast<int32_t>(t.g_add) * 256) | t.b_add));
}

struct Channel {
  const char* mult;
  const char* add;
  int16_t ColorTransform::*m;
  int16_t ColorTransform::*a;
};
constexpr Channel kChannels[] = {
    {"ra", "rb", &ColorTransform::r_mult, &ColorTransform::r_add},
    {"ga", "gb", &ColorTransform::g_mult, &ColorTransform::g_add},
    {"ba", "bb", &ColorTransform::b_mult, &ColorTransform::b_add},
    {"aa", "ab", &ColorTransform::a_mult, &ColorTransform::a_add},
};

Value GetTransform(NativeCall& c) {
  MovieClip* clip = TargetClip(c);
  if (!clip) return Value::Undefined();
  ScriptObject* o = c.vm.realm().NewObject();
  for (const Channel& ch : kChannels) {
    c.vm.SetMember(Value::Object(o), ch.mult,
                   Value::Number(clip->color_transform.*ch.m / 256.0 * 100.0));
    c.vm.SetMember(Value::Object(o), ch.add, Value::Number(clip->color_transform.*ch.a));
  }
  return Value::Object(o);
}

// Only the members the object has itself change the transform.
Value SetTransform(NativeCall& c) {
  MovieClip* clip = TargetClip(c);
  ScriptObject* from = c.vm.ObjectOf(c.Arg(0));
  if (!clip || !from || !c.Arg(0).IsObject()) return Value::Undefined();
  for (const Channel& ch : kChannels) {
    if (from->Find(c.vm.heap().Key(ch.mult)))
      clip->color_transform.*ch.m =
          Wrap16(c, c.vm.ToNumber(c.vm.GetMember(c.Arg(0), ch.mult)) * 2.56);
    if (from->Find(c.vm.heap().Key(ch.add)))
      clip->color_transform.*ch.a = Wrap16(c, c.vm.ToNumber(c.vm.GetMember(c.Arg(0), ch.add)));
  }
  return Value::Undefined();
}

}  // namespace

void InstallColor(Realm& realm) {
  FunctionObject* color = realm.Class("Color", Construct);
  ScriptObject* proto = realm.NewObject();
  realm.LinkPrototype(color, proto);
  realm.Method(proto, "setRGB", SetRgb);
  realm.Method(proto, "getRGB", GetRgb);
  realm.Method(proto, "setTransform", SetTransform);
  realm.Method(proto, "getTransform", GetTransform);
}

}  // namespace flash
