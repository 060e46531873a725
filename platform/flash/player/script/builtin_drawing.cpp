// The pen methods of clips: fills, line styles and the edges scripts draw into a clip's drawing.
// Coordinates and widths are pixels in the clip's own space; the drawing keeps whole twips.
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/clip_drawing.h"

namespace flash {

namespace {

enum Op {
  kBeginFill,
  kBeginGradientFill,
  kLineStyle,
  kLineGradientStyle,
  kMoveTo,
  kLineTo,
  kCurveTo,
  kEndFill,
  kClear
};

MovieClip* Self(NativeCall& c) {
  if (c.self.IsUndefined()) return c.vm.Target();
  return c.vm.ClipOf(c.self);
}

ClipDrawing& DrawingOf(MovieClip& clip) {
  if (!clip.drawing) clip.drawing = std::make_shared<ClipDrawing>();
  return *clip.drawing;
}

// Pixels to twips; false for a coordinate that is not a number.
bool Twips(NativeCall& c, size_t i, int32_t& out) {
  double d = c.vm.ToNumber(c.Arg(i));
  if (std::isnan(d)) return false;
  out = static_cast<int32_t>(std::llround(std::clamp(d * 20, -1e9, 1e9)));
  return true;
}

uint8_t Alpha(NativeCall& c, const Value& v) {
  if (v.IsUndefined()) return 255;
  double a = c.vm.ToNumber(v);
  if (std::isnan(a)) return 0;
  return static_cast<uint8_t>(std::lround(std::clamp(a, 0.0, 100.0) * 2.55));
}

Rgba Colour(NativeCall& c, const Value& rgb, const Value& alpha) {
  uint32_t v = static_cast<uint32_t>(c.vm.ToInt32(rgb));
  return Rgba{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v),
              Alpha(c, alpha)};
}

// The matrix from the gradient square (32768 twips wide, centred on the origin) to the clip's
// twips: a box {matrixType: "box", x, y, w, h, r}, a matrix {a, b, c, d, tx, ty}, or the older
// 3x3 form {a, b, d, e, g, h}.
Matrix GradientMatrix(NativeCall& c, const Value& m) {
  auto num = [&](const char* name) {
    double d = c.vm.ToNumber(c.vm.GetMember(m, name));
    return std::isfinite(d) ? d : 0.0;
  };
  Matrix out;
  if (c.vm.ToString(c.vm.GetMember(m, "matrixType")) == "box") {
    const double w = num("w") / 1638.4, h = num("h") / 1638.4, r = num("r");
    // Scaled to the box, then turned, then moved to the box's centre.
    out.a = std::cos(r) * w;
    out.b = std::sin(r) * w;
    out.c = -std::sin(r) * h;
    out.d = std::cos(r) * h;
    out.tx = (num("x") + num("w") / 2) * 20;
    out.ty = (num("y") + num("h") / 2) * 20;
  } else if (!c.vm.GetMember(m, "tx").IsUndefined()) {
    out.a = num("a");
    out.b = num("b");
    out.c = num("c");
    out.d = num("d");
    out.tx = num("tx") * 20;
    out.ty = num("ty") * 20;
  } else {
    out.a = num("a");
    out.b = num("b");
    out.c = num("d");
    out.d = num("e");
    out.tx = num("g") * 20;
    out.ty = num("h") * 20;
  }
  return out;
}

// A gradient from (type, colors, alphas, ratios, matrix[, spread[, interpolation[, focal]]]);
// nothing for a call the player refuses (wrong count, unknown type, arrays that differ in length
// or ratios outside 0..255).
std::optional<FillStyle> GradientFill(NativeCall& c) {
  if (c.Count() < 5 || c.Count() > 8) return std::nullopt;
  const std::string type = c.vm.ToString(c.Arg(0));
  if (type != "linear" && type != "radial") return std::nullopt;
  auto array = [&](size_t i) -> ArrayObject* {
    ScriptObject* o = c.vm.ObjectOf(c.Arg(i));
    return o && o->kind == ScriptObject::Kind::Array ? static_cast<ArrayObject*>(o) : nullptr;
  };
  ArrayObject* colors = array(1);
  ArrayObject* alphas = array(2);
  ArrayObject* ratios = array(3);
  if (!colors || !alphas || !ratios || !c.vm.ObjectOf(c.Arg(4))) return std::nullopt;
  const size_t n = colors->items.size();
  if (n == 0 || alphas->items.size() != n || ratios->items.size() != n) return std::nullopt;
  FillStyle fill;
  fill.type = type == "linear" ? FillStyle::Type::LinearGradient : FillStyle::Type::RadialGradient;
  constexpr size_t kMaxStops = 15;
  for (size_t i = 0; i < std::min(n, kMaxStops); ++i) {
    double ratio = c.vm.ToNumber(ratios->items[i]);
    if (std::isnan(ratio)) ratio = 0;
    if (ratio <= -1 || ratio >= 256) return std::nullopt;
    GradientStop stop;
    stop.ratio = static_cast<uint8_t>(std::clamp(static_cast<int>(ratio), 0, 255));
    stop.color = Colour(c, colors->items[i], alphas->items[i]);
    fill.gradient.stops.push_back(stop);
  }
  fill.matrix = GradientMatrix(c, c.Arg(4));
  const std::string spread = c.vm.ToString(c.Arg(5));
  fill.gradient.spread = spread == "reflect"  ? SpreadMode::Reflect
                         : spread == "repeat" ? SpreadMode::Repeat
                                              : SpreadMode::Pad;
  if (c.vm.ToString(c.Arg(6)) == "linearRGB")
    fill.gradient.interpolation = InterpolationMode::LinearRgb;
  if (fill.type == FillStyle::Type::RadialGradient && c.Count() >= 8) {
    // Kept as the file format keeps it: 8.8 fixed point, cut toward zero.
    double focal = c.vm.ToNumber(c.Arg(7));
    if (std::isfinite(focal)) focal = std::trunc(std::clamp(focal, -1.0, 1.0) * 256) / 256;
    if (std::isfinite(focal) && focal != 0) {
      fill.type = FillStyle::Type::FocalGradient;
      fill.gradient.focal_point = focal;
    }
  }
  return fill;
}

std::optional<LineStyle> PenStyle(NativeCall& c) {
  if (c.Count() == 0 || c.Arg(0).IsUndefined()) return std::nullopt;
  double thickness = c.vm.ToNumber(c.Arg(0));
  if (std::isnan(thickness)) thickness = 0;
  LineStyle line;
  line.width = static_cast<uint16_t>(std::lround(std::clamp(thickness, 0.0, 255.0) * 20));
  line.color = Colour(c, c.Arg(1), c.Arg(2));
  line.pixel_hinting = c.vm.ToBool(c.Arg(3));
  const std::string scale = c.vm.ToString(c.Arg(4));
  line.no_hscale = scale == "none" || scale == "horizontal";
  line.no_vscale = scale == "none" || scale == "vertical";
  const std::string caps = c.vm.ToString(c.Arg(5));
  line.start_cap = line.end_cap = caps == "none"     ? CapStyle::None
                                  : caps == "square" ? CapStyle::Square
                                                     : CapStyle::Round;
  const std::string joint = c.vm.ToString(c.Arg(6));
  line.join = joint == "bevel"   ? JoinStyle::Bevel
              : joint == "miter" ? JoinStyle::Miter
                                 : JoinStyle::Round;
  if (line.join == JoinStyle::Miter && !c.Arg(7).IsUndefined()) {
    double limit = c.vm.ToNumber(c.Arg(7));
    line.miter_limit = std::isnan(limit) ? 3 : std::clamp(limit, 1.0, 255.0);
  }
  return line;
}

Value Pen(NativeCall& c) {
  MovieClip* clip = Self(c);
  if (!clip) return Value::Undefined();
  const auto op = static_cast<Op>(static_cast<FunctionObject*>(c.callee)->native_tag);
  int32_t x = 0, y = 0, cx = 0, cy = 0;
  switch (op) {
    case kBeginFill:
      if (c.Count() == 0 || c.Arg(0).IsUndefined()) {
        DrawingOf(*clip).EndFill();
      } else {
        FillStyle fill;
        fill.color = Colour(c, c.Arg(0), c.Arg(1));
        DrawingOf(*clip).BeginFill(fill);
      }
      break;
    case kBeginGradientFill:
      if (auto fill = GradientFill(c)) DrawingOf(*clip).BeginFill(*fill);
      break;
    case kLineStyle: DrawingOf(*clip).SetLine(PenStyle(c)); break;
    case kLineGradientStyle:
      if (auto fill = GradientFill(c)) DrawingOf(*clip).SetLineFill(*fill);
      break;
    case kMoveTo:
      if (c.Count() >= 2 && Twips(c, 0, x) && Twips(c, 1, y)) DrawingOf(*clip).MoveTo(x, y);
      break;
    case kLineTo:
      if (c.Count() >= 2 && Twips(c, 0, x) && Twips(c, 1, y)) DrawingOf(*clip).LineTo(x, y);
      break;
    case kCurveTo:
      if (c.Count() >= 4 && Twips(c, 0, cx) && Twips(c, 1, cy) && Twips(c, 2, x) && Twips(c, 3, y))
        DrawingOf(*clip).CurveTo(cx, cy, x, y);
      break;
    case kEndFill: DrawingOf(*clip).EndFill(); break;
    case kClear: clip->drawing.reset(); break;
  }
  return Value::Undefined();
}

}  // namespace

void InstallDrawing(Realm& realm) {
  const std::pair<const char*, Op> methods[] = {
      {"beginFill", kBeginFill}, {"beginGradientFill", kBeginGradientFill},
      {"lineStyle", kLineStyle}, {"lineGradientStyle", kLineGradientStyle},
      {"moveTo", kMoveTo},       {"lineTo", kLineTo},
      {"curveTo", kCurveTo},     {"endFill", kEndFill},
      {"clear", kClear},
  };
  for (const auto& [name, op] : methods) realm.Method(realm.movieclip_proto, name, Pen, op);
}

}  // namespace flash
