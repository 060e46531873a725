// flash.display.BitmapData: bitmaps scripts make, draw into and show with attachBitmap.
//
// The pixels live in a BitmapData shared with the clips that show them. Methods answer as the
// reference does when they cannot run: -1 for a disposed bitmap or too few arguments, other
// negative numbers for an argument of the wrong kind; `new` with a size it cannot make gives
// undefined.
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/player.h"
#include "platform/flash/player/script/filter_objects.h"
#include "platform/flash/player/script/native_members.h"
#include "platform/flash/player/bitmap_painting.h"

namespace flash {

namespace {

// The script side of a bitmap.
class BitmapDataObject : public ScriptObject {
 public:
  BitmapDataObject() { class_name = "Object"; }
  std::shared_ptr<BitmapData> data;
};

// A subclass instance made by a script constructor keeps its bitmap in this hidden member.
constexpr const char* kHolder = "__bitmapData";

std::shared_ptr<BitmapData> DataOf(NativeCall& c, const Value& v) {
  return BitmapDataOfValue(c.vm, v);
}

int Tag(NativeCall& c) { return static_cast<FunctionObject*>(c.callee)->native_tag; }

// Numbers as the pixel methods take them: NaN and infinities are 0, others cut to integers.
int Int(NativeCall& c, const Value& v) {
  const double d = c.vm.ToNumber(v);
  if (!std::isfinite(d)) return 0;
  return static_cast<int>(std::clamp(std::trunc(d), -2147483648.0, 2147483647.0));
}
uint32_t Color(NativeCall& c, const Value& v) { return static_cast<uint32_t>(c.vm.ToInt32(v)); }

// A rectangle argument: any object with x, y, width and height.
bool RectArg(NativeCall& c, const Value& v, PixelRect& out) {
  if (!c.vm.ObjectOf(v)) return false;
  int fields[4];
  const char* names[4] = {"x", "y", "width", "height"};
  for (int i = 0; i < 4; ++i) {
    Value m = c.vm.GetMember(v, names[i]);
    if (m.IsUndefined()) return false;
    fields[i] = Int(c, m);
  }
  out = {fields[0], fields[1], fields[2], fields[3]};
  return true;
}

// A point argument: missing coordinates (or a missing point) count as 0.
void PointArg(NativeCall& c, const Value& v, int& x, int& y) {
  x = y = 0;
  if (!c.vm.ObjectOf(v)) return;
  x = Int(c, c.vm.GetMember(v, "x"));
  y = Int(c, c.vm.GetMember(v, "y"));
}

bool HasOwn(NativeCall& c, const Value& v, const char* name) {
  ScriptObject* o = c.vm.ObjectOf(v);
  return o && o->Find(c.vm.heap().Key(name));
}

// hitTest's points: objects with x and y of their own.
bool StrictPoint(NativeCall& c, const Value& v, int& x, int& y) {
  if (!HasOwn(c, v, "x") || !HasOwn(c, v, "y")) return false;
  x = Int(c, c.vm.GetMember(v, "x"));
  y = Int(c, c.vm.GetMember(v, "y"));
  return true;
}

Value GeomNew(NativeCall& c, const char* cls, std::vector<Value> args) {
  Value package =
      c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "geom");
  return c.vm.Construct(c.vm.GetMember(package, cls), std::move(args));
}

Value NewRectangle(NativeCall& c, const PixelRect& r) {
  return GeomNew(
      c, "Rectangle",
      {Value::Number(r.x), Value::Number(r.y), Value::Number(r.width), Value::Number(r.height)});
}

bool IsGeom(NativeCall& c, const Value& v, const char* cls) {
  Value package =
      c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "geom");
  ScriptObject* ctor = c.vm.ObjectOf(c.vm.GetMember(package, cls));
  return ctor && c.vm.InstanceOf(v, ctor);
}

// The class's prototype, for bitmaps the natives make.
ScriptObject* BitmapProto(NativeCall& c) {
  Value cls = c.vm.GetMember(
      c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "display"),
      "BitmapData");
  Value proto = c.vm.GetMember(cls, "prototype");
  return proto.IsObject() ? proto.object : c.vm.realm().object_proto;
}

Value Wrap(NativeCall& c, std::shared_ptr<BitmapData> data) {
  auto* o = c.vm.heap().New<BitmapDataObject>();
  o->Put(c.vm.heap().Key("__proto__"), "__proto__", Value::Object(BitmapProto(c)),
         kDontEnum | kDontDelete);
  o->SetProtoCache(BitmapProto(c));
  o->data = std::move(data);
  return Value::Object(o);
}

// Pixel loops count against the script's action budget, so that a script looping over large
// bitmaps ends like any other endless loop instead of holding the player for minutes: one
// action's worth for every kPixelsPerAction pixels a method may touch. A method whose work does
// not fit the budget left is not done.
constexpr int64_t kPixelsPerAction = 256;

void CountPixels(NativeCall& c, int64_t pixels) { c.vm.CountWork(pixels / kPixelsPerAction); }

// The pixels of a bitmap, and those of a rectangle that fit in its size wherever it is placed:
// what a method working on the rectangle touches at most.
int64_t Area(const BitmapData& b) { return int64_t{b.width()} * b.height(); }
int64_t Area(const BitmapData& b, const PixelRect& r) {
  if (r.Empty()) return 0;
  return int64_t{std::min(r.width, b.width())} * std::min(r.height, b.height());
}

// new BitmapData(width, height, transparent = true, fill = 0xFFFFFFFF).
Value Construct(NativeCall& c) {
  auto number = [&](size_t i, int& out) {
    const Value& v = c.Arg(i);
    if (v.IsNullish()) return false;
    const double d = c.vm.ToNumber(v);
    if (!std::isfinite(d)) return false;
    out = static_cast<int>(std::clamp(std::trunc(d), -1.0, 1e9));
    return true;
  };
  int w = 0, h = 0;
  if (!number(0, w) || !number(1, h) || !BitmapData::SizeAllowed(c.vm.version(), w, h) ||
      !BitmapData::Affordable(int64_t{w} * h))
    return Value::Undefined();
  CountPixels(c, int64_t{w} * h);
  const bool transparent = c.Count() < 3 || c.vm.ToBool(c.Arg(2));
  const uint32_t fill = c.Count() < 4 ? 0xFFFFFFFFu : Color(c, c.Arg(3));
  auto data = std::make_shared<BitmapData>(w, h, transparent, fill);
  ScriptObject* self = c.This();
  const bool fresh =
      self && !dynamic_cast<BitmapDataObject*>(self) && self->Proto() == BitmapProto(c);
  if (fresh || !self) {
    Value made = Wrap(c, data);
    if (self) {
      // Keep what `new` gave the object it made.
      for (const Property& p : self->Properties())
        if (!p.name.empty() && p.name != "__proto__")
          made.object->Put(c.vm.heap().Key(p.name), p.name, p.value, p.flags);
    }
    return made;
  }
  // Called on a subclass instance (super(...)): the bitmap rides along in a hidden member.
  c.vm.realm().Set(self, kHolder, Wrap(c, data), kDontEnum);
  return c.on_existing ? c.self : Value::Undefined();
}

enum Op {
  kWidth,
  kHeight,
  kTransparent,
  kRectangle,
  kGetPixel,
  kGetPixel32,
  kSetPixel,
  kSetPixel32,
  kFillRect,
  kCopyPixels,
  kCopyChannel,
  kColorTransform,
  kThreshold,
  kFloodFill,
  kGetColorBoundsRect,
  kHitTest,
  kCompare,
  kNoise,
  kPerlinNoise,
  kPixelDissolve,
  kPaletteMap,
  kMerge,
  kScroll,
  kClone,
  kDispose,
  kDraw,
  kApplyFilter,
  kGenerateFilterRect,
};

// Arguments a method needs before it runs at all.
int Required(int op) {
  switch (op) {
    case kGetPixel:
    case kGetPixel32:
    case kScroll: return 2;
    case kSetPixel:
    case kSetPixel32:
    case kFloodFill:
    case kHitTest:
    case kMerge: return 3;
    case kFillRect:
    case kColorTransform:
    case kGetColorBoundsRect: return 2;
    case kCopyPixels:
    case kPaletteMap: return 3;
    case kPixelDissolve: return 5;  // without a pixel count nothing is dissolved
    case kCopyChannel: return 5;
    case kThreshold: return 5;
    case kCompare:
    case kNoise:
    case kDraw: return 1;
    case kPerlinNoise: return 6;
    case kApplyFilter: return 4;
    case kGenerateFilterRect: return 2;
    default: return 0;
  }
}

BitmapData::ThresholdOp ThresholdOpOf(const std::string& s, bool& ok) {
  ok = true;
  if (s == "<") return BitmapData::ThresholdOp::Less;
  if (s == "<=") return BitmapData::ThresholdOp::LessEqual;
  if (s == ">") return BitmapData::ThresholdOp::Greater;
  if (s == ">=") return BitmapData::ThresholdOp::GreaterEqual;
  if (s == "==") return BitmapData::ThresholdOp::Equal;
  if (s == "!=") return BitmapData::ThresholdOp::NotEqual;
  // Any other text compares as "<".
  return BitmapData::ThresholdOp::Less;
}

// A source bitmap argument: -2 when it is none, -3 when it was disposed.
int SourceArg(NativeCall& c, size_t i, std::shared_ptr<BitmapData>& out) {
  out = DataOf(c, c.Arg(i));
  if (!out) return -2;
  if (out->disposed()) return -3;
  return 0;
}

// The source bitmap, its rectangle and the destination point most copying methods start with.
struct Copy {
  std::shared_ptr<BitmapData> src;
  PixelRect rect;
  int dx = 0, dy = 0;
};
// 0, or the answer for arguments that are not a live bitmap and a rectangle.
int ReadCopy(NativeCall& c, Copy& out) {
  if (int e = SourceArg(c, 0, out.src)) return e;
  if (!RectArg(c, c.Arg(1), out.rect)) return -4;
  PointArg(c, c.Arg(2), out.dx, out.dy);
  return 0;
}

// Whether any pixel of `a` (from ax, ay) at least `at` opaque touches the rectangle or bitmap
// `b` places at (bx, by).
bool HitTestBitmaps(const BitmapData& a, int ax, int ay, int at, const BitmapData& b, int bx,
                    int by, int bt) {
  const int64_t x0 = std::max<int64_t>(ax, bx), y0 = std::max<int64_t>(ay, by);
  const int64_t x1 = std::min<int64_t>(int64_t{ax} + a.width(), int64_t{bx} + b.width());
  const int64_t y1 = std::min<int64_t>(int64_t{ay} + a.height(), int64_t{by} + b.height());
  for (int64_t y = y0; y < y1; ++y)
    for (int64_t x = x0; x < x1; ++x) {
      const int aa =
          static_cast<int>(a.At(static_cast<int>(x - ax), static_cast<int>(y - ay)) >> 24);
      const int ba =
          static_cast<int>(b.At(static_cast<int>(x - bx), static_cast<int>(y - by)) >> 24);
      if (aa >= at && ba >= bt) return true;
    }
  return false;
}

// Pixels count as opaque from the threshold up; against a point or a bitmap a threshold of 0
// still needs some alpha, against a rectangle it does not.
Value HitTest(NativeCall& c, BitmapData& self) {
  int fx = 0, fy = 0;
  if (!StrictPoint(c, c.Arg(0), fx, fy)) return Value::Number(-2);
  const int rect_threshold = std::clamp(Int(c, c.Arg(1)), 0, 255);
  const int first_threshold = std::max(rect_threshold, 1);
  auto alpha_at = [&](int64_t x, int64_t y) -> int {
    if (x < 0 || y < 0 || x >= self.width() || y >= self.height()) return -1;
    return static_cast<int>(self.At(static_cast<int>(x), static_cast<int>(y)) >> 24);
  };
  const Value& second = c.Arg(2);
  if (auto other = DataOf(c, second)) {
    if (other->disposed()) return Value::Number(-3);
    int sx = 0, sy = 0;
    if (!StrictPoint(c, c.Arg(3), sx, sy)) return Value::Number(-4);
    const int second_threshold = std::clamp(Int(c, c.Arg(4)), 1, 255);
    return Value::Bool(
        HitTestBitmaps(self, fx, fy, first_threshold, *other, sx, sy, second_threshold));
  }
  if (HasOwn(c, second, "width") && HasOwn(c, second, "height")) {
    PixelRect r;
    if (!RectArg(c, second, r)) return Value::Number(-3);
    r.x -= fx;
    r.y -= fy;
    r = self.Clip(r);
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x)
        if (alpha_at(x, y) >= rect_threshold) return Value::Bool(true);
    return Value::Bool(false);
  }
  int px = 0, py = 0;
  if (!StrictPoint(c, second, px, py)) return Value::Number(-3);
  return Value::Bool(alpha_at(int64_t{px} - fx, int64_t{py} - fy) >= first_threshold);
}

Value Compare(NativeCall& c, BitmapData& self) {
  std::shared_ptr<BitmapData> other;
  if (SourceArg(c, 0, other)) return Value::Number(-2);
  if (other.get() == &self) return Value::Number(0);
  if (other->width() != self.width()) return Value::Number(-3);
  if (other->height() != self.height()) return Value::Number(-4);
  if (!BitmapData::Affordable(Area(self))) return Value::Undefined();
  auto diff = std::make_shared<BitmapData>(self.width(), self.height(), true, 0);
  bool any = false;
  for (int y = 0; y < self.height(); ++y)
    for (int x = 0; x < self.width(); ++x) {
      const uint32_t a = self.GetPixel32(x, y), b = other->GetPixel32(x, y);
      if (a == b) continue;
      any = true;
      if ((a & 0xFFFFFF) != (b & 0xFFFFFF)) {
        auto d = [&](int s) { return (((a >> s) & 0xFF) - ((b >> s) & 0xFF)) & 0xFF; };
        diff->SetPixel32(x, y, 0xFF000000u | d(16) << 16 | d(8) << 8 | d(0));
      } else {
        const uint32_t da = ((a >> 24) - (b >> 24)) & 0xFF;
        diff->SetPixel32(x, y, da << 24 | 0xFFFFFF);
      }
    }
  if (!any) return Value::Number(0);
  return Wrap(c, diff);
}

std::array<uint32_t, 256> Table(NativeCall& c, const Value& v, int shift) {
  std::array<uint32_t, 256> t;
  auto* array = dynamic_cast<ArrayObject*>(c.vm.ObjectOf(v));
  for (uint32_t i = 0; i < 256; ++i) {
    if (array)
      t[i] = i < array->items.size() ? Color(c, array->items[i]) : 0;
    else
      t[i] = i << shift;
  }
  return t;
}

// The filter a flash.filters object describes; nullopt for anything else.
std::optional<Filter> FilterFromScript(NativeCall& c, const Value& v) {
  if (!c.vm.ObjectOf(v)) return std::nullopt;
  Value package =
      c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "filters");
  static constexpr std::pair<const char*, Filter::Kind> kClasses[] = {
      {"BlurFilter", Filter::Kind::Blur},
      {"DropShadowFilter", Filter::Kind::DropShadow},
      {"GlowFilter", Filter::Kind::Glow},
      {"BevelFilter", Filter::Kind::Bevel},
      {"GradientGlowFilter", Filter::Kind::GradientGlow},
      {"GradientBevelFilter", Filter::Kind::GradientBevel},
      {"ColorMatrixFilter", Filter::Kind::ColorMatrix},
      {"ConvolutionFilter", Filter::Kind::Convolution},
      {"DisplacementMapFilter", Filter::Kind::DisplacementMap}};
  std::optional<Filter> out;
  for (const auto& [name, kind] : kClasses) {
    ScriptObject* cls = c.vm.ObjectOf(c.vm.GetMember(package, name));
    if (cls && c.vm.InstanceOf(v, cls)) {
      out.emplace();
      out->kind = kind;
      break;
    }
  }
  if (!out) return out;
  // A displacement map needs its map's pixels, which only the filter object itself holds.
  if (out->kind == Filter::Kind::DisplacementMap) {
    if (!FilterOfObject(c.vm, c.vm.ObjectOf(v), *out)) out.reset();
    return out;
  }
  Filter& f = *out;
  auto num = [&](const char* name, double fallback) {
    const double d = c.vm.ToNumber(c.vm.GetMember(v, name));
    return std::isfinite(d) ? d : fallback;
  };
  auto flag = [&](const char* name) { return c.vm.ToBool(c.vm.GetMember(v, name)); };
  auto rgba = [&](const char* color, const char* alpha, uint32_t fallback) {
    const Value cv = c.vm.GetMember(v, color);
    const uint32_t rgb = cv.IsUndefined() ? fallback : static_cast<uint32_t>(c.vm.ToInt32(cv));
    const double a = std::clamp(num(alpha, 1), 0.0, 1.0);
    return Rgba{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                static_cast<uint8_t>(rgb), static_cast<uint8_t>(std::lround(a * 255))};
  };
  auto numbers = [&](const char* name) {
    std::vector<double> list;
    if (auto* a = dynamic_cast<ArrayObject*>(c.vm.ObjectOf(c.vm.GetMember(v, name))))
      for (const Value& item : a->items) {
        const double d = c.vm.ToNumber(item);
        list.push_back(std::isfinite(d) ? d : 0);
      }
    return list;
  };
  constexpr double kDegrees = 3.14159265358979323846 / 180;
  f.blur_x = std::clamp(num("blurX", 4), 0.0, kMaxFilterBlur);
  f.blur_y = std::clamp(num("blurY", 4), 0.0, kMaxFilterBlur);
  f.passes = std::clamp(static_cast<int>(num("quality", 1)), 0, kMaxFilterPasses);
  f.strength = std::clamp(num("strength", 1), 0.0, 255.0);
  f.distance = std::clamp(num("distance", 4), -1e4, 1e4);
  f.angle = num("angle", 45) * kDegrees;
  f.inner = flag("inner");
  f.knockout = flag("knockout");
  f.composite_source = !flag("hideObject");
  switch (f.kind) {
    case Filter::Kind::DropShadow: f.color = rgba("color", "alpha", 0); break;
    case Filter::Kind::Glow:
      f.color = rgba("color", "alpha", 0xFF0000);
      f.distance = 0;
      break;
    case Filter::Kind::Bevel:
      f.highlight = rgba("highlightColor", "highlightAlpha", 0xFFFFFF);
      f.color = rgba("shadowColor", "shadowAlpha", 0);
      [[fallthrough]];
    case Filter::Kind::GradientBevel:
    case Filter::Kind::GradientGlow: {
      const std::string type = c.vm.ToString(c.vm.GetMember(v, "type"));
      f.inner = type == "inner";
      f.on_top = type == "full";
      if (f.kind == Filter::Kind::Bevel) break;
      const std::vector<double> colors = numbers("colors"), alphas = numbers("alphas"),
                                ratios = numbers("ratios");
      const size_t n = std::min({colors.size(), alphas.size(), ratios.size(), size_t{16}});
      for (size_t i = 0; i < n; ++i) {
        const uint32_t rgb = static_cast<uint32_t>(static_cast<int64_t>(colors[i]));
        f.gradient_colors.push_back(
            {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
             static_cast<uint8_t>(rgb),
             static_cast<uint8_t>(std::lround(std::clamp(alphas[i], 0.0, 1.0) * 255))});
        f.gradient_ratios.push_back(static_cast<uint8_t>(std::clamp(ratios[i], 0.0, 255.0)));
      }
      break;
    }
    case Filter::Kind::ColorMatrix: {
      const std::vector<double> m = numbers("matrix");
      f.matrix.assign(20, 0.0f);
      for (size_t i = 0; i < 20 && i < m.size(); ++i) f.matrix[i] = static_cast<float>(m[i]);
      break;
    }
    case Filter::Kind::Convolution: {
      f.matrix_x = std::clamp(static_cast<int>(num("matrixX", 0)), 0, kMaxConvolutionSize);
      f.matrix_y = std::clamp(static_cast<int>(num("matrixY", 0)), 0, kMaxConvolutionSize);
      const std::vector<double> m = numbers("matrix");
      f.matrix.assign(static_cast<size_t>(f.matrix_x) * f.matrix_y, 0.0f);
      for (size_t i = 0; i < f.matrix.size() && i < m.size(); ++i)
        f.matrix[i] = static_cast<float>(m[i]);
      f.divisor = static_cast<float>(num("divisor", 1));
      f.bias = static_cast<float>(num("bias", 0));
      f.preserve_alpha = c.vm.GetMember(v, "preserveAlpha").IsUndefined() || flag("preserveAlpha");
      f.clamp = c.vm.GetMember(v, "clamp").IsUndefined() || flag("clamp");
      f.default_color = rgba("color", "alpha", 0);
      break;
    }
    case Filter::Kind::Blur:
    case Filter::Kind::DisplacementMap: break;
  }
  return out;
}

// A flash.geom.Matrix argument (any object with a, b, c, d, tx, ty); the identity without one,
// and a member's identity value where that member is not a finite number.
Matrix MatrixArg(NativeCall& c, const Value& v) {
  Matrix m;
  if (!c.vm.ObjectOf(v)) return m;
  auto num = [&](const char* name, double fallback) {
    const double d = c.vm.ToNumber(c.vm.GetMember(v, name));
    return std::isfinite(d) ? d : fallback;
  };
  return {num("a", 1), num("b", 0), num("c", 0), num("d", 1), num("tx", 0), num("ty", 0)};
}

Value Draw(NativeCall& c, BitmapData& self) {
  const Matrix m = MatrixArg(c, c.Arg(1));
  ColorTransform cx;
  if (c.vm.ObjectOf(c.Arg(2))) {
    auto part = [&](const char* name, double scale, double fallback) {
      const double d = c.vm.ToNumber(c.vm.GetMember(c.Arg(2), name));
      return static_cast<int16_t>(
          std::clamp(std::isfinite(d) ? d * scale : fallback * scale, -32768.0, 32767.0));
    };
    cx.r_mult = part("redMultiplier", 256, 1);
    cx.g_mult = part("greenMultiplier", 256, 1);
    cx.b_mult = part("blueMultiplier", 256, 1);
    cx.a_mult = part("alphaMultiplier", 256, 1);
    cx.r_add = part("redOffset", 1, 0);
    cx.g_add = part("greenOffset", 1, 0);
    cx.b_add = part("blueOffset", 1, 0);
    cx.a_add = part("alphaOffset", 1, 0);
  }
  constexpr int kBlendNormal = 1, kBlendHardlight = 14;
  int blend = kBlendNormal;
  const Value& mode = c.Arg(3);
  if (mode.type == Value::Type::String) {
    static constexpr const char* kNames[] = {
        "normal", "layer",    "multiply", "screen", "lighten", "darken",  "difference",
        "add",    "subtract", "invert",   "alpha",  "erase",   "overlay", "hardlight"};
    for (int i = 0; i < 14; ++i)
      if (mode.string == kNames[i]) blend = i + 1;
  } else if (!mode.IsNullish()) {
    const int n = Int(c, mode);
    if (n >= kBlendNormal && n <= kBlendHardlight) blend = n;
  }
  PixelRect clip{0, 0, self.width(), self.height()};
  if (c.vm.ObjectOf(c.Arg(4))) RectArg(c, c.Arg(4), clip);
  clip = self.Clip(clip);
  if (clip.Empty()) return Value::Undefined();
  CountPixels(c, Area(self, clip) * 4);  // drawing costs a few times a plain loop a pixel
  const bool smooth = c.vm.ToBool(c.Arg(5));

  BitmapPainting target{&self, clip.x, clip.y, clip.width, clip.height, m, cx, blend, smooth};
  if (auto source = DataOf(c, c.Arg(0))) {
    if (!source->disposed()) PaintBitmapInto(*source, target);
  } else if (MovieClip* clip_source = c.vm.ClipOf(c.Arg(0))) {
    PaintClipInto(*clip_source, target, c.vm.player().quality);
  }
  return Value::Undefined();
}

Value Method(NativeCall& c) {
  const int op = Tag(c);
  std::shared_ptr<BitmapData> data = DataOf(c, c.self);
  if (!data) return Value::Number(-1);
  BitmapData& self = *data;
  if (self.disposed()) return Value::Number(-1);
  switch (op) {
    case kWidth: return Value::Number(self.width());
    case kHeight: return Value::Number(self.height());
    case kTransparent: return Value::Bool(self.transparent());
    case kRectangle: return NewRectangle(c, {0, 0, self.width(), self.height()});
    default: break;
  }
  if (static_cast<int>(c.Count()) < Required(op)) return Value::Number(-1);
  switch (op) {
    case kFloodFill:
    case kGetColorBoundsRect:
    case kHitTest:
    case kCompare:
    case kNoise:
    case kScroll:
    case kClone: CountPixels(c, Area(self)); break;
    default: break;
  }
  switch (op) {
    case kGetPixel: return Value::Number(self.GetPixel(Int(c, c.Arg(0)), Int(c, c.Arg(1))));
    case kGetPixel32:
      return Value::Number(
          static_cast<int32_t>(self.GetPixel32(Int(c, c.Arg(0)), Int(c, c.Arg(1)))));
    case kSetPixel:
      self.SetPixel(Int(c, c.Arg(0)), Int(c, c.Arg(1)), Color(c, c.Arg(2)));
      return Value::Number(0);
    case kSetPixel32:
      self.SetPixel32(Int(c, c.Arg(0)), Int(c, c.Arg(1)), Color(c, c.Arg(2)));
      return Value::Number(0);
    case kFillRect: {
      PixelRect r;
      if (!RectArg(c, c.Arg(0), r)) return Value::Number(-1);
      CountPixels(c, Area(self, r));
      self.FillRect(r, Color(c, c.Arg(1)));
      return Value::Number(0);
    }
    case kCopyPixels: {
      Copy from;
      if (int e = ReadCopy(c, from)) return Value::Number(e);
      auto& [src, r, dx, dy] = from;
      CountPixels(c, Area(self, r));
      std::shared_ptr<BitmapData> alpha = DataOf(c, c.Arg(3));
      if (alpha && alpha->disposed()) alpha.reset();
      int ax = 0, ay = 0;
      PointArg(c, c.Arg(4), ax, ay);
      self.CopyPixels(*src, r, dx, dy, alpha.get(), ax, ay, c.vm.ToBool(c.Arg(5)));
      return Value::Undefined();
    }
    case kCopyChannel: {
      Copy from;
      if (int e = ReadCopy(c, from)) return Value::Number(e);
      auto& [src, r, dx, dy] = from;
      CountPixels(c, Area(self, r));
      self.CopyChannel(*src, r, dx, dy, static_cast<unsigned>(Int(c, c.Arg(3))),
                       static_cast<unsigned>(Int(c, c.Arg(4))));
      return Value::Number(-1);
    }
    case kColorTransform: {
      PixelRect r;
      if (!RectArg(c, c.Arg(0), r)) return Value::Number(-2);
      if (!IsGeom(c, c.Arg(1), "ColorTransform")) return Value::Number(-3);
      CountPixels(c, Area(self, r));
      auto num = [&](const char* name) {
        const double d = c.vm.ToNumber(c.vm.GetMember(c.Arg(1), name));
        return std::isfinite(d) ? d : 0.0;
      };
      PixelTransform t{num("redMultiplier"),   num("greenMultiplier"), num("blueMultiplier"),
                       num("alphaMultiplier"), num("redOffset"),       num("greenOffset"),
                       num("blueOffset"),      num("alphaOffset")};
      self.ColorTransform(r, t);
      return Value::Number(-1);
    }
    case kThreshold: {
      Copy from;
      if (int e = ReadCopy(c, from)) return Value::Number(e);
      auto& [src, r, dx, dy] = from;
      CountPixels(c, Area(self, r));
      bool ok = false;
      auto cmp = ThresholdOpOf(c.vm.ToString(c.Arg(3)), ok);
      if (!ok) return Value::Number(0);
      const uint32_t color = c.Count() > 5 ? Color(c, c.Arg(5)) : 0;
      const uint32_t mask = c.Count() > 6 ? Color(c, c.Arg(6)) : 0xFFFFFFFFu;
      return Value::Number(self.Threshold(*src, r, dx, dy, cmp, Color(c, c.Arg(4)), color, mask,
                                          c.vm.ToBool(c.Arg(7))));
    }
    case kFloodFill:
      return Value::Number(
          self.FloodFill(Int(c, c.Arg(0)), Int(c, c.Arg(1)), Color(c, c.Arg(2))) ? 1 : 0);
    case kGetColorBoundsRect:
      return NewRectangle(c, self.ColorBounds(Color(c, c.Arg(0)), Color(c, c.Arg(1)),
                                              c.Count() < 3 || c.vm.ToBool(c.Arg(2))));
    case kHitTest: return HitTest(c, self);
    case kCompare: return Compare(c, self);
    case kNoise: {
      const int low = c.Count() > 1 ? Int(c, c.Arg(1)) : 0;
      const int high = c.Count() > 2 ? Int(c, c.Arg(2)) : 255;
      const unsigned channels = c.Count() > 3 ? static_cast<unsigned>(Int(c, c.Arg(3))) : 7u;
      self.Noise(Int(c, c.Arg(0)), low, high, channels, c.vm.ToBool(c.Arg(4)));
      return Value::Number(0);
    }
    case kPerlinNoise: {
      std::vector<std::pair<double, double>> offsets;
      if (auto* list = dynamic_cast<ArrayObject*>(c.vm.ObjectOf(c.Arg(8))))
        for (const Value& p : list->items) {
          const double x = c.vm.ToNumber(c.vm.GetMember(p, "x"));
          const double y = c.vm.ToNumber(c.vm.GetMember(p, "y"));
          offsets.emplace_back(std::isfinite(x) ? x : 0, std::isfinite(y) ? y : 0);
        }
      const unsigned channels = c.Count() > 6 ? static_cast<unsigned>(Int(c, c.Arg(6))) : 7u;
      // Every octave of every plane (four, or two for gray) draws a noise sample a pixel, each
      // counted as four pixels of a plain loop: eight octaves of noise on a 1000x1000 bitmap
      // still fit one script's budget, the largest bitmap at many octaves does not.
      const int64_t octaves = std::clamp(Int(c, c.Arg(2)), 0, 32);
      CountPixels(c, Area(self) * octaves * (c.vm.ToBool(c.Arg(7)) ? 2 : 4) * 4);
      self.PerlinNoise(c.vm.ToNumber(c.Arg(0)), c.vm.ToNumber(c.Arg(1)), Int(c, c.Arg(2)),
                       Int(c, c.Arg(3)), c.vm.ToBool(c.Arg(4)), c.vm.ToBool(c.Arg(5)), channels,
                       c.vm.ToBool(c.Arg(7)), offsets);
      return Value::Undefined();
    }
    case kPixelDissolve: {
      Copy from;
      // Any source that is not a live bitmap answers -1 here.
      if (int e = ReadCopy(c, from)) return Value::Number(e == -2 || e == -3 ? -1 : e);
      auto& [src, r, dx, dy] = from;
      CountPixels(c, Area(self, r));
      return Value::Number(self.PixelDissolve(*src, r, dx, dy, Int(c, c.Arg(3)), Int(c, c.Arg(4)),
                                              Color(c, c.Arg(5))));
    }
    case kPaletteMap: {
      Copy from;
      if (int e = ReadCopy(c, from)) return Value::Number(e);
      auto& [src, r, dx, dy] = from;
      CountPixels(c, Area(self, r));
      std::array<std::array<uint32_t, 256>, 4> tables = {
          Table(c, c.Arg(3), 16), Table(c, c.Arg(4), 8), Table(c, c.Arg(5), 0),
          Table(c, c.Arg(6), 24)};
      self.PaletteMap(*src, r, dx, dy, tables);
      return Value::Undefined();
    }
    case kMerge: {
      Copy from;
      if (int e = ReadCopy(c, from)) return Value::Number(e);
      auto& [src, r, dx, dy] = from;
      CountPixels(c, Area(self, r));
      self.Merge(*src, r, dx, dy,
                 {Int(c, c.Arg(3)), Int(c, c.Arg(4)), Int(c, c.Arg(5)), Int(c, c.Arg(6))});
      return Value::Undefined();
    }
    case kScroll: self.Scroll(Int(c, c.Arg(0)), Int(c, c.Arg(1))); return Value::Undefined();
    case kClone:
      if (!BitmapData::Affordable(Area(self))) return Value::Undefined();
      return Wrap(c, self.Clone());
    case kDispose: self.Dispose(); return Value::Undefined();
    case kDraw: return Draw(c, self);
    case kApplyFilter: {
      Copy from;
      if (int e = ReadCopy(c, from)) return Value::Number(e);
      auto& [src, r, dx, dy] = from;
      CountPixels(c, Area(self, r));
      std::optional<Filter> filter = FilterFromScript(c, c.Arg(3));
      if (!filter) return Value::Number(-6);
      // Blur passes go over the pixels twice each, a convolution once for each of its cells.
      CountPixels(c, Area(self, r) * (2 * std::clamp(filter->passes, 0, kMaxFilterPasses) +
                                      int64_t{filter->matrix_x} * filter->matrix_y));
      ApplyFilterInto(*src, r, self, dx, dy, *filter);
      return Value::Number(0);
    }
    case kGenerateFilterRect: {
      PixelRect r;
      if (!RectArg(c, c.Arg(0), r)) return Value::Number(-2);
      std::optional<Filter> filter = FilterFromScript(c, c.Arg(1));
      if (!filter) return Value::Number(-3);
      return NewRectangle(c, FilterRectOf(r, *filter));
    }
    default: return Value::Undefined();
  }
}

// BitmapData.loadBitmap(linkage): a bitmap made from the picture a movie exports under that name.
Value LoadBitmap(NativeCall& c) {
  MovieClip* target = c.vm.Target();
  MovieClip* root = target ? target->Root() : nullptr;
  if (!root || !root->movie) return Value::Undefined();
  CharacterPtr symbol = c.vm.player().ExportedSymbol(root->movie.get(), c.vm.ToString(c.Arg(0)));
  if (!symbol || symbol->kind != CharacterDef::Kind::Bitmap) return Value::Undefined();
  std::shared_ptr<const BitmapPixels> pixels = static_cast<const BitmapDef&>(*symbol).Pixels();
  if (!pixels || pixels->width <= 0 || pixels->height <= 0 ||
      !BitmapData::Affordable(int64_t{pixels->width} * pixels->height))
    return Value::Undefined();
  auto data = std::make_shared<BitmapData>(pixels->width, pixels->height, true, 0);
  for (int y = 0; y < pixels->height; ++y)
    for (int x = 0; x < pixels->width; ++x) {
      const uint8_t* p =
          &pixels->bgra_premultiplied[(static_cast<size_t>(y) * pixels->width + x) * 4];
      data->At(x, y) =
          uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
  data->Touch();
  return Wrap(c, data);
}

// MovieClip.attachBitmap(bitmap, depth, pixelSnapping, smoothing): shows the bitmap at that
// depth of the clip, in place of what was there.
Value AttachBitmap(NativeCall& c) {
  MovieClip* clip = c.self.IsUndefined() ? c.vm.Target() : c.vm.ClipOf(c.self);
  std::shared_ptr<BitmapData> data = DataOf(c, c.Arg(0));
  if (!clip || !data || c.Count() < 2) return Value::Undefined();
  const double d = c.vm.ToNumber(c.Arg(1));
  if (!std::isfinite(d)) return Value::Undefined();
  const int depth = static_cast<int>(std::clamp(d, -16384.0, 2130690045.0));
  if (clip->children.count(depth)) c.vm.player().RemoveChild(clip, depth);
  auto bitmap = std::make_shared<BitmapObject>(data, c.vm.ToBool(c.Arg(3)));
  bitmap->parent = clip;
  bitmap->depth = depth;
  bitmap->place_frame = -1;
  clip->children[depth] = bitmap;
  return Value::Undefined();
}

// MovieClip.beginBitmapFill(bitmap, matrix, repeat = true, smoothing = false): fills what the
// pen draws next with the bitmap, placed by the matrix (pixels of the clip).
Value BeginBitmapFill(NativeCall& c) {
  MovieClip* clip = c.self.IsUndefined() ? c.vm.Target() : c.vm.ClipOf(c.self);
  std::shared_ptr<BitmapData> data = DataOf(c, c.Arg(0));
  if (!clip || !data || data->disposed()) return Value::Undefined();
  if (!clip->drawing) clip->drawing = std::make_shared<ClipDrawing>();
  const uint16_t id = clip->drawing->AddBitmap(data);
  if (id == 0) return Value::Undefined();
  FillStyle fill;
  const bool repeat = c.Count() < 3 || c.vm.ToBool(c.Arg(2));
  const bool smooth = c.vm.ToBool(c.Arg(3));
  fill.type = repeat ? (smooth ? FillStyle::Type::RepeatingBitmap
                               : FillStyle::Type::NonSmoothedRepeatingBitmap)
                     : (smooth ? FillStyle::Type::ClippedBitmap
                               : FillStyle::Type::NonSmoothedClippedBitmap);
  fill.bitmap_id = id;
  const Matrix m = MatrixArg(c, c.Arg(1));
  // Bitmap pixels to the clip's twips.
  fill.matrix = {m.a * 20, m.b * 20, m.c * 20, m.d * 20, m.tx * 20, m.ty * 20};
  clip->drawing->BeginFill(fill);
  return Value::Undefined();
}

}  // namespace

std::shared_ptr<BitmapData> BitmapDataOfValue(ActionRunner& vm, const Value& v) {
  ScriptObject* o = vm.ObjectOf(v);
  if (!o) return nullptr;
  if (auto* b = dynamic_cast<BitmapDataObject*>(o)) return b->data;
  if (Property* p = o->Find(vm.heap().Key(kHolder)); p && p->value.IsObject())
    if (auto* b = dynamic_cast<BitmapDataObject*>(p->value.object)) return b->data;
  return nullptr;
}

void InstallBitmapData(Realm& realm) {
  ScriptObject* display = PackageObject(realm, "flash.display");
  FunctionObject* ctor = realm.NewNative(Construct);
  ctor->new_may_fail = true;
  ScriptObject* proto = realm.NewObject();
  realm.LinkPrototype(ctor, proto);
  realm.Set(display, "BitmapData", Value::Object(ctor));
  for (auto [name, tag] : {std::pair{"width", kWidth},
                           {"height", kHeight},
                           {"transparent", kTransparent},
                           {"rectangle", kRectangle}}) {
    // Enumerable, as for..in over a bitmap shows them.
    Property& p = proto->Put(realm.heap.Key(name), name, Value::Undefined(), kDontDelete);
    p.accessor = true;
    p.getter = realm.NewNative(Method, tag);
  }
  for (auto [name, tag] : {std::pair{"getPixel", kGetPixel},
                           {"getPixel32", kGetPixel32},
                           {"setPixel", kSetPixel},
                           {"setPixel32", kSetPixel32},
                           {"fillRect", kFillRect},
                           {"copyPixels", kCopyPixels},
                           {"copyChannel", kCopyChannel},
                           {"colorTransform", kColorTransform},
                           {"threshold", kThreshold},
                           {"floodFill", kFloodFill},
                           {"getColorBoundsRect", kGetColorBoundsRect},
                           {"hitTest", kHitTest},
                           {"compare", kCompare},
                           {"noise", kNoise},
                           {"perlinNoise", kPerlinNoise},
                           {"pixelDissolve", kPixelDissolve},
                           {"paletteMap", kPaletteMap},
                           {"merge", kMerge},
                           {"scroll", kScroll},
                           {"clone", kClone},
                           {"dispose", kDispose},
                           {"draw", kDraw},
                           {"applyFilter", kApplyFilter},
                           {"generateFilterRect", kGenerateFilterRect}})
    realm.Method(proto, name, Method, tag);
  realm.Method(ctor, "loadBitmap", LoadBitmap);
  for (auto [name, channel] : {std::pair{"RED_CHANNEL", kChannelRed},
                               {"GREEN_CHANNEL", kChannelGreen},
                               {"BLUE_CHANNEL", kChannelBlue},
                               {"ALPHA_CHANNEL", kChannelAlpha}})
    realm.Set(ctor, name, Value::Number(channel), 0);
  realm.Method(realm.movieclip_proto, "attachBitmap", AttachBitmap);
  realm.Method(realm.movieclip_proto, "beginBitmapFill", BeginBitmapFill);
}

}  // namespace flash
