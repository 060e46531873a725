// TextFormat: the constructor, the members of a format and getTextExtent.
#include <algorithm>
#include <cmath>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"
#include "platform/flash/player/script/text_format_object.h"

namespace flash {

namespace {

using namespace text;  // the members of a format (FormatMember)

constexpr const char* kNames[kFormatMemberCount] = {
    "font",    "size",        "color",  "bold",       "italic",        "underline",
    "url",     "target",      "align",  "leftMargin", "rightMargin",   "indent",
    "leading", "blockIndent", "bullet", "tabStops",   "letterSpacing", "kerning"};

const char* AlignName(TextAlign a) {
  switch (a) {
    case TextAlign::Right: return "right";
    case TextAlign::Center: return "center";
    case TextAlign::Justify: return "justify";
    default: return "left";
  }
}

Value Read(ActionRunner& vm, const TextFormat& f, int field) {
  switch (field) {
    case kFormatFont: return Value::String(f.font);
    case kFormatSize: return Value::Number(f.size);
    case kFormatColor: return Value::Number((f.color.r << 16) | (f.color.g << 8) | f.color.b);
    case kFormatBold: return Value::Bool(f.bold);
    case kFormatItalic: return Value::Bool(f.italic);
    case kFormatUnderline: return Value::Bool(f.underline);
    case kFormatUrl: return Value::String(f.url);
    case kFormatTarget: return Value::String(f.target);
    case kFormatAlign: return Value::String(AlignName(f.align));
    case kFormatLeftMargin: return Value::Number(f.left_margin);
    case kFormatRightMargin: return Value::Number(f.right_margin);
    case kFormatIndent: return Value::Number(f.indent);
    case kFormatLeading: return Value::Number(f.leading);
    case kFormatBlockIndent: return Value::Number(f.block_indent);
    case kFormatBullet: return Value::Bool(f.bullet);
    case kFormatTabStops: {
      std::vector<Value> stops;
      for (double s : f.tab_stops) stops.push_back(Value::Number(s));
      return Value::Object(vm.realm().NewArray(std::move(stops)));
    }
    case kFormatLetterSpacing: return Value::Number(f.letter_spacing);
    case kFormatKerning: return Value::Bool(f.kerning);
  }
  return Value::Null();
}

bool Same(const TextFormat& a, const TextFormat& b, int field) {
  switch (field) {
    case kFormatFont: return a.font == b.font;
    case kFormatSize: return a.size == b.size;
    case kFormatColor: return a.color == b.color;
    case kFormatBold: return a.bold == b.bold;
    case kFormatItalic: return a.italic == b.italic;
    case kFormatUnderline: return a.underline == b.underline;
    case kFormatUrl: return a.url == b.url;
    case kFormatTarget: return a.target == b.target;
    case kFormatAlign: return a.align == b.align;
    case kFormatLeftMargin: return a.left_margin == b.left_margin;
    case kFormatRightMargin: return a.right_margin == b.right_margin;
    case kFormatIndent: return a.indent == b.indent;
    case kFormatLeading: return a.leading == b.leading;
    case kFormatBlockIndent: return a.block_indent == b.block_indent;
    case kFormatBullet: return a.bullet == b.bullet;
    case kFormatTabStops: return a.tab_stops == b.tab_stops;
    case kFormatLetterSpacing: return a.letter_spacing == b.letter_spacing;
    case kFormatKerning: return a.kerning == b.kerning;
  }
  return false;
}

// Sizes and margins are whole pixels; a value that is not a number leaves the format alone.
bool Pixels(ActionRunner& vm, const Value& v, double& out, bool whole = true) {
  double d = vm.ToNumber(v);
  if (!std::isfinite(d)) return false;
  out = whole ? std::trunc(d) : d;
  return true;
}

void Write(ActionRunner& vm, const Value& v, TextFormat& f, int field) {
  switch (field) {
    case kFormatFont: f.font = vm.ToString(v); break;
    case kFormatSize: Pixels(vm, v, f.size); break;
    case kFormatColor: {
      uint32_t n = static_cast<uint32_t>(vm.ToInt32(v));
      f.color = Rgba{static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                     static_cast<uint8_t>(n), 255};
      break;
    }
    case kFormatBold: f.bold = vm.ToBool(v); break;
    case kFormatItalic: f.italic = vm.ToBool(v); break;
    case kFormatUnderline: f.underline = vm.ToBool(v); break;
    case kFormatUrl: f.url = vm.ToString(v); break;
    case kFormatTarget: f.target = vm.ToString(v); break;
    case kFormatAlign: {
      std::string s = vm.ToString(v);
      if (s == "left")
        f.align = TextAlign::Left;
      else if (s == "right")
        f.align = TextAlign::Right;
      else if (s == "center")
        f.align = TextAlign::Center;
      else if (s == "justify")
        f.align = TextAlign::Justify;
      break;
    }
    case kFormatLeftMargin:
      if (Pixels(vm, v, f.left_margin)) f.left_margin = std::max(0.0, f.left_margin);
      break;
    case kFormatRightMargin:
      if (Pixels(vm, v, f.right_margin)) f.right_margin = std::max(0.0, f.right_margin);
      break;
    case kFormatIndent: Pixels(vm, v, f.indent); break;
    case kFormatLeading: Pixels(vm, v, f.leading); break;
    case kFormatBlockIndent: Pixels(vm, v, f.block_indent); break;
    case kFormatBullet: f.bullet = vm.ToBool(v); break;
    case kFormatTabStops: {
      ScriptObject* o = vm.ObjectOf(v);
      if (!o || o->kind != ScriptObject::Kind::Array) break;
      f.tab_stops.clear();
      for (const Value& s : static_cast<ArrayObject*>(o)->items) {
        double d = vm.ToNumber(s);
        if (std::isfinite(d)) f.tab_stops.push_back(std::trunc(d));
      }
      break;
    }
    case kFormatLetterSpacing: Pixels(vm, v, f.letter_spacing, false); break;
    case kFormatKerning: f.kerning = vm.ToBool(v); break;
  }
}

ScriptObject* TextFormatProto(ActionRunner& vm) {
  Value ctor = vm.GetMember(Value::Object(vm.realm().global), "TextFormat");
  Value proto = vm.GetMember(ctor, "prototype");
  return proto.IsObject() ? proto.object : nullptr;
}

// A member as a format object holds it, from a value a script gives: null stays null, strings
// and flags convert, and the whole-number members are cut to signed 32-bit integers (the colour
// reads back as the unsigned number of those bits). Assignments keep margins, indents and
// leading at 0 or more and ignore an alignment that is not one, where the constructor keeps
// negative numbers and gives null for a bad alignment. Letter spacing keeps its fraction; tab
// stops are kept as given.
Value Converted(ActionRunner& vm, const Value& v, int field, bool assigned, const Value& old) {
  if (field == kFormatAlign) {
    std::string s = v.IsNullish() ? std::string() : vm.ToString(v);
    if (s == "left" || s == "right" || s == "center" || s == "justify") return Value::String(s);
    return assigned ? old : Value::Null();
  }
  if (v.IsNullish()) return Value::Null();
  switch (field) {
    case kFormatFont:
    case kFormatUrl:
    case kFormatTarget: return Value::String(vm.ToString(v));
    case kFormatBold:
    case kFormatItalic:
    case kFormatUnderline:
    case kFormatBullet:
    case kFormatKerning: return Value::Bool(vm.ToBool(v));
    case kFormatColor: return Value::Number(static_cast<uint32_t>(vm.ToInt32(v)));
    case kFormatSize: return Value::Number(vm.ToInt32(v));
    case kFormatLeftMargin:
    case kFormatRightMargin:
    case kFormatIndent:
    case kFormatLeading:
    case kFormatBlockIndent: {
      int32_t n = vm.ToInt32(v);
      return Value::Number(assigned ? std::max(0, n) : n);
    }
    case kFormatLetterSpacing: return Value::Number(vm.ToNumber(v));
    default: return v;
  }
}

// The members live in a hidden object of the format, behind accessors that convert what is
// assigned; they stay enumerable own members, in their order. An object made by a subclass's
// constructor gets the same.
constexpr const char* kStore = "__format";
constexpr const char* kAccessors = "__formatAccessors";

ScriptObject* Store(ActionRunner& vm, ScriptObject* self) {
  const std::string key = vm.heap().Key(kStore);
  int guard = 0;
  for (ScriptObject* o = self; o && ++guard < 256; o = o->Proto())
    if (const Property* p = o->Find(key); p && p->value.IsObject()) return p->value.object;
  return nullptr;
}

Value GetMember(NativeCall& c) {
  ScriptObject* store = c.This() ? Store(c.vm, c.This()) : nullptr;
  const Property* p = store ? store->Find(c.vm.heap().Key(kNames[static_cast<FunctionObject*>(c.callee)->native_tag])) : nullptr;
  return p ? p->value : Value::Null();
}

Value SetMember(NativeCall& c) {
  ScriptObject* store = c.This() ? Store(c.vm, c.This()) : nullptr;
  if (!store) return Value::Undefined();
  const int field = static_cast<FunctionObject*>(c.callee)->native_tag;
  const std::string key = c.vm.heap().Key(kNames[field]);
  const Property* p = store->Find(key);
  Value old = p ? p->value : Value::Null();
  store->Put(key, kNames[field], Converted(c.vm, c.Arg(0), field, true, old));
  return Value::Undefined();
}

// The getter and setter of every member, made once and kept hidden on the constructor.
ArrayObject* Accessors(ActionRunner& vm) {
  Realm& realm = vm.realm();
  Value ctor = vm.GetMember(Value::Object(realm.global), "TextFormat");
  ScriptObject* holder = vm.ObjectOf(ctor);
  if (holder)
    if (const Property* p = holder->Find(vm.heap().Key(kAccessors)); p && p->value.IsObject())
      return static_cast<ArrayObject*>(p->value.object);
  std::vector<Value> fns;
  for (int i = 0; i < kFormatMemberCount; ++i) {
    fns.push_back(Value::Object(realm.NewNative(GetMember, i)));
    fns.push_back(Value::Object(realm.NewNative(SetMember, i)));
  }
  ArrayObject* made = realm.NewArray(std::move(fns));
  if (holder) realm.Set(holder, kAccessors, Value::Object(made));
  return made;
}

// Gives `self` its members, each set to the value at `values` (null where missing).
void InstallMembers(ActionRunner& vm, ScriptObject* self, const std::vector<Value>& values) {
  ArrayObject* fns = Accessors(vm);
  ScriptObject* store = vm.realm().NewObject();
  vm.realm().Set(self, kStore, Value::Object(store));
  for (int i = 0; i < kFormatMemberCount; ++i) {
    const size_t at = static_cast<size_t>(i);
    store->Put(vm.heap().Key(kNames[i]), kNames[i], at < values.size() ? values[at] : Value::Null());
    Property& p = self->Put(vm.heap().Key(kNames[i]), kNames[i], Value::Undefined(), 0);
    p.accessor = true;
    p.getter = fns->items[2 * at].object;
    p.setter = fns->items[2 * at + 1].object;
  }
}

// new TextFormat(font, size, color, bold, italic, underline, url, target, align, leftMargin,
// rightMargin, indent, leading): every member null unless given.
Value Construct(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self) return Value::Undefined();
  std::vector<Value> values;
  for (int i = 0; i <= kFormatLeading; ++i)
    values.push_back(Converted(c.vm, c.Arg(static_cast<size_t>(i)), i, false, Value::Null()));
  InstallMembers(c.vm, self, values);
  // A subclass constructor's super(...) hands back the object it made a text format.
  return c.on_existing ? c.self : Value::Undefined();
}

// getTextExtent(text[, width]): the size of the text in this format on one line per paragraph
// (wrapped to `width` when given), and of the field that would just hold it.
Value GetTextExtent(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self) return Value::Undefined();
  TextFormat f;
  ApplyTextFormat(c.vm, self, f);
  std::string str = c.vm.ToString(c.Arg(0));
  text::TextField measure;
  text::TextExtent e = measure.Extent(str, f);
  double field_width = e.width + 2 * text::kGutter;
  if (!c.Arg(1).IsUndefined()) {
    double w = c.vm.ToNumber(c.Arg(1));
    if (std::isfinite(w) && w > 0) {
      // Wrapped to a field of that width.
      measure.multiline = true;
      measure.options.word_wrap = true;
      measure.options.box.width = std::min(w, 1e6);
      measure.default_format = f;
      measure.SetText(str);
      measure.Changed();
      const text::TextLayout& l = measure.Layout();
      e.width = l.text_width;
      e.height = l.text_height;
      field_width = measure.options.box.width;
    }
  }
  // A bare record: it has no prototype, so it has no methods either.
  ScriptObject* r = c.vm.heap().New<ScriptObject>();
  auto put = [&](const char* name, double v) { c.vm.realm().Set(r, name, Value::Number(v), 0); };
  put("ascent", e.ascent);
  put("descent", e.descent);
  put("width", e.width);
  put("height", e.height);
  put("textFieldHeight", e.height + 2 * text::kGutter);
  put("textFieldWidth", field_width);
  return Value::Object(r);
}

// display: how a style sheet's element lays out, "inline", "block" or "none"; any other value
// reads back as "block", the default. Kept in a hidden member of the format.
constexpr const char* kDisplayStore = "__display";

Value GetDisplay(NativeCall& c) {
  ScriptObject* self = c.This();
  const Property* p = self ? self->Find(c.vm.heap().Key(kDisplayStore)) : nullptr;
  return p && p->value.type == Value::Type::String ? p->value : Value::String("block");
}

Value SetDisplay(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self) return Value::Undefined();
  const Value& v = c.Arg(0);
  std::string s = v.type == Value::Type::String ? c.vm.ToString(v) : std::string();
  if (s != "inline" && s != "none") s = "block";
  c.vm.realm().Set(self, kDisplayStore, Value::String(s));
  return Value::Undefined();
}

}  // namespace

ScriptObject* NewTextFormatObject(ActionRunner& vm, const std::vector<const TextFormat*>& formats) {
  ScriptObject* o = vm.realm().NewObject(TextFormatProto(vm));
  std::vector<Value> values;
  for (int i = 0; i < kFormatMemberCount; ++i) {
    bool same = !formats.empty();
    for (size_t k = 1; same && k < formats.size(); ++k) same = Same(*formats[0], *formats[k], i);
    values.push_back(same ? Read(vm, *formats[0], i) : Value::Null());
  }
  InstallMembers(vm, o, values);
  return o;
}

void PutTextFormatMember(ActionRunner& vm, ScriptObject* format, const char* name, Value v) {
  const std::string key = vm.heap().Key(name);
  ScriptObject* store = Store(vm, format);
  if (store && store->Find(key)) {
    store->Put(key, name, std::move(v));
    return;
  }
  vm.SetMember(Value::Object(format), name, v);
}

uint32_t ApplyTextFormat(ActionRunner& vm, ScriptObject* from, TextFormat& to) {
  uint32_t members = 0;
  for (int i = 0; i < kFormatMemberCount; ++i) {
    Value v = vm.GetMember(Value::Object(from), kNames[i]);
    if (v.IsNullish()) continue;
    Write(vm, v, to, i);
    members |= 1u << i;
  }
  return members;
}

void InstallTextFormat(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  realm.Class("TextFormat", Construct, nullptr, proto);
  realm.Method(proto, "getTextExtent", GetTextExtent);
  NativeAccessor(realm, proto, "display", GetDisplay, SetDisplay);
}

}  // namespace flash
