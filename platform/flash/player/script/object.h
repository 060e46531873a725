// Script objects and the heap that owns them. Every object the interpreter makes lives on one
// Heap and is freed by a tracing collection (mark from the roots, sweep the rest), so reference
// cycles through closures, prototypes and constructors are freed like any other garbage.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/flash/player/value.h"

namespace flash {

class ActionRunner;
class Heap;
class MovieClip;
class Program;

// Property attributes, as ASSetPropFlags sets them. The version bits hide a property from movies
// of the versions they name: reads and assignments pass it by as if it were not there, while
// enumeration and hasOwnProperty still see it.
enum PropFlag : uint16_t {
  kDontEnum = 1,
  kDontDelete = 2,
  kReadOnly = 4,
  kHiddenBefore6 = 0x80,
  kHiddenIn6 = 0x100,
  kHiddenBefore7 = 0x400,
  kHiddenBefore8 = 0x1000,
  kHiddenBefore9 = 0x2000,
  kHiddenBefore10 = 0x4000,
  kPropFlagMask = 0x7587,
};

// True when the flags hide a property from movies of `version`.
inline bool HiddenInVersion(uint16_t flags, int version) {
  if (!(flags & 0x7580)) return false;
  return ((flags & kHiddenBefore6) && version < 6) || ((flags & kHiddenIn6) && version == 6) ||
         ((flags & kHiddenBefore7) && version < 7) || ((flags & kHiddenBefore8) && version < 8) ||
         ((flags & kHiddenBefore9) && version < 9) || ((flags & kHiddenBefore10) && version < 10);
}

struct Property {
  std::string name;  // as first written (for enumeration)
  Value value;
  uint16_t flags = 0;
  uint32_t seq = 0;  // when it was added, counted per object (enumeration lists the newest first)
  ScriptObject* getter = nullptr;  // addProperty: both null for a plain value
  ScriptObject* setter = nullptr;
  bool accessor = false;
};

class ScriptObject {
 public:
  enum class Kind : uint8_t { Object, Function, Array, Clip, Boxed, Other };
  explicit ScriptObject(Kind k = Kind::Object) : kind(k) {}
  virtual ~ScriptObject() = default;
  ScriptObject(const ScriptObject&) = delete;
  ScriptObject& operator=(const ScriptObject&) = delete;

  Kind kind;
  // The class name Object.prototype.toString reports ("Object", "Array", "Date"...), and the
  // primitive a Number, String or Boolean object wraps.
  const char* class_name = "Object";
  Value primitive;
  // Watchers set by Object.watch (name key -> callback and its user data).
  struct Watch {
    ScriptObject* callback;
    Value data;
  };
  std::unordered_map<std::string, Watch>* watches = nullptr;
  // Interfaces of a class (ImplementsOp), kept on the class's prototype.
  std::vector<ScriptObject*> interfaces;

  // Own properties in insertion order; `key` is the name as the heap compares names.
  Property* Find(const std::string& key);
  const Property* Find(const std::string& key) const;
  // Adds or overwrites an own property (ignores read-only: that is the caller's rule).
  Property& Put(const std::string& key, const std::string& name, Value v, uint16_t flags = 0);
  bool Remove(const std::string& key);
  const std::vector<Property>& Properties() const { return props_; }
  size_t PropertyCount() const { return live_; }
  // The next number of the object's count of additions (properties and array elements share it).
  uint32_t NextSeq() { return ++seq_counter_; }

  // The prototype, read from the "__proto__" property.
  ScriptObject* Proto() const { return proto_cache_; }
  void SetProtoCache(ScriptObject* p) { proto_cache_ = p; }

  // Marks every object this one holds (for the collector); subclasses add their own.
  virtual void Trace(std::vector<ScriptObject*>& gray) const;

  bool marked = false;
  int pins = 0;  // > 0: a root held from outside the heap (the object of a live clip)

 private:
  std::vector<Property> props_;
  std::unordered_map<std::string, uint32_t> index_;
  size_t live_ = 0;
  uint32_t seq_counter_ = 0;
  ScriptObject* proto_cache_ = nullptr;
};

struct Value;

// Everything a native function sees of its call.
struct NativeCall {
  ActionRunner& vm;
  Value self;  // this
  std::vector<Value>& args;
  ScriptObject* callee;
  // A subclass constructor runs this constructor on an object that already exists (`super()`):
  // the native state goes onto `this`, never into a new object that would replace it.
  bool on_existing = false;
  const Value& Arg(size_t i) const;
  size_t Count() const { return args.size(); }
  ScriptObject* This() const { return self.type == Value::Type::Object ? self.object : nullptr; }
};
using NativeFn = Value (*)(NativeCall& call);

// A compiled function of a script: the byte code block, its parameters, how it wants its
// registers filled, and the scope chain it closed over.
struct ScriptFunctionCode {
  std::shared_ptr<const std::vector<uint8_t>> code;
  size_t start = 0, end = 0;
  std::string name;
  struct Param {
    uint8_t reg = 0;  // 0: a named local instead of a register
    std::string name;
  };
  std::vector<Param> params;
  bool v2 = false;  // DefineFunction2: registers and flags below
  uint8_t register_count = 0;
  uint16_t flags = 0;
  int version = 0;
  // The body decoded, made on the first call and shared by every closure of this code.
  mutable std::shared_ptr<Program> program;
};

class FunctionObject : public ScriptObject {
 public:
  FunctionObject() : ScriptObject(Kind::Function) { class_name = "Function"; }
  NativeFn native = nullptr;
  NativeFn construct = nullptr;  // a native constructor run by `new` (native used otherwise)
  int native_tag = 0;            // lets one native serve several names
  bool new_may_fail = false;     // `new` gives undefined when the native constructor does
  std::shared_ptr<const ScriptFunctionCode> code;
  std::vector<ScriptObject*> scope;                      // closure: outermost first
  std::weak_ptr<DisplayObject> base_clip;                // the timeline the function was defined on
  std::shared_ptr<const std::vector<std::string>> pool;  // the constant pool it was defined under
  void Trace(std::vector<ScriptObject*>& gray) const override;
};

class ArrayObject : public ScriptObject {
 public:
  ArrayObject() : ScriptObject(Kind::Array) { class_name = "Array"; }
  std::vector<Value> items;
  // The length when it is not the count of `items`: the player keeps a length as a signed
  // 32-bit count, so an index of 2^31 - 1 or one written as a negative or wrapping number can
  // leave it negative or far beyond the elements held (far elements are plain properties).
  std::optional<int32_t> odd_length;
  double Length() const {
    return odd_length ? static_cast<double>(*odd_length) : static_cast<double>(items.size());
  }

  // What the player keeps of an element beside its value: when it was added (for..in lists the
  // newest first, elements and named properties alike) and its attributes. An element past the
  // end of `info` counts as added when the array was made (seq 0, in index order) with none.
  struct ElementInfo {
    uint32_t seq = 0;
    uint16_t flags = 0;
  };
  std::vector<ElementInfo> info;
  ElementInfo InfoOf(size_t i) const { return i < info.size() ? info[i] : ElementInfo{}; }
  ElementInfo& InfoAt(size_t i);
  bool Has(size_t i) const { return i < items.size() && !items[i].IsHole(); }
  // Assigns element i as a script does (the caller has checked the growth): a new element is
  // added last in order and without attributes; a read-only one keeps its value (false).
  bool SetElement(size_t i, Value v);
  // Deletes element i as a script does, leaving a hole; false when it may not be deleted.
  bool DeleteElement(size_t i);
  // Forgets the order and attributes of every element (after a method rebuilt them all).
  void ForgetInfo() { info.clear(); }
  // Reads a member name as an element index: digits without a leading zero (except "0").
  static bool IndexOf(const std::string& name, size_t& index);

  void Trace(std::vector<ScriptObject*>& gray) const override;
};

// The script side of a clip: its variables and members.
class ClipObject : public ScriptObject {
 public:
  ClipObject() : ScriptObject(Kind::Clip) { class_name = "MovieClip"; }
  std::weak_ptr<DisplayObject> clip;
  std::optional<double> tab_index;
};

// The script side of a text field on the display list.
class FieldObject : public ScriptObject {
 public:
  FieldObject() : ScriptObject(Kind::Object) { class_name = "TextField"; }
  std::weak_ptr<DisplayObject> field;
  std::optional<double> tab_index;
  Value style_sheet;  // the TextField.StyleSheet a script gave it (undefined: none)
  void Trace(std::vector<ScriptObject*>& gray) const override;
};

class Heap {
 public:
  Heap() = default;
  ~Heap();
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;

  template <class T>
  T* New() {
    auto* o = new T();
    objects_.push_back(o);
    ++allocated_since_;
    return o;
  }
  // Names compare without case in movies before version 7.
  bool case_insensitive = false;
  std::string Key(const std::string& name) const;

  size_t Count() const { return objects_.size(); }
  // Frees what the roots do not reach. `roots` adds every root (pinned objects are added here).
  void Collect(const std::function<void(std::vector<ScriptObject*>& gray)>& roots);
  // A collection is due when the heap has doubled since the last one.
  bool CollectionDue() const { return allocated_since_ > std::max<size_t>(20000, live_after_); }

 private:
  std::vector<ScriptObject*> objects_;
  size_t allocated_since_ = 0;
  size_t live_after_ = 0;
};

// Adds the objects a value holds to the gray list.
inline void TraceValue(const Value& v, std::vector<ScriptObject*>& gray) {
  if (v.type == Value::Type::Object && v.object && !v.object->marked) gray.push_back(v.object);
}

}  // namespace flash
