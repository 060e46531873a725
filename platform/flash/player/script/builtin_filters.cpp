// flash.filters: BlurFilter, DropShadowFilter, GlowFilter, BevelFilter, GradientGlowFilter,
// GradientBevelFilter, ColorMatrixFilter, ConvolutionFilter and DisplacementMapFilter.
//
// A filter object keeps its values in native data attached by its constructor (so a subclass
// gets them when it calls super()); the members are accessors on the prototypes that read and
// write that data, cutting every value to the range the filter accepts. Before the constructor
// ran, every member reads as undefined. Arrays (colours, matrices) are copied in and out, so a
// script changing an array it read changes nothing until it assigns it back.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/player/script/filter_objects.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

constexpr char kFilterTag[] = "BitmapFilterData";

enum class Cls : uint8_t {
  Blur,
  DropShadow,
  Glow,
  Bevel,
  GradientGlow,
  GradientBevel,
  ColorMatrix,
  Convolution,
  DisplacementMap,
};
constexpr const char* kClassNames[] = {
    "BlurFilter",        "DropShadowFilter",   "GlowFilter",
    "BevelFilter",       "GradientGlowFilter", "GradientBevelFilter",
    "ColorMatrixFilter", "ConvolutionFilter",  "DisplacementMapFilter"};

enum Prop : uint8_t {
  kBlurX,
  kBlurY,
  kQuality,
  kDistance,
  kAngle,
  kColor,
  kAlpha,
  kStrength,
  kInner,
  kKnockout,
  kHideObject,
  kHighlightColor,
  kHighlightAlpha,
  kShadowColor,
  kShadowAlpha,
  kType,
  kColors,
  kAlphas,
  kRatios,
  kMatrix,
  kMatrixX,
  kMatrixY,
  kDivisor,
  kBias,
  kPreserveAlpha,
  kClamp,
  kMapBitmap,
  kMapPoint,
  kComponentX,
  kComponentY,
  kScaleX,
  kScaleY,
  kMode,
  kPropCount
};
constexpr const char* kPropNames[kPropCount] = {
    "blurX",          "blurY",       "quality",     "distance", "angle",      "color",
    "alpha",          "strength",    "inner",       "knockout", "hideObject", "highlightColor",
    "highlightAlpha", "shadowColor", "shadowAlpha", "type",     "colors",     "alphas",
    "ratios",         "matrix",      "matrixX",     "matrixY",  "divisor",    "bias",
    "preserveAlpha",  "clamp",       "mapBitmap",   "mapPoint", "componentX", "componentY",
    "scaleX",         "scaleY",      "mode"};

// The members of each class, in the order its constructor takes them.
const std::vector<Prop>& MembersOf(Cls cls) {
  static const std::vector<Prop> members[] = {
      {kBlurX, kBlurY, kQuality},
      {kDistance, kAngle, kColor, kAlpha, kBlurX, kBlurY, kStrength, kQuality, kInner, kKnockout,
       kHideObject},
      {kColor, kAlpha, kBlurX, kBlurY, kStrength, kQuality, kInner, kKnockout},
      {kDistance, kAngle, kHighlightColor, kHighlightAlpha, kShadowColor, kShadowAlpha, kBlurX,
       kBlurY, kStrength, kQuality, kType, kKnockout},
      {kDistance, kAngle, kColors, kAlphas, kRatios, kBlurX, kBlurY, kStrength, kQuality, kType,
       kKnockout},
      {kDistance, kAngle, kColors, kAlphas, kRatios, kBlurX, kBlurY, kStrength, kQuality, kType,
       kKnockout},
      {kMatrix},
      {kMatrixX, kMatrixY, kMatrix, kDivisor, kBias, kPreserveAlpha, kClamp, kColor, kAlpha},
      {kMapBitmap, kMapPoint, kComponentX, kComponentY, kScaleX, kScaleY, kMode, kColor, kAlpha},
  };
  return members[static_cast<int>(cls)];
}

// The largest gradient a gradient filter keeps, and the largest convolution matrix side.
constexpr size_t kMaxGradientStops = 16;
constexpr int kMaxMatrixSide = 15;

// A filter as scripts see it: angles in degrees, colours as 0xRRGGBB with separate alphas.
struct ScriptFilter {
  Cls cls = Cls::Blur;
  double blur_x = 4, blur_y = 4;
  int quality = 1;
  double distance = 4, angle = 45;
  uint32_t color = 0;
  double alpha = 1, strength = 1;
  bool inner = false, knockout = false, hide_object = false;
  uint32_t highlight_color = 0xFFFFFF;
  double highlight_alpha = 1;
  uint32_t shadow_color = 0;
  double shadow_alpha = 1;
  std::string type = "inner";
  std::vector<uint32_t> colors;
  std::vector<double> alphas, ratios;
  std::vector<double> matrix;
  int matrix_x = 0, matrix_y = 0;
  double divisor = 1, bias = 0;
  bool preserve_alpha = true, clamp = true;
  Value map_bitmap;
  int32_t map_x = 0, map_y = 0;
  int32_t component_x = 0, component_y = 0;
  double scale_x = 0, scale_y = 0;
  std::string mode = "wrap";
};

ScriptFilter Defaults(Cls cls) {
  ScriptFilter f;
  f.cls = cls;
  switch (cls) {
    case Cls::Glow:
      f.color = 0xFF0000;
      f.blur_x = f.blur_y = 6;
      f.strength = 2;
      break;
    case Cls::ColorMatrix:
      f.matrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
      break;
    case Cls::DisplacementMap: f.alpha = 0; break;
    case Cls::Convolution: f.alpha = 0; break;
    default: break;
  }
  return f;
}

class FilterData : public ScriptObject {
 public:
  FilterData() : ScriptObject(Kind::Other) { class_name = kFilterTag; }
  ScriptFilter f;
  void Trace(std::vector<ScriptObject*>& gray) const override {
    ScriptObject::Trace(gray);
    if (f.map_bitmap.IsObject() && !f.map_bitmap.object->marked)
      gray.push_back(f.map_bitmap.object);
  }
};

const FilterData* DataOf(const ScriptObject* o) {
  if (!o || !o->primitive.IsObject()) return nullptr;
  const ScriptObject* d = o->primitive.object;
  return d->class_name == kFilterTag ? static_cast<const FilterData*>(d) : nullptr;
}
FilterData* DataOf(ScriptObject* o) {
  return const_cast<FilterData*>(DataOf(static_cast<const ScriptObject*>(o)));
}

// --- value conversions with the filters' ranges ---

double Finite(double d) { return std::isnan(d) ? 0 : d; }
double Clamped(NativeCall& c, const Value& v, double lo, double hi) {
  return std::clamp(Finite(c.vm.ToNumber(v)), lo, hi);
}
int ClampedInt(NativeCall& c, const Value& v, int lo, int hi) {
  return static_cast<int>(std::clamp<int64_t>(c.vm.ToInt32(v), lo, hi));
}
uint32_t Rgb(NativeCall& c, const Value& v) {
  return static_cast<uint32_t>(c.vm.ToInt32(v)) & 0xFFFFFFu;
}
constexpr const char* kModeNames[] = {"wrap", "clamp", "ignore", "color"};

// A number as the reference turns it into a whole one: out of range and NaN give the smallest.
int32_t WholeOrMin(double d) {
  if (std::isnan(d) || d >= 2147483648.0 || d < -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(d);
}

// The items of an array value, or nothing for any other value.
std::optional<std::vector<Value>> ItemsOf(NativeCall& c, const Value& v) {
  ScriptObject* o = c.vm.ObjectOf(v);
  if (!o || o->kind != ScriptObject::Kind::Array) return std::nullopt;
  std::vector<Value> items = static_cast<ArrayObject*>(o)->items;
  for (Value& item : items)
    if (item.IsHole()) item = Value::Undefined();
  return items;
}

void FitGradient(ScriptFilter& f) {
  f.alphas.resize(f.colors.size(), 0);
  f.ratios.resize(f.colors.size(), 0);
}
void FitConvolution(ScriptFilter& f) {
  f.matrix.resize(static_cast<size_t>(f.matrix_x) * f.matrix_y, 0);
}

Value NewGeom(NativeCall& c, const char* cls, std::vector<Value> args) {
  Value geom = c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "geom");
  return c.vm.Construct(c.vm.GetMember(geom, cls), std::move(args));
}

// The map point takes both coordinates of a point-like object (either missing gives 0, 0). A
// coordinate whose conversion throws counts as the smallest whole number; the first exception
// is passed on once the point was stored.
void AssignMapPoint(NativeCall& c, ScriptFilter& f, const Value& v) {
  std::optional<ScriptThrow> thrown;
  ScriptObject* o = v.IsObject() ? c.vm.ObjectOf(v) : nullptr;
  int32_t xy[2] = {0, 0};
  bool present[2] = {false, false};
  if (o) {
    const char* names[2] = {"x", "y"};
    for (int i = 0; i < 2; ++i) {
      Value part = c.vm.GetMember(v, names[i]);
      if (part.IsUndefined()) continue;
      present[i] = true;
      try {
        xy[i] = WholeOrMin(c.vm.ToNumber(part));
      } catch (const ScriptThrow& t) {
        if (!thrown) thrown = t;
        xy[i] = INT32_MIN;
      }
    }
  }
  if (present[0] && present[1]) {
    f.map_x = xy[0];
    f.map_y = xy[1];
  } else {
    f.map_x = f.map_y = 0;
  }
  if (thrown) throw *thrown;
}

void Assign(NativeCall& c, ScriptFilter& f, Prop p, const Value& v) {
  switch (p) {
    case kBlurX: f.blur_x = Clamped(c, v, 0, 255); break;
    case kBlurY: f.blur_y = Clamped(c, v, 0, 255); break;
    case kQuality: f.quality = ClampedInt(c, v, 0, 15); break;
    case kDistance: f.distance = Finite(c.vm.ToNumber(v)); break;
    case kAngle: f.angle = std::fmod(Finite(c.vm.ToNumber(v)), 360.0); break;
    case kColor: f.color = Rgb(c, v); break;
    case kAlpha: f.alpha = Clamped(c, v, 0, 1); break;
    case kStrength: f.strength = Clamped(c, v, 0, 255); break;
    case kInner: f.inner = c.vm.ToBool(v); break;
    case kKnockout: f.knockout = c.vm.ToBool(v); break;
    case kHideObject: f.hide_object = c.vm.ToBool(v); break;
    case kHighlightColor: f.highlight_color = Rgb(c, v); break;
    case kHighlightAlpha: f.highlight_alpha = Clamped(c, v, 0, 1); break;
    case kShadowColor: f.shadow_color = Rgb(c, v); break;
    case kShadowAlpha: f.shadow_alpha = Clamped(c, v, 0, 1); break;
    case kType: {
      std::string t = c.vm.ToString(v);
      if (t == "inner" || t == "outer" || t == "full") f.type = t;
      break;
    }
    case kColors: {
      auto items = ItemsOf(c, v);
      f.colors.clear();
      if (items) {
        for (size_t i = 0; i < items->size() && i < kMaxGradientStops; ++i)
          f.colors.push_back(Rgb(c, (*items)[i]));
      }
      FitGradient(f);
      break;
    }
    case kAlphas:
    case kRatios: {
      auto items = ItemsOf(c, v);
      std::vector<double>& to = p == kAlphas ? f.alphas : f.ratios;
      to.assign(f.colors.size(), 0);
      if (items) {
        for (size_t i = 0; i < items->size() && i < to.size(); ++i)
          to[i] = p == kAlphas ? Clamped(c, (*items)[i], 0, 1) : Clamped(c, (*items)[i], 0, 255);
      }
      break;
    }
    case kMatrix: {
      auto items = ItemsOf(c, v);
      if (!items) break;
      if (f.cls == Cls::ColorMatrix) {
        f.matrix.assign(20, 0);
        for (size_t i = 0; i < items->size() && i < 20; ++i)
          f.matrix[i] = Finite(c.vm.ToNumber((*items)[i]));
      } else {
        f.matrix.assign(static_cast<size_t>(f.matrix_x) * f.matrix_y, 0);
        for (size_t i = 0; i < items->size() && i < f.matrix.size(); ++i)
          f.matrix[i] = Finite(c.vm.ToNumber((*items)[i]));
      }
      break;
    }
    case kMatrixX:
      f.matrix_x = ClampedInt(c, v, 0, kMaxMatrixSide);
      FitConvolution(f);
      break;
    case kMatrixY:
      f.matrix_y = ClampedInt(c, v, 0, kMaxMatrixSide);
      FitConvolution(f);
      break;
    case kDivisor: f.divisor = Finite(c.vm.ToNumber(v)); break;
    case kBias: f.bias = Finite(c.vm.ToNumber(v)); break;
    case kPreserveAlpha: f.preserve_alpha = c.vm.ToBool(v); break;
    case kClamp: f.clamp = c.vm.ToBool(v); break;
    case kMapBitmap: f.map_bitmap = v.IsObject() ? v : Value::Undefined(); break;
    case kMapPoint: AssignMapPoint(c, f, v); break;
    case kComponentX: f.component_x = c.vm.ToInt32(v); break;
    case kComponentY: f.component_y = c.vm.ToInt32(v); break;
    case kScaleX: f.scale_x = Clamped(c, v, -65535, 65535); break;
    case kScaleY: f.scale_y = Clamped(c, v, -65535, 65535); break;
    case kMode: {
      std::string m = c.vm.ToString(v);
      if (m == "wrap" || m == "clamp" || m == "ignore" || m == "color") f.mode = m;
      break;
    }
    case kPropCount: break;
  }
}

Value NumberArray(NativeCall& c, const std::vector<double>& values) {
  std::vector<Value> items;
  items.reserve(values.size());
  for (double d : values) items.push_back(Value::Number(d));
  return Value::Object(c.vm.realm().NewArray(std::move(items)));
}

Value Read(NativeCall& c, const ScriptFilter& f, Prop p) {
  switch (p) {
    case kBlurX: return Value::Number(f.blur_x);
    case kBlurY: return Value::Number(f.blur_y);
    case kQuality: return Value::Number(f.quality);
    case kDistance: return Value::Number(f.distance);
    case kAngle: return Value::Number(f.angle);
    case kColor: return Value::Number(f.color);
    case kAlpha: return Value::Number(f.alpha);
    case kStrength: return Value::Number(f.strength);
    case kInner: return Value::Bool(f.inner);
    case kKnockout: return Value::Bool(f.knockout);
    case kHideObject: return Value::Bool(f.hide_object);
    case kHighlightColor: return Value::Number(f.highlight_color);
    case kHighlightAlpha: return Value::Number(f.highlight_alpha);
    case kShadowColor: return Value::Number(f.shadow_color);
    case kShadowAlpha: return Value::Number(f.shadow_alpha);
    case kType: return Value::String(f.type);
    case kColors: {
      std::vector<double> colors(f.colors.begin(), f.colors.end());
      return NumberArray(c, colors);
    }
    case kAlphas: return NumberArray(c, f.alphas);
    case kRatios: return NumberArray(c, f.ratios);
    case kMatrix: return NumberArray(c, f.matrix);
    case kMatrixX: return Value::Number(f.matrix_x);
    case kMatrixY: return Value::Number(f.matrix_y);
    case kDivisor: return Value::Number(f.divisor);
    case kBias: return Value::Number(f.bias);
    case kPreserveAlpha: return Value::Bool(f.preserve_alpha);
    case kClamp: return Value::Bool(f.clamp);
    case kMapBitmap: return f.map_bitmap;
    case kMapPoint: return NewGeom(c, "Point", {Value::Number(f.map_x), Value::Number(f.map_y)});
    case kComponentX: return Value::Number(f.component_x);
    case kComponentY: return Value::Number(f.component_y);
    case kScaleX: return Value::Number(f.scale_x);
    case kScaleY: return Value::Number(f.scale_y);
    case kMode: return Value::String(f.mode);
    case kPropCount: break;
  }
  return Value::Undefined();
}

int Tag(NativeCall& c) { return static_cast<FunctionObject*>(c.callee)->native_tag; }

Value Get(NativeCall& c) {
  const FilterData* d = DataOf(c.This());
  return d ? Read(c, d->f, static_cast<Prop>(Tag(c))) : Value::Undefined();
}

Value Set(NativeCall& c) {
  FilterData* d = DataOf(c.This());
  if (d) Assign(c, d->f, static_cast<Prop>(Tag(c)), c.Arg(0));
  return Value::Undefined();
}

// The constructors take the members in order; a missing argument leaves the default. An object
// that already is a filter keeps its values (the arguments are still converted).
Value Construct(NativeCall& c) {
  const auto cls = static_cast<Cls>(Tag(c));
  ScriptObject* self = c.This();
  ScriptFilter f = Defaults(cls);
  const auto& members = MembersOf(cls);
  for (size_t i = 0; i < members.size() && i < c.Count(); ++i)
    if (!c.Arg(i).IsUndefined()) Assign(c, f, members[i], c.Arg(i));
  if (self && !DataOf(self)) {
    auto* d = c.vm.heap().New<FilterData>();
    d->f = std::move(f);
    self->primitive = Value::Object(d);
  }
  return c.self;
}

// A new object of the filter class `cls` holding `f`.
Value NewOfClass(ActionRunner& vm, const ScriptFilter& f) {
  Value package = vm.GetMember(vm.GetMember(Value::Object(vm.realm().global), "flash"), "filters");
  Value ctor = vm.GetMember(package, kClassNames[static_cast<int>(f.cls)]);
  // Made as `new` makes it, then given the values.
  Value made = vm.Construct(ctor, {});
  FilterData* d = DataOf(vm.ObjectOf(made));
  if (!d) return Value::Undefined();
  d->f = f;
  return made;
}

Value Clone(NativeCall& c) {
  const FilterData* d = DataOf(c.This());
  if (!d) return Value::Undefined();
  return NewOfClass(c.vm, d->f);
}

Value Nothing(NativeCall&) { return Value::Undefined(); }

// --- between script filters and drawn filters ---

Rgba ColorWithAlpha(uint32_t rgb, double alpha) {
  return {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
          static_cast<uint8_t>(rgb), static_cast<uint8_t>(std::lround(alpha * 255))};
}
uint32_t RgbOf(Rgba c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }

constexpr double kDegrees = 180 / std::numbers::pi;

// Angles are kept in radians by the renderer; a round trip must give the degrees back as a
// script wrote them.
double Degrees(double radians) { return std::round(radians * kDegrees * 1e9) / 1e9; }

// The map of a displacement filter: a copy of its bitmap's pixels in straight colour.
bool TakeMap(ActionRunner& vm, const ScriptFilter& s, Filter& f) {
  std::shared_ptr<BitmapData> map = BitmapDataOfValue(vm, s.map_bitmap);
  if (!map || map->disposed() || map->width() <= 0 || map->height() <= 0) return false;
  auto pixels = std::make_shared<std::vector<uint32_t>>();
  pixels->reserve(static_cast<size_t>(map->width()) * map->height());
  for (int y = 0; y < map->height(); ++y)
    for (int x = 0; x < map->width(); ++x) {
      uint32_t p = Unpremultiply(map->At(x, y));
      if (!map->transparent()) p |= 0xFF000000u;
      pixels->push_back(p);
    }
  f.map_pixels = std::move(pixels);
  f.map_width = map->width();
  f.map_height = map->height();
  f.map_x = s.map_x;
  f.map_y = s.map_y;
  f.component_x = s.component_x;
  f.component_y = s.component_y;
  f.scale_x = s.scale_x;
  f.scale_y = s.scale_y;
  f.map_mode = s.mode == "clamp" ? 1 : s.mode == "ignore" ? 2 : s.mode == "color" ? 3 : 0;
  f.color = ColorWithAlpha(s.color, s.alpha);
  return true;
}

bool ToDrawn(ActionRunner& vm, const ScriptFilter& s, Filter& f) {
  f = Filter();
  f.blur_x = s.blur_x;
  f.blur_y = s.blur_y;
  f.passes = s.quality;
  f.angle = s.angle / kDegrees;
  f.distance = s.distance;
  f.strength = s.strength;
  f.knockout = s.knockout;
  switch (s.cls) {
    case Cls::Blur: f.kind = Filter::Kind::Blur; return true;
    case Cls::DropShadow:
    case Cls::Glow:
      f.kind = s.cls == Cls::Glow ? Filter::Kind::Glow : Filter::Kind::DropShadow;
      if (s.cls == Cls::Glow) f.distance = 0;
      f.color = ColorWithAlpha(s.color, s.alpha);
      f.inner = s.inner;
      f.composite_source = !s.hide_object;
      return true;
    case Cls::Bevel:
    case Cls::GradientGlow:
    case Cls::GradientBevel:
      f.inner = s.type == "inner";
      f.on_top = s.type == "full";
      if (s.cls == Cls::Bevel) {
        f.kind = Filter::Kind::Bevel;
        f.color = ColorWithAlpha(s.shadow_color, s.shadow_alpha);
        f.highlight = ColorWithAlpha(s.highlight_color, s.highlight_alpha);
      } else {
        f.kind =
            s.cls == Cls::GradientGlow ? Filter::Kind::GradientGlow : Filter::Kind::GradientBevel;
        for (size_t i = 0; i < s.colors.size(); ++i) {
          f.gradient_colors.push_back(ColorWithAlpha(s.colors[i], s.alphas[i]));
          f.gradient_ratios.push_back(static_cast<uint8_t>(std::lround(s.ratios[i])));
        }
      }
      return true;
    case Cls::ColorMatrix:
      f.kind = Filter::Kind::ColorMatrix;
      f.matrix.assign(s.matrix.begin(), s.matrix.end());
      return true;
    case Cls::Convolution:
      f.kind = Filter::Kind::Convolution;
      f.matrix_x = s.matrix_x;
      f.matrix_y = s.matrix_y;
      f.matrix.assign(s.matrix.begin(), s.matrix.end());
      f.divisor = static_cast<float>(s.divisor);
      f.bias = static_cast<float>(s.bias);
      f.default_color = ColorWithAlpha(s.color, s.alpha);
      f.clamp = s.clamp;
      f.preserve_alpha = s.preserve_alpha;
      return true;
    case Cls::DisplacementMap: f.kind = Filter::Kind::DisplacementMap; return TakeMap(vm, s, f);
  }
  return false;
}

ScriptFilter FromDrawn(const Filter& f) {
  ScriptFilter s;
  s.blur_x = f.blur_x;
  s.blur_y = f.blur_y;
  s.quality = f.passes;
  s.angle = Degrees(f.angle);
  s.distance = f.distance;
  s.strength = f.strength;
  s.knockout = f.knockout;
  s.inner = f.inner;
  s.hide_object = !f.composite_source;
  s.color = RgbOf(f.color);
  s.alpha = f.color.a / 255.0;
  s.type = f.on_top ? "full" : f.inner ? "inner" : "outer";
  switch (f.kind) {
    case Filter::Kind::Blur: s.cls = Cls::Blur; break;
    case Filter::Kind::DropShadow: s.cls = Cls::DropShadow; break;
    case Filter::Kind::Glow: s.cls = Cls::Glow; break;
    case Filter::Kind::Bevel:
      s.cls = Cls::Bevel;
      s.shadow_color = RgbOf(f.color);
      s.shadow_alpha = f.color.a / 255.0;
      s.highlight_color = RgbOf(f.highlight);
      s.highlight_alpha = f.highlight.a / 255.0;
      break;
    case Filter::Kind::GradientGlow:
    case Filter::Kind::GradientBevel:
      s.cls = f.kind == Filter::Kind::GradientGlow ? Cls::GradientGlow : Cls::GradientBevel;
      for (size_t i = 0; i < f.gradient_colors.size() && i < kMaxGradientStops; ++i) {
        s.colors.push_back(RgbOf(f.gradient_colors[i]));
        s.alphas.push_back(f.gradient_colors[i].a / 255.0);
        s.ratios.push_back(i < f.gradient_ratios.size() ? f.gradient_ratios[i] : 0);
      }
      break;
    case Filter::Kind::ColorMatrix:
      s.cls = Cls::ColorMatrix;
      s.matrix.assign(f.matrix.begin(), f.matrix.end());
      s.matrix.resize(20, 0);
      break;
    case Filter::Kind::DisplacementMap:
      // The map's pixels stay with the drawn filter; the object read back has no map bitmap.
      s.cls = Cls::DisplacementMap;
      s.map_x = f.map_x;
      s.map_y = f.map_y;
      s.component_x = f.component_x;
      s.component_y = f.component_y;
      s.scale_x = f.scale_x;
      s.scale_y = f.scale_y;
      s.mode = kModeNames[f.map_mode < 4 ? f.map_mode : 0];
      break;
    case Filter::Kind::Convolution:
      s.cls = Cls::Convolution;
      s.matrix_x = std::clamp(f.matrix_x, 0, kMaxMatrixSide);
      s.matrix_y = std::clamp(f.matrix_y, 0, kMaxMatrixSide);
      s.matrix.assign(f.matrix.begin(), f.matrix.end());
      FitConvolution(s);
      s.divisor = f.divisor;
      s.bias = f.bias;
      s.color = RgbOf(f.default_color);
      s.alpha = f.default_color.a / 255.0;
      s.clamp = f.clamp;
      s.preserve_alpha = f.preserve_alpha;
      break;
  }
  return s;
}

}  // namespace

FunctionObject* FilterNative(Realm& realm, int32_t table, int32_t index) {
  // ConvolutionFilter's members in their native order: member i reads with number 1 + 2i and
  // writes with 2 + 2i.
  static constexpr Prop kConvolution[] = {kMatrixX,       kMatrixY, kMatrix, kDivisor, kBias,
                                          kPreserveAlpha, kClamp,   kColor,  kAlpha};
  if (table != 1109 || index < 1) return nullptr;
  size_t member = static_cast<size_t>(index - 1) / 2;
  if (member >= std::size(kConvolution)) return nullptr;
  return realm.NewNative(index % 2 ? Get : Set, kConvolution[member]);
}

bool FilterOfObject(ActionRunner& vm, const ScriptObject* object, Filter& out) {
  const FilterData* d = DataOf(object);
  return d && ToDrawn(vm, d->f, out);
}

Value NewFilterObject(ActionRunner& vm, const Filter& f) { return NewOfClass(vm, FromDrawn(f)); }

Value FilterListValue(ActionRunner& vm, const std::vector<Filter>& filters) {
  std::vector<Value> items;
  for (const Filter& f : filters) {
    Value o = NewFilterObject(vm, f);
    if (!o.IsUndefined()) items.push_back(o);
  }
  return Value::Object(vm.realm().NewArray(std::move(items)));
}

std::vector<Filter> FilterListOf(ActionRunner& vm, const Value& v) {
  std::vector<Filter> filters;
  ScriptObject* o = vm.ObjectOf(v);
  if (o && o->kind == ScriptObject::Kind::Array) {
    for (const Value& item : static_cast<ArrayObject*>(o)->items) {
      Filter f;
      if (item.IsObject() && FilterOfObject(vm, item.object, f)) filters.push_back(std::move(f));
    }
  }
  return filters;
}

void InstallFilters(Realm& realm) {
  ScriptObject* package = PackageObject(realm, "flash.filters");
  // The base class every filter's prototype inherits from.
  ScriptObject* base_proto = realm.NewObject();
  FunctionObject* base = realm.NewNative(Nothing);
  realm.LinkPrototype(base, base_proto);
  realm.Set(package, "BitmapFilter", Value::Object(base));
  realm.Method(base_proto, "clone", Clone);
  for (int i = 0; i < static_cast<int>(std::size(kClassNames)); ++i) {
    ScriptObject* proto = realm.NewObject(base_proto);
    FunctionObject* ctor = realm.NewNative(Construct, i);
    realm.LinkPrototype(ctor, proto);
    realm.Set(package, kClassNames[i], Value::Object(ctor));
    realm.Method(proto, "clone", Clone);
    for (Prop p : MembersOf(static_cast<Cls>(i)))
      NativeAccessor(realm, proto, kPropNames[p], Get, Set, p);
  }
}

}  // namespace flash
