// flash.geom: Point, Rectangle, Matrix, ColorTransform and Transform, in the _global.flash.geom
// package object.
//
// The first four are plain objects with plain members (x, y, width, a, redMultiplier...): their
// constructors store the arguments as given, so a member holds whatever a script put there, and
// the methods read the members as numbers, compute with script/lib/geom_math and write numbers
// back. Derived members of Rectangle (top, right, size...), Point.length and
// ColorTransform.rgb are accessors on the prototypes. A Transform reads and writes the matrix
// and colour transform of the clip it was made for.
#include <cmath>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"
#include "platform/flash/player/script/lib/geom_math.h"

namespace flash {

namespace {

namespace lib = scriptlib;

// --- shared helpers ---

double Num(NativeCall& c, const Value& obj, const char* name) {
  return c.vm.ToNumber(c.vm.GetMember(obj, name));
}
void SetNum(NativeCall& c, const Value& obj, const char* name, double v) {
  c.vm.SetMember(obj, name, Value::Number(v));
}

// A new instance of a class of the package, as `new` would make it.
Value NewOf(NativeCall& c, const char* cls, std::vector<Value> args) {
  Value package =
      c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "geom");
  return c.vm.Construct(c.vm.GetMember(package, cls), std::move(args));
}

// Stores the arguments under `names` as given; without any arguments, the defaults.
void StoreArgs(NativeCall& c, std::initializer_list<const char*> names,
               std::initializer_list<double> defaults) {
  size_t i = 0;
  auto d = defaults.begin();
  for (const char* name : names) {
    c.vm.SetMember(c.self, name, c.Count() == 0 ? Value::Number(*d) : c.Arg(i));
    ++i;
    ++d;
  }
}

// "(x=1, y=2)": each member as script text.
Value Describe(NativeCall& c, std::initializer_list<std::pair<const char*, const char*>> parts) {
  std::string out = "(";
  bool first = true;
  for (const auto& [label, member] : parts) {
    if (!first) out += ", ";
    first = false;
    out += label;
    out += '=';
    out += c.vm.ToString(c.vm.GetMember(c.self, member));
  }
  return Value::String(out + ")");
}

int Tag(NativeCall& c) { return static_cast<FunctionObject*>(c.callee)->native_tag; }

Value FromOptional(NativeCall& c, std::optional<bool> b) {
  return b ? c.vm.FromBool(*b) : Value::Undefined();
}

// --- Point ---

lib::GeomPoint PointOf(NativeCall& c, const Value& v) { return {Num(c, v, "x"), Num(c, v, "y")}; }
Value NewPoint(NativeCall& c, const lib::GeomPoint& p) {
  return NewOf(c, "Point", {Value::Number(p.x), Value::Number(p.y)});
}

Value PointCtor(NativeCall& c) {
  StoreArgs(c, {"x", "y"}, {0, 0});
  return c.self;
}

enum PointOp {
  kPointAdd,
  kPointSubtract,
  kPointClone,
  kPointEquals,
  kPointNormalize,
  kPointOffset,
  kPointToString,
  kPointLength,
  kPointDistance,
  kPointInterpolate,
  kPointPolar
};

Value PointMethod(NativeCall& c) {
  switch (Tag(c)) {
    case kPointAdd:
    case kPointSubtract: {
      lib::GeomPoint p = PointOf(c, c.self), q = PointOf(c, c.Arg(0));
      double s = Tag(c) == kPointAdd ? 1 : -1;
      return NewPoint(c, {p.x + s * q.x, p.y + s * q.y});
    }
    case kPointClone:
      return NewOf(c, "Point", {c.vm.GetMember(c.self, "x"), c.vm.GetMember(c.self, "y")});
    case kPointEquals: {
      if (!c.Arg(0).IsObject() ||
          !c.vm.InstanceOf(c.Arg(0), c.vm.ObjectOf(c.vm.GetMember(c.self, "__constructor__"))))
        return c.vm.FromBool(false);
      return c.vm.FromBool(
          c.vm.StrictEquals(c.vm.GetMember(c.self, "x"), c.vm.GetMember(c.Arg(0), "x")) &&
          c.vm.StrictEquals(c.vm.GetMember(c.self, "y"), c.vm.GetMember(c.Arg(0), "y")));
    }
    case kPointNormalize: {
      lib::GeomPoint p = lib::PointNormalize(PointOf(c, c.self), c.vm.ToNumber(c.Arg(0)));
      SetNum(c, c.self, "x", p.x);
      SetNum(c, c.self, "y", p.y);
      return Value::Undefined();
    }
    case kPointOffset:
      SetNum(c, c.self, "x", Num(c, c.self, "x") + c.vm.ToNumber(c.Arg(0)));
      SetNum(c, c.self, "y", Num(c, c.self, "y") + c.vm.ToNumber(c.Arg(1)));
      return Value::Undefined();
    case kPointToString: return Describe(c, {{"x", "x"}, {"y", "y"}});
    case kPointLength: return Value::Number(lib::PointLength(PointOf(c, c.self)));
    case kPointDistance:
      return Value::Number(lib::PointDistance(PointOf(c, c.Arg(0)), PointOf(c, c.Arg(1))));
    case kPointInterpolate:
      return NewPoint(c, lib::PointInterpolate(PointOf(c, c.Arg(0)), PointOf(c, c.Arg(1)),
                                               c.vm.ToNumber(c.Arg(2))));
    case kPointPolar:
      return NewPoint(c, lib::PointPolar(c.vm.ToNumber(c.Arg(0)), c.vm.ToNumber(c.Arg(1))));
    default: return Value::Undefined();
  }
}

// --- Rectangle ---

lib::GeomRect RectOf(NativeCall& c, const Value& v) {
  return {Num(c, v, "x"), Num(c, v, "y"), Num(c, v, "width"), Num(c, v, "height")};
}

Value NewRect(NativeCall& c, const lib::GeomRect& r) {
  return NewOf(
      c, "Rectangle",
      {Value::Number(r.x), Value::Number(r.y), Value::Number(r.width), Value::Number(r.height)});
}

void SetRect(NativeCall& c, const lib::GeomRect& r) {
  SetNum(c, c.self, "x", r.x);
  SetNum(c, c.self, "y", r.y);
  SetNum(c, c.self, "width", r.width);
  SetNum(c, c.self, "height", r.height);
}

Value RectCtor(NativeCall& c) {
  StoreArgs(c, {"x", "y", "width", "height"}, {0, 0, 0, 0});
  return c.self;
}

enum RectOp {
  kRectClone,
  kRectEquals,
  kRectIsEmpty,
  kRectSetEmpty,
  kRectContains,
  kRectContainsPoint,
  kRectContainsRectangle,
  kRectInflate,
  kRectInflatePoint,
  kRectIntersection,
  kRectIntersects,
  kRectOffset,
  kRectOffsetPoint,
  kRectUnion,
  kRectToString
};

Value RectMethod(NativeCall& c) {
  Value self = c.self;
  switch (Tag(c)) {
    case kRectClone:
      return NewOf(c, "Rectangle",
                   {c.vm.GetMember(self, "x"), c.vm.GetMember(self, "y"),
                    c.vm.GetMember(self, "width"), c.vm.GetMember(self, "height")});
    case kRectEquals: {
      if (!c.Arg(0).IsObject() ||
          !c.vm.InstanceOf(c.Arg(0), c.vm.ObjectOf(c.vm.GetMember(self, "__constructor__"))))
        return c.vm.FromBool(false);
      for (const char* m : {"x", "y", "width", "height"})
        if (!c.vm.StrictEquals(c.vm.GetMember(self, m), c.vm.GetMember(c.Arg(0), m)))
          return c.vm.FromBool(false);
      return c.vm.FromBool(true);
    }
    case kRectIsEmpty: return c.vm.FromBool(lib::RectIsEmpty(RectOf(c, self)));
    case kRectSetEmpty: SetRect(c, {}); return Value::Undefined();
    case kRectContains:
      return FromOptional(
          c, lib::RectContains(RectOf(c, self), c.vm.ToNumber(c.Arg(0)), c.vm.ToNumber(c.Arg(1))));
    case kRectContainsPoint: {
      lib::GeomPoint p = PointOf(c, c.Arg(0));
      return FromOptional(c, lib::RectContains(RectOf(c, self), p.x, p.y));
    }
    case kRectContainsRectangle:
      return FromOptional(c, lib::RectContainsRect(RectOf(c, self), RectOf(c, c.Arg(0))));
    case kRectInflate:
      SetRect(c,
              lib::RectInflate(RectOf(c, self), c.vm.ToNumber(c.Arg(0)), c.vm.ToNumber(c.Arg(1))));
      return Value::Undefined();
    case kRectInflatePoint: {
      lib::GeomPoint p = PointOf(c, c.Arg(0));
      SetRect(c, lib::RectInflate(RectOf(c, self), p.x, p.y));
      return Value::Undefined();
    }
    case kRectIntersection:
      return NewRect(c, lib::RectIntersection(RectOf(c, self), RectOf(c, c.Arg(0))));
    case kRectIntersects:
      return c.vm.FromBool(lib::RectIntersects(RectOf(c, self), RectOf(c, c.Arg(0))));
    case kRectOffset:
    case kRectOffsetPoint: {
      double dx, dy;
      if (Tag(c) == kRectOffset) {
        dx = c.vm.ToNumber(c.Arg(0));
        dy = c.vm.ToNumber(c.Arg(1));
      } else {
        lib::GeomPoint p = PointOf(c, c.Arg(0));
        dx = p.x;
        dy = p.y;
      }
      SetNum(c, self, "x", Num(c, self, "x") + dx);
      SetNum(c, self, "y", Num(c, self, "y") + dy);
      return Value::Undefined();
    }
    case kRectUnion: return NewRect(c, lib::RectUnion(RectOf(c, self), RectOf(c, c.Arg(0))));
    case kRectToString:
      return Describe(c, {{"x", "x"}, {"y", "y"}, {"w", "width"}, {"h", "height"}});
    default: return Value::Undefined();
  }
}

// Derived members. Writing an edge moves it and keeps the opposite edge; the assigned value is
// stored as given where it becomes x or y, and the size changes by number.
enum RectProp { kTop, kRight, kBottom, kLeft, kTopLeft, kBottomRight, kSize };

Value RectGet(NativeCall& c) {
  Value self = c.self;
  switch (Tag(c)) {
    case kTop: return c.vm.GetMember(self, "y");
    case kLeft: return c.vm.GetMember(self, "x");
    case kRight: return Value::Number(Num(c, self, "x") + Num(c, self, "width"));
    case kBottom: return Value::Number(Num(c, self, "y") + Num(c, self, "height"));
    case kTopLeft: return NewOf(c, "Point", {c.vm.GetMember(self, "x"), c.vm.GetMember(self, "y")});
    case kBottomRight:
      return NewPoint(c, {Num(c, self, "x") + Num(c, self, "width"),
                          Num(c, self, "y") + Num(c, self, "height")});
    case kSize:
      return NewOf(c, "Point", {c.vm.GetMember(self, "width"), c.vm.GetMember(self, "height")});
    default: return Value::Undefined();
  }
}

Value RectSet(NativeCall& c) {
  Value self = c.self;
  const Value& v = c.Arg(0);
  auto move_near = [&](const char* pos, const char* size, const Value& to) {
    SetNum(c, self, size, Num(c, self, size) + Num(c, self, pos) - c.vm.ToNumber(to));
    c.vm.SetMember(self, pos, to);
  };
  auto move_far = [&](const char* pos, const char* size, double to) {
    SetNum(c, self, size, to - Num(c, self, pos));
  };
  switch (Tag(c)) {
    case kTop: move_near("y", "height", v); break;
    case kLeft: move_near("x", "width", v); break;
    case kRight: move_far("x", "width", c.vm.ToNumber(v)); break;
    case kBottom: move_far("y", "height", c.vm.ToNumber(v)); break;
    case kTopLeft: {
      Value x = c.vm.GetMember(v, "x"), y = c.vm.GetMember(v, "y");
      move_near("x", "width", x);
      move_near("y", "height", y);
      break;
    }
    case kBottomRight:
      move_far("x", "width", Num(c, v, "x"));
      move_far("y", "height", Num(c, v, "y"));
      break;
    case kSize:
      c.vm.SetMember(self, "width", c.vm.GetMember(v, "x"));
      c.vm.SetMember(self, "height", c.vm.GetMember(v, "y"));
      break;
    default: break;
  }
  return Value::Undefined();
}

// --- Matrix ---

lib::GeomMatrix MatrixOf(NativeCall& c, const Value& v) {
  return {Num(c, v, "a"), Num(c, v, "b"),  Num(c, v, "c"),
          Num(c, v, "d"), Num(c, v, "tx"), Num(c, v, "ty")};
}

void SetMatrix(NativeCall& c, const lib::GeomMatrix& m) {
  SetNum(c, c.self, "a", m.a);
  SetNum(c, c.self, "b", m.b);
  SetNum(c, c.self, "c", m.c);
  SetNum(c, c.self, "d", m.d);
  SetNum(c, c.self, "tx", m.tx);
  SetNum(c, c.self, "ty", m.ty);
}

Value NewMatrix(NativeCall& c, const lib::GeomMatrix& m) {
  return NewOf(c, "Matrix",
               {Value::Number(m.a), Value::Number(m.b), Value::Number(m.c), Value::Number(m.d),
                Value::Number(m.tx), Value::Number(m.ty)});
}

Value MatrixCtor(NativeCall& c) {
  StoreArgs(c, {"a", "b", "c", "d", "tx", "ty"}, {1, 0, 0, 1, 0, 0});
  return c.self;
}

enum MatrixOp {
  kMatrixIdentity,
  kMatrixClone,
  kMatrixConcat,
  kMatrixInvert,
  kMatrixRotate,
  kMatrixScale,
  kMatrixTranslate,
  kMatrixCreateBox,
  kMatrixCreateGradientBox,
  kMatrixTransformPoint,
  kMatrixDeltaTransformPoint,
  kMatrixToString
};

Value MatrixMethod(NativeCall& c) {
  auto arg = [&](size_t i) { return c.vm.ToNumber(c.Arg(i)); };
  // Offsets and, for gradient boxes, the rotation may be left out: they count as 0.
  auto optional = [&](size_t i) { return c.Arg(i).IsUndefined() ? 0.0 : arg(i); };
  switch (Tag(c)) {
    case kMatrixIdentity: SetMatrix(c, {}); return Value::Undefined();
    case kMatrixClone: {
      std::vector<Value> members;
      for (const char* m : {"a", "b", "c", "d", "tx", "ty"})
        members.push_back(c.vm.GetMember(c.self, m));
      return NewOf(c, "Matrix", std::move(members));
    }
    case kMatrixConcat:
      SetMatrix(c, lib::MatrixConcat(MatrixOf(c, c.self), MatrixOf(c, c.Arg(0))));
      break;
    case kMatrixInvert: SetMatrix(c, lib::MatrixInvert(MatrixOf(c, c.self))); break;
    case kMatrixRotate: SetMatrix(c, lib::MatrixRotate(MatrixOf(c, c.self), arg(0))); break;
    case kMatrixScale: SetMatrix(c, lib::MatrixScale(MatrixOf(c, c.self), arg(0), arg(1))); break;
    case kMatrixTranslate:
      SetMatrix(c, lib::MatrixTranslate(MatrixOf(c, c.self), arg(0), arg(1)));
      break;
    case kMatrixCreateBox:
      SetMatrix(c, lib::MatrixCreateBox(arg(0), arg(1), arg(2), optional(3), optional(4)));
      break;
    case kMatrixCreateGradientBox:
      SetMatrix(
          c, lib::MatrixCreateGradientBox(arg(0), arg(1), optional(2), optional(3), optional(4)));
      break;
    case kMatrixTransformPoint:
      return NewPoint(c, lib::MatrixTransformPoint(MatrixOf(c, c.self), PointOf(c, c.Arg(0))));
    case kMatrixDeltaTransformPoint:
      return NewPoint(c, lib::MatrixDeltaTransformPoint(MatrixOf(c, c.self), PointOf(c, c.Arg(0))));
    case kMatrixToString:
      return Describe(c,
                      {{"a", "a"}, {"b", "b"}, {"c", "c"}, {"d", "d"}, {"tx", "tx"}, {"ty", "ty"}});
    default: break;
  }
  return Value::Undefined();
}

// --- ColorTransform ---

constexpr const char* kColorMembers[] = {"redMultiplier",   "greenMultiplier", "blueMultiplier",
                                         "alphaMultiplier", "redOffset",       "greenOffset",
                                         "blueOffset",      "alphaOffset"};

lib::GeomColorTransform ColorOf(NativeCall& c, const Value& v) {
  lib::GeomColorTransform t;
  double* fields[] = {&t.redMultiplier, &t.greenMultiplier, &t.blueMultiplier, &t.alphaMultiplier,
                      &t.redOffset,     &t.greenOffset,     &t.blueOffset,     &t.alphaOffset};
  for (int i = 0; i < 8; ++i) *fields[i] = Num(c, v, kColorMembers[i]);
  return t;
}

std::vector<Value> ColorValues(const lib::GeomColorTransform& t) {
  return {Value::Number(t.redMultiplier),  Value::Number(t.greenMultiplier),
          Value::Number(t.blueMultiplier), Value::Number(t.alphaMultiplier),
          Value::Number(t.redOffset),      Value::Number(t.greenOffset),
          Value::Number(t.blueOffset),     Value::Number(t.alphaOffset)};
}

void SetColor(NativeCall& c, const lib::GeomColorTransform& t) {
  std::vector<Value> values = ColorValues(t);
  for (int i = 0; i < 8; ++i) c.vm.SetMember(c.self, kColorMembers[i], values[i]);
}

Value ColorCtor(NativeCall& c) {
  StoreArgs(c,
            {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier", "redOffset",
             "greenOffset", "blueOffset", "alphaOffset"},
            {1, 1, 1, 1, 0, 0, 0, 0});
  return c.self;
}

enum ColorOp { kColorConcat, kColorToString, kColorGetRgb, kColorSetRgb };

Value ColorMethod(NativeCall& c) {
  switch (Tag(c)) {
    case kColorConcat:
      SetColor(c, lib::ColorTransformConcat(ColorOf(c, c.self), ColorOf(c, c.Arg(0))));
      break;
    case kColorToString: {
      std::string out = "(";
      for (int i = 0; i < 8; ++i) {
        if (i) out += ", ";
        out += std::string(kColorMembers[i]) + "=" +
               c.vm.ToString(c.vm.GetMember(c.self, kColorMembers[i]));
      }
      return Value::String(out + ")");
    }
    case kColorGetRgb: return Value::Number(lib::ColorTransformRgb(ColorOf(c, c.self)));
    case kColorSetRgb:
      SetColor(c, lib::ColorTransformWithRgb(ColorOf(c, c.self),
                                             static_cast<uint32_t>(c.vm.ToInt32(c.Arg(0)))));
      break;
    default: break;
  }
  return Value::Undefined();
}

// --- Transform ---

// The clip a Transform was made for, kept in the hidden member "__clip".
MovieClip* TransformClip(NativeCall& c) { return c.vm.ClipOf(c.vm.GetMember(c.self, "__clip")); }

Value TransformCtor(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self || !c.vm.ClipOf(c.Arg(0))) return Value::Undefined();
  c.vm.realm().Set(self, "__clip", c.Arg(0), kDontEnum);
  return c.self;
}

// `outer` applied after `inner` in the clips' own 8.8 fixed point: products floor and every
// factor and offset keeps only its 16 bits, as the transforms of nested clips add up.
ColorTransform WrappedConcat(const ColorTransform& outer, const ColorTransform& inner) {
  auto wrap = [](int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); };
  auto mul = [](int a, int b) { return (static_cast<int64_t>(a) * b) >> 8; };
  ColorTransform o;
  o.r_mult = wrap(mul(outer.r_mult, inner.r_mult));
  o.g_mult = wrap(mul(outer.g_mult, inner.g_mult));
  o.b_mult = wrap(mul(outer.b_mult, inner.b_mult));
  o.a_mult = wrap(mul(outer.a_mult, inner.a_mult));
  o.r_add = wrap(mul(inner.r_add, outer.r_mult) + outer.r_add);
  o.g_add = wrap(mul(inner.g_add, outer.g_mult) + outer.g_add);
  o.b_add = wrap(mul(inner.b_add, outer.b_mult) + outer.b_add);
  o.a_add = wrap(mul(inner.a_add, outer.a_mult) + outer.a_add);
  return o;
}

lib::GeomColorTransform FromClipColor(const ColorTransform& t) {
  return {t.r_mult / 256.0,
          t.g_mult / 256.0,
          t.b_mult / 256.0,
          t.a_mult / 256.0,
          static_cast<double>(t.r_add),
          static_cast<double>(t.g_add),
          static_cast<double>(t.b_add),
          static_cast<double>(t.a_add)};
}

int16_t Fixed(double v, double scale) {
  double s = v * scale;
  if (!std::isfinite(s)) return 0;
  return static_cast<int16_t>(std::clamp(s, -32768.0, 32767.0));
}

ColorTransform ToClipColor(const lib::GeomColorTransform& t) {
  ColorTransform out;
  out.r_mult = Fixed(t.redMultiplier, 256);
  out.g_mult = Fixed(t.greenMultiplier, 256);
  out.b_mult = Fixed(t.blueMultiplier, 256);
  out.a_mult = Fixed(t.alphaMultiplier, 256);
  out.r_add = Fixed(t.redOffset, 1);
  out.g_add = Fixed(t.greenOffset, 1);
  out.b_add = Fixed(t.blueOffset, 1);
  out.a_add = Fixed(t.alphaOffset, 1);
  return out;
}

// A clip's matrix in pixels (its translation is kept in twips).
lib::GeomMatrix PixelMatrix(const Matrix& m) {
  return {m.a, m.b, m.c, m.d, m.tx / 20.0, m.ty / 20.0};
}

enum TransformProp {
  kMatrix,
  kColorTransform,
  kConcatenatedMatrix,
  kConcatenatedColorTransform,
  kPixelBounds
};

Value TransformGet(NativeCall& c) {
  MovieClip* clip = TransformClip(c);
  if (!clip) return Value::Undefined();
  switch (Tag(c)) {
    case kMatrix: return NewMatrix(c, PixelMatrix(clip->matrix));
    case kColorTransform:
      return NewOf(c, "ColorTransform", ColorValues(FromClipColor(clip->color_transform)));
    case kConcatenatedMatrix: {
      Matrix m = clip->matrix;
      for (MovieClip* p = clip->parent; p; p = p->parent) m = p->matrix * m;
      return NewMatrix(c, PixelMatrix(m));
    }
    case kConcatenatedColorTransform: {
      ColorTransform t = clip->color_transform;
      for (MovieClip* p = clip->parent; p; p = p->parent) t = WrappedConcat(p->color_transform, t);
      return NewOf(c, "ColorTransform", ColorValues(FromClipColor(t)));
    }
    case kPixelBounds: {
      Matrix m = clip->matrix;
      for (MovieClip* p = clip->parent; p; p = p->parent) m = p->matrix * m;
      double x0, y0, x1, y1;
      if (!ClipBounds(*clip, x0, y0, x1, y1)) return NewRect(c, {});
      double xs[4], ys[4];
      m.Apply(x0, y0, xs[0], ys[0]);
      m.Apply(x1, y0, xs[1], ys[1]);
      m.Apply(x0, y1, xs[2], ys[2]);
      m.Apply(x1, y1, xs[3], ys[3]);
      double l = *std::min_element(xs, xs + 4), r = *std::max_element(xs, xs + 4);
      double t = *std::min_element(ys, ys + 4), b = *std::max_element(ys, ys + 4);
      return NewRect(c, {l / 20.0, t / 20.0, (r - l) / 20.0, (b - t) / 20.0});
    }
    default: return Value::Undefined();
  }
}

// Only a Matrix or a ColorTransform is taken; anything else leaves the clip as it is.
Value TransformSet(NativeCall& c) {
  MovieClip* clip = TransformClip(c);
  if (!clip) return Value::Undefined();
  Value package =
      c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "geom");
  switch (Tag(c)) {
    case kMatrix: {
      if (!c.vm.InstanceOf(c.Arg(0), c.vm.ObjectOf(c.vm.GetMember(package, "Matrix")))) break;
      lib::GeomMatrix m = MatrixOf(c, c.Arg(0));
      if (!std::isfinite(m.a + m.b + m.c + m.d + m.tx + m.ty)) break;
      clip->matrix = Matrix{m.a, m.b, m.c, m.d, m.tx * 20.0, m.ty * 20.0};
      clip->transformed_by_script = true;
      break;
    }
    case kColorTransform:
      if (!c.vm.InstanceOf(c.Arg(0), c.vm.ObjectOf(c.vm.GetMember(package, "ColorTransform"))))
        break;
      clip->color_transform = ToClipColor(ColorOf(c, c.Arg(0)));
      clip->transformed_by_script = true;
      break;
    default: break;
  }
  return Value::Undefined();
}

// A clip's `transform`: a new Transform of the clip on every read; assigning another clip's
// Transform copies that clip's matrix and colour transform.
Value ClipTransformGet(NativeCall& c) {
  if (!c.vm.ClipOf(c.self)) return Value::Undefined();
  return NewOf(c, "Transform", {c.self});
}

Value ClipTransformSet(NativeCall& c) {
  MovieClip* clip = c.vm.ClipOf(c.self);
  MovieClip* from = c.Arg(0).IsObject() ? c.vm.ClipOf(c.vm.GetMember(c.Arg(0), "__clip")) : nullptr;
  if (clip && from) {
    clip->matrix = from->matrix;
    clip->color_transform = from->color_transform;
    clip->transformed_by_script = true;
  }
  return Value::Undefined();
}

// A class of the package (not on _global). Its constructor also runs when called as a function
// (as super() from a subclass does), on that call's `this`.
FunctionObject* PackageClass(Realm& realm, ScriptObject* package, const char* name,
                             NativeFn construct) {
  FunctionObject* ctor = realm.NewNative(construct);
  ScriptObject* proto = realm.NewObject();
  realm.LinkPrototype(ctor, proto);
  realm.Set(package, name, Value::Object(ctor));
  return ctor;
}

ScriptObject* ProtoOf(Realm& realm, FunctionObject* ctor) {
  return ctor->Find(realm.heap.Key("prototype"))->value.object;
}

}  // namespace

void InstallGeom(Realm& realm) {
  ScriptObject* geom = PackageObject(realm, "flash.geom");

  FunctionObject* point = PackageClass(realm, geom, "Point", PointCtor);
  ScriptObject* pp = ProtoOf(realm, point);
  for (auto [name, tag] : {std::pair{"add", kPointAdd},
                           {"subtract", kPointSubtract},
                           {"clone", kPointClone},
                           {"equals", kPointEquals},
                           {"normalize", kPointNormalize},
                           {"offset", kPointOffset},
                           {"toString", kPointToString}})
    realm.Method(pp, name, PointMethod, tag);
  NativeAccessor(realm, pp, "length", PointMethod, nullptr, kPointLength);
  realm.Method(point, "distance", PointMethod, kPointDistance);
  realm.Method(point, "interpolate", PointMethod, kPointInterpolate);
  realm.Method(point, "polar", PointMethod, kPointPolar);

  FunctionObject* rect = PackageClass(realm, geom, "Rectangle", RectCtor);
  ScriptObject* rp = ProtoOf(realm, rect);
  for (auto [name, tag] : {std::pair{"clone", kRectClone},
                           {"equals", kRectEquals},
                           {"isEmpty", kRectIsEmpty},
                           {"setEmpty", kRectSetEmpty},
                           {"contains", kRectContains},
                           {"containsPoint", kRectContainsPoint},
                           {"containsRectangle", kRectContainsRectangle},
                           {"inflate", kRectInflate},
                           {"inflatePoint", kRectInflatePoint},
                           {"intersection", kRectIntersection},
                           {"intersects", kRectIntersects},
                           {"offset", kRectOffset},
                           {"offsetPoint", kRectOffsetPoint},
                           {"union", kRectUnion},
                           {"toString", kRectToString}})
    realm.Method(rp, name, RectMethod, tag);
  for (auto [name, tag] : {std::pair{"top", kTop},
                           {"right", kRight},
                           {"bottom", kBottom},
                           {"left", kLeft},
                           {"topLeft", kTopLeft},
                           {"bottomRight", kBottomRight},
                           {"size", kSize}})
    NativeAccessor(realm, rp, name, RectGet, RectSet, tag);

  FunctionObject* matrix = PackageClass(realm, geom, "Matrix", MatrixCtor);
  ScriptObject* mp = ProtoOf(realm, matrix);
  for (auto [name, tag] : {std::pair{"identity", kMatrixIdentity},
                           {"clone", kMatrixClone},
                           {"concat", kMatrixConcat},
                           {"invert", kMatrixInvert},
                           {"rotate", kMatrixRotate},
                           {"scale", kMatrixScale},
                           {"translate", kMatrixTranslate},
                           {"createBox", kMatrixCreateBox},
                           {"createGradientBox", kMatrixCreateGradientBox},
                           {"transformPoint", kMatrixTransformPoint},
                           {"deltaTransformPoint", kMatrixDeltaTransformPoint},
                           {"toString", kMatrixToString}})
    realm.Method(mp, name, MatrixMethod, tag);

  FunctionObject* color = PackageClass(realm, geom, "ColorTransform", ColorCtor);
  ScriptObject* cp = ProtoOf(realm, color);
  realm.Method(cp, "concat", ColorMethod, kColorConcat);
  realm.Method(cp, "toString", ColorMethod, kColorToString);
  NativeAccessor(realm, cp, "rgb", ColorMethod, nullptr, kColorGetRgb);
  cp->Find(realm.heap.Key("rgb"))->setter = realm.NewNative(ColorMethod, kColorSetRgb);

  FunctionObject* transform = PackageClass(realm, geom, "Transform", TransformCtor);
  transform->new_may_fail = true;  // `new Transform()` without a clip gives undefined
  ScriptObject* tp = ProtoOf(realm, transform);
  for (auto [name, tag] : {std::pair{"matrix", kMatrix},
                           {"colorTransform", kColorTransform},
                           {"concatenatedMatrix", kConcatenatedMatrix},
                           {"concatenatedColorTransform", kConcatenatedColorTransform},
                           {"pixelBounds", kPixelBounds}})
    NativeAccessor(realm, tp, name, TransformGet,
                   (tag == kMatrix || tag == kColorTransform) ? TransformSet : nullptr, tag);
  if (realm.movieclip_proto && !realm.movieclip_proto->Find(realm.heap.Key("transform")))
    NativeAccessor(realm, realm.movieclip_proto, "transform", ClipTransformGet, ClipTransformSet,
                   0);
}

}  // namespace flash
