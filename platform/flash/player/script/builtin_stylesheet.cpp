// TextField.StyleSheet: styles by selector, set one at a time or read from CSS text (parseCSS,
// or a file through load), and transformed into TextFormat objects that text fields with this
// sheet apply to their HTML. A sheet keeps the styles as given in `_css` and their formats in
// `_styles`, both made by the first style set.
#include <algorithm>
#include <cmath>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/data_load.h"
#include "platform/flash/player/script/lib/number_text.h"
#include "platform/flash/player/script/style_sheet_object.h"
#include "platform/flash/player/script/text_format_object.h"

namespace flash {

namespace {

constexpr const char* kStyles = "_styles";
constexpr const char* kCss = "_css";

// The sheet's member `name`, made an empty object first when it is none.
Value Store(NativeCall& c, const char* name) {
  Value v = c.vm.GetMember(c.self, name);
  if (c.vm.ObjectOf(v)) return v;
  v = Value::Object(c.vm.realm().NewObject());
  c.vm.realm().Set(c.vm.ObjectOf(c.self), name, v);
  return v;
}

// A style as the sheet keeps and hands it out: a new object with the enumerable members of
// `v` (values shared, not copied), or null for anything but an object.
Value CopyStyle(ActionRunner& vm, const Value& v) {
  if (!v.IsObject()) return Value::Null();
  ScriptObject* copy = vm.realm().NewObject();
  for (const std::string& name : vm.EnumerableNames(v))
    vm.realm().Set(copy, name, vm.GetMember(v, name), 0);
  return Value::Object(copy);
}

// Keeps `style` (already a copy) under `name` with the format this.transform makes of it.
void Keep(NativeCall& c, const std::string& name, const Value& style) {
  c.vm.SetMember(Store(c, kCss), name, style);
  Value styles = Store(c, kStyles);
  Value format = c.vm.Call(c.vm.GetMember(c.self, "transform"), c.self, {style});
  c.vm.SetMember(styles, name, format);
}

Value SetStyle(NativeCall& c) {
  if (!c.vm.ObjectOf(c.self)) return Value::Undefined();
  Keep(c, c.vm.ToString(c.Arg(0)), CopyStyle(c.vm, c.Arg(1)));
  return Value::Undefined();
}

Value GetStyle(NativeCall& c) {
  Value css = c.vm.GetMember(c.self, kCss);
  if (!c.vm.ObjectOf(css)) return Value::Null();
  return CopyStyle(c.vm, c.vm.GetMember(css, c.vm.ToString(c.Arg(0))));
}

Value GetStyleNames(NativeCall& c) {
  Value css = c.vm.GetMember(c.self, kCss);
  std::vector<Value> names;
  if (c.vm.ObjectOf(css))
    for (std::string& name : c.vm.EnumerableNames(css)) names.push_back(Value::String(name));
  return Value::Object(c.vm.realm().NewArray(std::move(names)));
}

Value Clear(NativeCall& c) {
  ScriptObject* self = c.vm.ObjectOf(c.self);
  if (!self) return Value::Undefined();
  c.vm.realm().Set(self, kCss, Value::Object(c.vm.realm().NewObject()));
  c.vm.realm().Set(self, kStyles, Value::Object(c.vm.realm().NewObject()));
  return Value::Undefined();
}

// parseCSS(text): true and each block kept as a style (replacing one of the same selector),
// or false and nothing changed when the text is malformed.
Value ParseCss(NativeCall& c) {
  if (!c.vm.ObjectOf(c.self)) return Value::Bool(false);
  auto rules = text::ParseCss(c.vm.ToString(c.Arg(0)));
  if (!rules) return Value::Bool(false);
  for (const text::CssRule& rule : *rules) {
    ScriptObject* style = c.vm.realm().NewObject();
    for (const auto& [name, value] : rule.declarations)
      c.vm.realm().Set(style, text::CssMemberName(name), Value::String(value), 0);
    Keep(c, rule.selector, Value::Object(style));
  }
  return Value::Bool(true);
}

double ParseInt(ActionRunner& vm, const Value& v) {
  return scriptlib::ParseInt(vm.ToString(v), std::nullopt);
}

bool IsString(const Value& v, const char* s) {
  return v.type == Value::Type::String && v.string == s;
}

// transform(style): the TextFormat a style stands for (null for none). Numbers are read as
// parseInt reads them, from any member that converts to true; a font family list loses the
// blanks before each name and its empty names; colours are "#RRGGBB" exactly; the keywords
// (font style and weight, text decoration, display) match exactly, the alignment in any case.
Value Transform(NativeCall& c) {
  const Value& style = c.Arg(0);
  if (style.IsNullish()) return Value::Null();
  ActionRunner& vm = c.vm;
  ScriptObject* tf = NewTextFormatObject(vm, {});
  Value out = Value::Object(tf);
  auto member = [&](const char* name) { return vm.GetMember(style, name); };
  auto set = [&](const char* name, Value v) { PutTextFormatMember(vm, tf, name, std::move(v)); };

  Value v = member("color");
  if (v.type == Value::Type::String) {
    std::string s = vm.ToString(v);
    if (s.size() == 7 && s[0] == '#' &&
        s.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos)
      set("color", Value::Number(static_cast<double>(std::stoul(s.substr(1), nullptr, 16))));
  }
  v = member("display");
  set("display", Value::String(IsString(v, "inline") ? "inline"
                               : IsString(v, "none") ? "none"
                                                     : "block"));
  if (v = member("fontFamily"); vm.ToBool(v)) {
    std::string list = vm.ToString(v), fonts;
    for (size_t i = 0; i <= list.size();) {
      size_t end = std::min(list.find(',', i), list.size());
      size_t start = list.find_first_not_of(" \t\r\n", i);
      if (start != std::string::npos && start < end)
        fonts += (fonts.empty() ? "" : ",") + list.substr(start, end - start);
      i = end + 1;
    }
    set("font", Value::String(fonts));
  }
  if (v = member("fontSize"); vm.ToBool(v)) {
    double n = ParseInt(vm, v);
    if (n > 0) set("size", Value::Number(n));
  }
  v = member("fontStyle");
  if (IsString(v, "italic") || IsString(v, "normal")) set("italic", Value::Bool(IsString(v, "italic")));
  v = member("fontWeight");
  if (IsString(v, "bold") || IsString(v, "normal")) set("bold", Value::Bool(IsString(v, "bold")));
  v = member("kerning");
  double k = IsString(v, "true") ? 1 : ParseInt(vm, v);
  set("kerning", Value::Bool(k != 0 && !std::isnan(k)));
  // Members read as whole numbers: leading and indent read 0 for what is not a number, the
  // margins for that and for negative numbers, while letter spacing keeps NaN.
  struct Whole {
    const char* css;
    const char* format;
    bool margin, keep_nan;
  };
  for (const Whole& w : {Whole{"leading", "leading", false, false},
                         Whole{"letterSpacing", "letterSpacing", false, true},
                         Whole{"marginLeft", "leftMargin", true, false},
                         Whole{"marginRight", "rightMargin", true, false},
                         Whole{"textIndent", "indent", false, false}}) {
    v = member(w.css);
    if (!vm.ToBool(v)) continue;
    double n = ParseInt(vm, v);
    if (std::isnan(n) && !w.keep_nan) n = 0;
    if (w.margin) n = std::max(0.0, n);
    set(w.format, Value::Number(n == 0 ? 0 : n));  // no negative zero
  }
  v = member("textAlign");
  if (!v.IsNullish()) {
    std::string a = vm.ToString(v);
    std::transform(a.begin(), a.end(), a.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (a == "left" || a == "center" || a == "right" || a == "justify")
      set("align", Value::String(a));
  }
  v = member("textDecoration");
  if (IsString(v, "underline") || IsString(v, "none"))
    set("underline", Value::Bool(IsString(v, "underline")));
  return out;
}

Value Nothing(NativeCall&) { return Value::Undefined(); }
// A subclass constructor's super() hands back the object it made a style sheet.
Value Construct(NativeCall& c) { return c.on_existing ? c.self : Value::Undefined(); }

}  // namespace

text::StyleMap StylesOf(ActionRunner& vm, const Value& sheet) {
  text::StyleMap map;
  Value styles = vm.ObjectOf(sheet) ? vm.GetMember(sheet, kStyles) : Value::Undefined();
  if (!vm.ObjectOf(styles)) return map;
  for (const std::string& name : vm.EnumerableNames(styles)) {
    ScriptObject* format = vm.ObjectOf(vm.GetMember(styles, name));
    if (!format) continue;
    text::ElementStyle& s = map[name];
    s.members = ApplyTextFormat(vm, format, s.format);
    std::string display = vm.ToString(vm.GetMember(Value::Object(format), "display"));
    s.display = display == "inline" ? text::Display::kInline
                : display == "none" ? text::Display::kNone
                                    : text::Display::kBlock;
  }
  return map;
}

void InstallStyleSheet(Realm& realm) {
  const Property* field_class = realm.global->Find(realm.heap.Key("TextField"));
  if (!field_class || !field_class->value.IsObject()) return;
  FunctionObject* ctor = realm.NewNative(Nothing);
  ctor->construct = Construct;
  ScriptObject* proto = realm.NewObject();
  realm.LinkPrototype(ctor, proto);
  // Movies before version 7 have no style sheets.
  realm.Set(field_class->value.object, "StyleSheet", Value::Object(ctor),
            kDontEnum | kHiddenBefore7);
  InstallLoadMethod(realm, proto, DataFormat::kStyleSheet);
  realm.Method(proto, "setStyle", SetStyle);
  realm.Method(proto, "getStyle", GetStyle);
  realm.Method(proto, "getStyleNames", GetStyleNames);
  realm.Method(proto, "clear", Clear);
  realm.Method(proto, "transform", Transform);
  realm.Method(proto, "parseCSS", ParseCss);
  realm.Method(proto, "parse", ParseCss);
  // The methods can be replaced on a sheet but neither deleted nor changed on the prototype.
  for (const char* name :
       {"setStyle", "getStyle", "getStyleNames", "clear", "transform", "parseCSS", "parse", "load"})
    proto->Find(realm.heap.Key(name))->flags |= kDontDelete | kReadOnly;
}

}  // namespace flash
