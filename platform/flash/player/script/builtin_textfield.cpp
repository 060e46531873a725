// TextField: the script side of text fields on the display list (their text, settings, formats
// and place), MovieClip.createTextField, and fields bound to variables.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/clip_transform.h"
#include "platform/flash/player/script/filter_objects.h"
#include "platform/flash/player/script/native_members.h"
#include "platform/flash/player/script/style_sheet_object.h"
#include "platform/flash/player/script/text_format_object.h"

namespace flash {

namespace {

enum Member {
  kText,
  kHtmlText,
  kHtml,
  kTextColor,
  kBackground,
  kBackgroundColor,
  kBorder,
  kBorderColor,
  kMultiline,
  kWordWrap,
  kAutoSize,
  kTextWidth,
  kTextHeight,
  kX,
  kY,
  kWidth,
  kHeight,
  kVisible,
  kAlpha,
  kName,
  kXScale,
  kYScale,
  kRotation,
  kLength,
  kMaxChars,
  kScroll,
  kMaxScroll,
  kBottomScroll,
  kHScroll,
  kMaxHScroll,
  kVariable,
  kType,
  kSelectable,
  kPassword,
  kEmbedFonts,
  kParent,
  kTarget,
  kTabIndex,
  kStyleSheet,
  kMouseWheelEnabled,
  kCondenseWhite,
  kRestrict,
  kFilters,
  kSharpness,
  kThickness,
  kAntiAliasType,
  kGridFitType
};

TextFieldObject* FieldOf(const Value& v) {
  if (v.type != Value::Type::Object || !v.object) return nullptr;
  auto* o = dynamic_cast<FieldObject*>(v.object);
  if (!o) return nullptr;
  auto d = o->field.lock();
  if (!d || d->removed || d->type != DisplayObject::Type::EditText) return nullptr;
  return static_cast<TextFieldObject*>(d.get());
}

Value Color(const Rgba& c) { return Value::Number((c.r << 16) | (c.g << 8) | c.b); }
Rgba ColorOf(NativeCall& c, const Value& v) {
  uint32_t n = static_cast<uint32_t>(c.vm.ToInt32(v));
  return Rgba{static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n),
              255};
}

// The clip and the variable name a field's `variable` path names, relative to the field's parent:
// "name", "a.b.name", "/a/b:name", "_root.name"; the holder is a clip, or a script object when
// a dotted path leads through one ("obj.name"). Undefined when the path leads nowhere.
// A field inside a button's state belongs to the clip that holds the button.
Value VariableHolder(ActionRunner& vm, TextFieldObject& f, std::string& name) {
  const std::string& path = f.field.variable;
  MovieClip* parent = f.parent;
  while (parent && parent->type == DisplayObject::Type::Button) parent = parent->parent;
  if (!parent) return Value::Undefined();
  size_t split = path.rfind(':');
  if (split == std::string::npos) split = path.rfind('.');
  if (split == std::string::npos) {
    name = path;
    return vm.ClipValue(parent);
  }
  name = path.substr(split + 1);
  std::string clip_path = path.substr(0, split);
  if (clip_path.empty()) return vm.ClipValue(parent->Root());
  if (MovieClip* clip = vm.ResolvePath(clip_path, parent)) return vm.ClipValue(clip);
  if (path[split] != '.' || clip_path.find_first_of("/:") != std::string::npos)
    return Value::Undefined();
  Value holder = vm.ClipValue(parent);
  for (size_t i = 0; i <= clip_path.size();) {
    size_t dot = std::min(clip_path.find('.', i), clip_path.size());
    holder = vm.GetMember(holder, clip_path.substr(i, dot - i));
    if (!vm.ObjectOf(holder)) return Value::Undefined();
    i = dot + 1;
  }
  return holder;
}

void SetBoundVariable(ActionRunner& vm, TextFieldObject& f, const std::string& text) {
  if (f.field.variable.empty()) return;
  std::string name;
  Value holder = VariableHolder(vm, f, name);
  if (!holder.IsUndefined() && !name.empty()) vm.SetMember(holder, name, Value::String(text));
}

// Sets a field's HTML text in the styles of its style sheet as it is now.
void SetHtml(ActionRunner& vm, TextFieldObject& f, const std::string& html) {
  f.field.styles = StylesOf(vm, f.object ? f.object->style_sheet : Value::Undefined());
  f.field.SetHtmlText(html);
}

// How far the text may scroll to the left: what the widest line needs beyond the box.
double MaxHScroll(const text::TextField& t) {
  const auto& l = t.Layout();
  return std::max(0.0, std::floor(l.text_width + 2 * text::kGutter - l.box.width));
}

// How far auto size has moved the field's box to the left or right of where its tag put it, in
// whole twips: _x reports where the box now starts.
double AutoSizeShift(const TextFieldObject& f) {
  const double tag_x = f.character ? static_cast<const EditTextDef&>(*f.character).bounds.xmin
                                   : f.field.options.box.x * 20;
  return std::round(f.field.Layout().box.x * 20 - tag_x);
}

constexpr const char* kGridFitNames[] = {"none", "pixel", "subpixel"};

std::string AutoSizeName(text::AutoSize a) {
  switch (a) {
    case text::AutoSize::Left: return "left";
    case text::AutoSize::Center: return "center";
    case text::AutoSize::Right: return "right";
    default: return "none";
  }
}

Value Get(NativeCall& c) {
  int tag = c.callee ? static_cast<FunctionObject*>(c.callee)->native_tag : -1;
  if (tag == kTabIndex) {
    auto* o = c.self.IsObject() ? dynamic_cast<FieldObject*>(c.self.object) : nullptr;
    return o ? TabIndexValue(o->tab_index) : Value::Undefined();
  }
  TextFieldObject* f = FieldOf(c.self);
  if (!f) return Value::Undefined();
  text::TextField& t = f->field;
  if (tag == kStyleSheet) return f->object ? f->object->style_sheet : Value::Undefined();
  if (tag == kFilters) return FilterListValue(c.vm, f->filters);
  if (tag == kText || tag == kHtmlText || tag == kLength) c.vm.player().SyncBoundField(f);
  const Matrix& m = f->matrix;
  double sx = std::sqrt(m.a * m.a + m.b * m.b), sy = std::sqrt(m.c * m.c + m.d * m.d);
  switch (tag) {
    case kText: return Value::String(t.Text());
    case kHtmlText: return Value::String(t.html ? t.HtmlText() : t.Text());
    case kHtml: return Value::Bool(t.html);
    case kTextColor: return Color(t.default_format.color);
    case kBackground: return Value::Bool(t.background);
    case kBackgroundColor: return Color(t.background_color);
    case kBorder: return Value::Bool(t.border);
    case kBorderColor: return Color(t.border_color);
    case kMultiline: return Value::Bool(t.multiline);
    case kWordWrap: return Value::Bool(t.options.word_wrap);
    case kAutoSize: return Value::String(AutoSizeName(t.options.auto_size));
    // Whole pixels, as the player reports the measures of its text.
    case kTextWidth: return Value::Number(std::floor(t.Layout().text_width));
    case kTextHeight: return Value::Number(std::floor(t.Layout().text_height));
    case kX: return Value::Number((m.tx + AutoSizeShift(*f)) / 20.0);
    case kY: return Value::Number(m.ty / 20.0);
    // The size of the box as the parent sees it: a turned box takes the room of its corners.
    case kWidth: return Value::Number(ParentSize(*f, true));
    case kHeight: return Value::Number(ParentSize(*f, false));
    case kVisible: return Value::Bool(f->visible);
    case kAlpha: return Value::Number(f->color_transform.a_mult / 256.0 * 100.0);
    case kName: return Value::String(f->name);
    case kXScale: return Value::Number(sx * 100);
    case kYScale: return Value::Number(sy * 100);
    case kRotation: return Value::Number(ScaleRotationOf(*f).rotation);
    case kLength: return Value::Number(static_cast<double>(t.Length()));
    case kMaxChars: return t.max_chars > 0 ? Value::Number(t.max_chars) : Value::Null();
    case kScroll: return Value::Number(t.scroll);
    case kMaxScroll: return Value::Number(t.MaxScroll());
    case kBottomScroll: return Value::Number(t.BottomScroll());
    case kHScroll: return Value::Number(t.hscroll);
    case kMaxHScroll: return Value::Number(MaxHScroll(t));
    case kVariable: return t.variable.empty() ? Value::Null() : Value::String(t.variable);
    case kType: return Value::String(t.read_only ? "dynamic" : "input");
    case kSelectable: return Value::Bool(t.selectable);
    case kPassword: return Value::Bool(t.options.password);
    case kEmbedFonts: return Value::Bool(t.embed_fonts);
    case kParent: return c.vm.ClipValue(f->parent);
    case kTarget: return Value::String(f->SlashPath());
    case kMouseWheelEnabled: return Value::Bool(t.mouse_wheel_enabled);
    case kCondenseWhite: return Value::Bool(t.condense_white);
    case kRestrict: return t.has_restrict ? Value::String(t.restrict) : Value::Null();
    case kSharpness: return Value::Number(t.sharpness);
    case kThickness: return Value::Number(t.thickness);
    case kAntiAliasType: return Value::String(t.advanced_anti_alias ? "advanced" : "normal");
    case kGridFitType: return Value::String(kGridFitNames[std::clamp(t.grid_fit, 0, 2)]);
  }
  return Value::Undefined();
}

Value Set(NativeCall& c) {
  if (static_cast<FunctionObject*>(c.callee)->native_tag == kTabIndex) {
    if (auto* o = c.self.IsObject() ? dynamic_cast<FieldObject*>(c.self.object) : nullptr)
      o->tab_index = TabIndexOf(c.vm, c.Arg(0), true);
    return Value::Undefined();
  }
  TextFieldObject* f = FieldOf(c.self);
  if (!f) return Value::Undefined();
  text::TextField& t = f->field;
  Matrix& m = f->matrix;
  const Value& v = c.Arg(0);
  auto number = [&](double& out) {
    double d = c.vm.ToNumber(v);
    if (std::isfinite(d)) out = d;
    return std::isfinite(d);
  };
  double d = 0;
  switch (static_cast<FunctionObject*>(c.callee)->native_tag) {
    case kText:
      t.SetText(c.vm.ToString(v));
      SetBoundVariable(c.vm, *f, t.Text());
      break;
    case kHtmlText:
      if (t.html)
        SetHtml(c.vm, *f, c.vm.ToString(v));
      else
        t.SetText(c.vm.ToString(v));
      SetBoundVariable(c.vm, *f, t.html ? t.HtmlText() : t.Text());
      break;
    case kHtml: t.html = c.vm.ToBool(v); break;
    case kTextColor: {
      Rgba col = ColorOf(c, v);
      t.default_format.color = col;
      t.ChangeFormat(0, t.Length(), [&](text::TextFormat& tf) { tf.color = col; });
      break;
    }
    case kBackground: t.background = c.vm.ToBool(v); break;
    case kBackgroundColor: t.background_color = ColorOf(c, v); break;
    case kBorder: t.border = c.vm.ToBool(v); break;
    case kBorderColor: t.border_color = ColorOf(c, v); break;
    case kMultiline: t.multiline = c.vm.ToBool(v); break;
    case kWordWrap: t.options.word_wrap = c.vm.ToBool(v); break;
    case kAutoSize: {
      text::AutoSize a = text::AutoSize::None;
      if (v.type == Value::Type::Bool) {
        a = v.boolean ? text::AutoSize::Left : text::AutoSize::None;
      } else {
        std::string s = c.vm.ToString(v);
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        if (s == "left")
          a = text::AutoSize::Left;
        else if (s == "center")
          a = text::AutoSize::Center;
        else if (s == "right")
          a = text::AutoSize::Right;
      }
      t.options.auto_size = a;
      break;
    }
    case kX:
      if (number(d)) m.tx = std::round(d * 20) - AutoSizeShift(*f);
      break;
    case kY:
      if (number(d)) m.ty = std::round(d * 20);
      break;
    case kWidth:
      if (!number(d) || d < 0) break;
      // A box auto size has moved keeps its place: the new width is measured from where the box
      // starts now, and auto size moves it from there.
      if (t.options.auto_size != text::AutoSize::None) t.options.box.x = t.Layout().box.x;
      t.options.box.width = d;
      break;
    case kHeight:
      if (number(d) && d >= 0) t.options.box.height = d;
      break;
    case kVisible:
      f->visible = c.vm.ToBool(v);
      c.vm.player().HiddenLosesFocus(f);
      break;
    case kAlpha:
      if (number(d))
        f->color_transform.a_mult = static_cast<int16_t>(std::clamp(d * 2.56, -32768.0, 32767.0));
      break;
    case kName: f->name = c.vm.ToString(v); break;
    case kXScale:
    case kYScale: {
      if (!number(d)) break;
      bool x = static_cast<FunctionObject*>(c.callee)->native_tag == kXScale;
      double& p = x ? m.a : m.d;
      double& q = x ? m.b : m.c;
      double cur = std::sqrt(p * p + q * q);
      double want = d / 100.0;
      if (cur > 0) {
        p *= want / cur;
        q *= want / cur;
      } else {
        p = want;
      }
      break;
    }
    case kRotation:
      if (number(d)) {
        ScaleRotation sr = ScaleRotationOf(*f);
        sr.rotation = NormalRotation(d);
        SetScaleRotation(*f, sr);
      }
      break;
    case kMaxChars: t.max_chars = v.IsNullish() ? 0 : std::max(0, c.vm.ToInt32(v)); break;
    case kScroll: {
      // The line index is taken from the 32-bit value less one, wrapping as the integer does.
      auto line = static_cast<int32_t>(static_cast<uint32_t>(c.vm.ToInt32(v)) - 1u);
      t.scroll = std::clamp(line, 0, std::max(0, t.MaxScroll() - 1)) + 1;
      break;
    }
    case kHScroll:
      t.hscroll = std::clamp(static_cast<double>(c.vm.ToInt32(v)), 0.0, MaxHScroll(t));
      break;
    case kVariable: {
      t.variable = v.IsNullish() ? std::string() : c.vm.ToString(v);
      f->variable_bound = false;
      // Binding again starts from the field's text as its tag gives it: an unset variable
      // takes that, a set one replaces it.
      const auto& def = static_cast<const EditTextDef&>(*f->character);
      if (def.has_text) {
        if (t.html)
          SetHtml(c.vm, *f, def.initial_text);
        else
          t.SetText(def.initial_text);
      }
      c.vm.player().SyncBoundField(f);
      break;
    }
    case kType: t.read_only = c.vm.ToString(v) != "input"; break;
    case kSelectable: t.selectable = c.vm.ToBool(v); break;
    case kPassword: t.options.password = c.vm.ToBool(v); break;
    case kEmbedFonts: t.embed_fonts = c.vm.ToBool(v); break;
    case kMouseWheelEnabled: t.mouse_wheel_enabled = c.vm.ToBool(v); break;
    case kCondenseWhite: t.condense_white = c.vm.ToBool(v); break;
    case kRestrict:
      t.has_restrict = !v.IsNullish();
      t.restrict = t.has_restrict ? c.vm.ToString(v) : std::string();
      break;
    // Any number is kept as given, NaN and infinities too.
    case kSharpness: t.sharpness = c.vm.ToNumber(v); break;
    case kThickness: t.thickness = c.vm.ToNumber(v); break;
    case kAntiAliasType: {
      // Names other than the two known ones leave the setting as it is.
      const std::string s = c.vm.ToString(v);
      if (s == "normal" || s == "advanced") t.advanced_anti_alias = s == "advanced";
      break;
    }
    case kGridFitType: {
      const std::string s = c.vm.ToString(v);
      for (int i = 0; i < 3; ++i)
        if (s == kGridFitNames[i]) t.grid_fit = i;
      break;
    }
    case kStyleSheet:
      if (f->object) f->object->style_sheet = c.vm.ObjectOf(v) ? v : Value::Undefined();
      break;
    case kFilters: f->filters = FilterListOf(c.vm, v); break;
    default: return Value::Undefined();
  }
  t.Changed();
  return Value::Undefined();
}

// The character range [begin, end) of setTextFormat/getTextFormat's arguments: none for the
// whole text, one for that character, two for the range.
bool Range(NativeCall& c, const text::TextField& t, size_t first_arg, size_t& begin, size_t& end) {
  size_t len = t.Length();
  begin = 0;
  end = len;
  size_t n = c.Count() - std::min(c.Count(), first_arg);
  auto index = [&](const Value& v, size_t& out) {
    double d = c.vm.ToNumber(v);
    if (!std::isfinite(d) || d < 0) return false;
    out = static_cast<size_t>(std::min(d, static_cast<double>(len)));
    return true;
  };
  if (n >= 1 && !c.Arg(first_arg).IsUndefined()) {
    if (!index(c.Arg(first_arg), begin)) return false;
    end = std::min(begin + 1, len);
    if (n >= 2 && !c.Arg(first_arg + 1).IsUndefined() && !index(c.Arg(first_arg + 1), end))
      return false;
  }
  return begin < end;
}

Value SetTextFormat(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  if (!f || c.Count() == 0) return Value::Undefined();
  // The format is the last argument: (format), (index, format), (begin, end, format).
  ScriptObject* fmt = c.vm.ObjectOf(c.Arg(c.Count() - 1));
  if (!fmt) return Value::Undefined();
  text::TextField& t = f->field;
  size_t begin = 0, end = 0;
  std::vector<Value> range(c.args.begin(), c.args.end() - 1);
  NativeCall rc{c.vm, c.self, range, c.callee};
  if (!Range(rc, t, 0, begin, end)) return Value::Undefined();
  t.ChangeFormat(begin, end, [&](text::TextFormat& tf) { ApplyTextFormat(c.vm, fmt, tf); });
  t.Changed();
  return Value::Undefined();
}

Value GetTextFormat(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  if (!f) return Value::Undefined();
  text::TextField& t = f->field;
  size_t begin = 0, end = 0;
  std::vector<const text::TextFormat*> formats;
  if (Range(c, t, 0, begin, end)) {
    for (size_t i = begin; i < end; ++i) formats.push_back(&t.FormatAt(i));
  } else {
    formats.push_back(t.Length() ? &t.FormatAt(std::min(begin, t.Length() - 1))
                                 : &t.default_format);
  }
  return Value::Object(NewTextFormatObject(c.vm, formats));
}

Value SetNewTextFormat(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  ScriptObject* fmt = c.vm.ObjectOf(c.Arg(0));
  if (!f || !fmt) return Value::Undefined();
  ApplyTextFormat(c.vm, fmt, f->field.default_format);
  f->field.Changed();
  return Value::Undefined();
}

Value GetNewTextFormat(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  if (!f) return Value::Undefined();
  return Value::Object(NewTextFormatObject(c.vm, {&f->field.default_format}));
}

// replaceSel(text): the selection of the focused field becomes the text, the caret after it.
// A field without the focus has an empty selection at its start: the text goes in there.
Value ReplaceSel(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  if (!f || c.Count() < 1) return Value::Undefined();
  InputState& in = c.vm.player().input;
  const std::string s = c.vm.ToString(c.Arg(0));
  if (in.focus.lock().get() != f) {
    f->field.ReplaceText(0, 0, s);
    return Value::Undefined();
  }
  const size_t length = f->field.Length();
  const size_t begin = std::min({in.caret, in.anchor, length});
  const size_t end = std::min(std::max(in.caret, in.anchor), length);
  f->field.ReplaceText(begin, end, s);
  f->field.Changed();
  in.caret = in.anchor = std::min(begin + text::Utf8ToUtf32(s).size(), f->field.Length());
  return Value::Undefined();
}

Value ReplaceText(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  if (!f || c.Count() < 3) return Value::Undefined();
  double b = c.vm.ToNumber(c.Arg(0)), e = c.vm.ToNumber(c.Arg(1));
  if (!(b >= 0) || !(e >= b)) return Value::Undefined();
  double len = static_cast<double>(f->field.Length());
  f->field.ReplaceText(static_cast<size_t>(std::min(b, len)), static_cast<size_t>(std::min(e, len)),
                       c.vm.ToString(c.Arg(2)));
  f->field.Changed();
  SetBoundVariable(c.vm, *f, f->field.Text());
  return Value::Undefined();
}

Value GetDepth(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  return f ? Value::Number(f->depth - 16384) : Value::Undefined();
}

Value RemoveTextField(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  // Only fields made by scripts (at the script depths) may be removed.
  if (f && f->parent && f->depth >= 0 && f->place_frame < 0)
    c.vm.player().RemoveChild(f->parent, f->depth);
  return Value::Undefined();
}

// MovieClip.createTextField(name, depth, x, y, width, height): an empty dynamic field in the
// default format; returns it (movies of version 8 on) or undefined.
Value CreateTextField(NativeCall& c) {
  MovieClip* clip = c.self.IsUndefined() ? c.vm.Target() : c.vm.ClipOf(c.self);
  if (!clip || c.Count() < 6) return Value::Undefined();
  double n[5];
  for (int i = 0; i < 5; ++i) {
    n[i] = c.vm.ToNumber(c.Arg(i + 1));
    if (!std::isfinite(n[i])) n[i] = 0;
  }
  auto def = std::make_shared<EditTextDef>();
  def->bounds.xmin = 0;
  def->bounds.ymin = 0;
  def->bounds.xmax = static_cast<int32_t>(std::round(std::clamp(n[3], 0.0, 1e6) * 20));
  def->bounds.ymax = static_cast<int32_t>(std::round(std::clamp(n[4], 0.0, 1e6) * 20));
  def->read_only = true;
  auto field = std::make_shared<TextFieldObject>(def, clip->movie);
  field->field.border = field->field.background = false;
  field->parent = clip;
  field->depth = static_cast<int>(std::clamp(n[0], -16384.0, 2130690045.0)) + 16384;
  field->name = c.vm.ToString(c.Arg(0));
  field->place_frame = -1;
  field->matrix.tx = std::round(n[1] * 20);
  field->matrix.ty = std::round(n[2] * 20);
  Player& p = c.vm.player();
  if (clip->children.count(field->depth)) p.RemoveChild(clip, field->depth);
  clip->children[field->depth] = field;
  FieldObject* o = p.ObjectOf(field.get());
  return c.vm.version() >= 8 ? Value::Object(o) : Value::Undefined();
}

// A field reads as its target path, like a clip.
Value ToString(NativeCall& c) {
  TextFieldObject* f = FieldOf(c.self);
  return Value::String(f ? f->TargetPath() : "[object Object]");
}

Value Constructor(NativeCall&) { return Value::Undefined(); }

}  // namespace

void InstallTextField(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  realm.Class("TextField", Constructor, nullptr, proto);
  realm.textfield_proto = proto;
  // The members a movie enumerates, oldest first (enumeration lists the newest first); the last
  // five are seen only by movies of version 8 on. The display properties are not enumerated.
  static const std::pair<const char*, Member> kMembers[] = {
      {"gridFitType", kGridFitType},
      {"antiAliasType", kAntiAliasType},
      {"thickness", kThickness},
      {"sharpness", kSharpness},
      {"filters", kFilters},
      {"scroll", kScroll},
      {"maxscroll", kMaxScroll},
      {"borderColor", kBorderColor},
      {"backgroundColor", kBackgroundColor},
      {"textColor", kTextColor},
      {"tabIndex", kTabIndex},
      {"autoSize", kAutoSize},
      {"text", kText},
      {"type", kType},
      {"htmlText", kHtmlText},
      {"variable", kVariable},
      {"hscroll", kHScroll},
      {"maxhscroll", kMaxHScroll},
      {"maxChars", kMaxChars},
      {"embedFonts", kEmbedFonts},
      {"html", kHtml},
      {"border", kBorder},
      {"background", kBackground},
      {"wordWrap", kWordWrap},
      {"password", kPassword},
      {"multiline", kMultiline},
      {"selectable", kSelectable},
      {"length", kLength},
      {"bottomScroll", kBottomScroll},
      {"textWidth", kTextWidth},
      {"textHeight", kTextHeight},
      {"restrict", kRestrict},
      {"condenseWhite", kCondenseWhite},
      {"mouseWheelEnabled", kMouseWheelEnabled},
      {"styleSheet", kStyleSheet},
      {"_x", kX},
      {"_y", kY},
      {"_width", kWidth},
      {"_height", kHeight},
      {"_visible", kVisible},
      {"_alpha", kAlpha},
      {"_name", kName},
      {"_xscale", kXScale},
      {"_yscale", kYScale},
      {"_rotation", kRotation},
      {"_parent", kParent},
      {"_target", kTarget}};
  for (const auto& [name, tag] : kMembers) {
    bool read_only = tag == kTextWidth || tag == kTextHeight || tag == kLength ||
                     tag == kMaxScroll || tag == kBottomScroll || tag == kMaxHScroll ||
                     tag == kParent || tag == kTarget;
    NativeAccessor(realm, proto, name, Get, read_only ? nullptr : Set, tag);
    Property* p = proto->Find(realm.heap.Key(name));
    if (name[0] != '_') p->flags &= ~kDontEnum;
    if (tag >= kFilters && tag <= kGridFitType) p->flags |= kHiddenBefore8;
  }
  realm.Method(proto, "setTextFormat", SetTextFormat);
  realm.Method(proto, "getTextFormat", GetTextFormat);
  realm.Method(proto, "setNewTextFormat", SetNewTextFormat);
  realm.Method(proto, "getNewTextFormat", GetNewTextFormat);
  realm.Method(proto, "replaceText", ReplaceText);
  proto->Find(realm.heap.Key("replaceText"))->flags |= kHiddenBefore7;
  realm.Method(proto, "replaceSel", ReplaceSel);
  realm.Method(proto, "getDepth", GetDepth);
  realm.Method(proto, "removeTextField", RemoveTextField);
  realm.Method(proto, "toString", ToString);
  if (const Property* b = realm.global->Find(realm.heap.Key("AsBroadcaster"));
      b && b->value.IsObject()) {
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
      if (const Property* m = b->value.object->Find(realm.heap.Key(name)))
        realm.Set(proto, name, m->value);
  }
  if (realm.movieclip_proto)
    realm.Method(realm.movieclip_proto, "createTextField", CreateTextField);
}

void Player::UpdateBoundFields() {
  std::vector<TextFieldObject*> bound;
  std::vector<MovieClip*> todo;
  for (const MovieClip* root : LevelRoots()) todo.push_back(const_cast<MovieClip*>(root));
  while (!todo.empty()) {
    MovieClip* clip = todo.back();
    todo.pop_back();
    for (auto& [depth, child] : clip->children) {
      if (child->removed) continue;
      if (child->type == DisplayObject::Type::MovieClip ||
          child->type == DisplayObject::Type::Button)
        todo.push_back(static_cast<MovieClip*>(child.get()));
      else if (child->type == DisplayObject::Type::EditText &&
               !static_cast<TextFieldObject*>(child.get())->field.variable.empty())
        bound.push_back(static_cast<TextFieldObject*>(child.get()));
    }
  }
  for (TextFieldObject* f : bound) SyncBoundField(f);
}

void Player::SyncBoundField(TextFieldObject* f) {
  if (!f->parent || f->field.variable.empty()) return;
  ActionRunner vm(*this, std::static_pointer_cast<MovieClip>(f->parent->shared_from_this()));
  try {
    std::string name;
    Value holder = VariableHolder(vm, *f, name);
    if (holder.IsUndefined() || name.empty()) return;
    // A script object's member is read once, when the field binds to it: only clips tell their
    // fields of changes.
    if (f->variable_bound && !vm.ClipOf(holder)) return;
    Value v = vm.GetMember(holder, name);
    text::TextField& t = f->field;
    if (v.IsUndefined()) {
      if (!f->variable_bound && t.Length() > 0)
        vm.SetMember(holder, name, Value::String(t.html ? t.HtmlText() : t.Text()));
      f->variable_bound = true;
      return;
    }
    f->variable_bound = true;
    std::string s = vm.ToString(v);
    if (s == (t.html ? t.HtmlText() : t.Text())) return;
    if (t.html)
      SetHtml(vm, *f, s);
    else
      t.SetText(s);
    t.Changed();
  } catch (...) {
    // A getter that throws or runs too long leaves the field as it is.
  }
}

void Player::FollowLink(TextFieldObject* f, const std::string& url, const std::string& target) {
  std::string scheme = url.substr(0, 11);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  if (scheme != "asfunction:") {
    if (on_get_url) on_get_url(url, target);
    return;
  }
  if (!f->parent) return;
  std::string call = url.substr(11);
  size_t comma = call.find(',');
  std::string path = call.substr(0, comma);
  if (path.empty()) return;
  std::vector<Value> args;
  if (comma != std::string::npos) args.push_back(Value::String(call.substr(comma + 1)));
  MovieClip* parent = f->parent;
  while (parent->parent && parent->type == DisplayObject::Type::Button) parent = parent->parent;
  ActionRunner vm(*this, std::static_pointer_cast<MovieClip>(parent->shared_from_this()));
  const bool plain_name = path.find('.') == std::string::npos;
  try {
    Value holder = vm.ClipValue(parent);
    size_t dot;
    while ((dot = path.find('.')) != std::string::npos) {
      holder = vm.GetMember(holder, path.substr(0, dot));
      path.erase(0, dot + 1);
    }
    Value fn = vm.GetMember(holder, path);
    if (!vm.IsFunction(fn) && plain_name) {
      holder = Value::Object(vm.realm().global);
      fn = vm.GetMember(holder, path);
    }
    if (vm.IsFunction(fn)) vm.CallFromPlayer(fn, holder, std::move(args));
  } catch (...) {
    // A path through something that is not there, or a script that fails, calls nothing more.
  }
}

}  // namespace flash
