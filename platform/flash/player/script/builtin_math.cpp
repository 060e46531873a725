// Math: constants and functions; random draws from the player's generator.
#include <cmath>

#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

enum MathOp {
  kAbs,
  kAcos,
  kAsin,
  kAtan,
  kCeil,
  kCos,
  kExp,
  kFloor,
  kLog,
  kRound,
  kSin,
  kSqrt,
  kTan
};

double Arg(NativeCall& c, size_t i) {
  return i < c.Count() ? c.vm.ToNumber(c.args[i]) : std::nan("");
}

Value Unary(NativeCall& c) {
  double x = Arg(c, 0);
  auto* f = static_cast<FunctionObject*>(c.callee);
  switch (f->native_tag) {
    case kAbs: return Value::Number(std::fabs(x));
    case kAcos: return Value::Number(std::acos(x));
    case kAsin: return Value::Number(std::asin(x));
    case kAtan: return Value::Number(std::atan(x));
    case kCeil: return Value::Number(std::ceil(x));
    case kCos: return Value::Number(std::cos(x));
    case kExp: return Value::Number(std::exp(x));
    case kFloor: return Value::Number(std::floor(x));
    case kLog: return Value::Number(std::log(x));
    case kRound: return Value::Number(std::floor(x + 0.5));
    case kSin: return Value::Number(std::sin(x));
    case kSqrt: return Value::Number(std::sqrt(x));
    case kTan: return Value::Number(std::tan(x));
  }
  return Value::Undefined();
}

Value Atan2(NativeCall& c) { return Value::Number(std::atan2(Arg(c, 0), Arg(c, 1))); }
Value Pow(NativeCall& c) { return Value::Number(std::pow(Arg(c, 0), Arg(c, 1))); }

Value Max(NativeCall& c) {
  if (c.Count() == 0) return Value::Number(-INFINITY);
  if (c.Count() == 1) return Value::Number(std::nan(""));
  double a = Arg(c, 0), b = Arg(c, 1);
  if (std::isnan(a) || std::isnan(b)) return Value::Number(std::nan(""));
  return Value::Number(a > b ? a : b);
}

Value Min(NativeCall& c) {
  if (c.Count() == 0) return Value::Number(INFINITY);
  if (c.Count() == 1) return Value::Number(std::nan(""));
  double a = Arg(c, 0), b = Arg(c, 1);
  if (std::isnan(a) || std::isnan(b)) return Value::Number(std::nan(""));
  return Value::Number(a < b ? a : b);
}

Value Random(NativeCall& c) {
  return Value::Number(c.vm.player().RandomInt(1 << 30) / static_cast<double>(1 << 30));
}

}  // namespace

void InstallMath(Realm& realm) {
  ScriptObject* m = realm.NewObject();
  realm.Set(realm.global, "Math", Value::Object(m));
  const char* unary[] = {"abs",   "acos", "asin",  "atan", "ceil", "cos", "exp",
                         "floor", "log",  "round", "sin",  "sqrt", "tan"};
  for (int i = 0; i < 13; ++i) realm.Method(m, unary[i], Unary, i);
  realm.Method(m, "atan2", Atan2);
  realm.Method(m, "pow", Pow);
  realm.Method(m, "max", Max);
  realm.Method(m, "min", Min);
  realm.Method(m, "random", Random);
  const uint8_t fixed = kDontEnum | kDontDelete | kReadOnly;
  realm.Set(m, "E", Value::Number(M_E), fixed);
  realm.Set(m, "LN10", Value::Number(M_LN10), fixed);
  realm.Set(m, "LN2", Value::Number(M_LN2), fixed);
  realm.Set(m, "LOG10E", Value::Number(M_LOG10E), fixed);
  realm.Set(m, "LOG2E", Value::Number(M_LOG2E), fixed);
  realm.Set(m, "PI", Value::Number(M_PI), fixed);
  realm.Set(m, "SQRT1_2", Value::Number(M_SQRT1_2), fixed);
  realm.Set(m, "SQRT2", Value::Number(M_SQRT2), fixed);
}

}  // namespace flash
