// Array: the constructor and every method, sort with its flags and comparators, sortOn.
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/lib/array_sort.h"

namespace flash {

namespace {

namespace lib = scriptlib;

ArrayObject* ThisArray(NativeCall& c) {
  ScriptObject* o = c.vm.ObjectOf(c.self);
  return o && o->kind == ScriptObject::Kind::Array ? static_cast<ArrayObject*>(o) : nullptr;
}

// The array a method that changes its elements works on; such a method leaves the array as long
// as the elements it holds.
ArrayObject* ChangedArray(NativeCall& c) {
  ArrayObject* a = ThisArray(c);
  if (a) a->odd_length.reset();
  return a;
}

Value ElementOrUndefined(const ArrayObject* a, size_t i) {
  return a->Has(i) ? a->items[i] : Value::Undefined();
}

// Array run by a subclass constructor on its own object: the elements and the length become
// plain properties of that object (the array methods read such objects through their length).
Value ConstructOnExisting(NativeCall& c) {
  ScriptObject* o = c.This();
  if (!o) return c.self;
  Realm& realm = c.vm.realm();
  size_t n = c.Count();
  if (n == 1 && c.Arg(0).type == Value::Type::Number) {
    realm.Set(o, "length", c.Arg(0), kDontEnum);
    return c.self;
  }
  for (size_t i = 0; i < n; ++i) realm.Set(o, std::to_string(i), c.args[i], 0);
  realm.Set(o, "length", Value::Number(static_cast<double>(n)), kDontEnum);
  return c.self;
}

Value Construct(NativeCall& c) {
  if (c.on_existing) return ConstructOnExisting(c);
  ArrayObject* a = c.vm.realm().NewArray();
  if (c.Count() == 1 && c.Arg(0).type == Value::Type::Number) {
    double n = c.Arg(0).number;
    if (n >= 0 && n == std::floor(n)) {
      if (n > 4294967295.0) throw ScriptAbort{"array too long"};
      c.vm.CheckArrayGrowth(0, static_cast<size_t>(n));
      a->items.resize(static_cast<size_t>(n), Value::Hole());
    } else if (n < 0 && n == std::floor(n)) {
      // A negative length makes an array with no elements that keeps the length (as a signed
      // 32-bit count).
      a->odd_length = c.vm.ToInt32(c.Arg(0));
    } else {
      a->items.push_back(c.Arg(0));
    }
  } else {
    a->items = c.args;
  }
  return Value::Object(a);
}

// Aborts before an array of `from` elements grows to `to` beyond the limits.
void Grow(NativeCall& c, size_t from, size_t to) { c.vm.CheckArrayGrowth(from, to); }

std::string Join(NativeCall& c, ArrayObject* a, const std::string& sep) {
  std::string out;
  for (size_t i = 0; i < a->items.size(); ++i) {
    if (i) out = c.vm.CheckedConcat(out, sep);
    out = c.vm.CheckedConcat(out, c.vm.ToString(a->items[i]));
  }
  return out;
}

// Join for an object that is not an array: as many elements as its length says, each its own
// stored value of that index (neither inherited nor from a getter) or undefined.
std::string JoinOther(NativeCall& c, ScriptObject* o, const std::string& sep) {
  double n = c.vm.ToNumber(c.vm.GetMember(c.self, "length"));
  if (!(n > 0)) return std::string();
  size_t count = static_cast<size_t>(std::min(n, 4294967295.0));
  c.vm.CheckArrayGrowth(0, count);
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    if (i) out = c.vm.CheckedConcat(out, sep);
    const Property* p = o->Find(std::to_string(i));
    Value v = p && !p->accessor ? p->value : Value::Undefined();
    out = c.vm.CheckedConcat(out, c.vm.ToString(v));
  }
  return out;
}

Value JoinWith(NativeCall& c, const std::string& sep) {
  if (ArrayObject* a = ThisArray(c)) return Value::String(Join(c, a, sep));
  ScriptObject* o = c.vm.ObjectOf(c.self);
  return o ? Value::String(JoinOther(c, o, sep)) : Value::Undefined();
}

Value JoinMethod(NativeCall& c) {
  return JoinWith(c, c.Count() > 0 && !c.Arg(0).IsUndefined() ? c.vm.ToString(c.Arg(0)) : ",");
}

Value ToStringMethod(NativeCall& c) { return JoinWith(c, ","); }

Value Push(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a) return Value::Undefined();
  Grow(c, a->items.size(), a->items.size() + c.Count());
  for (const Value& v : c.args) a->SetElement(a->items.size(), v);
  return Value::Number(static_cast<double>(a->items.size()));
}

Value Pop(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a || a->items.empty()) return Value::Undefined();
  Value v = a->items.back();
  a->items.pop_back();
  if (a->info.size() > a->items.size()) a->info.resize(a->items.size());
  return v;
}

// shift for an object that is not an array: its elements are the properties below its length.
Value ShiftOther(NativeCall& c, ScriptObject* o) {
  double n = c.vm.ToNumber(c.vm.GetMember(c.self, "length"));
  if (!(n >= 1)) {
    c.vm.SetMember(c.self, "length", Value::Number(0));
    return Value::Undefined();
  }
  size_t count = static_cast<size_t>(std::min(n, 4294967295.0));
  c.vm.CheckArrayGrowth(0, count);
  Value first = c.vm.GetMember(c.self, "0");
  Heap& heap = c.vm.heap();
  for (size_t i = 1; i < count; ++i) {
    const std::string from = std::to_string(i), to = std::to_string(i - 1);
    if (c.vm.HasMember(o, heap.Key(from)))
      c.vm.SetMember(c.self, to, c.vm.GetMember(c.self, from));
    else
      c.vm.DeleteMember(c.self, to);
  }
  c.vm.DeleteMember(c.self, std::to_string(count - 1));
  c.vm.SetMember(c.self, "length", Value::Number(static_cast<double>(count - 1)));
  return first;
}

Value Shift(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a) {
    ScriptObject* o = c.vm.ObjectOf(c.self);
    return o && c.self.type == Value::Type::Object ? ShiftOther(c, o) : Value::Undefined();
  }
  if (a->items.empty()) return Value::Undefined();
  Value v = a->items.front();
  a->items.erase(a->items.begin());
  a->ForgetInfo();
  return v;
}

Value Unshift(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a) return Value::Undefined();
  // The player moves each element up from the last, writing it anew at its new index (a hole
  // becomes undefined) and deleting it where it was, then writes the new elements in front; an
  // element that may not be deleted or written keeps its place, attributes or value.
  size_t n = a->items.size(), k = c.Count();
  if (k == 0) return Value::Number(static_cast<double>(n));
  Grow(c, n, n + k);
  for (size_t i = n; i-- > 0;) {
    a->SetElement(i + k, ElementOrUndefined(a, i));
    a->DeleteElement(i);
  }
  for (size_t i = 0; i < k; ++i) a->SetElement(i, c.args[i]);
  return Value::Number(static_cast<double>(a->items.size()));
}

// A relative index (negative from the end) clamped to [0, length].
size_t Clamp(NativeCall& c, const Value& v, size_t length, size_t fallback) {
  if (v.IsUndefined()) return fallback;
  double d = c.vm.ToNumber(v);
  if (std::isnan(d)) return 0;
  d = std::trunc(d);
  if (d < 0) d += static_cast<double>(length);
  return static_cast<size_t>(std::clamp(d, 0.0, static_cast<double>(length)));
}

Value Slice(NativeCall& c) {
  ArrayObject* a = ThisArray(c);
  if (!a) return Value::Undefined();
  size_t n = a->items.size();
  size_t from = Clamp(c, c.Arg(0), n, 0), to = Clamp(c, c.Arg(1), n, n);
  std::vector<Value> out;
  if (from < to)
    out.assign(a->items.begin() + static_cast<long>(from),
               a->items.begin() + static_cast<long>(to));
  return Value::Object(c.vm.realm().NewArray(std::move(out)));
}

Value Splice(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a || c.Count() == 0) return Value::Undefined();
  // An undefined start or count does nothing and gives undefined, as a left-out start does.
  if (c.Arg(0).IsUndefined() || (c.Count() > 1 && c.Arg(1).IsUndefined()))
    return Value::Undefined();
  size_t n = a->items.size();
  size_t from = Clamp(c, c.Arg(0), n, 0);
  size_t count = n - from;
  if (c.Count() > 1) {
    double d = c.vm.ToNumber(c.Arg(1));
    if (d < 0) return Value::Undefined();  // a negative count, too
    count = std::isnan(d) ? 0 : static_cast<size_t>(std::min(d, static_cast<double>(n - from)));
  }
  std::vector<Value> removed(a->items.begin() + static_cast<long>(from),
                             a->items.begin() + static_cast<long>(from + count));
  a->items.erase(a->items.begin() + static_cast<long>(from),
                 a->items.begin() + static_cast<long>(from + count));
  if (c.Count() > 2) {
    Grow(c, a->items.size(), a->items.size() + c.Count());
    a->items.insert(a->items.begin() + static_cast<long>(from), c.args.begin() + 2, c.args.end());
  }
  a->ForgetInfo();
  return Value::Object(c.vm.realm().NewArray(std::move(removed)));
}

Value Concat(NativeCall& c) {
  ArrayObject* a = ThisArray(c);
  std::vector<Value> out;
  if (a) out = a->items;
  for (const Value& v : c.args) {
    ScriptObject* o = c.vm.ObjectOf(v);
    if (o && o->kind == ScriptObject::Kind::Array) {
      const auto& items = static_cast<ArrayObject*>(o)->items;
      Grow(c, out.size(), out.size() + items.size());
      out.insert(out.end(), items.begin(), items.end());
    } else {
      out.push_back(v);
    }
  }
  return Value::Object(c.vm.realm().NewArray(std::move(out)));
}

Value Reverse(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a) return Value::Undefined();
  // The player swaps the elements pair by pair from the ends: it deletes both and writes them
  // back anew, so the pair becomes the newest elements, a hole becomes undefined, and an
  // element that may not be deleted or written keeps its place, attributes or value.
  size_t n = a->items.size();
  for (size_t i = 0; i < n / 2; ++i) {
    size_t j = n - 1 - i;
    Value low = ElementOrUndefined(a, i), high = ElementOrUndefined(a, j);
    a->DeleteElement(i);
    a->DeleteElement(j);
    a->SetElement(i, std::move(high));
    a->SetElement(j, std::move(low));
  }
  return c.self;
}

lib::SortKey KeyOf(NativeCall& c, const Value& v) {
  switch (v.type) {
    case Value::Type::Undefined: return lib::SortKey::Undefined();
    case Value::Type::Null: return lib::SortKey::Null();
    case Value::Type::Bool: return lib::SortKey::Bool(v.boolean);
    case Value::Type::Number: return lib::SortKey::Number(v.number);
    case Value::Type::String: return lib::SortKey::String(v.string);
    default: return lib::SortKey::Other(c.vm.ToString(v));
  }
}

// Applies a sorted order: the array reordered, or the order itself for RETURNINDEXEDARRAY; 0 when
// a unique sort found equal elements.
Value Apply(NativeCall& c, ArrayObject* a, const std::optional<std::vector<size_t>>& order,
            int flags) {
  if (!order) return Value::Number(0);
  if (flags & lib::kSortReturnIndexedArray) {
    std::vector<Value> idx;
    for (size_t i : *order) idx.push_back(Value::Number(static_cast<double>(i)));
    return Value::Object(c.vm.realm().NewArray(std::move(idx)));
  }
  std::vector<Value> sorted;
  sorted.reserve(order->size());
  for (size_t i : *order) sorted.push_back(i < a->items.size() ? a->items[i] : Value::Undefined());
  a->items = std::move(sorted);
  a->ForgetInfo();
  return c.self;
}

Value Sort(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a) return Value::Undefined();
  Value fn;
  int flags = 0;
  if (c.Count() > 0) {
    const Value& first = c.Arg(0);
    const Value& second = c.Count() > 1 ? c.Arg(1) : Value::Undefined();
    if (c.vm.IsFunction(first)) {
      fn = first;
      if (c.Count() > 1) flags = c.vm.ToInt32(second);
    } else if (first.IsNullish() || first.type == Value::Type::Bool) {
      return Value::Undefined();  // neither a comparator nor flags: no sort
    } else {
      // Flags, the second ones winning over the first; a non-number second is ignored.
      if (first.type == Value::Type::Number) flags = c.vm.ToInt32(first);
      if (second.type == Value::Type::Number) flags = c.vm.ToInt32(second);
    }
  }
  std::vector<Value> items = a->items;  // the comparator may change the array meanwhile
  if (!fn.IsUndefined()) {
    auto order = lib::SortOrderWith(
        items.size(),
        [&](size_t x, size_t y) {
          return c.vm.ToNumber(c.vm.Call(fn, Value::Undefined(), {items[x], items[y]}));
        },
        flags);
    a->items = items;
    return Apply(c, a, order, flags);
  }
  std::vector<lib::SortKey> keys;
  keys.reserve(items.size());
  for (const Value& v : items) keys.push_back(KeyOf(c, v));
  return Apply(c, a, lib::SortOrder(keys, flags, c.vm.version()), flags);
}

// The sort key of one element's field: the element's own stored value (neither inherited nor
// from a getter; the built-in length of arrays and strings counts), a primitive element itself.
lib::SortKey FieldKey(NativeCall& c, const Value& e, const std::string& field) {
  ScriptObject* o = c.vm.ObjectOf(e);
  if (!o) return KeyOf(c, e);
  if (const Property* p = o->Find(c.vm.heap().Key(field)))
    return p->accessor ? lib::SortKey::Undefined() : KeyOf(c, p->value);
  if (o->kind == ScriptObject::Kind::Array || o->kind == ScriptObject::Kind::Boxed ||
      o->kind == ScriptObject::Kind::Clip)
    return KeyOf(c, c.vm.GetMember(e, field));
  return lib::SortKey::Undefined();
}

Value SortOn(NativeCall& c) {
  ArrayObject* a = ChangedArray(c);
  if (!a || c.Count() == 0) return Value::Undefined();
  std::vector<std::string> fields;
  ScriptObject* list = c.vm.ObjectOf(c.Arg(0));
  if (list && list->kind == ScriptObject::Kind::Array) {
    for (const Value& v : static_cast<ArrayObject*>(list)->items)
      fields.push_back(c.vm.ToString(v));
  } else {
    fields.push_back(c.vm.ToString(c.Arg(0)));
  }
  std::vector<int> field_flags(fields.size(), 0);
  ScriptObject* fl = c.vm.ObjectOf(c.Arg(1));
  if (fl && fl->kind == ScriptObject::Kind::Array) {
    const auto& items = static_cast<ArrayObject*>(fl)->items;
    if (items.size() == fields.size())
      for (size_t i = 0; i < items.size(); ++i) field_flags[i] = c.vm.ToInt32(items[i]);
  } else if (c.Count() > 1) {
    field_flags.assign(fields.size(), c.vm.ToInt32(c.Arg(1)));
  }
  std::vector<std::vector<lib::SortKey>> keys;
  for (const Value& e : a->items) {
    std::vector<lib::SortKey> row;
    for (const std::string& f : fields) row.push_back(FieldKey(c, e, f));
    keys.push_back(std::move(row));
  }
  int flags = field_flags.empty() ? 0 : field_flags[0];
  return Apply(c, a, lib::SortOnOrder(keys, field_flags, c.vm.version()), flags);
}

}  // namespace

void InstallArray(Realm& realm) {
  realm.array_proto = realm.NewObject();
  FunctionObject* ctor = realm.Class("Array", Construct, Construct, realm.array_proto);
  ScriptObject* p = realm.array_proto;
  realm.Method(p, "push", Push);
  realm.Method(p, "pop", Pop);
  realm.Method(p, "shift", Shift);
  realm.Method(p, "unshift", Unshift);
  realm.Method(p, "slice", Slice);
  realm.Method(p, "splice", Splice);
  realm.Method(p, "concat", Concat);
  realm.Method(p, "join", JoinMethod);
  realm.Method(p, "toString", ToStringMethod);
  realm.Method(p, "reverse", Reverse);
  realm.Method(p, "sort", Sort);
  realm.Method(p, "sortOn", SortOn);
  const char* names[] = {"CASEINSENSITIVE", "DESCENDING", "UNIQUESORT", "RETURNINDEXEDARRAY",
                         "NUMERIC"};
  for (int i = 0; i < 5; ++i)
    realm.Set(ctor, names[i], Value::Number(1 << i), kDontEnum | kDontDelete | kReadOnly);
}

}  // namespace flash
