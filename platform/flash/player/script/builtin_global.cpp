// The global functions: number parsing, escape/unescape, the interval timers on the player's
// clock, getTimer and ASSetPropFlags.
#include <cctype>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/lib/number_text.h"
#include "platform/flash/player/script/lib/string_ops.h"

namespace flash {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Value ParseInt(NativeCall& c) {
  if (c.Count() == 0) return Value::Undefined();
  std::optional<double> radix;
  if (c.Count() > 1) radix = c.vm.ToNumber(c.Arg(1));
  return Value::Number(scriptlib::ParseInt(c.vm.ToString(c.Arg(0)), radix));
}

Value ParseFloat(NativeCall& c) {
  return Value::Number(scriptlib::ParseFloat(c.vm.ToString(c.Arg(0))));
}
// A missing argument is NaN whatever the version makes of undefined.
double NumberArg(NativeCall& c) { return c.Count() ? c.vm.ToNumber(c.Arg(0)) : kNaN; }
Value IsNaN(NativeCall& c) { return Value::Bool(std::isnan(NumberArg(c))); }
Value IsFinite(NativeCall& c) { return Value::Bool(std::isfinite(NumberArg(c))); }
Value Escape(NativeCall& c) { return Value::String(scriptlib::Escape(c.vm.ToString(c.Arg(0)))); }
Value Unescape(NativeCall& c) {
  return Value::String(scriptlib::Unescape(c.vm.ToString(c.Arg(0)), c.vm.version()));
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
      for (const Value& v : static_cast<ArrayObject*>(list)->items)
        names.push_back(c.vm.ToString(v));
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
  auto apply = [&](Property& p) {
    p.flags = static_cast<uint16_t>(((p.flags & ~clear) | set) & kPropFlagMask);
  };
  // An array's elements take attributes as its named properties do.
  auto* array = o->kind == ScriptObject::Kind::Array ? static_cast<ArrayObject*>(o) : nullptr;
  auto apply_element = [&](size_t i) {
    uint16_t& f = array->InfoAt(i).flags;
    f = static_cast<uint16_t>(((f & ~clear) | set) & kPropFlagMask);
  };
  if (all) {
    for (const Property& p : o->Properties()) {
      if (Property* q = o->Find(c.vm.heap().Key(p.name))) apply(*q);
    }
    if (array)
      for (size_t i = 0; i < array->items.size(); ++i)
        if (array->Has(i)) apply_element(i);
  } else {
    for (const std::string& n : names) {
      size_t i;
      if (Property* p = o->Find(c.vm.heap().Key(n)))
        apply(*p);
      else if (array && ArrayObject::IndexOf(n, i) && array->Has(i))
        apply_element(i);
    }
  }
  return Value::Undefined();
}

// The global functions by their number in the native table.
Value GlobalByIndex(NativeCall& c) {
  switch (static_cast<FunctionObject*>(c.callee)->native_tag) {
    case 0: return Escape(c);
    case 1: return Unescape(c);
    case 2: return ParseInt(c);
    case 3: return ParseFloat(c);
    case 4: c.vm.Trace(c.Arg(0)); return Value::Undefined();
    default: return Value::Undefined();
  }
}

// ASnative(table, index) gives a built-in function by its numbers: table 100 holds global
// functions and 200 the Math functions. Both numbers convert as 32-bit integers; another table,
// or a call without exactly two numbers, gives undefined.
FunctionObject* NativeByNumber(Realm& realm, int32_t table, int32_t index) {
  if (table == 100) return realm.NewNative(GlobalByIndex, index);
  if (table == 103) return realm.NewNative(DateByIndex, index);
  if (table == 200) return realm.NewNative(MathByIndex, index);
  return FilterNative(realm, table, index);
}

Value AsNative(NativeCall& c) {
  if (c.Count() != 2) return Value::Undefined();
  int32_t table = c.vm.ToInt32(c.Arg(0));
  int32_t index = c.vm.ToInt32(c.Arg(1));
  FunctionObject* fn = NativeByNumber(c.vm.realm(), table, index);
  return fn ? Value::Object(fn) : Value::Undefined();
}

// The names of a comma list, empty ones included ("a,,b" gives three).
std::vector<std::string> CommaList(const std::string& names) {
  std::vector<std::string> out;
  size_t from = 0;
  while (from <= names.size()) {
    size_t comma = names.find(',', from);
    if (comma == std::string::npos) comma = names.size();
    out.push_back(names.substr(from, comma - from));
    from = comma + 1;
  }
  return out;
}

// ASSetNative(object, table, "name,name,...", first): each name of the comma list gets the
// native function numbered `first` plus its place in the list; empty names only take a number.
Value SetNative(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.Arg(0));
  if (!o || c.Count() < 3) return Value::Undefined();
  int32_t table = c.vm.ToInt32(c.Arg(1));
  std::string names = c.vm.ToString(c.Arg(2));
  int32_t index = c.Count() > 3 ? c.vm.ToInt32(c.Arg(3)) : 0;
  for (const std::string& name : CommaList(names)) {
    if (!name.empty()) {
      if (FunctionObject* fn = NativeByNumber(c.vm.realm(), table, index))
        c.vm.realm().Set(o, name, Value::Object(fn));
    }
    ++index;
  }
  return Value::Undefined();
}

// A leading version number on a name of ASSetNativeAccessor's list (6 to 9, or 10) hides the
// property from older movies; a lone leading 1 is dropped too. Other digits stay in the name.
uint16_t TakeVersionPrefix(std::string& name) {
  if (name.empty()) return 0;
  char d = name[0];
  if (d >= '6' && d <= '9') {
    name.erase(0, 1);
    static constexpr uint16_t kFlags[] = {kHiddenBefore6, kHiddenBefore7, kHiddenBefore8,
                                          kHiddenBefore9};
    return kFlags[d - '6'];
  }
  if (d == '1') {
    bool ten = name.size() > 1 && name[1] == '0';
    name.erase(0, ten ? 2 : 1);
    return ten ? kHiddenBefore10 : 0;
  }
  return 0;
}

// ASSetNativeAccessor(object, table, "name,name,...", first): each name of the list becomes a
// property read by native number first + 2 * place and written by the number after it.
Value SetNativeAccessor(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.Arg(0));
  if (!o || c.Count() < 3) return Value::Undefined();
  int32_t table = c.vm.ToInt32(c.Arg(1));
  std::string names = c.vm.ToString(c.Arg(2));
  int32_t first = c.Count() > 3 ? c.vm.ToInt32(c.Arg(3)) : 0;
  Realm& realm = c.vm.realm();
  const std::vector<std::string> list = CommaList(names);
  for (int32_t place = 0; place < static_cast<int32_t>(list.size()); ++place) {
    std::string name = list[static_cast<size_t>(place)];
    uint16_t flags = TakeVersionPrefix(name);
    if (name.empty()) continue;
    int32_t number = first + 2 * place;
    FunctionObject* get = NativeByNumber(realm, table, number);
    FunctionObject* set = NativeByNumber(realm, table, number + 1);
    if (!get && !set) continue;
    std::string key = c.vm.heap().Key(name);
    Property& p = o->Put(key, name, Value::Undefined(), flags);
    p.flags = flags;
    p.accessor = true;
    p.getter = get;
    p.setter = set;
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
  realm.Method(g, "ASnative", AsNative);
  realm.Method(g, "ASSetNative", SetNative);
  realm.Method(g, "ASSetNativeAccessor", SetNativeAccessor);
  realm.Set(g, "NaN", Value::Number(kNaN));
  realm.Set(g, "Infinity", Value::Number(std::numeric_limits<double>::infinity()));
}

}  // namespace flash
