// Number and Boolean: the constructors, their constants and toString with a radix.
#include <cmath>
#include <limits>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/lib/number_text.h"

namespace flash {

namespace {

Value Primitive(NativeCall& c) {
  ScriptObject* o = c.This();
  if (o && o->kind == ScriptObject::Kind::Boxed) return o->primitive;
  return c.self;
}

Value NumberCall(NativeCall& c) { return Value::Number(c.Count() ? c.vm.ToNumber(c.Arg(0)) : 0); }

Value NumberConstruct(NativeCall& c) {
  if (ScriptObject* o = c.This()) {
    o->kind = ScriptObject::Kind::Boxed;
    o->class_name = "Number";
    o->primitive = NumberCall(c);
  }
  return c.self;
}

Value NumberToStringMethod(NativeCall& c) {
  Value p = Primitive(c);
  double d = c.vm.ToNumber(p);
  int radix = c.Count() && !c.Arg(0).IsUndefined() ? c.vm.ToInt32(c.Arg(0)) : 10;
  return Value::String(scriptlib::NumberToStringRadix(d, radix));
}

Value ValueOf(NativeCall& c) { return Primitive(c); }

// Called as a function with nothing to convert, Boolean gives undefined; `new Boolean()` wraps
// false.
Value BooleanCall(NativeCall& c) {
  return c.Count() ? Value::Bool(c.vm.ToBool(c.Arg(0))) : Value::Undefined();
}

Value BooleanConstruct(NativeCall& c) {
  if (ScriptObject* o = c.This()) {
    o->kind = ScriptObject::Kind::Boxed;
    o->class_name = "Boolean";
    o->primitive = Value::Bool(c.Count() ? c.vm.ToBool(c.Arg(0)) : false);
  }
  return c.self;
}

Value BooleanToString(NativeCall& c) {
  Value p = Primitive(c);
  if (p.type != Value::Type::Bool) return Value::Undefined();
  return Value::String(p.boolean ? "true" : "false");
}

}  // namespace

void InstallNumberBoolean(Realm& realm) {
  realm.number_proto = realm.NewObject();
  FunctionObject* n = realm.Class("Number", NumberCall, NumberConstruct, realm.number_proto);
  realm.Method(realm.number_proto, "toString", NumberToStringMethod);
  realm.Method(realm.number_proto, "valueOf", ValueOf);
  const uint8_t fixed = kDontEnum | kDontDelete | kReadOnly;
  realm.Set(n, "MAX_VALUE", Value::Number(std::numeric_limits<double>::max()), fixed);
  realm.Set(n, "MIN_VALUE", Value::Number(std::numeric_limits<double>::denorm_min()), fixed);
  realm.Set(n, "NaN", Value::Number(std::numeric_limits<double>::quiet_NaN()), fixed);
  realm.Set(n, "POSITIVE_INFINITY", Value::Number(std::numeric_limits<double>::infinity()), fixed);
  realm.Set(n, "NEGATIVE_INFINITY", Value::Number(-std::numeric_limits<double>::infinity()), fixed);
  realm.boolean_proto = realm.NewObject();
  realm.Class("Boolean", BooleanCall, BooleanConstruct, realm.boolean_proto);
  realm.Method(realm.boolean_proto, "toString", BooleanToString);
  realm.Method(realm.boolean_proto, "valueOf", ValueOf);
}

}  // namespace flash
