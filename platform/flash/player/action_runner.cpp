#include "platform/flash/player/action_runner.h"

#include "platform/flash/player/clip_transform.h"

#include "platform/flash/player/script/video_objects.h"

#include "platform/flash/player/clip_drawing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>
#include <unordered_set>

#include "platform/flash/format/reader.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/player/script/clip_loader.h"
#include "platform/flash/player/script/lib/number_text.h"
#include "platform/flash/player/script/lib/string_ops.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/hit_test.h"

namespace flash {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
class SuperObject;
SuperObject* AsSuper(ScriptObject* o);
// Nested function calls and frame calls stop the block beyond this depth.
constexpr int kMaxCallDepth = 256;
// Size limits: a longer string, array or operand stack ends the script.
constexpr size_t kMaxStringBytes = 64u << 20;
constexpr size_t kMaxArrayLength = 1u << 21;
constexpr int kMaxProtoDepth = 256;  // longer prototype chains are taken to loop
// Getters, setters and watchers of one property nest this deep at most.
constexpr int kMaxAccessorDepth = 65;
// Array elements the scripts of one tick may add together.
constexpr size_t kMaxArrayGrowthPerTick = 1u << 22;
// Bytes of long strings (kLongStringBytes and more) that the scripts of one tick may join or push
// on the stack: each string has its own limit, but copies of one long string would otherwise add
// up without bound before the collector runs. Three times the longest string: building that one
// by doubling fits, while copies of it stop at a few hundred megabytes of memory touched.
constexpr size_t kMaxStringBytesPerTick = 3 * kMaxStringBytes;
constexpr size_t kLongStringBytes = 64u << 10;
constexpr size_t kMaxStackValues = 1u << 20;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool IEquals(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

// Buttons and text fields answer _focusrect themselves, whatever the case of its letters, before
// their own members and prototypes: the object on the stage behind `o` for that name, else null.
DisplayObject* FocusRectHolder(ScriptObject* o, const std::string& name) {
  if (name.size() != 10 || name[0] != '_' || !IEquals(name, "_focusrect")) return nullptr;
  std::shared_ptr<DisplayObject> d;
  if (auto* b = dynamic_cast<ButtonScriptObject*>(o)) d = b->button.lock();
  else if (auto* f = dynamic_cast<FieldObject*>(o)) d = f->field.lock();
  return d && !d->removed ? d.get() : nullptr;
}

// Whether a clip keeps a _focusrect of its own: not a level's root, which answers for the whole
// player, nor a clip of a movie before version 6, whose setting is the player's too.
bool OwnFocusRect(const MovieClip& clip, int script_version) {
  return clip.parent && (clip.movie ? clip.movie->header.version : script_version) >= 6;
}

// One getter, setter or watcher call of a property, counted while it runs. `entered` is false
// when the property's calls already nest as deep as they may: the access is then a plain one.
class AccessorCall {
 public:
  AccessorCall(Realm& realm, const ScriptObject* holder, const std::string& key)
      : depths_(realm.accessor_depth), at_({holder, key}) {
    int& d = depths_[at_];
    entered = d < kMaxAccessorDepth;
    if (entered) ++d;
  }
  ~AccessorCall() {
    auto it = depths_.find(at_);
    if (it == depths_.end()) return;
    if (entered) --it->second;
    if (it->second <= 0) depths_.erase(it);
  }
  AccessorCall(const AccessorCall&) = delete;
  AccessorCall& operator=(const AccessorCall&) = delete;
  bool entered = false;

 private:
  std::map<std::pair<const ScriptObject*, std::string>, int>& depths_;
  std::pair<const ScriptObject*, std::string> at_;
};

int32_t Int32Of(double d) {
  if (std::isnan(d) || std::isinf(d)) return 0;
  double m = std::fmod(std::trunc(d), 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<int32_t>(static_cast<uint32_t>(m));
}

// Truncates toward zero and holds the result inside int's range (one short of the lowest value,
// so callers may still subtract one); NaN gives 0.
int TruncToInt(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return 2147483647;
  if (d <= -2147483647.0) return -2147483647;
  return static_cast<int>(d);
}

const char* const kPropertyNames[] = {
    "_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
    "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
    "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
    "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
    "_xmouse",      "_ymouse"};
constexpr int kPropertyCount = 22;

// The clip `_root` names for code of `clip`: its level's root, or the nearest clip above it whose
// `_lockroot` is set.
MovieClip* ScriptRoot(MovieClip* clip, const Heap& heap) {
  static const std::string kLock = "_lockroot";
  for (MovieClip* c = clip; c; c = c->parent) {
    if (!c->parent) return c;
    const Property* p = c->object ? c->object->Find(heap.Key(kLock)) : nullptr;
    if (p && p->value.type == Value::Type::Bool && p->value.boolean) return c;
  }
  return clip;
}

// A display object scripts cannot reach by itself: a shape, morph shape or static text.
bool IsPlainGraphic(const DisplayObject& o) {
  return o.type == DisplayObject::Type::Shape || o.type == DisplayObject::Type::MorphShape ||
         o.type == DisplayObject::Type::Text ||
         (o.type == DisplayObject::Type::Other && o.character &&
          o.character->kind == CharacterDef::Kind::Bitmap);
}

// Before version 6 buttons are no objects of scripts: a named button stands for the clip that
// holds it, and the parent of a clip inside a button is the button's parent.
bool StandsForHolder(const DisplayObject& o, int version) {
  return IsPlainGraphic(o) || (o.type == DisplayObject::Type::Button && version < 6);
}

MovieClip* ScriptParent(MovieClip* clip, int version) {
  MovieClip* parent = clip->parent;
  if (parent && parent->type == DisplayObject::Type::Button && version < 6) parent = parent->parent;
  return parent;
}

int PropertyIndex(const std::string& name) {
  for (int i = 0; i < kPropertyCount; ++i)
    if (IEquals(name, kPropertyNames[i])) return i;
  return -1;
}

}  // namespace

ActionRunner::ActionRunner(Player& player, std::shared_ptr<MovieClip> base)
    : player_(player),
      heap_(player.ScriptHeap()),
      base_(std::move(base)),
      stack_(player.script_stack_),
      generation_(player.generation_) {
  version_ = base_ && base_->movie ? base_->movie->header.version : 10;
  realm_ = &player.ScriptRealm(version_);
}

// --- conversions ---

std::string ActionRunner::ToString(const Value& v) {
  switch (v.type) {
    case Value::Type::Undefined: return version_ >= 7 ? "undefined" : "";
    case Value::Type::Null: return "null";
    case Value::Type::Bool:
      if (version_ < 5) return v.boolean ? "1" : "0";
      return v.boolean ? "true" : "false";
    case Value::Type::Number: return NumberToString(v.number);
    case Value::Type::String: return v.string;
    case Value::Type::Clip: {
      MovieClip* c = ClipOf(v);
      return c ? c->TargetPath() : "";
    }
    case Value::Type::Object: {
      if (v.object->kind == ScriptObject::Kind::Function) return "[type Function]";
      if (AsSuper(v.object)) return "[type Object]";
      // A video on the display list is named by its path, as clips are.
      if (auto video = VideoOfScriptObject(v.object)) return video->TargetPath();
      // The object's toString decides; anything but text from it prints as the type.
      bool found = false, saved_resolve = resolve_off_;
      resolve_off_ = true;
      Value f;
      try {
        f = GetObjectMember(v.object, "toString", v, found);
      } catch (const ScriptThrow& t) {
        // A toString getter that throws leaves the type as the text; the exception goes on once
        // the action is done.
        resolve_off_ = saved_resolve;
        if (!pending_throw_) pending_throw_ = t.value;
        return "[type Object]";
      }
      resolve_off_ = saved_resolve;
      if (!IsFunction(f)) return "[type Object]";
      Value r = Call(f, v, {});
      return r.type == Value::Type::String ? r.string : "[type Object]";
    }
  }
  return "";
}

double ActionRunner::ToNumber(const Value& v) {
  switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: return version_ >= 7 ? kNaN : 0;
    case Value::Type::Bool: return v.boolean ? 1 : 0;
    case Value::Type::Number: return v.number;
    case Value::Type::String: return StringToNumber(v.string, version_);
    case Value::Type::Clip: return kNaN;
    case Value::Type::Object: {
      Value p = ToPrimitive(v, false);
      // An object without valueOf or toString converts like undefined.
      if (p.type == Value::Type::Object) return version_ >= 7 ? kNaN : 0;
      if (p.type == Value::Type::Clip) return kNaN;
      return ToNumber(p);
    }
  }
  return kNaN;
}

bool ActionRunner::ToBool(const Value& v) {
  switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: return false;
    case Value::Type::Bool: return v.boolean;
    case Value::Type::Number: return v.number != 0 && !std::isnan(v.number);
    case Value::Type::String:
      if (version_ >= 7) return !v.string.empty();
      {
        double d = StringToNumber(v.string, version_);
        return d != 0 && !std::isnan(d);
      }
    case Value::Type::Clip: return ClipOf(v) != nullptr;
    case Value::Type::Object: return true;
  }
  return false;
}

int32_t ActionRunner::ToInt32(const Value& v) { return Int32Of(ToNumber(v)); }

// A boolean in every version: version 4 movies print it as 1 or 0, and typeof still tells.
Value ActionRunner::FromBool(bool b) const { return Value::Bool(b); }

// An object becomes a primitive through its valueOf (numbers) or toString (text) method, the
// other one second; a clip becomes its path.
// The methods are looked up without __resolve: an object that answers every name still has no
// valueOf it did not define.
Value ActionRunner::ToPrimitive(const Value& v, bool prefer_string, bool* no_method) {
  if (no_method) *no_method = false;
  if (v.type == Value::Type::Clip) return Value::String(ToString(v));
  if (v.type != Value::Type::Object) return v;
  if (VideoOfScriptObject(v.object)) return Value::String(ToString(v));
  bool saved_resolve = resolve_off_;
  resolve_off_ = true;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{resolve_off_, saved_resolve};
  if (v.object->kind == ScriptObject::Kind::Function && !prefer_string) {
    bool found = false;
    Value f = GetObjectMember(v.object, "valueOf", v, found);
    if (!IsFunction(f)) return Value::String("[type Function]");
  }
  const char* order[2] = {prefer_string ? "toString" : "valueOf",
                          prefer_string ? "valueOf" : "toString"};
  bool any = false;
  for (const char* name : order) {
    bool found = false;
    Value f = GetObjectMember(v.object, name, v, found);
    if (!IsFunction(f)) {
      // Without a valueOf the object is undefined; toString only follows a valueOf that gave
      // an object.
      if (!prefer_string && name == order[0]) {
        if (no_method) *no_method = true;
        return Value::Undefined();
      }
      continue;
    }
    any = true;
    resolve_off_ = saved_resolve;
    Value r = Call(f, v, {});
    resolve_off_ = true;
    if (r.type != Value::Type::Object) return r;
  }
  if (no_method) *no_method = !any;
  return v;
}

ScriptObject* ActionRunner::ToObject(const Value& v) {
  switch (v.type) {
    case Value::Type::Object: return v.object;
    case Value::Type::Clip: {
      MovieClip* c = ClipOf(v);
      return c ? ClipObjectOf(c) : nullptr;
    }
    case Value::Type::String:
    case Value::Type::Number:
    case Value::Type::Bool: {
      ScriptObject* proto = v.type == Value::Type::String   ? realm_->string_proto
                            : v.type == Value::Type::Number ? realm_->number_proto
                                                            : realm_->boolean_proto;
      ScriptObject* o = realm_->NewObject(proto);
      o->kind = ScriptObject::Kind::Boxed;
      o->class_name = v.type == Value::Type::String   ? "String"
                      : v.type == Value::Type::Number ? "Number"
                                                      : "Boolean";
      o->primitive = v;
      return o;
    }
    default: return nullptr;
  }
}

ScriptObject* ActionRunner::PlainWrapperProto(const Value& v) {
  const char* name = nullptr;
  ScriptObject* proto = nullptr;
  switch (v.type) {
    case Value::Type::String: name = "String", proto = realm_->string_proto; break;
    case Value::Type::Number: name = "Number", proto = realm_->number_proto; break;
    case Value::Type::Bool: name = "Boolean", proto = realm_->boolean_proto; break;
    default: return nullptr;
  }
  const Property* p = realm_->global->Find(Key(name));
  if (!p || p->accessor || HiddenInVersion(p->flags, version_) || !IsFunction(p->value))
    return nullptr;
  auto* ctor = static_cast<FunctionObject*>(p->value.object);
  if (ctor->code || !ctor->construct) return nullptr;
  const Property* pp = ctor->Find(Key("prototype"));
  return pp && !pp->accessor && pp->value.type == Value::Type::Object && pp->value.object == proto
             ? proto
             : nullptr;
}

Value ActionRunner::WrapPrimitive(const Value& v) {
  const char* name = v.type == Value::Type::String   ? "String"
                     : v.type == Value::Type::Number ? "Number"
                     : v.type == Value::Type::Bool    ? "Boolean"
                                                      : nullptr;
  if (!name) return v;
  if (PlainWrapperProto(v)) return Value::Object(ToObject(v));
  // The class is looked up on _global and its prototypes, getters included; __resolve is not
  // asked.
  bool saved_resolve = resolve_off_;
  resolve_off_ = true;
  Value ctor;
  try {
    bool found = false;
    ctor = GetObjectMember(realm_->global, name, Value::Object(realm_->global), found);
  } catch (...) {
    resolve_off_ = saved_resolve;
    throw;
  }
  resolve_off_ = saved_resolve;
  if (!IsFunction(ctor)) return Value::Undefined();
  Value made = Construct(ctor, {v});
  return made.type == Value::Type::Object ? made : Value::Undefined();
}

std::string ActionRunner::TypeOf(const Value& v) {
  switch (v.type) {
    case Value::Type::Undefined: return "undefined";
    case Value::Type::Null: return "null";
    case Value::Type::Bool: return "boolean";
    case Value::Type::Number: return "number";
    case Value::Type::String: return "string";
    case Value::Type::Clip: return ClipOf(v) ? "movieclip" : "movieclip";
    case Value::Type::Object:
      if (v.object->kind == ScriptObject::Kind::Function) return "function";
      if (v.object->kind == ScriptObject::Kind::Clip) return "movieclip";
      return "object";
  }
  return "undefined";
}

bool ActionRunner::IsFunction(const Value& v) const {
  return v.type == Value::Type::Object && v.object->kind == ScriptObject::Kind::Function;
}

std::string ActionRunner::CheckedConcat(const std::string& a, const std::string& b) {
  CheckLength(a.size() + b.size());
  if (a.size() + b.size() >= kLongStringBytes) CountStringBytes(a.size() + b.size());
  return a + b;
}

void ActionRunner::CheckLength(size_t n) {
  if (n > kMaxStringBytes) throw ScriptAbort{"string too long"};
}

void ActionRunner::CountStringBytes(size_t n) {
  player_.string_growth_ += n;
  if (player_.string_growth_ > kMaxStringBytesPerTick) throw ScriptAbort{"strings grow too fast"};
}

void ActionRunner::CountWork(int64_t actions) {
  if (actions <= 0) return;
  // Work that does not fit is not done: the block ends, and the tick's budget stays for the
  // scripts after it.
  if (actions > player_.budget_ || actions > player_.block_budget_)
    throw ScriptAbort{"action budget spent"};
  player_.budget_ -= static_cast<long>(actions);
  player_.block_budget_ -= static_cast<long>(actions);
}

void ActionRunner::CheckArrayGrowth(size_t from, size_t to) {
  if (to > kMaxArrayLength) throw ScriptAbort{"array too long"};
  if (to <= from) return;
  player_.array_growth_ += to - from;
  if (player_.array_growth_ > kMaxArrayGrowthPerTick) throw ScriptAbort{"arrays grow too fast"};
}

Value ActionRunner::Pop() {
  if (stack_.size() <= (frame_ ? frame_->stack_base : 0)) return Value::Undefined();
  Value v = std::move(stack_.back());
  stack_.pop_back();
  return v;
}

void ActionRunner::Push(Value v) {
  if (stack_.size() >= kMaxStackValues) throw ScriptAbort{"stack too deep"};
  if (v.type == Value::Type::String && v.string.size() >= kLongStringBytes)
    CountStringBytes(v.string.size());
  stack_.push_back(std::move(v));
}

// --- members ---

namespace {

// The index a numeric member name gives an array's length: an optional minus sign and digits,
// read as a 32-bit count that wraps round ("4294967296" is 0, "-1" is 4294967295, then taken as
// signed), which is how the player reads the names it measures lengths by.
bool WrappedIndex(const std::string& name, int32_t& index) {
  size_t at = !name.empty() && name[0] == '-' ? 1 : 0;
  if (at == name.size()) return false;
  uint32_t v = 0;
  for (size_t i = at; i < name.size(); ++i) {
    char c = name[i];
    if (c < '0' || c > '9') return false;
    v = v * 10u + static_cast<uint32_t>(c - '0');
  }
  if (at) v = 0u - v;
  index = static_cast<int32_t>(v);
  return true;
}

class SuperObject : public ScriptObject {
 public:
  SuperObject() : ScriptObject(Kind::Other) {}
  ScriptObject* holder = nullptr;  // the prototype the running method was found on
  Value self;
  // `this`'s object, and how many steps up its prototype chain the holder stood when the method
  // started (-1: not on it). `super` finds its prototype again by these steps each time it is
  // used, so a method that gives `this` another prototype chain reaches the new chain's
  // constructor and methods.
  ScriptObject* self_object = nullptr;
  int depth = -1;
  ScriptObject* Holder() const {
    if (depth < 0 || !self_object) return holder;
    ScriptObject* p = self_object->Proto();
    for (int i = 0; i < depth && p; ++i) p = p->Proto();
    return p;
  }
  void Trace(std::vector<ScriptObject*>& gray) const override {
    ScriptObject::Trace(gray);
    if (holder && !holder->marked) gray.push_back(holder);
    if (self_object && !self_object->marked) gray.push_back(self_object);
    TraceValue(self, gray);
  }
};

SuperObject* AsSuper(ScriptObject* o) {
  return o && o->kind == ScriptObject::Kind::Other && o->class_name == std::string_view("super")
             ? static_cast<SuperObject*>(o)
             : nullptr;
}

}  // namespace

ScriptObject* ActionRunner::ClipObjectOf(MovieClip* clip) { return player_.ObjectOf(clip); }

int ActionRunner::PropertyIndex(const std::string& name) { return flash::PropertyIndex(name); }

ScriptObject* ActionRunner::ObjectOf(const Value& v) {
  if (v.type == Value::Type::Object) return v.object;
  if (v.type == Value::Type::Clip) {
    MovieClip* c = ClipOf(v);
    return c ? ClipObjectOf(c) : nullptr;
  }
  return nullptr;
}

bool ActionRunner::HasMember(ScriptObject* o, const std::string& key) {
  int guard = 0;
  for (ScriptObject* p = o; p && ++guard < 256; p = p->Proto()) {
    const Property* prop = p->Find(key);
    if (prop && !HiddenInVersion(prop->flags, version_)) return true;
  }
  if (o && o->kind == ScriptObject::Kind::Boxed && key == "length" &&
      o->primitive.type == Value::Type::String)
    return true;
  if (o && o->kind == ScriptObject::Kind::Array) {
    size_t i;
    if (key == "length") return true;
    if (ArrayObject::IndexOf(key, i)) return i < static_cast<ArrayObject*>(o)->items.size();
  }
  return false;
}

Value ActionRunner::GetObjectMember(ScriptObject* o, const std::string& name, const Value& self,
                                    bool& found, ScriptObject** holder) {
  found = false;
  if (!o) return Value::Undefined();
  if (SuperObject* s = AsSuper(o)) {
    ScriptObject* h = s->Holder();
    ScriptObject* start = h ? h->Proto() : nullptr;
    return start ? GetObjectMember(start, name, s->self, found) : Value::Undefined();
  }
  if (o->kind == ScriptObject::Kind::Array) {
    auto* a = static_cast<ArrayObject*>(o);
    size_t i;
    // An own property of the index's name (addProperty) comes before the element.
    if (ArrayObject::IndexOf(name, i)) {
      if (a->Has(i) && !a->Find(name)) {
        found = true;
        return a->items[i];
      }
    } else if (name == "length" && !a->Find("length")) {
      found = true;
      return Value::Number(a->Length());
    }
  }
  if (DisplayObject* d = FocusRectHolder(o, name)) {
    found = true;
    return FocusRectOf(*d);
  }
  if (o->kind == ScriptObject::Kind::Boxed && o->primitive.type == Value::Type::String &&
      name == "length" && !o->Find("length")) {
    found = true;
    return Value::Number(
        static_cast<double>(scriptlib::StringLength(o->primitive.string, version_)));
  }
  std::string key = Key(name);
  int guard = 0;
  for (ScriptObject* p = o; p; p = p->Proto()) {
    // A prototype chain this long loops: the read ends the scripts of the block.
    if (++guard > kMaxProtoDepth) throw ScriptAbort{"prototype chain too long"};
    const Property* prop = p->Find(key);
    if (!prop && p != o && p->kind == ScriptObject::Kind::Array) {
      // An array on the chain lends its elements.
      auto* a = static_cast<ArrayObject*>(p);
      size_t i;
      if (ArrayObject::IndexOf(name, i) && a->Has(i)) {
        found = true;
        return a->items[i];
      }
    }
    if (!prop || HiddenInVersion(prop->flags, version_)) continue;
    found = true;
    if (holder) *holder = p;
    if (prop->accessor) {
      if (!prop->getter) return Value::Undefined();
      AccessorCall call(*realm_, p, key);
      if (!call.entered) return prop->value;
      return Call(Value::Object(prop->getter), self, {});
    }
    return prop->value;
  }
  if (key != "__resolve" && version_ >= 6 && !resolve_off_) {
    bool has = false;
    Value resolve = GetObjectMember(o, "__resolve", self, has);
    if (IsFunction(resolve)) {
      found = true;
      return Call(resolve, self, {Value::String(name)});
    }
  }
  return Value::Undefined();
}

Value ActionRunner::GetClipMember(MovieClip* clip, const std::string& name, bool& found) {
  found = true;
  int prop = PropertyIndex(name);
  if (prop >= 0) return GetProperty(clip, prop);
  ScriptObject* o = ClipObjectOf(clip);
  std::string key = Key(name);
  if (const Property* p = o->Find(key); p && !HiddenInVersion(p->flags, version_)) {
    if (!p->accessor) return p->value;
    if (!p->getter) return Value::Undefined();
    AccessorCall call(*realm_, o, key);
    if (!call.entered) return p->value;
    return Call(Value::Object(p->getter), ClipValue(clip), {});
  }
  // The special names compare without case only where every name does.
  std::string low = version_ >= 7 ? name : Lower(name);
  if (low == "_root") return ClipValue(RootOf(clip));
  if (low == "_parent") {
    MovieClip* parent = ScriptParent(clip, version_);
    if (!parent) found = false;
    return ClipValue(parent);
  }
  if (low == "_global" && version_ >= 6) return Value::Object(realm_->global);
  if (low == "_lockroot" && version_ >= 7) return Value::Bool(false);  // until a script sets it
  if (low.rfind("_level", 0) == 0) {
    if (MovieClip* l = ResolvePath(name, clip)) return ClipValue(l);
  }
  // Children are members of their clip from version 5; before, names are only variables.
  auto child = version_ >= 5 && !name.empty() ? clip->ChildByName(name, version_ >= 7) : nullptr;
  if (child && child->type == DisplayObject::Type::MovieClip)
    return ClipValue(static_cast<MovieClip*>(child.get()));
  // A named shape or static text stands for the clip that holds it.
  if (child && StandsForHolder(*child, version_)) return ClipValue(clip);
  if (child && child->type == DisplayObject::Type::EditText && version_ >= 6)
    return Value::Object(player_.ObjectOf(static_cast<TextFieldObject*>(child.get())));
  if (child && child->type == DisplayObject::Type::Other) {
    if (ScriptObject* video = VideoObjectOf(player_, child.get())) return Value::Object(video);
  }
  if (child && child->type == DisplayObject::Type::Button && version_ >= 6)
    return Value::Object(player_.ObjectOf(static_cast<ButtonObject*>(child.get())));
  if (ScriptObject* proto = o->Proto()) {
    Value v = GetObjectMember(proto, name, ClipValue(clip), found);
    if (found) return v;
  }
  found = false;
  return Value::Undefined();
}

Value ActionRunner::GetMember(const Value& obj, const std::string& name) {
  bool found = false;
  switch (obj.type) {
    case Value::Type::Object: return GetObjectMember(obj.object, name, obj, found);
    case Value::Type::Clip: {
      MovieClip* c = ClipOf(obj);
      return c ? GetClipMember(c, name, found) : Value::Undefined();
    }
    case Value::Type::String:
    case Value::Type::Number:
    case Value::Type::Bool:
      if (!PlainWrapperProto(obj)) {
        // A script replaced the class: its members come from an object made through it.
        Value boxed = WrapPrimitive(obj);
        return boxed.type == Value::Type::Object ? GetObjectMember(boxed.object, name, boxed, found)
                                                 : Value::Undefined();
      }
      if (obj.type == Value::Type::Number)
        return GetObjectMember(realm_->number_proto, name, obj, found);
      if (obj.type == Value::Type::Bool)
        return GetObjectMember(realm_->boolean_proto, name, obj, found);
      if (name == "length") {
        return Value::Number(static_cast<double>(scriptlib::StringLength(obj.string, version_)));
      }
      return GetObjectMember(realm_->string_proto, name, obj, found);
    default: return Value::Undefined();
  }
}

void ActionRunner::PutMember(ScriptObject* o, const std::string& name, const Value& v0,
                             const Value& self) {
  if (SuperObject* s = AsSuper(o)) {
    if (ScriptObject* t = ObjectOf(s->self)) PutMember(t, name, v0, s->self);
    return;
  }
  if (DisplayObject* d = FocusRectHolder(o, name)) {
    SetFocusRect(*d, v0);
    return;
  }
  std::string key = Key(name);
  Value v = v0;
  if (o->watches) {
    auto w = o->watches->find(key);
    if (w != o->watches->end() && w->second.callback) {
      // The watcher sees the old value without a getter's help: a virtual property's is
      // undefined.
      ScriptObject* cb = w->second.callback;
      Value data = w->second.data;
      // Past the nesting limit the assignment goes on without the watcher.
      AccessorCall call(*realm_, o, key);
      if (call.entered) {
        Value old;
        bool found = false;
        int guard = 0;
        for (ScriptObject* p = o; p && ++guard < 256; p = p->Proto()) {
          const Property* prop = p->Find(key);
          if (!prop || HiddenInVersion(prop->flags, version_)) continue;
          if (!prop->accessor) old = prop->value;
          found = true;
          break;
        }
        if (!found) old = GetObjectMember(o, name, self, found);
        v = Call(Value::Object(cb), self, {Value::String(name), old, v, data});
      }
    }
  }
  if (o->kind == ScriptObject::Kind::Array) {
    auto* a = static_cast<ArrayObject*>(o);
    int32_t wrapped;
    if (WrappedIndex(name, wrapped)) {
      // Elements up to the size limit are held in order; farther and negative indexes are
      // plain properties that still move the length.
      size_t i;
      bool held = ArrayObject::IndexOf(name, i) && i < kMaxArrayLength;
      if (held) {
        if (i >= a->items.size()) CheckArrayGrowth(a->items.size(), i + 1);
        a->SetElement(i, v);
      }
      if (wrapped >= a->Length())
        SetArrayLength(a, static_cast<int32_t>(static_cast<uint32_t>(wrapped) + 1u));
      if (held) return;
    } else if (name == "length" && !a->Find("length")) {
      double d = ToNumber(v);
      if (std::isnan(d) || d < 0) d = 0;
      if (d >= kMaxArrayLength) throw ScriptAbort{"array too long"};
      SetArrayLength(a, static_cast<int32_t>(d));
      return;
    }
  }
  // A setter anywhere on the chain takes the assignment.
  int guard = 0;
  for (ScriptObject* p = o; p && ++guard < 256; p = p->Proto()) {
    Property* prop = p->Find(key);
    if (!prop) continue;
    if (HiddenInVersion(prop->flags, version_)) {
      // A hidden property is replaced by the assignment, as if it had not been there.
      if (p != o) continue;
      prop->flags = 0;
      break;
    }
    if (prop->accessor) {
      if (!prop->setter) return;
      {
        AccessorCall call(*realm_, p, key);
        if (call.entered) Call(Value::Object(prop->setter), self, {v});
      }
      // The value stays behind the accessors too: it is what a read past the nesting limit
      // finds.
      if (Property* after = p->Find(key); after && after->accessor) after->value = v;
      return;
    }
    if (p == o) {
      if (prop->flags & kReadOnly) return;
      prop->value = v;
      if (key == "__proto__") o->SetProtoCache(v.type == Value::Type::Object ? v.object : nullptr);
      return;
    }
    break;
  }
  o->Put(key, name, v);
}

void ActionRunner::SetArrayLength(ArrayObject* a, int32_t length) {
  double old = a->Length();
  if (length < old) {
    // The elements from the new length up to the old one go.
    size_t from = static_cast<size_t>(std::max<int32_t>(length, 0));
    if (from < a->items.size()) a->items.resize(from);
    if (from < a->info.size()) a->info.resize(from);
    std::vector<std::string> far;
    for (const Property& p : a->Properties()) {
      size_t i;
      if (ArrayObject::IndexOf(p.name, i) && i >= from && static_cast<double>(i) < old)
        far.push_back(p.name);
    }
    for (const std::string& name : far) a->Remove(Key(name));
  }
  if (length >= 0 && static_cast<size_t>(length) <= kMaxArrayLength &&
      static_cast<size_t>(length) >= a->items.size()) {
    CheckArrayGrowth(a->items.size(), static_cast<size_t>(length));
    a->items.resize(static_cast<size_t>(length), Value::Hole());
    a->odd_length.reset();
  } else {
    a->odd_length = length;
  }
}

void ActionRunner::SetMember(const Value& obj, const std::string& name, const Value& v) {
  if (name.empty()) return;  // a member without a name is never set
  if (obj.type == Value::Type::Object) {
    PutMember(obj.object, name, v, obj);
  } else if (obj.type == Value::Type::Clip) {
    MovieClip* c = ClipOf(obj);
    if (!c) return;
    int prop = PropertyIndex(name);
    if (prop >= 0) {
      SetProperty(c, prop, v);
      return;
    }
    PutMember(ClipObjectOf(c), name, v, obj);
  }
}

bool ActionRunner::DeleteMember(const Value& obj, const std::string& name) {
  ScriptObject* o = ObjectOf(obj);
  if (!o) return false;
  std::string key = Key(name);
  Property* p = o->Find(key);
  if (!p) {
    if (o->kind == ScriptObject::Kind::Array) {
      size_t i;
      auto* a = static_cast<ArrayObject*>(o);
      if (ArrayObject::IndexOf(name, i) && i < a->items.size()) return a->DeleteElement(i);
    }
    return false;
  }
  if (p->flags & kDontDelete) return false;
  return o->Remove(key);
}

std::vector<std::string> ActionRunner::EnumerableNames(const Value& v) {
  std::vector<std::string> names;
  ScriptObject* o = ObjectOf(v);
  if (!o) return names;
  // The player gathers the names object by object up the chain, each in the order it holds
  // them, a name shadowed or hidden nearer skipped, and hands them out last first: the newest
  // first, and the names of prototypes before the object's own.
  std::unordered_set<std::string> seen;
  std::vector<std::pair<std::string, std::string>> level;  // key, name; empty name: hidden
  auto add = [&](const std::string& key, const std::string& name) {
    level.emplace_back(key, name);
  };
  int guard = 0;
  for (ScriptObject* p = o; p && ++guard < 256; p = p->Proto()) {
    level.clear();
    const auto& props = p->Properties();
    // An array's elements come in among its named properties by when each was added.
    std::vector<std::pair<uint32_t, size_t>> elements;  // seq, index: the newest first
    if (p->kind == ScriptObject::Kind::Array) {
      auto* a = static_cast<ArrayObject*>(p);
      for (size_t i = a->items.size(); i-- > 0;)
        if (a->Has(i)) elements.emplace_back(a->InfoOf(i).seq, i);
      std::stable_sort(elements.begin(), elements.end(),
                       [](const auto& x, const auto& y) { return x.first > y.first; });
    }
    auto e = elements.begin();
    for (auto it = props.rbegin(); it != props.rend() || e != elements.end();) {
      if (it == props.rend() || (e != elements.end() && e->first > it->seq)) {
        std::string name = std::to_string(e->second);
        bool hidden = static_cast<ArrayObject*>(p)->InfoOf(e->second).flags & kDontEnum;
        add(name, hidden ? std::string() : name);
        ++e;
      } else {
        add(Key(it->name), (it->flags & kDontEnum) ? std::string() : it->name);
        ++it;
      }
    }
    if (p->kind == ScriptObject::Kind::Clip) {
      auto c = static_cast<ClipObject*>(p)->clip.lock();
      if (c && c->type == DisplayObject::Type::MovieClip) {
        const auto& ch = static_cast<MovieClip*>(c.get())->children;
        // Every named child is listed, whatever it is.
        for (auto it = ch.rbegin(); it != ch.rend(); ++it)
          if (!it->second->name.empty()) add(Key(it->second->name), it->second->name);
      }
    }
    for (auto it = level.rbegin(); it != level.rend(); ++it)
      if (seen.insert(it->first).second && !it->second.empty()) names.push_back(it->second);
  }
  std::reverse(names.begin(), names.end());
  return names;
}

bool ActionRunner::InstanceOf(const Value& v, ScriptObject* ctor) {
  ScriptObject* o = ObjectOf(v);
  if (!o || !ctor) return false;
  bool found = false;
  Value proto = GetObjectMember(ctor, "prototype", Value::Object(ctor), found);
  if (proto.type != Value::Type::Object) return false;
  return ChainHas(o, proto.object, ctor);
}

// The object a primitive operand of instanceof or a cast stands for: what the global
// constructor of its type (String, Number, Boolean, as the globals hold them now) returns
// when called on it. The built-in constructors make nothing here.
Value ActionRunner::CoercedOperand(const Value& v) {
  if (v.type == Value::Type::Object || v.type == Value::Type::Clip) return v;
  const char* name = v.type == Value::Type::String   ? "String"
                     : v.type == Value::Type::Number ? "Number"
                     : v.type == Value::Type::Bool    ? "Boolean"
                                                      : nullptr;
  if (!name) return Value::Undefined();
  Value ctor = GetMember(Value::Object(realm_->global), name);
  if (!IsFunction(ctor) || !static_cast<FunctionObject*>(ctor.object)->code)
    return Value::Undefined();
  Value r = Call(ctor, Value::Undefined(), {v});
  return r.type == Value::Type::Object || r.type == Value::Type::Clip ? r : Value::Undefined();
}

// `obj instanceof klass` and the cast: a function class goes by its prototype as members
// read; any other object serves as a class through a plain own "prototype" value (an
// accessor or an inherited one does not count).
bool ActionRunner::InstanceOfOperands(const Value& obj, const Value& klass) {
  // A removed clip is still an object here: the class is coerced, then nothing matches.
  if (obj.type != Value::Type::Object && obj.type != Value::Type::Clip) return false;
  Value k = CoercedOperand(klass);
  if (IsFunction(k)) return InstanceOf(obj, k.object);
  ScriptObject* ko = ObjectOf(k);
  const Property* p = ko ? ko->Find(Key("prototype")) : nullptr;
  if (!p || p->accessor) return false;
  Value proto = CoercedOperand(p->value);
  ScriptObject* o = ObjectOf(obj);
  return o && proto.type == Value::Type::Object && ChainHas(o, proto.object, ko);
}

bool ActionRunner::ChainHas(ScriptObject* o, ScriptObject* proto, ScriptObject* ctor) {
  int guard = 0;
  for (ScriptObject* p = o->Proto(); p && ++guard < 256; p = p->Proto()) {
    if (p == proto) return true;
    for (ScriptObject* i : p->interfaces) {
      // An interface counts when it or one of the interfaces it extends is the constructor.
      if (i == ctor) return true;
      bool f2 = false;
      Value ip = GetObjectMember(i, "prototype", Value::Object(i), f2);
      if (ip.type == Value::Type::Object && ip.object == proto) return true;
    }
  }
  return false;
}

// --- calls ---

Value ActionRunner::Call(const Value& fn, const Value& self, std::vector<Value> args) {
  if (!IsFunction(fn)) return Value::Undefined();
  auto* f = static_cast<FunctionObject*>(fn.object);
  if (f->code) return CallScript(f, self, args, nullptr);
  return CallNative(f, self, args, false);
}

Value ActionRunner::CallNative(FunctionObject* fn, const Value& self, std::vector<Value>& args,
                               bool construct, bool on_existing) {
  NativeFn native = construct && fn->construct ? fn->construct : fn->native;
  if (!native) return Value::Undefined();
  if (depth_ >= kMaxCallDepth) throw ScriptAbort{"calls nested too deep"};
  ++depth_;
  struct Leave {
    int& d;
    ~Leave() { --d; }
  } leave{depth_};
  NativeCall call{*this, self, args, fn, on_existing};
  return native(call);
}

Value ActionRunner::Construct(const Value& fn, std::vector<Value> args) {
  if (!IsFunction(fn)) return Value::Undefined();
  auto* f = static_cast<FunctionObject*>(fn.object);
  bool found = false;
  Value proto = GetObjectMember(f, "prototype", fn, found);
  ScriptObject* o =
      realm_->NewObject(proto.type == Value::Type::Object ? proto.object : realm_->object_proto);
  // A prototype that is some other value is still the new object's __proto__, as it is.
  if (found && !proto.IsUndefined() && proto.type != Value::Type::Object)
    o->Put(Key("__proto__"), "__proto__", proto, kDontEnum | kDontDelete);
  Value self = Value::Object(o);
  o->Put(Key("__constructor__"), "__constructor__", fn, kDontEnum);
  if (version_ < 7) o->Put(Key("constructor"), "constructor", fn, kDontEnum);
  if (f->code) {
    CallScript(f, self, args, proto.type == Value::Type::Object ? proto.object : nullptr);
    return self;
  }
  Value r = CallNative(f, self, args, true);
  if (f->new_may_fail && r.IsUndefined()) return r;
  return r.type == Value::Type::Object || r.type == Value::Type::Clip ? r : self;
}

FunctionObject* ActionRunner::MakeFunction(Frame& f,
                                           const std::shared_ptr<const ScriptFunctionCode>& code) {
  auto* fn = heap_.New<FunctionObject>();
  fn->Put(Key("__proto__"), "__proto__", Value::Object(realm_->function_proto),
          kDontEnum | kDontDelete);
  fn->code = code;
  fn->pool = f.pool;
  fn->scope = f.Scope();
  if (f.activation) {
    fn->scope.push_back(f.activation);
  } else if (MovieClip* t = FrameTarget(f)) {
    fn->scope.push_back(ClipObjectOf(t));
  }
  for (const Value& w : f.withs)
    if (ScriptObject* o = ObjectOf(w)) fn->scope.push_back(o);
  fn->base_clip = f.base;
  ScriptObject* proto = realm_->NewObject();
  realm_->LinkPrototype(fn, proto);
  return fn;
}

Value ActionRunner::CallScript(FunctionObject* fn, const Value& self, std::vector<Value>& args,
                               ScriptObject* super_holder) {
  if (depth_ >= kMaxCallDepth) throw ScriptAbort{"calls nested too deep"};
  const ScriptFunctionCode& code = *fn->code;
  Frame nf;
  if (!code.program) {
    // One decoded program per function body, shared by every closure made from it.
    auto* mutable_code = const_cast<ScriptFunctionCode*>(&code);
    mutable_code->program = std::make_shared<Program>(code.code, code.start, code.end, code.start,
                                                      code.end, code.version);
  }
  nf.keep = code.program;
  nf.program = nf.keep.get();
  nf.closure = &fn->scope;
  nf.self = self;
  if (code.version < 6 && frame_) {
    // Functions of version 5 movies close over nothing: names resolve on the clip they run on,
    // or on the calling timeline.
    nf.closure = nullptr;
    MovieClip* t = self.type == Value::Type::Clip ? ClipOf(self) : nullptr;
    if (!t) {
      auto defined_on = std::static_pointer_cast<MovieClip>(fn->base_clip.lock());
      t = defined_on && !defined_on->removed ? defined_on.get() : FrameTarget(*frame_);
    }
    if (t) {
      nf.own_scope.push_back(ClipObjectOf(t));
      nf.base = std::static_pointer_cast<MovieClip>(t->shared_from_this());
    }
  }
  nf.pool = fn->pool;
  if (!nf.base) nf.base = std::static_pointer_cast<MovieClip>(fn->base_clip.lock());
  if (!nf.base || nf.base->removed) {
    // The timeline the function was defined on is gone: it runs on the clip it is called on,
    // else on the caller's timeline.
    MovieClip* t = self.type == Value::Type::Clip ? ClipOf(self) : nullptr;
    if (t && !t->removed)
      nf.base = std::static_pointer_cast<MovieClip>(t->shared_from_this());
    else
      nf.base = frame_ ? frame_->base : base_;
  }
  if (!nf.base) nf.base = base_;
  nf.version = code.version;
  if (frame_)
    nf.timeline_registers =
        frame_->registers.empty() ? frame_->registers_small : frame_->timeline_registers;
  nf.callee = fn;
  nf.stack_base = stack_.size();
  ScriptObject* act = heap_.New<ScriptObject>();
  nf.activation = act;
  // `super` starts from the prototype above the one the method came from.
  nf.super_proto = super_holder;
  nf.super_depth = super_holder ? ProtoDepth(ObjectOf(self), super_holder) : -1;
  nf.args = &args;
  nf.caller = frame_ ? frame_->callee : nullptr;
  auto make_arguments = [&]() { return MakeArguments(nf); };
  auto make_super = [&]() { return MakeSuper(nf); };
  if (code.v2) {
    nf.registers.resize(std::max<size_t>(code.register_count, 1));
    size_t r = 1;
    auto reg = [&](const Value& v) {
      if (r < nf.registers.size()) nf.registers[r] = v;
      ++r;
    };
    const uint16_t fl = code.flags;
    // Preloading a suppressed `this` or `super` takes its register but leaves it undefined;
    // `arguments` is preloaded either way.
    if (fl & 0x01) reg(fl & 0x02 ? Value::Undefined() : self);
    if (fl & 0x04) reg(make_arguments());
    if (fl & 0x10) reg(fl & 0x20 ? Value::Undefined() : make_super());
    if (fl & 0x40) reg(ClipValue(nf.base ? ScriptRoot(nf.base.get(), heap_) : nullptr));
    // A timeline without a parent takes no register: the next preloaded value moves up.
    if ((fl & 0x80) && nf.base && nf.base->parent) reg(ClipValue(nf.base->parent));
    if (fl & 0x100) reg(Value::Object(realm_->global));
    // Names not preloaded or suppressed are made when the body first asks for them.
    nf.this_local = !(fl & 0x03);
    nf.lazy_arguments = !(fl & 0x08) && !(fl & 0x04);
    nf.lazy_super = !(fl & 0x20) && !(fl & 0x10);
  } else {
    nf.lazy_arguments = nf.lazy_super = true;
  }
  for (size_t i = 0; i < code.params.size(); ++i) {
    const auto& p = code.params[i];
    Value v = i < args.size() ? args[i] : Value::Undefined();
    if (code.v2 && p.reg != 0) {
      if (p.reg < nf.registers.size()) nf.registers[p.reg] = v;
    } else {
      act->Put(Key(p.name), p.name, v);
    }
  }
  ++depth_;
  Frame* outer = frame_;
  int outer_version = version_;
  struct Restore {
    ActionRunner& r;
    Frame* f;
    int v;
    Realm* realm;
    size_t base;
    ~Restore() {
      --r.depth_;
      r.frame_ = f;
      r.version_ = v;
      r.realm_ = realm;
      if (r.stack_.size() > base) r.stack_.resize(base);
    }
  } restore{*this, outer, outer_version, realm_, nf.stack_base};
  frame_ = &nf;
  version_ = nf.version;
  // A function runs among the built-ins of the movie that defined it.
  realm_ = &player_.ScriptRealm(version_);
  Execute(nf);
  return nf.result;
}

Value ActionRunner::MakeArguments(Frame& f) {
  ArrayObject* a = realm_->NewArray(f.args ? *f.args : std::vector<Value>());
  realm_->Set(a, "callee", Value::Object(f.callee));
  realm_->Set(a, "caller", f.caller ? Value::Object(f.caller) : Value::Null());
  return Value::Object(a);
}

// How many steps above `o`'s own prototype `proto` stands on its chain; -1 when it is not there.
int ActionRunner::ProtoDepth(ScriptObject* o, ScriptObject* proto) {
  int depth = 0;
  for (ScriptObject* p = o && proto ? o->Proto() : nullptr; p && depth < kMaxProtoDepth;
       p = p->Proto(), ++depth)
    if (p == proto) return depth;
  return -1;
}

Value ActionRunner::MakeSuper(Frame& f) {
  ScriptObject* holder = f.super_proto;
  if (!holder && f.self.type == Value::Type::Object) {
    bool found = false;
    Value p = GetObjectMember(f.self.object, "__proto__", f.self, found);
    holder = p.type == Value::Type::Object ? p.object : nullptr;
  }
  auto* s = heap_.New<SuperObject>();
  s->class_name = "super";
  s->holder = holder;
  s->self = f.self;
  s->self_object = ObjectOf(f.self);
  s->depth = f.super_proto ? f.super_depth : ProtoDepth(s->self_object, holder);
  return Value::Object(s);
}

// --- clips and paths ---

// From version 7 on, code whose clip was removed acts on the root of the movie the clip was in.
MovieClip* ActionRunner::RemovedClipTarget(MovieClip* clip) const {
  if (!clip || version_ < 7) return nullptr;
  while (clip->parent) clip = clip->parent;
  return clip->removed ? nullptr : clip;
}

// The clip `_root` names for code of `clip`. A removed clip still names the root of the level
// it was in (its path kept from when it was removed tells which).
MovieClip* ActionRunner::RootOf(MovieClip* clip) {
  if (clip->removed && !clip->parent) {
    const std::string path = clip->TargetPath();
    if (path.rfind("_level", 0) == 0)
      if (MovieClip* level = player_.LevelRoot(std::atoi(path.c_str() + 6))) return level;
  }
  return ScriptRoot(clip, heap_);
}

MovieClip* ActionRunner::FrameTarget(Frame& f) {
  if (!f.target_set)
    return f.base && !f.base->removed ? f.base.get() : RemovedClipTarget(f.base.get());
  auto t = f.target.lock();
  if (!t || t->removed) return nullptr;
  return static_cast<MovieClip*>(t.get());
}

MovieClip* ActionRunner::Target() {
  if (frame_) return FrameTarget(*frame_);
  return base_ && !base_->removed ? base_.get() : nullptr;
}

MovieClip* ActionRunner::ClipOf(const Value& v) {
  if (v.type == Value::Type::Clip) {
    auto c = v.clip.lock();
    if (c && !c->removed) return static_cast<MovieClip*>(c.get());
    // A clip that was removed and placed again under the same path is found by its path.
    Value again = ResolvePathValue(v.string, nullptr, false);
    return again.type == Value::Type::Clip ? ClipOf(again) : nullptr;
  }
  if (v.type == Value::Type::Object && v.object->kind == ScriptObject::Kind::Clip) {
    auto c = static_cast<ClipObject*>(v.object)->clip.lock();
    if (c && !c->removed) return static_cast<MovieClip*>(c.get());
    return nullptr;
  }
  if (v.type == Value::Type::String) {
    MovieClip* from = Target() ? Target() : base_.get();
    return ResolvePath(v.string, from);
  }
  return nullptr;
}

Value ActionRunner::ClipValue(MovieClip* clip) const {
  if (!clip) return Value::Undefined();
  Value v;
  v.type = Value::Type::Clip;
  v.clip = clip->shared_from_this();
  v.string = clip->TargetPath();
  return v;
}

// Resolves a target path: slash form ("/a/b", "../c", "_level1/a") or dot form
// ("_root.a.b", "_parent.c"); the first script version knows only the slash form. An empty
// path is the current target.
MovieClip* ActionRunner::ResolvePath(const std::string& path, MovieClip* from) {
  if (version_ < 5 && !path.empty()) return ResolveSlashPath(path, from);
  Value v = ResolvePathValue(path, from, false);
  return v.type == Value::Type::Clip ? ClipOf(v) : nullptr;
}

// The walk behind ResolvePath. A colon separates names like a slash; a dot does too until the
// first slash, after which it is part of a name ("a.b/c" is c in b in a, "a/b.c" names a child
// "b.c"). With `objects`, a name that holds a plain object leads into that object as well, for
// variable paths such as "/o/:v" or "o:v"; the result is then that object.
Value ActionRunner::ResolvePathValue(const std::string& path, MovieClip* from, bool objects) {
  if (path.empty()) return ClipValue(from);
  MovieClip* clip = from;
  ScriptObject* object = nullptr;  // set while the walk is inside a plain object
  size_t i = 0;
  bool slashed = false;
  if (path[0] == '/') {
    MovieClip* base = from ? from : base_.get();
    if (!base) return Value::Undefined();
    clip = ScriptRoot(base, heap_);
    i = 1;
    slashed = true;
  }
  while (i <= path.size()) {
    // Colons before a name are skipped, however many; colons with no name after them at the
    // end name nothing (a single colon after the last name merely ends the path).
    if (i < path.size() && path[i] == ':') {
      while (i < path.size() && path[i] == ':') ++i;
      if (i == path.size()) return Value::Undefined();
    }
    // "..": parent in slash form.
    if (path.compare(i, 2, "..") == 0 && (i + 2 == path.size() || path[i + 2] == '/')) {
      if (object || !clip || !clip->parent) return Value::Undefined();
      clip = clip->parent;
      slashed = true;
      i += 3;
      continue;
    }
    size_t j = path.find_first_of(slashed ? "/:" : "/.:", i);
    if (j == std::string::npos) j = path.size();
    std::string seg = path.substr(i, j - i);
    if (seg.empty() && j < path.size() && path[j] == '/') return Value::Undefined();  // "a//b"
    if (!seg.empty() && object) {
      Value held = GetMember(Value::Object(object), seg);
      if (held.type == Value::Type::Clip) {
        clip = ClipOf(held);
        object = nullptr;
        if (!clip) return Value::Undefined();
      } else if (held.type == Value::Type::Object && held.object->kind == ScriptObject::Kind::Clip) {
        clip = ClipOf(held);
        object = nullptr;
        if (!clip) return Value::Undefined();
      } else if (held.type == Value::Type::Object) {
        object = held.object;
      } else {
        return Value::Undefined();
      }
    } else if (!seg.empty()) {
      MovieClip* next = nullptr;
      std::string low = Lower(seg);
      if (low == "_root") {
        MovieClip* b = clip ? clip : base_.get();
        next = b ? RootOf(b) : nullptr;
      } else if (low == "_parent") {
        next = clip ? ScriptParent(clip, version_) : nullptr;
      } else if (low == "this" && objects) {
        // Only a variable path knows "this"; as a target it is the name of a child like any other.
        next = clip;
      } else if (low.rfind("_level", 0) == 0 && low.size() > 6 &&
                 std::isdigit(static_cast<unsigned char>(low[6]))) {
        // The level number is read from the digits after "_level"; what follows them is ignored.
        next = player_.LevelRoot(std::atoi(low.c_str() + 6));
      } else if (clip) {
        auto child = clip->ChildByName(seg, version_ >= 7);
        if (child && child->type == DisplayObject::Type::MovieClip) {
          next = static_cast<MovieClip*>(child.get());
        } else if (child && version_ >= 5 && StandsForHolder(*child, version_)) {
          next = clip;
        } else if (version_ >= 5 && clip->object) {
          // A variable holding a clip leads to that clip while it lives. Its path is not
          // followed again: a removed clip held by a variable of its own name would lead back
          // here without end.
          const Property* p = clip->object->Find(Key(seg));
          if (p && p->value.type == Value::Type::Clip) {
            auto held = p->value.clip.lock();
            if (held && !held->removed) next = static_cast<MovieClip*>(held.get());
          } else if (p && p->value.type == Value::Type::Object &&
                     p->value.object->kind == ScriptObject::Kind::Clip) {
            next = ClipOf(p->value);
          } else if (p && objects && p->value.type == Value::Type::Object) {
            object = p->value.object;
          }
        }
      }
      if (!next && !object) return Value::Undefined();
      if (next) clip = next;
    }
    if (j >= path.size()) break;
    if (path[j] == '/') slashed = true;
    i = j + 1;
  }
  return object ? Value::Object(object) : ClipValue(clip);
}

// The first script version's target paths: only a slash separates names, and ".." is the
// parent. A path that starts with a slash starts at the root; one whose first name is "_level"
// or "_flash" followed by a number starts at that level (what follows the digits up to the
// first slash is ignored). Names are children of the clip reached so far, and no other name is
// special.
MovieClip* ActionRunner::ResolveSlashPath(const std::string& path, MovieClip* from) {
  MovieClip* clip = from;
  size_t i = 0;
  if (!path.empty() && path[0] == '/') {
    MovieClip* base = from ? from : base_.get();
    if (!base) return nullptr;
    clip = ScriptRoot(base, heap_);
    i = 1;
  } else {
    std::string low = Lower(path.substr(0, std::min<size_t>(path.size(), 7)));
    if (low.size() == 7 && (low.rfind("_level", 0) == 0 || low.rfind("_flash", 0) == 0) &&
        std::isdigit(static_cast<unsigned char>(low[6]))) {
      size_t end = path.find('/');
      clip = player_.LevelRoot(std::atoi(path.c_str() + 6));
      if (!clip) return nullptr;
      i = end == std::string::npos ? path.size() : end + 1;
    }
  }
  while (i < path.size()) {
    if (!clip) return nullptr;
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string seg = path.substr(i, j - i);
    if (seg.empty()) return nullptr;  // "a//b"
    if (seg == "..") {
      clip = clip->parent;
    } else {
      auto child = clip->ChildByName(seg);
      if (!child || child->type != DisplayObject::Type::MovieClip) return nullptr;
      clip = static_cast<MovieClip*>(child.get());
    }
    i = j + 1;
  }
  return clip;
}

// Splits "path:name", "/path:name", "a.b.name" at the last colon or dot into what the path
// leads to (a clip, or an object a variable on the way holds) and the variable name. A dot
// after a slash splits too: "a/b.c" is c of a/b, and "a.b/c" is the variable "b/c" of a.
bool ActionRunner::SplitVariablePath(Frame& f, const std::string& path, Value& holder,
                                     std::string& name) {
  MovieClip* from = FrameTarget(f) ? FrameTarget(f) : f.base.get();
  size_t at = path.find_last_of(".:");
  if (at == std::string::npos) {
    holder = Value::Undefined();
    name = path;
    return false;
  }
  holder = ResolvePathValue(path.substr(0, at), from, true);
  name = path.substr(at + 1);
  return !holder.IsUndefined();
}

namespace {
bool IsPlainName(const std::string& s) { return s.find_first_of(":/.") == std::string::npos; }
}  // namespace

// A plain name through the scope chain: with blocks, the function's locals, the scopes it closed
// over (nearest first), the timeline, then the globals. `holder` (when given) receives the with
// object or clip the name was found on, the `this` of a plain call of that name; it stays
// undefined for locals and globals.
Value ActionRunner::LookupName(Frame& f, const std::string& name, bool& found, Value* holder) {
  found = true;
  std::string key = Key(name);
  for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
    ScriptObject* o = ObjectOf(*it);
    if (!o) continue;
    if (it->type == Value::Type::Clip || o->kind == ScriptObject::Kind::Clip) {
      MovieClip* c = ClipOf(*it);
      if (c) {
        Value v = GetClipMember(c, name, found);
        if (found) {
          if (holder) *holder = ClipValue(c);
          return v;
        }
      }
      continue;
    }
    if (HasMember(o, key)) {
      if (holder) *holder = *it;
      return GetObjectMember(o, name, *it, found);
    }
  }
  // The special names compare without case only where every name does.
  auto special = [&](const char* word) {
    return version_ >= 7 ? name == word : IEquals(name, word);
  };
  const bool is_this = special("this");
  if (f.activation) {
    if (const Property* p = f.activation->Find(key)) {
      // A function called through a local runs on the locals' object.
      if (holder) *holder = Value::Object(f.activation);
      return p->value;
    }
    if (is_this && f.this_local) return f.self;
    if (f.lazy_arguments && key == Key("arguments")) {
      f.lazy_arguments = false;
      return f.activation->Put(key, name, MakeArguments(f)).value;
    }
    if (f.lazy_super && key == Key("super")) {
      f.lazy_super = false;
      return f.activation->Put(key, name, MakeSuper(f)).value;
    }
  }
  auto in_object = [&](ScriptObject* o, Value& out) {
    if (o->kind == ScriptObject::Kind::Clip) {
      auto c = static_cast<ClipObject*>(o)->clip.lock();
      if (c && !c->removed) {
        auto* clip = static_cast<MovieClip*>(c.get());
        out = is_this ? ClipValue(clip) : GetClipMember(clip, name, found);
        if (found && holder) *holder = ClipValue(clip);
        return found;
      }
    }
    if (is_this || !HasMember(o, key)) return false;
    out = GetObjectMember(o, name, Value::Object(o), found);
    return true;
  };
  Value out;
  if (is_this && !f.activation) return ClipValue(FrameTarget(f));
  if (f.activation) {
    // A function whose `this` went to a register only sees the `this` of the timeline it
    // closed over.
    for (auto it = f.Scope().rbegin(); it != f.Scope().rend(); ++it)
      if (in_object(*it, out)) return out;
    if (is_this) return ClipValue(FrameTarget(f));
  } else if (MovieClip* t = FrameTarget(f)) {
    out = GetClipMember(t, name, found);
    if (found) {
      if (holder) *holder = ClipValue(t);
      return out;
    }
  }
  if (special("_global") && version_ >= 6) return Value::Object(realm_->global);
  std::string low = Lower(name);
  if (special("_root") || special("_parent") ||
      (low.rfind("_level", 0) == 0 && (version_ < 7 || name.rfind("_level", 0) == 0))) {
    MovieClip* from = FrameTarget(f) ? FrameTarget(f) : f.base.get();
    if (from) {
      Value v = GetClipMember(from, name, found);
      if (found) return v;
    }
  }
  if (version_ < 5) {  // the first script versions have no global objects
    found = false;
    return Value::Undefined();
  }
  if (const Property* p = realm_->global->Find(key)) {
    if (!p->accessor && !HiddenInVersion(p->flags, version_)) return p->value;
  }
  bool g = false;
  Value v = GetObjectMember(realm_->global, name, Value::Object(realm_->global), g);
  found = g;
  return v;
}

// A dot path of members ("a.b.c"). The path is tried scope by scope, nearest first (with
// blocks, the function's locals, the scopes it closed over or the timeline, then the globals): a
// scope serves when it has the first name and every member on the way exists, the last one too
// when `need_last`. A child clip of the timeline with the first name comes before every scope.
// When no scope serves, the first name is looked up as a plain name and the members are read
// from there. False when `path` is not a dot path.
bool ActionRunner::DotPath(Frame& f, const std::string& path, Value& holder, std::string& last,
                           bool need_last) {
  if (version_ < 5 || path.find_first_of(":/") != std::string::npos) return false;
  size_t dot = path.find('.');
  if (dot == std::string::npos || dot == 0 || path.back() == '.') return false;
  std::vector<std::string> segs;
  for (size_t at = 0;;) {
    size_t next = path.find('.', at);
    if (next == at) return false;
    segs.push_back(path.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) break;
    at = next + 1;
  }
  last = segs.back();
  segs.pop_back();
  // On the way, a clip's child of the name comes before its variables.
  auto child_of = [&](const Value& v, const std::string& name, Value& out) {
    MovieClip* c = v.type == Value::Type::Clip ? ClipOf(v) : nullptr;
    auto child = c && !name.empty() ? c->ChildByName(name, version_ >= 7) : nullptr;
    if (child && child->type == DisplayObject::Type::EditText && version_ >= 6) {
      out = Value::Object(player_.ObjectOf(static_cast<TextFieldObject*>(child.get())));
      return true;
    }
    if (child && child->type == DisplayObject::Type::Button && version_ >= 6) {
      out = Value::Object(player_.ObjectOf(static_cast<ButtonObject*>(child.get())));
      return true;
    }
    if (child && StandsForHolder(*child, version_)) {
      out = ClipValue(c);
      return true;
    }
    if (!child || child->type != DisplayObject::Type::MovieClip) return false;
    out = ClipValue(static_cast<MovieClip*>(child.get()));
    return true;
  };
  // A member that exists: a child, a property of a clip or object, or a primitive's member.
  auto member = [&](const Value& v, const std::string& name, Value& out) {
    if (child_of(v, name, out)) return true;
    bool found = false;
    if (v.type == Value::Type::Clip) {
      MovieClip* c = ClipOf(v);
      if (c) out = GetClipMember(c, name, found);
      return c && found;
    }
    if (v.type == Value::Type::Object) {
      out = GetObjectMember(v.object, name, v, found);
      return found;
    }
    if (v.type == Value::Type::Undefined || v.type == Value::Type::Null) return false;
    out = GetMember(v, name);
    return !out.IsUndefined();
  };
  auto walk = [&](Value h) {
    for (size_t i = 1; i < segs.size(); ++i)
      if (!member(h, segs[i], h)) return false;
    Value end;
    if (need_last && !member(h, last, end)) return false;
    holder = h;
    return true;
  };
  Value first;
  if (child_of(ClipValue(FrameTarget(f)), segs[0], first)) {
    holder = first;
    for (size_t i = 1; i < segs.size(); ++i) {
      Value v;
      holder = child_of(holder, segs[i], v) ? v : GetMember(holder, segs[i]);
    }
    return true;
  }
  std::vector<Value> scopes(f.withs.rbegin(), f.withs.rend());
  if (f.activation) {
    scopes.push_back(Value::Object(f.activation));
    for (auto it = f.Scope().rbegin(); it != f.Scope().rend(); ++it) {
      ScriptObject* o = *it;
      if (o->kind != ScriptObject::Kind::Clip) {
        scopes.push_back(Value::Object(o));
        continue;
      }
      auto c = static_cast<ClipObject*>(o)->clip.lock();
      if (c && !c->removed) scopes.push_back(ClipValue(static_cast<MovieClip*>(c.get())));
    }
  } else if (MovieClip* t = FrameTarget(f)) {
    scopes.push_back(ClipValue(t));
  }
  scopes.push_back(Value::Object(realm_->global));
  for (const Value& scope : scopes)
    if (member(scope, segs[0], first) && walk(first)) return true;
  bool found = false;
  holder = LookupName(f, segs[0], found);
  for (size_t i = 1; i < segs.size(); ++i) {
    Value v;
    holder = child_of(holder, segs[i], v) ? v : GetMember(holder, segs[i]);
  }
  return true;
}

Value ActionRunner::GetVariable(Frame& f, const std::string& path) {
  if (version_ < 5) return GetVariable4(f, path);
  if (IsPlainName(path)) {
    bool found = false;
    return LookupName(f, path, found);
  }
  if (path.back() == '.') return Value::Undefined();  // "a." names nothing
  Value holder;
  std::string last;
  if (DotPath(f, path, holder, last, true)) return GetMember(holder, last);
  std::string name;
  if (path.find_first_of(".:") == std::string::npos) {
    // A slash path names a clip; when it names none, the text is the name of a variable.
    if (MovieClip* c = ResolvePath(path, FrameTarget(f) ? FrameTarget(f) : f.base.get()))
      return ClipValue(c);
    bool found = false;
    return LookupName(f, path, found);
  }
  if (!SplitVariablePath(f, path, holder, name) || name.empty()) return Value::Undefined();
  return GetMember(holder, name);
}

// The first script versions have no dot paths and no clip values: a name without a colon is a
// variable of the timeline, whatever it holds; "path:name" reads the variable of the clip the
// path names (an empty path names none). A clip is never the value read.
Value ActionRunner::GetVariable4(Frame& f, const std::string& path) {
  size_t colon = path.rfind(':');
  Value v;
  if (colon == std::string::npos) {
    bool found = false;
    v = LookupName(f, path, found);
  } else if (colon > 0) {
    MovieClip* from = FrameTarget(f) ? FrameTarget(f) : f.base.get();
    if (MovieClip* c = ResolvePath(path.substr(0, colon), from))
      v = GetMember(ClipValue(c), path.substr(colon + 1));
  }
  return v.type == Value::Type::Clip ? Value::Undefined() : v;
}

void ActionRunner::SetVariable(Frame& f, const std::string& path, const Value& v) {
  Value holder;
  std::string last;
  if (!IsPlainName(path) && DotPath(f, path, holder, last, false)) {
    SetMember(holder, last, v);
    return;
  }
  // Without a colon or a dot there is no variable name to split off: the whole text, slashes
  // and all, is the name set.
  const bool named = version_ >= 5 && path.find_first_of(".:") == std::string::npos;
  if (!IsPlainName(path) && !named) {
    std::string name;
    if (!SplitVariablePath(f, path, holder, name) || name.empty()) return;
    SetMember(holder, name, v);
    return;
  }
  std::string key = Key(path);
  for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
    ScriptObject* o = ObjectOf(*it);
    bool clip_property = o && o->kind == ScriptObject::Kind::Clip && PropertyIndex(path) >= 0;
    if (o && (clip_property || HasMember(o, key))) {
      SetMember(*it, path, v);
      return;
    }
  }
  if (f.activation) {
    if (f.activation->Find(key)) {
      f.activation->Put(key, path, v);
      return;
    }
    const auto& scope = f.Scope();
    for (auto it = scope.rbegin(); it != scope.rend(); ++it) {
      ScriptObject* o = *it;
      bool is_clip = o->kind == ScriptObject::Kind::Clip;
      if (it + 1 == scope.rend() || (is_clip ? o->Find(key) != nullptr : HasMember(o, key))) {
        if (is_clip) {
          auto c = static_cast<ClipObject*>(o)->clip.lock();
          if (c && !c->removed) {
            SetMember(ClipValue(static_cast<MovieClip*>(c.get())), path, v);
            return;
          }
        }
        PutMember(o, path, v, Value::Object(o));
        return;
      }
    }
    return;
  }
  if (MovieClip* t = FrameTarget(f)) SetMember(ClipValue(t), path, v);
}
Value ActionRunner::GetProperty(MovieClip* clip, int index) {
  if (!clip) return Value::Undefined();
  const Matrix& m = clip->matrix;
  switch (index) {
    case 0: return Value::Number(m.tx / 20.0);
    case 1: return Value::Number(m.ty / 20.0);
    case 2: return Value::Number(ScaleRotationOf(*clip).x_scale);
    case 3: return Value::Number(ScaleRotationOf(*clip).y_scale);
    case 4: return Value::Number(clip->current_frame + 1);
    case 5:
    case 12:
      // After a failed load a clip has no frames, and the frames it loaded are unknown.
      if (clip->LoadFailed()) return Value::Number(index == 12 ? -1 : 0);
      // An empty clip a script made counts as one empty frame; an unloaded one has none.
      if (clip->TotalFrames() == 0 && clip->parent && !clip->character && !clip->unloaded)
        return Value::Number(1);
      return Value::Number(clip->TotalFrames());
    case 6: return Value::Number(clip->color_transform.a_mult / 256.0 * 100.0);
    case 7: return FromBool(clip->visible);
    case 8:
    case 9: return Value::Number(ParentSize(*clip, index == 8));
    case 10: return Value::Number(ScaleRotationOf(*clip).rotation);
    case 11: return Value::String(clip->SlashPath());
    case 13: return Value::String(clip->name);
    case 14: return Value::String(clip->drop_target);
    case 15:
      if (!clip->failed_load_url.empty()) return Value::String(clip->failed_load_url);
      return Value::String(clip->movie ? clip->movie->url : std::string());
    case 16: {
      const int level = QualityLevel();
      return Value::Number(level == 0 ? 0 : level == 3 ? 2 : 1);
    }
    // A level's root answers for the whole player; other clips have none until given one, and
    // those of old movies answer for the player too.
    case 17:
      return OwnFocusRect(*clip, version_) ? FocusRectOf(*clip) : Value::Bool(player_.focus_frames);
    case 18: return Value::Number(player_.sound_buffer_seconds);
    case 19: {
      static const char* const kNames[] = {"LOW", "MEDIUM", "HIGH", "BEST"};
      return Value::String(kNames[QualityLevel()]);
    }
    case 20:
    case 21: {
      // The pointer in the clip's own pixels.
      Matrix inv;
      double x = 0, y = 0;
      const RectTwips stage = player_.StageRect();
      if (StageMatrix(*clip).Invert(inv))
        inv.Apply(player_.input.mouse_x * 20 + stage.xmin, player_.input.mouse_y * 20 + stage.ymin,
                  x, y);
      return Value::Number((index == 20 ? x : y) / 20);
    }
  }
  return Value::Undefined();
}

// The quality scripts see: low when drawing is low, else the level a script last chose.
int ActionRunner::QualityLevel() const {
  if (player_.quality == Quality::Low) return 0;
  return player_.script_quality == 0 ? 2 : std::min<int>(player_.script_quality, 3);
}

// Numeric properties take their number without the usual conversion: undefined and null are no
// number, and an object gives what its valueOf returns (its toString is never asked).
double ActionRunner::PropertyNumber(const Value& v) {
  Value p = v;
  if (p.type == Value::Type::Object) {
    bool found = false;
    Value f = GetObjectMember(p.object, "valueOf", p, found);
    p = IsFunction(f) ? Call(f, p, {}) : Value::Undefined();
  }
  switch (p.type) {
    case Value::Type::Bool: return p.boolean ? 1 : 0;
    case Value::Type::Number: return p.number;
    case Value::Type::String: return StringToNumber(p.string, version_);
    default: return kNaN;
  }
}

MovieClip* ActionRunner::PropertyTarget(Frame& f, const Value& target) {
  if (target.type == Value::Type::Clip ||
      (target.type == Value::Type::Object && DisplayObjectOf(target)))
    return ClipOf(target);
  return ResolvePath(ToString(target), f.target_missing ? nullptr : FrameTarget(f));
}

void ActionRunner::SetProperty(MovieClip* clip, int index, const Value& v) {
  if (index < 0 || index >= kPropertyCount) return;
  // Read-only properties take nothing; the number ones still convert the value.
  if ((index >= 11 && index <= 12) || index == 15) return;
  if ((index >= 4 && index <= 5) || index == 14 || index >= 20) {
    PropertyNumber(v);
    return;
  }
  // Text properties convert to text; the rest take a number, and no number leaves them as they
  // are. The value is converted even when there is no clip to take it.
  const bool takes_text = index == 13 || index == 19;
  if (!clip) {
    if (takes_text) ToString(v);
    else PropertyNumber(v);
    return;
  }
  const bool clip_focus_rect = index == 17 && OwnFocusRect(*clip, version_);
  double d = 0;
  // A root's focus frame: an object turns it off without being asked for a number.
  if (index == 17 && v.type == Value::Type::Object) d = 0;
  else if (!takes_text && !clip_focus_rect) d = PropertyNumber(v);
  if (std::isnan(d)) return;
  Matrix& m = clip->matrix;
  // Position, scale, alpha and rotation set by a script are no longer the timeline's to change.
  if (index <= 3 || index == 6 || index == 8 || index == 9 || index == 10)
    clip->transformed_by_script = true;
  switch (index) {
    case 0: m.tx = PixelsToTwips(d); break;
    case 1: m.ty = PixelsToTwips(d); break;
    case 2:
    case 3:
    case 10: {
      ScaleRotation sr = ScaleRotationOf(*clip);
      if (index == 2) sr.x_scale = d;
      else if (index == 3) sr.y_scale = d;
      else sr.rotation = NormalRotation(d);
      SetScaleRotation(*clip, sr);
      break;
    }
    case 6: clip->color_transform.a_mult = static_cast<int16_t>(StoredInt(d * 2.56)); break;
    case 7:
      clip->visible = d != 0;
      player().HiddenLosesFocus(clip);
      break;
    case 8:
    case 9: SetParentSize(*clip, index == 8, d); break;
    case 13: clip->name = ToString(v); break;
    case 16: SetQualityLevel(d == 0 ? 0 : d >= 2 ? 3 : 2); break;
    case 17:
      // A root takes a number; other clips take any value as a truth, or lose their setting.
      if (clip_focus_rect) SetFocusRect(*clip, v);
      else player_.focus_frames = d != 0;
      break;
    case 18: player_.sound_buffer_seconds = StoredInt(d); break;
    case 19: {
      static const char* const kNames[] = {"LOW", "MEDIUM", "HIGH", "BEST"};
      const std::string name = ToString(v);
      for (int level = 0; level < 4; ++level)
        if (IEquals(name, kNames[level])) SetQualityLevel(level);
      break;
    }
    default: break;
  }
}

Value ActionRunner::FocusRectOf(const DisplayObject& obj) {
  return obj.focus_rect < 0 ? Value::Null() : Value::Bool(obj.focus_rect != 0);
}

void ActionRunner::SetFocusRect(DisplayObject& obj, const Value& v) {
  obj.focus_rect = v.IsNullish() ? -1 : ToBool(v) ? 1 : 0;
}

void ActionRunner::SetQualityLevel(int level) {
  player_.script_quality = static_cast<uint8_t>(level);
  player_.quality = level == 0 ? Quality::Low : Quality::High;
}

// --- timeline control ---

void ActionRunner::GotoFrame(MovieClip* clip, int frame, bool stop) {
  if (!clip || clip->TotalFrames() == 0) return;
  if (frame < 0) frame = 0;
  player_.GotoFrameOf(clip, frame);
  clip->playing = !stop;
}

// A frame given as a value: a number (1-based), a label, or "target:frame" / "target:label".
bool ActionRunner::FrameFromValue(const Value& v0, MovieClip*& clip, int& frame) {
  clip = Target();
  // Anything but a number names its frame by its text (an object by its toString).
  Value v = v0.type == Value::Type::Object || v0.type == Value::Type::Clip
                ? Value::String(ToString(v0))
                : v0;
  if (v.type != Value::Type::String) {
    double d = ToNumber(v);
    if (std::isnan(d)) return false;
    frame = TruncToInt(d) - 1;
    return clip != nullptr;
  }
  std::string s = v.string;
  size_t colon = s.rfind(':');
  if (colon != std::string::npos) {
    clip = ResolvePath(s.substr(0, colon), clip);
    s = s.substr(colon + 1);
  }
  if (!clip) return false;
  double d = StringToNumber(s, 5);
  if (!std::isnan(d) && !s.empty()) {
    frame = TruncToInt(d) - 1;
    return true;
  }
  frame = clip->timeline->FrameOfLabel(s);
  return frame >= 0;
}

// getURL and the loads that share its action: loadMovie/loadMovieNum (`load_target`, or a
// "_levelN" target) and loadVariables/loadVariablesNum (`load_vars`).
void ActionRunner::GetUrl(const std::string& url, const std::string& target, bool load_target,
                          bool load_vars) {
  if (url.size() >= 10 && IEquals(url.substr(0, 10), "fscommand:")) {
    if (player_.on_fscommand) player_.on_fscommand(url.substr(10), target);
    return;
  }
  std::string low = Lower(target);
  int level = -1;
  if (low.rfind("_level", 0) == 0 && low.size() > 6 && low.size() < 16 &&
      std::all_of(low.begin() + 6, low.end(),
                  [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    level = std::atoi(low.c_str() + 6);
  if (load_vars) {
    MovieClip* clip = level >= 0 ? nullptr : ResolvePath(target, Target());
    if (level >= 0 || clip)
      StartClipLoad(*this, clip ? ClipValue(clip) : Value::Undefined(), level, url,
                    ClipLoadKind::kVariables);
    return;
  }
  if (level >= 0) {
    player_.QueueLevelLoad(level, url);
    return;
  }
  if (load_target) {
    MovieClip* clip = ResolvePath(target, Target());
    if (url.empty()) {
      // Unloading leaves the clip in place, empty.
      UnloadClipContent(*this, clip);
    } else if (clip && !clip->parent) {
      player_.QueueLevelLoad(clip->level, url);
    } else if (clip) {
      StartClipLoad(*this, ClipValue(clip), -1, url, ClipLoadKind::kMovie);
    }
    return;
  }
  // A new window is asked for with "_blank" whatever the case and whether or not the
  // underscore was written; other window names pass through as written.
  if (low == "blank" || low == "_blank") {
    if (player_.on_get_url) player_.on_get_url(url, "_blank");
    return;
  }
  if (player_.on_get_url) player_.on_get_url(url, target);
}

// The Call action: runs a frame's scripts now, on that frame's clip.
void ActionRunner::CallFrame(MovieClip* clip, int frame) {
  if (!clip || frame < 0 || frame >= clip->TotalFrames()) return;
  if (depth_ >= kMaxCallDepth) throw ScriptAbort{"calls nested too deep"};
  const flash::Frame& fr = clip->timeline->frames[static_cast<size_t>(frame)];
  auto self = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
  for (const ControlTag& tag : fr.tags) {
    if (tag.kind != ControlTag::Kind::DoAction || !tag.actions) continue;
    ActionRunner inner(player_, self);
    inner.depth_ = depth_ + 1;
    inner.frame_ = frame_;  // nested: aborts pass on to this block
    inner.Run(tag.actions, 0, tag.actions->size());
  }
}

void ActionRunner::CloneSprite(DisplayObject* src, const std::string& name, int depth) {
  if (!src || !src->parent) return;  // clips made empty by scripts can be copied too
  if (depth < 0 || depth > 16384 + 2130690044) return;  // outside the depths scripts may use
  if (src->type == DisplayObject::Type::EditText)
    player_.DuplicateField(static_cast<TextFieldObject*>(src), name, depth);
  else if (src->type == DisplayObject::Type::MovieClip)
    player_.DuplicateClip(static_cast<MovieClip*>(src), name, depth, nullptr);
}

DisplayObject* ActionRunner::DisplayObjectOf(const Value& v) {
  if (MovieClip* c = ClipOf(v)) return c;
  if (v.type != Value::Type::Object) return nullptr;
  if (ButtonObject* b = ButtonOf(v)) return b;
  if (auto* field = dynamic_cast<FieldObject*>(v.object)) {
    auto live = field->field.lock();
    if (live && !live->removed) return live.get();
  }
  return nullptr;
}

// Buttons and text fields at script depths can be removed like clips.
void ActionRunner::RemoveSprite(DisplayObject* clip) {
  if (!clip || !clip->parent) return;
  // Only clips at the depths scripts use can be removed (timeline depths are below them, and
  // the top of the range is reserved).
  constexpr int kLowestRemovable = 16384, kHighestRemovable = 16384 + 2130690031;
  if (clip->depth < kLowestRemovable || clip->depth > kHighestRemovable) return;
  if (clip->type == DisplayObject::Type::MovieClip) {
    auto* mc = static_cast<MovieClip*>(clip);
    if (player_.WaitsForUnload(mc)) {
      player_.RemoveAfterUnload(mc);
      return;
    }
  }
  player_.RemoveChild(clip->parent, clip->depth);
}

// --- comparisons ---

Value ActionRunner::ValueOfPrimitive(const Value& v) {
  if (v.type != Value::Type::Object || AsSuper(v.object) ||
      v.object->kind == ScriptObject::Kind::Function)
    return ToPrimitive(v);
  bool found = false, saved_resolve = resolve_off_;
  resolve_off_ = true;
  Value f = GetObjectMember(v.object, "valueOf", v, found);
  resolve_off_ = saved_resolve;
  if (!IsFunction(f)) return Value::Undefined();
  return Call(f, v, {});
}

// An object operand converts through its valueOf alone (none: undefined); when that gives an
// object the comparison is false at once, the other operand left unconverted.
Value ActionRunner::Compare(const Value& a0, const Value& b0, bool right_first) {
  auto convert = [&](const Value& v) {
    if (v.type == Value::Type::Clip) return Value::Number(kNaN);
    return ValueOfPrimitive(v);
  };
  Value a, b;
  if (right_first) {
    b = convert(b0);
    if (b.type == Value::Type::Object) return FromBool(false);
    a = convert(a0);
  } else {
    a = convert(a0);
    if (a.type == Value::Type::Object) return FromBool(false);
    b = convert(b0);
  }
  if (a.type == Value::Type::Object || b.type == Value::Type::Object) return FromBool(false);
  if (a.type == Value::Type::String && b.type == Value::Type::String)
    return FromBool(scriptlib::CompareText(a.string, b.string, version_) < 0);
  double x = ToNumber(a), y = ToNumber(b);
  if (std::isnan(x) || std::isnan(y)) return Value::Undefined();
  return FromBool(x < y);
}

bool ActionRunner::LooseEquals(const Value& a, const Value& b) {
  using T = Value::Type;
  if (a.IsNullish() || b.IsNullish()) {
    if (a.IsNullish() && b.IsNullish()) return true;
    // An object without valueOf and toString (a bare one, or _global) converts to undefined.
    const Value& other = a.IsNullish() ? b : a;
    if (other.type != T::Object || other.object->kind == ScriptObject::Kind::Function) return false;
    bool no_method = false;
    ToPrimitive(other, false, &no_method);
    return no_method;
  }
  if (a.type == b.type) {
    switch (a.type) {
      case T::Bool: return a.boolean == b.boolean;
      // NaN equals NaN here too.
      case T::Number: return a.number == b.number || (std::isnan(a.number) && std::isnan(b.number));
      case T::String: return a.string == b.string;
      // Clips are the same when they have the same target path: a reference finds a clip by
      // its path, so two clips of one name are one to scripts.
      case T::Clip: {
        MovieClip* x = ClipOf(a);
        MovieClip* y = ClipOf(b);
        return x == y || (x && y && x->TargetPath() == y->TargetPath());
      }
      case T::Object: return a.object == b.object;
      default: return true;
    }
  }
  if ((a.type == T::Clip && b.type == T::Object) || (a.type == T::Object && b.type == T::Clip))
    return ObjectOf(a) == ObjectOf(b);
  if (a.type == T::Bool) return LooseEquals(Value::Number(a.boolean ? 1 : 0), b);
  if (b.type == T::Bool) return LooseEquals(a, Value::Number(b.boolean ? 1 : 0));
  if ((a.type == T::Number && b.type == T::String) || (a.type == T::String && b.type == T::Number))
    return ToNumber(a) == ToNumber(b);
  // An object compared with a primitive converts by its valueOf alone: one that gives an object
  // (as the default valueOf does) is unequal to every primitive, and toString is never asked.
  auto by_value_of = [this](const Value& o) {
    if (o.type != T::Object) return ToPrimitive(o);
    bool saved_resolve = resolve_off_, found = false;
    resolve_off_ = true;
    Value f = GetObjectMember(o.object, "valueOf", o, found);
    resolve_off_ = saved_resolve;
    return IsFunction(f) ? Call(f, o, {}) : ToPrimitive(o);
  };
  if (a.type == T::Clip || a.type == T::Object) {
    Value p = by_value_of(a);
    return p.type != T::Object && p.type != T::Clip && LooseEquals(p, b);
  }
  if (b.type == T::Clip || b.type == T::Object) {
    Value p = by_value_of(b);
    return p.type != T::Object && p.type != T::Clip && LooseEquals(a, p);
  }
  return false;
}

bool ActionRunner::StrictEquals(const Value& a, const Value& b) {
  using T = Value::Type;
  if (a.type != b.type) {
    if ((a.type == T::Clip && b.type == T::Object) || (a.type == T::Object && b.type == T::Clip))
      return ObjectOf(a) == ObjectOf(b);
    return false;
  }
  // Two NaN values are equal.
  if (a.type == T::Number && std::isnan(a.number) && std::isnan(b.number)) return true;
  return LooseEquals(a, b);
}

// --- running ---

std::shared_ptr<Program> ActionRunner::ProgramFor(
    const std::shared_ptr<const std::vector<uint8_t>>& code, size_t start, size_t end, size_t lo,
    size_t hi, int version) {
  return player_.ProgramFor(code, start, end, lo, hi, version);
}

void ActionRunner::Run(const std::vector<uint8_t>& code, size_t start, size_t end, size_t jump_lo,
                       size_t jump_hi) {
  Run(std::make_shared<const std::vector<uint8_t>>(code), start, end, jump_lo, jump_hi);
}

void ActionRunner::Run(const std::shared_ptr<const std::vector<uint8_t>>& code, size_t start,
                       size_t end, size_t jump_lo, size_t jump_hi) {
  if (!code || !base_) return;
  if (player_.budget_ <= 0) return;  // the tick's budget is spent
  if (!frame_) player_.block_budget_ = Player::kBlockBudget;
  Frame f;
  f.keep = ProgramFor(code, start, end, jump_lo, jump_hi, version_);
  f.program = f.keep.get();
  f.base = base_;
  f.version = version_;
  f.pool = player_.script_pool_;
  f.stack_base = frame_ ? stack_.size() : 0;
  Frame* outer = frame_;
  frame_ = &f;
  try {
    Execute(f);
  } catch (const ScriptThrow& t) {
    // An uncaught exception ends this block only.
    frame_ = outer;
    ReportUncaught(t.value);
  } catch (const ScriptAbort&) {
    if (outer) {
      frame_ = outer;
      throw;
    }
  } catch (const std::bad_alloc&) {
    if (outer) {
      frame_ = outer;
      throw ScriptAbort{"out of memory"};
    }
  }
  frame_ = outer;
  if (!outer) player_.script_pool_ = f.pool;
}

Value ActionRunner::CallFromPlayer(const Value& fn, const Value& self, std::vector<Value> args) {
  if (player_.budget_ <= 0) return Value::Undefined();
  if (!frame_) player_.block_budget_ = Player::kBlockBudget;
  try {
    return Call(fn, self, std::move(args));
  } catch (const ScriptThrow& t) {
    ReportUncaught(t.value);
  } catch (const ScriptAbort&) {
  } catch (const std::bad_alloc&) {
  }
  return Value::Undefined();
}

// Runs the frame's actions until it returns, falls off its block or leaves its region.
void ActionRunner::Execute(Frame& f) {
  size_t pc = f.program->Start();
  // Code whose clip is removed stops at its next call: after a call or `new`, unless it went to
  // a method of undefined (code that starts on a removed clip, as an unload handler
  // does, runs to its end).
  MovieClip* const watched = f.base && !f.base->removed ? f.base.get() : nullptr;
  for (;;) {
    if (player_.generation_ != generation_) return;  // the movie was unloaded under us
    while (!f.with_ends.empty() &&
           (pc >= f.with_ends.back() || pc < f.with_ends.back() - f.with_ends.back())) {
      f.withs.pop_back();
      f.with_ends.pop_back();
    }
    // Leaving a try statement: a pending exception goes on once its finally block has run.
    while (!f.handlers.empty()) {
      Handler& h = f.handlers.back();
      if (pc >= h.action->next && pc < h.action->try_end) break;
      bool pending = h.pending;
      Value thrown = h.thrown;
      bool pending_return = h.pending_return;
      f.handlers.pop_back();
      if (pending_return) {
        f.returned = true;
        return;
      }
      if (pending && !HandleThrow(f, thrown, pc)) throw ScriptThrow{thrown};
      if (pending) break;
    }
    const Action* a = f.program->At(pc);
    if (!a) return;
    if (--player_.budget_ < 0 || --player_.block_budget_ < 0)
      throw ScriptAbort{"action budget spent"};
    if (a->bad) return;  // malformed operands end the block
    size_t next = a->next;
    bool halts = false;
    if (watched) {
      halts = a->op == 0x3D || a->op == 0x40 ||
              ((a->op == 0x52 || a->op == 0x53) && stack_.size() >= f.stack_base + 2 &&
               !stack_[stack_.size() - 2].IsUndefined());
    }
    try {
      Step(f, *a, next);
      if (pending_throw_) {
        Value thrown = *pending_throw_;
        pending_throw_.reset();
        throw ScriptThrow{thrown};
      }
    } catch (ScriptThrow& t) {
      if (!HandleThrow(f, t.value, next = a->offset)) throw;
    }
    if (halts && watched->removed) return;
    if (f.returned) {
      // A return inside try or catch runs the finally block first.
      bool deferred = false;
      for (auto h = f.handlers.rbegin(); h != f.handlers.rend(); ++h) {
        const Action& t = *h->action;
        if ((t.u1 & 0x02) && a->offset >= t.next && a->offset < t.finally_at) {
          h->pending_return = true;
          f.returned = false;
          next = t.finally_at;
          deferred = true;
          break;
        }
      }
      if (!deferred) return;
    }
    pc = next;
  }
}

// Finds the innermost try statement around `pc` that takes the exception and moves `pc` to its
// catch or finally block. False when none does.
bool ActionRunner::HandleThrow(Frame& f, const Value& v, size_t& pc) {
  while (!f.handlers.empty()) {
    Handler& h = f.handlers.back();
    const Action& t = *h.action;
    bool has_catch = (t.u1 & 0x01) != 0, has_finally = (t.u1 & 0x02) != 0;
    if (pc >= t.next && pc < t.catch_at && has_catch) {
      if (t.u1 & 0x04) {
        if (t.u2 < f.RegisterCount()) f.Register(t.u2) = v;
      } else if (f.activation) {
        f.activation->Put(Key(t.s1), t.s1, v);
      } else {
        SetVariable(f, t.s1, v);
      }
      if (stack_.size() > f.stack_base) stack_.resize(f.stack_base);
      pc = t.catch_at;
      return true;
    }
    if (pc >= t.next && pc < t.finally_at && has_finally) {
      h.pending = true;
      h.thrown = v;
      pc = t.finally_at;
      return true;
    }
    f.handlers.pop_back();
  }
  return false;
}

// The numbers of the generic "call with arguments" actions: the count, then the arguments.
namespace {
size_t ArgCount(double d) {
  if (std::isnan(d) || d <= 0) return 0;
  return d > 1e6 ? 1000000 : static_cast<size_t>(d);
}
}  // namespace

void ActionRunner::Step(Frame& f, const Action& a, size_t& next) {
  auto pop_args = [&]() {
    size_t n = ArgCount(ToNumber(Pop()));
    std::vector<Value> args;
    n = std::min(n, stack_.size() - std::min(stack_.size(), f.stack_base));
    args.reserve(n);
    for (size_t i = 0; i < n; ++i) args.push_back(Pop());
    return args;
  };
  switch (a.op) {
    // --- timeline actions of the first script versions ---
    case 0x04:  // NextFrame
      if (MovieClip* t = FrameTarget(f)) GotoFrame(t, t->current_frame + 1, true);
      break;
    case 0x05:  // PrevFrame
      if (MovieClip* t = FrameTarget(f)) GotoFrame(t, t->current_frame - 1, true);
      break;
    case 0x06:  // Play
      if (MovieClip* t = FrameTarget(f)) t->playing = true;
      break;
    case 0x07:  // Stop
      if (MovieClip* t = FrameTarget(f)) t->playing = false;
      break;
    case 0x08:  // ToggleQuality
      player_.quality = player_.quality == Quality::High ? Quality::Low : Quality::High;
      break;
    case 0x09:  // StopSounds
      if (player_.sound) player_.sound->StopAll();
      break;
    case 0x81:  // GotoFrame
      if (MovieClip* t = FrameTarget(f)) GotoFrame(t, static_cast<int>(a.u1), true);
      break;
    case 0x83:  // GetURL
      GetUrl(a.s1, a.s2, false, false);
      break;
    case 0x8A:  // WaitForFrame: every frame is loaded, nothing is skipped
      break;
    case 0x8B:  // SetTarget
      SetTarget(f, Value::String(a.s1), true);
      break;
    case 0x8C:  // GotoLabel
      if (MovieClip* t = FrameTarget(f)) {
        int frame = t->timeline->FrameOfLabel(a.s1);
        if (frame >= 0) GotoFrame(t, frame, true);
      }
      break;
    // --- the stack machine ---
    case 0x96:  // Push
      for (const PushItem& item : a.pushes) {
        switch (item.kind) {
          case PushItem::Kind::Literal: Push(item.value); break;
          case PushItem::Kind::Register:
            Push(item.index < f.RegisterCount() ? f.Register(item.index) : Value::Undefined());
            break;
          case PushItem::Kind::Constant:
            Push(f.pool && item.index < f.pool->size() ? Value::String((*f.pool)[item.index])
                                                       : Value::Undefined());
            break;
        }
      }
      break;
    case 0x17: Pop(); break;  // Pop
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D: {  // Add, Subtract, Multiply, Divide
      // Add and Multiply convert the left operand first, Subtract and Divide the right one, as
      // their valueOf methods may show.
      Value vb = Pop(), vx = Pop();
      double x = 0, b = 0;
      if (a.op == 0x0B || a.op == 0x0D) {
        b = ToNumber(vb);
        x = ToNumber(vx);
      } else {
        x = ToNumber(vx);
        b = ToNumber(vb);
      }
      double r = a.op == 0x0A ? x + b : a.op == 0x0B ? x - b : a.op == 0x0C ? x * b : 0;
      if (a.op == 0x0D) {
        if (b == 0 && version_ < 5) {
          Push(Value::String("#ERROR#"));
          break;
        }
        r = x / b;
      }
      Push(Value::Number(r));
      break;
    }
    case 0x0E: {  // Equals: unlike the other operators, the right operand converts first
      Value vb = Pop(), vx = Pop();
      double b = ToNumber(vb), x = ToNumber(vx);
      Push(FromBool(x == b));
      break;
    }
    case 0x0F: {  // Less
      Value vb = Pop(), vx = Pop();
      double x = ToNumber(vx), b = ToNumber(vb);
      Push(FromBool(x < b));
      break;
    }
    case 0x10: {  // And
      bool b = ToBool(Pop()), x = ToBool(Pop());
      Push(FromBool(x && b));
      break;
    }
    case 0x11: {  // Or
      bool b = ToBool(Pop()), x = ToBool(Pop());
      Push(FromBool(x || b));
      break;
    }
    case 0x12: Push(FromBool(!ToBool(Pop()))); break;  // Not
    case 0x13: {                                       // StringEquals
      std::string b = ToString(Pop()), x = ToString(Pop());
      Push(FromBool(x == b));
      break;
    }
    case 0x29: {  // StringLess
      std::string b = ToString(Pop()), x = ToString(Pop());
      Push(FromBool(x < b));
      break;
    }
    case 0x68: {  // StringGreater
      std::string b = ToString(Pop()), x = ToString(Pop());
      Push(FromBool(x > b));
      break;
    }
    case 0x14:  // StringLength
      Push(Value::Number(static_cast<double>(scriptlib::StringLength(ToString(Pop()), version_))));
      break;
    case 0x31:  // MBStringLength
      Push(Value::Number(static_cast<double>(scriptlib::MbLength(ToString(Pop()), version_))));
      break;
    case 0x15:    // StringExtract
    case 0x35: {  // MBStringExtract
      double count = ToNumber(Pop()), index = ToNumber(Pop());
      std::string s = ToString(Pop());
      Push(Value::String(a.op == 0x15 ? scriptlib::Substring4(s, index, count, version_)
                                      : scriptlib::MbSubstring(s, index, count, version_)));
      break;
    }
    case 0x21: {  // StringAdd
      std::string b = ToString(Pop()), x = ToString(Pop());
      Push(Value::String(CheckedConcat(x, b)));
      break;
    }
    case 0x18:  // ToInteger: a 32-bit integer
      Push(Value::Number(ToInt32(Pop())));
      break;
    case 0x32:  // CharToAscii
      Push(Value::Number(scriptlib::Ord(ToString(Pop()), version_)));
      break;
    case 0x36:  // MBCharToAscii
      Push(Value::Number(scriptlib::MbOrd(ToString(Pop()))));
      break;
    case 0x33:  // AsciiToChar
      Push(Value::String(scriptlib::Chr(ToNumber(Pop()), version_)));
      break;
    case 0x37:  // MBAsciiToChar
      Push(Value::String(scriptlib::MbChr(ToNumber(Pop()))));
      break;
    case 0x99:  // Jump
      if (a.target < 0) {
        next = SIZE_MAX;  // leaves the region: the block ends
        f.returned = true;
      } else {
        next = static_cast<size_t>(a.target);
      }
      break;
    case 0x9D:  // If
      if (ToBool(Pop())) {
        if (a.target < 0) {
          f.returned = true;
        } else {
          next = static_cast<size_t>(a.target);
        }
      }
      break;
    case 0x9E: {  // Call
      MovieClip* clip = nullptr;
      int frame = 0;
      Value v = Pop();
      // A frame number wraps to 32 bits (4294967299 is frame 3).
      if (v.type == Value::Type::Number && std::isfinite(v.number)) {
        // Under a tellTarget whose clip does not exist, the frame is the script's own clip's.
        MovieClip* t = Target();
        if (!t && f.base && !f.base->removed) t = f.base.get();
        if (t) CallFrame(t, Int32Of(v.number) - 1);
      } else if (FrameFromValue(v, clip, frame)) {
        CallFrame(clip, frame);
      }
      break;
    }
    case 0x1C: {  // GetVariable
      std::string name = ToString(Pop());
      Push(GetVariable(f, name));
      break;
    }
    case 0x1D: {  // SetVariable
      Value v = Pop();
      SetVariable(f, ToString(Pop()), v);
      break;
    }
    case 0x9A: {  // GetURL2
      std::string target = ToString(Pop());
      std::string url = ToString(Pop());
      GetUrl(url, target, (a.u1 & 0x40) != 0, (a.u1 & 0x80) != 0);
      break;
    }
    case 0x9F: {  // GotoFrame2
      MovieClip* clip = nullptr;
      int frame = 0;
      if (FrameFromValue(Pop(), clip, frame))
        GotoFrame(clip, frame + static_cast<int>(a.u2), (a.u1 & 0x01) == 0);
      break;
    }
    case 0x20:  // SetTarget2
      SetTarget(f, Pop(), false);
      break;
    case 0x22: {  // GetProperty
      double d = ToNumber(Pop());
      Value target = Pop();
      if (std::isnan(d) || d <= -1 || d >= 22) {  // no such property
        Push(Value::Undefined());
        break;
      }
      int index = TruncToInt(d);
      Push(GetProperty(PropertyTarget(f, target), index));
      break;
    }
    case 0x23: {  // SetProperty
      Value v = Pop();
      int index = TruncToInt(ToNumber(Pop()));
      Value target = Pop();
      SetProperty(PropertyTarget(f, target), index, v);
      break;
    }
    case 0x24: {  // CloneSprite
      int depth = ToInt32(Pop());
      std::string name = ToString(Pop());
      Value source = Pop();
      // A text field is copied too.
      DisplayObject* d = source.type == Value::Type::Object ? DisplayObjectOf(source) : nullptr;
      if (!d || d->type != DisplayObject::Type::EditText)
        d = source.type == Value::Type::Clip ? ClipOf(source)
                                             : ResolvePath(ToString(source), FrameTarget(f));
      CloneSprite(d, name, depth);
      break;
    }
    case 0x25: {  // RemoveSprite
      Value target = Pop();
      DisplayObject* d = DisplayObjectOf(target);
      if (!d && target.type != Value::Type::Clip) d = ResolvePath(ToString(target), FrameTarget(f));
      RemoveSprite(d);
      break;
    }
    case 0x27: {  // StartDrag: target, lock centre, constrain flag [, bottom, right, top, left]
      Value target = Pop();
      MovieClip* clip = target.type == Value::Type::Clip
                            ? ClipOf(target)
                            : ResolvePath(ToString(target), FrameTarget(f));
      // The flags are read as numbers (objects give their valueOf); only a constrain flag of
      // exactly 1, what compilers write for true, brings the rectangle.
      const double lock = ToNumber(Pop());
      double rect[4];
      const bool constrained = ToNumber(Pop()) == 1;
      if (constrained)
        for (int i = 3; i >= 0; --i) rect[i] = ToNumber(Pop()) * 20;
      player_.StartDrag(clip, lock != 0 && !std::isnan(lock), constrained ? rect : nullptr);
      break;
    }
    case 0x28: player_.StopDrag(); break;  // EndDrag
    case 0x8D: {  // WaitForFrame2: every frame is loaded; the frame is still read
      MovieClip* clip = nullptr;
      int frame = 0;
      FrameFromValue(Pop(), clip, frame);
      break;
    }
    case 0x26:  // Trace
      Trace(Pop());
      break;
    case 0x34:  // GetTime
      Push(Value::Number(std::floor(player_.ClockMs())));
      break;
    case 0x30: {  // RandomNumber
      int limit = ToInt32(Pop());
      Push(Value::Number(player_.RandomInt(limit)));
      break;
    }
    // --- typed operators, registers and constants of later compilers ---
    case 0x88:  // ConstantPool
      f.pool = a.pool;
      break;
    case 0x87:  // StoreRegister
      if (a.u1 < f.RegisterCount())
        f.Register(a.u1) = stack_.size() > f.stack_base ? stack_.back() : Value::Undefined();
      break;
    case 0x47: {  // Add2
      Value vb = Pop(), vx = Pop();
      // From version 6 a date adds as its text, through its toString alone: "undefined"
      // without one; when it gives an object, the date converts to text as anywhere else (toString is
      // asked again).
      auto is_date = [&](const Value& v) {
        return version_ >= 6 && v.type == Value::Type::Object &&
               std::string_view(v.object->class_name) == "Date";
      };
      // Otherwise through valueOf alone: an object it leaves becomes its text beside a string
      // and NaN beside anything else.
      auto operand = [&](const Value& v) {
        if (is_date(v)) {
          Value to_string = GetMember(v, "toString");
          if (!IsFunction(to_string)) return Value::String("undefined");
          Value text = Call(to_string, v, {});
          return text.type == Value::Type::Object ? Value::String(ToString(v)) : text;
        }
        Value p = ValueOfPrimitive(v);
        return p.type == Value::Type::Object ? v : p;
      };
      Value x = operand(vx), b = operand(vb);
      auto number = [&](const Value& v) {
        return v.type == Value::Type::Object ? kNaN : ToNumber(v);
      };
      if (x.type == Value::Type::String || b.type == Value::Type::String)
        Push(Value::String(CheckedConcat(ToString(x), ToString(b))));
      else
        Push(Value::Number(number(x) + number(b)));
      break;
    }
    case 0x48: {  // Less2
      Value b = Pop(), x = Pop();
      Push(Compare(x, b));
      break;
    }
    case 0x67: {  // Greater
      Value b = Pop(), x = Pop();
      Push(Compare(b, x, true));
      break;
    }
    case 0x49: {  // Equals2
      Value b = Pop(), x = Pop();
      Push(Value::Bool(LooseEquals(x, b)));
      break;
    }
    case 0x66: {  // StrictEquals
      Value b = Pop(), x = Pop();
      Push(Value::Bool(StrictEquals(x, b)));
      break;
    }
    case 0x3F: {  // Modulo
      Value vb = Pop(), vx = Pop();
      double x = ToNumber(vx), b = ToNumber(vb);
      Push(Value::Number(std::fmod(x, b)));
      break;
    }
    case 0x50: Push(Value::Number(ToNumber(Pop()) + 1)); break;  // Increment
    case 0x51: Push(Value::Number(ToNumber(Pop()) - 1)); break;  // Decrement
    case 0x60:
    case 0x61:
    case 0x62:
    case 0x63:
    case 0x64:
    case 0x65: {  // bit operations
      Value vb = Pop(), vx = Pop();
      int32_t x = ToInt32(vx), b = ToInt32(vb);
      double r = 0;
      switch (a.op) {
        case 0x60: r = x & b; break;
        case 0x61: r = x | b; break;
        case 0x62: r = x ^ b; break;
        case 0x63: r = static_cast<int32_t>(static_cast<uint32_t>(x) << (b & 31)); break;
        case 0x64: r = x >> (b & 31); break;
        case 0x65: r = static_cast<uint32_t>(x) >> (b & 31); break;
      }
      Push(Value::Number(r));
      break;
    }
    case 0x4C:
      Push(stack_.size() > f.stack_base ? stack_.back() : Value::Undefined());
      break;      // PushDuplicate
    case 0x4D: {  // StackSwap
      Value b = Pop(), x = Pop();
      Push(b);
      Push(x);
      break;
    }
    case 0x4A: Push(Value::Number(ToNumber(Pop()))); break;  // ToNumber
    case 0x4B: Push(Value::String(ToString(Pop()))); break;  // ToString
    case 0x44: Push(Value::String(TypeOf(Pop()))); break;    // TypeOf
    case 0x45: {                                             // TargetPath
      Value v = Pop();
      MovieClip* c =
          v.type == Value::Type::Clip || v.type == Value::Type::Object ? ClipOf(v) : nullptr;
      // Buttons and text fields have target paths too.
      const DisplayObject* d =
          c ? c : (v.type == Value::Type::Object ? DisplayObjectOf(v) : nullptr);
      Push(d ? Value::String(d->TargetPath()) : Value::Undefined());
      break;
    }
    case 0x3C: {  // DefineLocal
      Value v = Pop();
      std::string name = ToString(Pop());
      if (f.activation) {
        f.activation->Put(Key(name), name, v);
        break;
      }
      // On a timeline a with object takes the variable only when it has it as its own.
      if (IsPlainName(name)) {
        const std::string key = Key(name);
        bool done = false;
        for (auto it = f.withs.rbegin(); !done && it != f.withs.rend(); ++it) {
          ScriptObject* o = ObjectOf(*it);
          if (o && o->Find(key)) {
            SetMember(*it, name, v);
            done = true;
          }
        }
        if (!done)
          if (MovieClip* t = FrameTarget(f)) SetMember(ClipValue(t), name, v);
        break;
      }
      SetVariable(f, name, v);
      break;
    }
    case 0x41: {  // DefineLocal2
      std::string name = ToString(Pop());
      if (f.activation) {
        if (!f.activation->Find(Key(name))) f.activation->Put(Key(name), name, Value::Undefined());
      } else if (MovieClip* t = FrameTarget(f)) {
        // A name the timeline already has, its own or through its prototypes, keeps its value.
        // A path ("/:a", "o.b") declares the variable where it leads.
        ScriptObject* o = ClipObjectOf(t);
        Value path_holder;
        std::string last;
        if (!IsPlainName(name)) {
          o = SplitVariablePath(f, name, path_holder, last) ? ObjectOf(path_holder) : nullptr;
          name = last;
        }
        if (o && !name.empty() && !HasMember(o, Key(name)))
          o->Put(Key(name), name, Value::Undefined());
      }
      break;
    }
    case 0x3A: {  // Delete
      std::string name = ToString(Pop());
      Value obj = Pop();
      Push(Value::Bool(DeleteMember(obj, name)));
      break;
    }
    case 0x3B: {  // Delete2: the nearest scope that has the name
      std::string name = ToString(Pop());
      Value path_holder;
      std::string last;
      if (!IsPlainName(name)) {
        bool found = DotPath(f, name, path_holder, last, true) ||
                     SplitVariablePath(f, name, path_holder, last);
        Push(Value::Bool(found && DeleteMember(path_holder, last)));
        break;
      }
      std::string key = Key(name);
      bool done = false;
      auto try_delete = [&](const Value& holder) {
        ScriptObject* o = ObjectOf(holder);
        if (!o || !o->Find(key)) return false;
        done = DeleteMember(holder, name);
        return true;
      };
      bool hit = false;
      for (auto it = f.withs.rbegin(); !hit && it != f.withs.rend(); ++it) hit = try_delete(*it);
      if (!hit && f.activation) hit = try_delete(Value::Object(f.activation));
      for (auto it = f.Scope().rbegin(); !hit && f.activation && it != f.Scope().rend(); ++it)
        hit = try_delete(Value::Object(*it));
      if (!hit && !f.activation) {
        if (MovieClip* t = FrameTarget(f)) hit = try_delete(ClipValue(t));
      }
      if (!hit) try_delete(Value::Object(realm_->global));
      Push(Value::Bool(done));
      break;
    }
    case 0x4E: {  // GetMember
      Value name = Pop();
      Value obj = Pop();
      Push(GetMember(obj, ToString(name)));
      break;
    }
    case 0x4F: {  // SetMember
      Value v = Pop();
      std::string name = ToString(Pop());
      Value obj = Pop();
      SetMember(obj, name, v);
      break;
    }
    case 0x43: {  // InitObject
      ScriptObject* o = realm_->NewObject();
      size_t n = ArgCount(ToNumber(Pop()));
      for (size_t i = 0; i < n && stack_.size() > f.stack_base; ++i) {
        Value v = Pop();
        std::string name = ToString(Pop());
        PutMember(o, name, v, Value::Object(o));
      }
      Push(Value::Object(o));
      break;
    }
    case 0x42: {  // InitArray
      double count = ToNumber(Pop());
      size_t n = ArgCount(count);
      // A count beyond the values on the stack makes no array: undefined, nothing taken.
      if (count > static_cast<double>(stack_.size() - std::min(stack_.size(), f.stack_base))) {
        Push(Value::Undefined());
        break;
      }
      std::vector<Value> items;
      for (size_t i = 0; i < n && stack_.size() > f.stack_base; ++i) items.push_back(Pop());
      Push(Value::Object(realm_->NewArray(std::move(items))));
      break;
    }
    case 0x3D: {  // CallFunction
      std::string name = ToString(Pop());
      std::vector<Value> args = pop_args();
      // A function found on a with object or a clip runs on it; otherwise a plain call runs on
      // the calling timeline (a function kept on _global and called from a loaded movie runs on
      // that movie's clip).
      Value self;
      Value fn;
      Value holder;
      std::string last;
      if (IsPlainName(name)) {
        bool found = false;
        fn = LookupName(f, name, found, &self);
      } else if (DotPath(f, name, holder, last, true)) {
        fn = GetMember(holder, last);
        self = holder;
      } else if (SplitVariablePath(f, name, holder, last) && !last.empty()) {
        self = holder;
        fn = GetMember(self, last);
      } else {
        fn = GetVariable(f, name);
      }
      if (self.IsUndefined()) self = ClipValue(FrameTarget(f));
      if (fn.type == Value::Type::Object && AsSuper(fn.object)) {
        // super(...) in a constructor: the superclass constructor on this object.
        Push(CallSuper(static_cast<SuperObject*>(fn.object), args));
        break;
      }
      Push(Call(fn, self, std::move(args)));
      break;
    }
    case 0x52: {  // CallMethod
      Value name_value = Pop();
      Value obj = Pop();
      std::vector<Value> args = pop_args();
      std::string name = name_value.IsUndefined() ? std::string() : ToString(name_value);
      if (name.empty()) {
        if (obj.type == Value::Type::Object && AsSuper(obj.object)) {
          Push(CallSuper(static_cast<SuperObject*>(obj.object), args));
        } else {
          // A primitive called is made an object first (never a function).
          Push(Call(WrapPrimitive(obj), Value::Undefined(), std::move(args)));
        }
        break;
      }
      Push(CallMember(obj, name, args));
      break;
    }
    case 0x40: {  // NewObject
      std::string name = ToString(Pop());
      std::vector<Value> args = pop_args();
      Push(Construct(GetVariable(f, name), std::move(args)));
      break;
    }
    case 0x53: {  // NewMethod
      Value name_value = Pop();
      Value obj = Pop();
      std::vector<Value> args = pop_args();
      std::string name = name_value.IsUndefined() ? std::string() : ToString(name_value);
      Value fn = name.empty() ? WrapPrimitive(obj) : GetMember(obj, name);
      Push(Construct(fn, std::move(args)));
      break;
    }
    case 0x9B:    // DefineFunction
    case 0x8E: {  // DefineFunction2
      FunctionObject* fn = MakeFunction(f, a.function);
      const std::string& name = a.function->name;
      if (name.empty()) {
        Push(Value::Object(fn));
      } else if (f.activation) {
        f.activation->Put(Key(name), name, Value::Object(fn));
      } else {
        SetVariable(f, name, Value::Object(fn));
      }
      break;
    }
    case 0x3E:  // Return
      f.result = Pop();
      f.returned = true;
      break;
    case 0x46:    // Enumerate
    case 0x55: {  // Enumerate2
      Value obj = a.op == 0x46 ? GetVariable(f, ToString(Pop())) : Pop();
      std::vector<std::string> names = EnumerableNames(obj);
      // The end of the names is marked by undefined (loops compare it loosely with null).
      Push(Value::Undefined());
      for (auto it = names.rbegin(); it != names.rend(); ++it) Push(Value::String(*it));
      break;
    }
    case 0x54: {  // InstanceOf
      Value ctor = Pop();
      Value obj = Pop();
      Push(Value::Bool(InstanceOfOperands(obj, ctor)));
      break;
    }
    case 0x2B: {  // CastOp: a primitive is coerced first
      Value obj = CoercedOperand(Pop());
      Value ctor = Pop();
      Push(InstanceOfOperands(obj, ctor) ? obj : Value::Null());
      break;
    }
    case 0x2C: {  // ImplementsOp
      Value ctor = Pop();
      size_t n = ArgCount(ToNumber(Pop()));
      std::vector<ScriptObject*> list;
      for (size_t i = 0; i < n && stack_.size() > f.stack_base; ++i) {
        Value v = Pop();
        if (IsFunction(v)) list.push_back(v.object);
      }
      ScriptObject* c = ObjectOf(ctor);
      if (c) {
        Value proto = GetMember(ctor, "prototype");
        if (proto.type == Value::Type::Object) proto.object->interfaces = std::move(list);
      }
      break;
    }
    case 0x69: {  // Extends
      Value super_class = Pop();
      Value sub_class = Pop();
      ScriptObject* sub = ObjectOf(sub_class);
      if (!sub || !IsFunction(super_class)) break;
      Value super_proto = GetMember(super_class, "prototype");
      ScriptObject* proto =
          realm_->NewObject(super_proto.type == Value::Type::Object ? super_proto.object : nullptr);
      if (super_proto.type != Value::Type::Object) proto->Remove(Key("__proto__"));
      proto->Put(Key("__constructor__"), "__constructor__", super_class, kDontEnum);
      if (version_ < 7) proto->Put(Key("constructor"), "constructor", super_class, kDontEnum);
      PutMember(sub, "prototype", Value::Object(proto), sub_class);
      break;
    }
    case 0x2A:  // Throw
      throw ScriptThrow{Pop()};
    case 0x8F: {  // Try
      Handler h;
      h.action = &a;
      f.handlers.push_back(h);
      break;
    }
    case 0x94: {  // With
      Value obj = Pop();
      size_t end = a.next + a.u1;
      // A primitive is boxed for the block's lookups.
      if (obj.type == Value::Type::String || obj.type == Value::Type::Number ||
          obj.type == Value::Type::Bool)
        obj = Value::Object(ToObject(obj));
      if (!ObjectOf(obj)) {
        next = end;  // with (undefined) skips its block
      } else if (f.withs.size() < 16) {
        f.withs.push_back(obj);
        f.with_ends.push_back(end);
      }
      break;
    }
    default: break;  // unknown actions are skipped by their length
  }
}

Value ActionRunner::CallMember(const Value& obj, const std::string& name,
                               std::vector<Value>& args) {
  // The prototype a method is found on decides where `super` starts inside it.
  ScriptObject* o = ObjectOf(obj);
  Value self = obj;
  if (o && AsSuper(o)) {
    auto* s = static_cast<SuperObject*>(o);
    bool found = false;
    Value fn = GetObjectMember(o, name, s->self, found);
    if (!IsFunction(fn)) return Value::Undefined();
    auto* f = static_cast<FunctionObject*>(fn.object);
    ScriptObject* h = s->Holder();
    ScriptObject* holder = h ? h->Proto() : nullptr;
    if (f->code) return CallScript(f, s->self, args, HolderOf(holder, name));
    return CallNative(f, s->self, args, false);
  }
  ScriptObject* holder = nullptr;
  Value fn;
  if ((obj.type == Value::Type::String || obj.type == Value::Type::Number ||
       obj.type == Value::Type::Bool) &&
      !PlainWrapperProto(obj)) {
    // A script replaced the primitive's class: the method runs on an object made through it.
    Value boxed = WrapPrimitive(obj);
    return boxed.type == Value::Type::Object ? CallMember(boxed, name, args) : Value::Undefined();
  }
  if (obj.type == Value::Type::Object) {
    bool found = false;
    fn = GetObjectMember(obj.object, name, obj, found, &holder);
  } else {
    fn = GetMember(obj, name);
  }
  if (!IsFunction(fn)) return Value::Undefined();
  auto* f = static_cast<FunctionObject*>(fn.object);
  if (!f->code) return CallNative(f, self, args, false);
  if (holder) {
  } else if (o) {
    holder = HolderOf(o, name);
  } else if (obj.type == Value::Type::String) {
    holder = realm_->string_proto;
  }
  return CallScript(f, self, args, holder);
}

// The object on `o`'s prototype chain that holds `name`.
ScriptObject* ActionRunner::HolderOf(ScriptObject* o, const std::string& name) {
  std::string key = Key(name);
  int guard = 0;
  for (ScriptObject* p = o; p && ++guard < 256; p = p->Proto())
    if (p->Find(key)) return p;
  return o;
}

Value ActionRunner::CallSuper(ScriptObject* super_object, std::vector<Value>& args) {
  auto* s = static_cast<SuperObject*>(super_object);
  ScriptObject* holder = s->Holder();
  if (!holder) return Value::Undefined();
  bool found = false;
  Value ctor = GetObjectMember(holder, "__constructor__", s->self, found);
  if (!IsFunction(ctor)) return Value::Undefined();
  auto* f = static_cast<FunctionObject*>(ctor.object);
  if (f->code) return CallScript(f, s->self, args, holder->Proto());
  // A built-in superclass constructs the subclass's object: it gets the built-in's own state.
  return CallNative(f, s->self, args, true, true);
}

void ActionRunner::SetTarget(Frame& f, const Value& v0, bool by_name) {
  // An object that is not a clip names its target by its text.
  Value v = v0;
  if (v.type == Value::Type::Object && v.object->kind != ScriptObject::Kind::Clip)
    v = Value::String(ToString(v));
  std::string path =
      v.type == Value::Type::Clip || v.type == Value::Type::Object ? std::string() : ToString(v);
  if (v.type != Value::Type::Clip && v.type != Value::Type::Object && path.empty()) {
    f.target_set = false;
    f.target_missing = false;
    f.target.reset();
    return;
  }
  f.target_set = true;
  f.target_missing = false;
  MovieClip* t = nullptr;
  if (v.type == Value::Type::Clip || v.type == Value::Type::Object) {
    t = ClipOf(v);
    // Up to version 6 a clip names its target by its path: of clips sharing a name, the path
    // finds the first.
    if (t && version_ < 7 && f.base && !f.base->removed) {
      if (MovieClip* by_path = ResolvePath(t->TargetPath(), f.base.get())) t = by_path;
    }
  } else if (f.base && !f.base->removed) {
    // A script whose clip was removed meanwhile can no longer reach other clips by path.
    t = ResolvePath(path, f.base.get());
    // From version 7 on, a path that names no clip makes the movie's root the target.
    if (!t && version_ >= 7) {
      f.target_missing = true;
      MovieClip* root = f.base.get();
      while (root->parent) root = root->parent;
      t = root;
    }
  }
  (void)by_name;
  f.target = t ? t->weak_from_this() : std::weak_ptr<DisplayObject>();
}

// The player writes an exception no script caught to its log, as text; a value whose own
// conversion throws again is reported without text.
void ActionRunner::ReportUncaught(const Value& v) {
  std::string text;
  try {
    text = ToString(v);
  } catch (const ScriptThrow&) {
  } catch (const ScriptAbort&) {
  }
  Trace(Value::String("Warning: Uncaught exception, " + text));
}

void ActionRunner::Trace(const Value& v) {
  std::string text = v.IsUndefined() ? "undefined" : ToString(v);
  // A carriage return prints as a line break.
  std::replace(text.begin(), text.end(), '\r', '\n');
  // A lone surrogate (the half of a cut pair) prints as the replacement character.
  if (version_ >= 6) text = scriptlib::ToWellFormedUtf8(text);
  player_.trace_log.push_back(text);
  if (player_.on_trace) player_.on_trace(text);
}

}  // namespace flash
