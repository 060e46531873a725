// Math: constants and functions; random draws from the player's generator.
#include <cmath>
#include <limits>

#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

// The functions by their number in the native table; a number with no function gives NaN.
enum MathOp {
  kAbs,
  kMin,
  kMax,
  kSin,
  kCos,
  kAtan2,
  kTan,
  kExp,
  kLog,
  kSqrt,
  kRound,
  kRandom,
  kFloor,
  kCeil,
  kAtan,
  kAsin,
  kAcos,
  kPow,
  kMathOps
};

}  // namespace

// Every function converts its first two arguments to numbers, in order, whether it uses them or
// not; then computes.
Value MathByIndex(NativeCall& c) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  double x = c.Count() > 0 ? c.vm.ToNumber(c.args[0]) : nan;
  double y = c.Count() > 1 ? c.vm.ToNumber(c.args[1]) : nan;
  auto* f = static_cast<FunctionObject*>(c.callee);
  switch (f->native_tag) {
    case kAbs: return Value::Number(std::fabs(x));
    case kMin:
    case kMax:
      if (c.Count() == 0) return Value::Number(f->native_tag == kMin ? INFINITY : -INFINITY);
      if (std::isnan(x) || std::isnan(y)) return Value::Number(nan);
      return Value::Number(f->native_tag == kMin ? (x < y ? x : y) : (x > y ? x : y));
    case kSin: return Value::Number(std::sin(x));
    case kCos: return Value::Number(std::cos(x));
    case kAtan2: return Value::Number(std::atan2(x, y));
    case kTan: return Value::Number(std::tan(x));
    case kExp: return Value::Number(std::exp(x));
    case kLog: return Value::Number(std::log(x));
    case kSqrt: return Value::Number(std::sqrt(x));
    case kRound: return Value::Number(std::floor(x + 0.5));
    case kRandom:
      return Value::Number(c.vm.player().RandomInt(1 << 30) / static_cast<double>(1 << 30));
    case kFloor: return Value::Number(std::floor(x));
    case kCeil: return Value::Number(std::ceil(x));
    case kAtan: return Value::Number(std::atan(x));
    case kAsin: return Value::Number(std::asin(x));
    case kAcos: return Value::Number(std::acos(x));
    case kPow: return Value::Number(std::pow(x, y));
    default: return Value::Number(nan);
  }
}

void InstallMath(Realm& realm) {
  ScriptObject* m = realm.NewObject();
  realm.Set(realm.global, "Math", Value::Object(m));
  const char* names[kMathOps] = {"abs",   "min",  "max",  "sin",  "cos",   "atan2",
                                 "tan",   "exp",  "log",  "sqrt", "round", "random",
                                 "floor", "ceil", "atan", "asin", "acos",  "pow"};
  for (int i = 0; i < kMathOps; ++i) realm.Method(m, names[i], MathByIndex, i);
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
