// The global functions: number parsing, escape/unescape, the interval timers on the player's
// clock, getTimer and ASSetPropFlags.
#include <cctype>
#include <cmath>
#include <limits>

#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int DigitValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'z') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'Z') return ch - 'A' + 10;
  return 99;
}

Value ParseInt(NativeCall& c) {
  std::string s = c.vm.ToString(c.Arg(0));
  int radix = c.Count() > 1 && !c.Arg(1).IsUndefined() ? c.vm.ToInt32(c.Arg(1)) : 0;
  if (c.Count() > 1 && !c.Arg(1).IsUndefined() && (radix < 2 || radix > 36)) return Value::Number(kNaN);
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  if (radix == 0) {
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      radix = 16;
      i += 2;
    } else if (i + 1 < s.size() && s[i] == '0' && std::all_of(s.begin() + static_cast<long>(i), s.end(), [](char ch) {
                 return ch >= '0' && ch <= '7';
               })) {
      radix = 8;  // a leading zero of octal digits only
    } else {
      radix = 10;
    }
  } else if (radix == 16 && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    i += 2;
  }
  double v = 0;
  bool any = false;
  for (; i < s.size(); ++i) {
    int d = DigitValue(s[i]);
    if (d >= radix) break;
    v = v * radix + d;
    any = true;
  }
  if (!any) return Value::Number(kNaN);
  return Value::Number(neg ? -v : v);
}

Value ParseFloat(NativeCall& c) {
  std::string s = c.vm.ToString(c.Arg(0));
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  size_t j = i;
  if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
  bool digits = false;
  while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) { ++j; digits = true; }
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) { ++j; digits = true; }
  }
  if (!digits) return Value::Number(kNaN);
  if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    size_t k = j + 1;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      j = k;
    }
  }
  return Value::Number(std::strtod(s.substr(i, j - i).c_str(), nullptr));
}

Value IsNaN(NativeCall& c) { return Value::Bool(std::isnan(c.vm.ToNumber(c.Arg(0)))); }
Value IsFinite(NativeCall& c) { return Value::Bool(std::isfinite(c.vm.ToNumber(c.Arg(0)))); }

Value Escape(NativeCall& c) {
  std::string s = c.vm.ToString(c.Arg(0)), out;
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char ch : s) {
    if (std::isalnum(ch)) {
      out += static_cast<char>(ch);
    } else {
      out += '%';
      out += hex[ch >> 4];
      out += hex[ch & 15];
    }
  }
  return Value::String(out);
}

Value Unescape(NativeCall& c) {
  std::string s = c.vm.ToString(c.Arg(0)), out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() + 0 && DigitValue(s[i + 1]) < 16 && DigitValue(s[i + 2]) < 16) {
      out += static_cast<char>(DigitValue(s[i + 1]) * 16 + DigitValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return Value::String(out);
}

// setInterval(function, ms, args...) or setInterval(object, "method", ms, args...).
Value SetTimer(NativeCall& c, bool once) {
  if (c.Count() < 2) return Value::Undefined();
  size_t at = 0;
  Value target = c.Arg(0);
  std::string method;
  if (!c.vm.IsFunction(target)) {
    if (c.Count() < 3) return Value::Undefined();
    method = c.vm.ToString(c.Arg(1));
    at = 1;
  }
  double period = c.vm.ToNumber(c.Arg(at + 1));
  if (std::isnan(period) || period < 0) period = 0;
  std::vector<Value> rest(c.args.begin() + static_cast<long>(at + 2), c.args.end());
  int id = c.vm.player().AddInterval(target, method, std::move(rest), period, once);
  return Value::Number(id);
}

Value SetInterval(NativeCall& c) { return SetTimer(c, false); }
Value SetTimeout(NativeCall& c) { return SetTimer(c, true); }

Value ClearInterval(NativeCall& c) {
  c.vm.player().ClearInterval(c.vm.ToInt32(c.Arg(0)));
  return Value::Undefined();
}

Value GetTimer(NativeCall& c) { return Value::Number(std::floor(c.vm.player().ClockMs())); }
Value Nothing(NativeCall&) { return Value::Undefined(); }

// ASSetPropFlags(object, names, set, clear): names is an array, a comma list or null for all.
Value SetPropFlags(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.Arg(0));
  if (!o) return Value::Undefined();
  std::vector<std::string> names;
  bool all = c.Arg(1).IsNullish();
  if (!all) {
    ScriptObject* list = c.vm.ObjectOf(c.Arg(1));
    if (list && list->kind == ScriptObject::Kind::Array) {
      for (const Value& v : static_cast<ArrayObject*>(list)->items) names.push_back(c.vm.ToString(v));
    } else {
      std::string s = c.vm.ToString(c.Arg(1));
      size_t at = 0;
      for (;;) {
        size_t comma = s.find(',', at);
        names.push_back(s.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (comma == std::string::npos) break;
        at = comma + 1;
      }
    }
  }
  int set = c.vm.ToInt32(c.Arg(2));
  int clear = c.Count() > 3 ? c.vm.ToInt32(c.Arg(3)) : 0;
  auto apply = [&](Property& p) { p.flags = static_cast<uint8_t>((p.flags & ~clear) | set) & 7; };
  if (all) {
    for (const Property& p : o->Properties()) {
      if (Property* q = o->Find(c.vm.heap().Key(p.name))) apply(*q);
    }
  } else {
    for (const std::string& n : names)
      if (Property* p = o->Find(c.vm.heap().Key(n))) apply(*p);
  }
  return Value::Undefined();
}

}  // namespace

void InstallGlobals(Realm& realm) {
  ScriptObject* g = realm.global;
  realm.Method(g, "parseInt", ParseInt);
  realm.Method(g, "parseFloat", ParseFloat);
  realm.Method(g, "isNaN", IsNaN);
  realm.Method(g, "isFinite", IsFinite);
  realm.Method(g, "escape", Escape);
  realm.Method(g, "unescape", Unescape);
  realm.Method(g, "setInterval", SetInterval);
  realm.Method(g, "setTimeout", SetTimeout);
  realm.Method(g, "clearInterval", ClearInterval);
  realm.Method(g, "clearTimeout", ClearInterval);
  realm.Method(g, "getTimer", GetTimer);
  realm.Method(g, "updateAfterEvent", Nothing);
  realm.Method(g, "ASSetPropFlags", SetPropFlags);
  realm.Set(g, "NaN", Value::Number(kNaN));
  realm.Set(g, "Infinity", Value::Number(std::numeric_limits<double>::infinity()));
}

}  // namespace flash
