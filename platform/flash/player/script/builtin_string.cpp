// String: the constructor, String.fromCharCode and the methods, positions in the units of the
// movie's version (UTF-16 units from version 6, bytes before).
#include <cmath>
#include <optional>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/lib/string_ops.h"

namespace flash {

namespace {

namespace lib = scriptlib;

std::string Self(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o && o->kind == ScriptObject::Kind::Boxed) return c.vm.ToString(o->primitive);
  return c.vm.ToString(c.self);
}

double Num(NativeCall& c, size_t i) { return c.vm.ToNumber(c.Arg(i)); }

// An argument the method treats as left out when missing or undefined.
std::optional<double> Opt(NativeCall& c, size_t i) {
  if (i >= c.Count() || c.Arg(i).IsUndefined()) return std::nullopt;
  return c.vm.ToNumber(c.Arg(i));
}

Value Str(std::string s) { return Value::String(std::move(s)); }

Value StringCall(NativeCall& c) { return Str(c.Count() ? c.vm.ToString(c.Arg(0)) : std::string()); }

Value StringConstruct(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o) {
    o->kind = ScriptObject::Kind::Boxed;
    o->class_name = "String";
    o->primitive = StringCall(c);
    // `length` is the object's own, hidden from enumeration and kept by delete, but writable.
    std::string key = c.vm.heap().Key("length");
    auto length = static_cast<double>(lib::StringLength(o->primitive.string, c.vm.version()));
    o->Put(key, "length", Value::Number(length), kDontEnum | kDontDelete);
  }
  return c.self;
}

Value ToStringMethod(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o && o->kind == ScriptObject::Kind::Boxed) return o->primitive;
  if (c.self.type == Value::Type::String) return c.self;
  return Str(c.vm.ToString(c.self));
}

int V(NativeCall& c) { return c.vm.version(); }

Value CharAt(NativeCall& c) { return Str(lib::CharAt(Self(c), Num(c, 0), V(c))); }
Value CharCodeAt(NativeCall& c) { return Value::Number(lib::CharCodeAt(Self(c), Num(c, 0), V(c))); }

Value Concat(NativeCall& c) {
  std::string s = Self(c);
  for (const Value& v : c.args) s = c.vm.CheckedConcat(s, c.vm.ToString(v));
  return Str(s);
}

// With nothing to look for, the searches give undefined rather than a position.
Value IndexOf(NativeCall& c) {
  if (c.Count() == 0) return Value::Undefined();
  return Value::Number(lib::IndexOf(Self(c), c.vm.ToString(c.Arg(0)), Opt(c, 1), V(c)));
}

Value LastIndexOf(NativeCall& c) {
  if (c.Count() == 0) return Value::Undefined();
  return Value::Number(lib::LastIndexOf(Self(c), c.vm.ToString(c.Arg(0)), Opt(c, 1), V(c)));
}

Value Slice(NativeCall& c) {
  if (c.Count() == 0) return Value::Undefined();
  return Str(lib::Slice(Self(c), Num(c, 0), Opt(c, 1), V(c)));
}

Value Substring(NativeCall& c) {
  if (c.Count() == 0) return Value::Undefined();
  return Str(lib::Substring(Self(c), Num(c, 0), Opt(c, 1), V(c)));
}

Value Substr(NativeCall& c) {
  if (c.Count() == 0) return Value::Undefined();
  return Str(lib::Substr(Self(c), Num(c, 0), Opt(c, 1), V(c)));
}

Value Split(NativeCall& c) {
  std::optional<std::string> sep;
  if (c.Count() > 0 && !c.Arg(0).IsUndefined()) sep = c.vm.ToString(c.Arg(0));
  std::vector<std::string> parts = lib::Split(
      Self(c), sep ? std::optional<std::string_view>(*sep) : std::nullopt, Opt(c, 1), V(c));
  std::vector<Value> items;
  items.reserve(parts.size());
  for (auto& p : parts) items.push_back(Str(std::move(p)));
  return Value::Object(c.vm.realm().NewArray(std::move(items)));
}

Value ToLower(NativeCall& c) { return Str(lib::ToLowerCase(Self(c), V(c))); }
Value ToUpper(NativeCall& c) { return Str(lib::ToUpperCase(Self(c), V(c))); }

Value FromCharCode(NativeCall& c) {
  std::vector<double> codes;
  for (const Value& v : c.args) codes.push_back(c.vm.ToNumber(v));
  return Str(lib::FromCharCode(codes));
}

}  // namespace

void InstallString(Realm& realm) {
  realm.string_proto = realm.NewObject();
  FunctionObject* ctor = realm.Class("String", StringCall, StringConstruct, realm.string_proto);
  realm.Method(ctor, "fromCharCode", FromCharCode);
  ScriptObject* p = realm.string_proto;
  realm.Method(p, "toString", ToStringMethod);
  realm.Method(p, "valueOf", ToStringMethod);
  realm.Method(p, "charAt", CharAt);
  realm.Method(p, "charCodeAt", CharCodeAt);
  realm.Method(p, "concat", Concat);
  realm.Method(p, "indexOf", IndexOf);
  realm.Method(p, "lastIndexOf", LastIndexOf);
  realm.Method(p, "slice", Slice);
  realm.Method(p, "substring", Substring);
  realm.Method(p, "substr", Substr);
  realm.Method(p, "split", Split);
  realm.Method(p, "toLowerCase", ToLower);
  realm.Method(p, "toUpperCase", ToUpper);
}

}  // namespace flash
