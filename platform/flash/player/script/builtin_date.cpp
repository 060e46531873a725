// Date: a time value in milliseconds since 1970 UTC, its getters and setters in local time and
// UTC, Date.UTC and the printed form. "Now" is the machine's clock.
#include <chrono>
#include <cmath>
#include <iterator>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/lib/date_math.h"

namespace flash {

namespace {

namespace lib = scriptlib;

enum Op {
  kGetFullYear,
  kGetYear,
  kGetMonth,
  kGetDate,
  kGetDay,
  kGetHours,
  kGetMinutes,
  kGetSeconds,
  kGetMilliseconds,
  kGetUtcFullYear,
  kGetUtcYear,
  kGetUtcMonth,
  kGetUtcDate,
  kGetUtcDay,
  kGetUtcHours,
  kGetUtcMinutes,
  kGetUtcSeconds,
  kGetUtcMilliseconds,
  kGetTime,
  kGetTimezoneOffset,
  kValueOf,
  kToString,
  kSetFullYear,
  kSetYear,
  kSetMonth,
  kSetDate,
  kSetHours,
  kSetMinutes,
  kSetSeconds,
  kSetMilliseconds,
  kSetUtcFullYear,
  kSetUtcYear,
  kSetUtcMonth,
  kSetUtcDate,
  kSetUtcHours,
  kSetUtcMinutes,
  kSetUtcSeconds,
  kSetUtcMilliseconds,
  kSetTime,
};

double Now() {
  using namespace std::chrono;
  return static_cast<double>(
      duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

ScriptObject* DateOf(NativeCall& c) {
  ScriptObject* o = c.This();
  return o && o->class_name == std::string_view("Date") ? o : nullptr;
}

Value Construct(NativeCall& c) {
  ScriptObject* o = c.This();
  if (!o) return Value::Undefined();
  o->class_name = "Date";
  double t;
  if (c.Count() == 0) {
    t = Now();
  } else if (c.Count() == 1) {
    t = c.vm.ToNumber(c.Arg(0));
  } else {
    std::vector<double> parts;
    for (const Value& v : c.args) parts.push_back(c.vm.ToNumber(v));
    t = lib::DateFromParts(parts, false);
  }
  o->primitive = Value::Number(t);
  return c.self;
}

Value Call(NativeCall&) { return Value::String(lib::DateToString(Now())); }

Value Utc(NativeCall& c) {
  if (c.Count() < 2) return Value::Undefined();
  std::vector<double> parts;
  for (const Value& v : c.args) parts.push_back(c.vm.ToNumber(v));
  return Value::Number(lib::DateFromParts(parts, true));
}

Value RunOp(NativeCall& c, Op op) {
  ScriptObject* o = DateOf(c);
  if (!o) return Value::Undefined();
  double t = o->primitive.type == Value::Type::Number ? o->primitive.number : std::nan("");
  if (op <= kGetUtcMilliseconds) {
    bool utc = op >= kGetUtcFullYear;
    lib::DateFields f = utc ? lib::UtcFields(t) : lib::LocalFields(t);
    switch (utc ? op - kGetUtcFullYear : op) {
      case kGetFullYear: return Value::Number(f.year);
      case kGetYear: return Value::Number(f.year - 1900);
      case kGetMonth: return Value::Number(f.month);
      case kGetDate: return Value::Number(f.date);
      case kGetDay: return Value::Number(f.day);
      case kGetHours: return Value::Number(f.hours);
      case kGetMinutes: return Value::Number(f.minutes);
      case kGetSeconds: return Value::Number(f.seconds);
      case kGetMilliseconds: return Value::Number(f.milliseconds);
      default: break;
    }
    return Value::Undefined();
  }
  switch (op) {
    case kGetTime:
    case kValueOf: return Value::Number(t);
    case kGetTimezoneOffset: return Value::Number(lib::TimezoneOffsetMinutes(t));
    case kToString: return Value::String(lib::DateToString(t));
    case kSetTime: t = lib::SetTimeValue(c.vm.ToNumber(c.Arg(0))); break;
    default: {
      static const lib::DatePart parts[] = {lib::DatePart::FullYear, lib::DatePart::Year,
                                            lib::DatePart::Month,    lib::DatePart::Date,
                                            lib::DatePart::Hours,    lib::DatePart::Minutes,
                                            lib::DatePart::Seconds,  lib::DatePart::Milliseconds};
      bool utc = op >= kSetUtcFullYear;
      int index = utc ? op - kSetUtcFullYear : op - kSetFullYear;
      std::vector<double> args;
      for (const Value& v : c.args) args.push_back(c.vm.ToNumber(v));
      t = lib::SetDateParts(t, parts[index], args, utc);
      break;
    }
  }
  o->primitive = Value::Number(t);
  return Value::Number(t);
}

Value Method(NativeCall& c) {
  return RunOp(c, static_cast<Op>(static_cast<FunctionObject*>(c.callee)->native_tag));
}

// The methods in the order of their numbers in native table 103.
constexpr Op kTableOrder[] = {
    kGetFullYear,       kGetYear,    kGetMonth,        kGetDate,         kGetDay,   kGetHours,
    kGetMinutes,        kGetSeconds, kGetMilliseconds, kSetFullYear,     kSetMonth, kSetDate,
    kSetHours,          kSetMinutes, kSetSeconds,      kSetMilliseconds, kGetTime,  kSetTime,
    kGetTimezoneOffset, kToString,   kSetYear};

}  // namespace

Value DateByIndex(NativeCall& c) {
  int index = static_cast<FunctionObject*>(c.callee)->native_tag;
  if (index < 0 || index >= static_cast<int>(std::size(kTableOrder))) return Value::Undefined();
  return RunOp(c, kTableOrder[index]);
}

void InstallDate(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  FunctionObject* ctor = realm.Class("Date", Call, Construct, proto);
  realm.Method(ctor, "UTC", Utc);
  const char* names[] = {"getFullYear",     "getYear",
                         "getMonth",        "getDate",
                         "getDay",          "getHours",
                         "getMinutes",      "getSeconds",
                         "getMilliseconds", "getUTCFullYear",
                         "getUTCYear",      "getUTCMonth",
                         "getUTCDate",      "getUTCDay",
                         "getUTCHours",     "getUTCMinutes",
                         "getUTCSeconds",   "getUTCMilliseconds",
                         "getTime",         "getTimezoneOffset",
                         "valueOf",         "toString",
                         "setFullYear",     "setYear",
                         "setMonth",        "setDate",
                         "setHours",        "setMinutes",
                         "setSeconds",      "setMilliseconds",
                         "setUTCFullYear",  "setUTCYear",
                         "setUTCMonth",     "setUTCDate",
                         "setUTCHours",     "setUTCMinutes",
                         "setUTCSeconds",   "setUTCMilliseconds",
                         "setTime"};
  for (int i = 0; i <= kSetTime; ++i) realm.Method(proto, names[i], Method, i);
}

}  // namespace flash
