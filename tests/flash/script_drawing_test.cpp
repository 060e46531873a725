// The pen methods of clips: the drawing they build, how the stage painter shows it, the shape
// test of hitTest, and masks set by scripts.
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/hit_test.h"
#include "platform/flash/renderer/renderer.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/script_objects_support.h"

using namespace flash;
using flashtest::Script;

namespace {

FillStyle Solid(uint8_t r, uint8_t g, uint8_t b) {
  FillStyle f;
  f.color = {r, g, b, 255};
  return f;
}

// The square (x, y)..(x + size, y + size) in twips, drawn with the pen.
void Square(ClipDrawing& d, int32_t x, int32_t y, int32_t size) {
  d.MoveTo(x, y);
  d.LineTo(x + size, y);
  d.LineTo(x + size, y + size);
  d.LineTo(x, y + size);
  d.LineTo(x, y);
}

// Premultiplied B,G,R,A of the stage pixel (x, y) of a 100x100 stage drawn at its size.
struct Picture {
  std::vector<uint8_t> px = std::vector<uint8_t>(100 * 100 * 4);
  explicit Picture(const Player& p) {
    PaintStage(p, {px.data(), 100, 100, 400}, {255, 255, 255, 255});
  }
  Rgba At(int x, int y) const {
    const uint8_t* q = &px[(static_cast<size_t>(y) * 100 + x) * 4];
    return {q[2], q[1], q[0], q[3]};
  }
};

// createEmptyMovieClip("mc", 1) on the root, left in the variable "mc".
void MakeClip(Script& s, const std::string& name = "mc", int depth = 1) {
  s.a.PushString(name);
  s.Call("_root", "createEmptyMovieClip", {Script::Str(name), Script::Num(depth)});
  s.a.Op(0x1D);
}

// mc.moveTo(x, y) and lineTo around the box.
void ScriptBox(Script& s, const std::string& clip, double x0, double y0, double x1, double y1) {
  s.Call(clip, "moveTo", {Script::Num(x0), Script::Num(y0)}).Drop();
  s.Call(clip, "lineTo", {Script::Num(x1), Script::Num(y0)}).Drop();
  s.Call(clip, "lineTo", {Script::Num(x1), Script::Num(y1)}).Drop();
  s.Call(clip, "lineTo", {Script::Num(x0), Script::Num(y1)}).Drop();
  s.Call(clip, "lineTo", {Script::Num(x0), Script::Num(y0)}).Drop();
}

// A new clip `name` at `depth` holding a box filled with `rgb`.
void FilledClip(Script& s, const std::string& name, int depth, double rgb, double x0, double y0,
                double x1, double y1) {
  MakeClip(s, name, depth);
  s.Call(name, "beginFill", {Script::Num(rgb)}).Drop();
  ScriptBox(s, name, x0, y0, x1, y1);
  s.Call(name, "endFill").Drop();
}

// Variables for beginGradientFill: colors (red, blue), alphas (100, 100), ratios (0,
// `last_ratio`) and a "box" matrix of `size` by `size` at the origin.
void GradientVariables(Script& s, double last_ratio, double size) {
  s.a.PushString("colors").PushNumber(0xFF).PushNumber(0xFF0000).PushInt(2).Op(0x42).Op(0x1D);
  s.a.PushString("alphas").PushNumber(100).PushNumber(100).PushInt(2).Op(0x42).Op(0x1D);
  s.a.PushString("ratios").PushNumber(last_ratio).PushNumber(0).PushInt(2).Op(0x42).Op(0x1D);
  s.a.PushString("box")
      .PushString("matrixType")
      .PushString("box")
      .PushString("x")
      .PushNumber(0)
      .PushString("y")
      .PushNumber(0)
      .PushString("w")
      .PushNumber(size)
      .PushString("h")
      .PushNumber(size)
      .PushInt(5)
      .Op(0x43)
      .Op(0x1D);
}

}  // namespace

TEST(ClipDrawing, OpenFillsAreShownAndEndedClosed) {
  ClipDrawing d;
  EXPECT_TRUE(d.Empty());
  d.BeginFill(Solid(255, 0, 0));
  d.MoveTo(0, 0);
  d.LineTo(200, 0);
  d.LineTo(200, 200);
  // Still open: the shape shows it closed without closing the drawing itself.
  ASSERT_EQ(d.Shape().groups.size(), 1u);
  const auto& shown = d.Shape().groups[0].paths;
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown.back().edges.back(), (ShapeEdge{false, 0, 0, 0, 0}));
  d.LineTo(0, 200);
  EXPECT_EQ(d.Shape().groups[0].paths[0].edges.size(), 3u);
  LineStyle pen;
  pen.width = 40;
  d.SetLine(pen);
  d.EndFill();
  const auto& closed = d.Shape().groups[0].paths;
  ASSERT_EQ(closed.size(), 2u);
  EXPECT_EQ(closed[1].start_x, 0);
  EXPECT_EQ(closed[1].start_y, 200);
  EXPECT_EQ(closed[1].line, 1u);  // the closing edge is stroked with the pen
  RectTwips b;
  ASSERT_TRUE(d.Bounds(b));
  EXPECT_EQ(b, (RectTwips{-20, 200, -20, 220}));  // with half the pen around the closing edge
}

TEST(ClipDrawing, FillsAndPensMakeGroupsAndStyles) {
  ClipDrawing d;
  LineStyle pen;
  pen.width = 100;
  d.SetLine(pen);
  d.LineTo(100, 0);  // a line before any fill
  d.BeginFill(Solid(0, 255, 0));
  Square(d, 0, 0, 400);
  d.EndFill();
  d.SetLine(std::nullopt);
  d.BeginFill(Solid(0, 0, 255));
  Square(d, 1000, 1000, 100);
  d.EndFill();
  const ShapeDef& s = d.Shape();
  // Each fill lies above what was drawn before it.
  ASSERT_EQ(s.groups.size(), 3u);
  EXPECT_EQ(s.groups[0].paths[0].line, 1u);
  EXPECT_EQ(s.groups[0].paths[0].fill1, 0u);
  ASSERT_EQ(s.groups[1].line_styles.size(), 1u);  // the pen goes on into the fill's group
  EXPECT_EQ(s.groups[1].paths[0].line, 1u);
  EXPECT_EQ(s.groups[1].paths[0].fill1, 1u);
  EXPECT_TRUE(s.groups[2].line_styles.empty());
  EXPECT_EQ(s.groups[2].paths[0].line, 0u);
  // Bounds take in half the pen's width.
  EXPECT_EQ(s.bounds, (RectTwips{-50, 1100, -50, 1100}));
  // Without a fill or a pen the pen only moves.
  ClipDrawing bare;
  bare.LineTo(100, 100);
  EXPECT_TRUE(bare.Empty());
  RectTwips none;
  EXPECT_FALSE(bare.Bounds(none));
  d.Clear();
  EXPECT_TRUE(d.Empty());
  EXPECT_FALSE(d.Bounds(none));
}

TEST(ClipDrawing, MovesInsideAFillStartNewOutlines) {
  ClipDrawing d;
  d.BeginFill(Solid(0, 0, 0));
  d.MoveTo(0, 0);
  d.LineTo(1000, 0);
  d.LineTo(1000, 1000);  // left open, then a second outline inside
  d.MoveTo(400, 400);
  d.LineTo(600, 400);
  d.LineTo(600, 600);
  d.LineTo(400, 600);
  d.EndFill();
  // The outer triangle holds (900, 100); its part under the inner square is a hole.
  EXPECT_TRUE(ShapeContains(d.Shape(), 900, 100));
  EXPECT_FALSE(ShapeContains(d.Shape(), 100, 900));
  EXPECT_FALSE(ShapeContains(d.Shape(), 550, 450));
  EXPECT_TRUE(ShapeContains(d.Shape(), 700, 500));
}

TEST(ClipHitTest, LinesAndCurvesAreHitWithinHalfTheirWidth) {
  ClipDrawing d;
  LineStyle pen;
  pen.width = 200;
  d.SetLine(pen);
  d.MoveTo(0, 0);
  d.LineTo(2000, 0);
  d.CurveTo(2000, 2000, 0, 2000);
  EXPECT_TRUE(ShapeContains(d.Shape(), 1000, 90));
  EXPECT_FALSE(ShapeContains(d.Shape(), 1000, 150));
  EXPECT_TRUE(
      ShapeContains(d.Shape(), 1500, 1460));  // near the middle of the curve, at (1500, 1500)
  EXPECT_FALSE(ShapeContains(d.Shape(), 1000, 1000));  // lines hold no fill
}

// A line of that width from (0, 0) to (2000, 0).
ClipDrawing LineAlongX(uint16_t width) {
  ClipDrawing d;
  LineStyle pen;
  pen.width = width;
  d.SetLine(pen);
  d.MoveTo(0, 0);
  d.LineTo(2000, 0);
  return d;
}

TEST(ClipHitTest, ThinLinesCoverOnePixelOfTheStageAtAnyScale) {
  const ClipDrawing hairline = LineAlongX(0), wide = LineAlongX(40);
  Matrix grown;  // drawn eight times larger
  grown.a = grown.d = 8;
  Matrix shrunk;  // drawn ten times smaller
  shrunk.a = shrunk.d = 0.1;
  // Unscaled: half a pixel (10 twips) either side.
  EXPECT_TRUE(ShapeContains(hairline.Shape(), 1000, 9));
  EXPECT_FALSE(ShapeContains(hairline.Shape(), 1000, 11));
  // Grown, the same half pixel is a little over one twip of the shape.
  EXPECT_TRUE(ShapeContains(hairline.Shape(), 1000, 1, grown));
  EXPECT_FALSE(ShapeContains(hairline.Shape(), 1000, 5, grown));
  // Shrunk, a line of its own width still covers the pixel around it.
  EXPECT_TRUE(ShapeContains(wide.Shape(), 1000, 90, shrunk));
  EXPECT_FALSE(ShapeContains(wide.Shape(), 1000, 110, shrunk));
  // Grown, it covers its own width.
  EXPECT_TRUE(ShapeContains(wide.Shape(), 1000, 19, grown));
  EXPECT_FALSE(ShapeContains(wide.Shape(), 1000, 21, grown));
}

TEST(ClipDrawingScript, PenMethodsDrawBeneathTheChildren) {
  Script s;
  MakeClip(s);
  s.Call("mc", "beginFill", {Script::Num(0xFF0000)}).Drop();
  ScriptBox(s, "mc", 10, 10, 50, 50);
  s.Call("mc", "endFill").Drop();
  // A child clip drawn over part of the parent's drawing.
  s.a.PushString("kid");
  s.Call("mc", "createEmptyMovieClip", {Script::Str("kid"), Script::Num(1)});
  s.a.Op(0x1D);
  s.Call("kid", "beginFill", {Script::Num(0x0000FF), Script::Num(100)}).Drop();
  ScriptBox(s, "kid", 30, 30, 70, 70);
  s.Call("kid", "endFill").Drop();
  // Half-transparent green, a gradient and an empty pen call draw nothing wrong.
  s.Call("mc", "lineStyle").Drop();
  s.Call("mc", "beginFill", {Script::Num(0x00FF00), Script::Num(50)}).Drop();
  ScriptBox(s, "mc", 60, 10, 90, 20);
  s.Call("mc", "endFill").Drop();
  s.a.PushString("b");
  s.Call("mc", "getBounds", {Script::VarRef("_root")});
  s.a.Op(0x1D);
  s.TraceMember("b.xMin").TraceMember("b.xMax").TraceMember("b.yMin").TraceMember("b.yMax");
  EXPECT_EQ(s.Run(), "10\n90\n10\n70\n");
  Picture pic(s.player);
  EXPECT_EQ(pic.At(20, 20), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pic.At(40, 40), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(pic.At(60, 60), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(pic.At(5, 5), (Rgba{255, 255, 255, 255}));
  const Rgba green = pic.At(75, 15);
  EXPECT_NEAR(green.r, 127, 2);
  EXPECT_EQ(green.g, 255);
}

TEST(ClipDrawingScript, ClearAndRefusedGradientsDrawNothing) {
  Script s;
  MakeClip(s);
  s.Call("mc", "beginFill", {Script::Num(0xFF0000)}).Drop();
  ScriptBox(s, "mc", 10, 10, 50, 50);
  s.Call("mc", "clear").Drop();
  // Ratios out of range: the call is refused and no fill starts.
  GradientVariables(s, 256, 100);
  s.Call("mc", "beginGradientFill",
         {Script::Str("linear"), Script::VarRef("colors"), Script::VarRef("alphas"),
          Script::VarRef("ratios"), Script::VarRef("box")})
      .Drop();
  ScriptBox(s, "mc", 10, 10, 50, 50);
  s.Call("mc", "endFill").Drop();
  // A valid gradient across the second box: red on its left, blue on its right.
  s.a.PushString("ratios").PushNumber(255).PushNumber(0).PushInt(2).Op(0x42).Op(0x1D);
  s.Call("mc", "beginGradientFill",
         {Script::Str("linear"), Script::VarRef("colors"), Script::VarRef("alphas"),
          Script::VarRef("ratios"), Script::VarRef("box")})
      .Drop();
  ScriptBox(s, "mc", 0, 60, 100, 100);
  s.Call("mc", "endFill").Drop();
  s.Run();
  Picture pic(s.player);
  EXPECT_EQ(pic.At(30, 30), (Rgba{255, 255, 255, 255}));
  EXPECT_GT(pic.At(2, 80).r, 240);
  EXPECT_GT(pic.At(97, 80).b, 240);
}

// The focal point ratio is kept in 8.8 fixed point, cut toward zero, as a movie file stores it;
// one that is zero after that is a plain radial gradient.
TEST(ClipDrawingScript, FocalPointsAreKeptInEightPointEightFixedPoint) {
  Script s;
  MakeClip(s);
  GradientVariables(s, 255, 10);
  const double focals[] = {0.91, -0.91, 0.003, -0.003, 7, -0.5};
  for (double focal : focals) {
    s.Call("mc", "beginGradientFill",
           {Script::Str("radial"), Script::VarRef("colors"), Script::VarRef("alphas"),
            Script::VarRef("ratios"), Script::VarRef("box"), Script::Str("pad"), Script::Str("rgb"), Script::Num(focal)})
        .Drop();
    ScriptBox(s, "mc", 0, 0, 10, 10);
    s.Call("mc", "endFill").Drop();
  }
  s.Run();
  const auto* mc = static_cast<const flash::MovieClip*>(
      s.player.LevelRoot(0)->children.begin()->second.get());
  ASSERT_TRUE(mc->drawing);
  std::vector<const flash::FillStyle*> fills;
  for (const flash::ShapeGroup& g : mc->drawing->Shape().groups)
    for (const flash::FillStyle& f : g.fill_styles) fills.push_back(&f);
  ASSERT_EQ(fills.size(), std::size(focals));
  using Type = flash::FillStyle::Type;
  const std::pair<Type, double> want[] = {{Type::FocalGradient, 232 / 256.0},
                                          {Type::FocalGradient, -232 / 256.0},
                                          {Type::RadialGradient, 0},
                                          {Type::RadialGradient, 0},
                                          {Type::FocalGradient, 1},
                                          {Type::FocalGradient, -0.5}};
  for (size_t i = 0; i < fills.size(); ++i) {
    EXPECT_EQ(fills[i]->type, want[i].first) << focals[i];
    if (want[i].first == Type::FocalGradient) {
      EXPECT_EQ(fills[i]->gradient.focal_point, want[i].second) << focals[i];
    }
  }
}

TEST(ClipDrawingScript, HitTestWithTheShapeFlagLooksAtTheDrawing) {
  Script s;
  MakeClip(s);
  s.Call("mc", "beginFill", {Script::Num(0)}).Drop();
  ScriptBox(s, "mc", 0, 0, 50, 50);
  ScriptBox(s, "mc", 20, 20, 30, 30);  // a hole
  s.Call("mc", "endFill").Drop();
  s.SetMember("mc", "_x", Script::Num(10));
  const std::tuple<double, double, bool> probes[] = {
      {35, 25, true}, {35, 25, false}, {15, 25, true}, {70, 25, false}};
  for (auto [x, y, shape] : probes)
    s.Call("mc", "hitTest",
           {Script::Num(x), Script::Num(y), [shape](Script& c) { c.a.PushBool(shape); }})
        .a.Trace();
  EXPECT_EQ(s.Run(), "false\ntrue\ntrue\nfalse\n");
}

TEST(ClipDrawingScript, SetMaskShowsTheClipOnlyThroughTheMask) {
  Script s;
  FilledClip(s, "mc", 1, 0xFF0000, 0, 0, 100, 100);
  FilledClip(s, "m", 2, 0x00FF00, 0, 0, 20, 20);
  s.SetMember("m", "_x", Script::Num(40));
  s.Call("mc", "setMask", {Script::VarRef("m")}).Drop();
  s.Run();
  {
    Picture pic(s.player);
    EXPECT_EQ(pic.At(50, 10), (Rgba{255, 0, 0, 255}));      // red through the mask
    EXPECT_EQ(pic.At(10, 10), (Rgba{255, 255, 255, 255}));  // outside it
    EXPECT_EQ(pic.At(50, 50), (Rgba{255, 255, 255, 255}));
  }
}

struct Filled {
  double rgb, x0, y0, x1, y1;
};

// Clips "one", "two" and "three" at depths 1 to 3 filled as given; `clip`.setMask(`mask`) runs,
// then "one" is made a clip layer over the other two, as a placement with a clip depth would.
MovieClip& LayerAndScriptMask(Script& s, const std::array<Filled, 3>& f, const std::string& clip,
                              const std::string& mask) {
  const char* names[] = {"one", "two", "three"};
  for (int i = 0; i < 3; ++i)
    FilledClip(s, names[i], i + 1, f[i].rgb, f[i].x0, f[i].y0, f[i].x1, f[i].y1);
  s.Call(clip, "setMask", {Script::VarRef(mask)}).Drop();
  s.Run();
  MovieClip& root = *s.player.LevelRoot(0);
  root.ChildByName("one")->clip_depth = root.ChildByName("three")->depth;
  return root;
}

TEST(ClipDrawingScript, AClipLayerMadeAScriptMaskMasksOnlyThatClipAndOnlyOnce) {
  Script s;
  MovieClip& root = LayerAndScriptMask(
      s, {{{0x00FF00, 40.5, 0, 60, 20}, {0xFF0000, 0, 0, 100, 50}, {0x0000FF, 0, 60, 100, 100}}},
      "two", "one");
  Picture pic(s.player);
  EXPECT_EQ(pic.At(50, 10), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pic.At(10, 10), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(pic.At(50, 80), (Rgba{0, 0, 255, 255}));  // the clip above is not masked
  // The half-covered column at the mask's edge shows half the red, not a quarter.
  EXPECT_NEAR(pic.At(40, 10).g, 128, 4);
  // Hits of the root's shapes outside the mask still find the clip above.
  EXPECT_TRUE(ObjectContains(root, 50 * 20, 80 * 20));
}

TEST(ClipDrawingScript, AClipLayerGivenAScriptMaskIsDrawnThroughItWhileItHasOne) {
  Script s;
  MovieClip& root = LayerAndScriptMask(
      s, {{{0x00FF00, 0, 0, 60, 60}, {0, 20, 20, 100, 100}, {0x0000FF, 0, 70, 100, 100}}}, "one",
      "two");
  // The layer shows its own green where its mask covers it; the clip above it is not cut to it.
  {
    Picture pic(s.player);
    EXPECT_EQ(pic.At(40, 40), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pic.At(10, 10), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pic.At(50, 80), (Rgba{0, 0, 255, 255}));
    EXPECT_TRUE(ObjectContains(root, 50 * 20, 80 * 20));
  }
  // Without the mask it is a clip layer again.
  static_cast<MovieClip&>(*root.ChildByName("one")).mask.reset();
  Picture pic(s.player);
  EXPECT_EQ(pic.At(40, 40), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(pic.At(50, 80), (Rgba{255, 255, 255, 255}));
  EXPECT_FALSE(ObjectContains(root, 50 * 20, 80 * 20));
}

TEST(ClipDrawingScript, SetMaskAnswersAndLimitsShapeHits) {
  Script s;
  FilledClip(s, "mc", 1, 0xFF0000, 0, 0, 100, 100);
  FilledClip(s, "m", 2, 0, 0, 0, 20, 20);
  s.Call("mc", "setMask", {Script::Str("NoSuchClip")}).a.Trace();  // not found: false
  s.Call("mc", "hitTest", {Script::Num(50), Script::Num(50), [](Script& c) { c.a.PushBool(true); }})
      .a.Trace();
  s.Call("mc", "setMask").a.Trace();                      // no argument: nothing done
  s.Call("mc", "setMask", {Script::Str("m")}).a.Trace();  // a path from the calling timeline
  s.Call("mc", "hitTest", {Script::Num(50), Script::Num(50), [](Script& c) { c.a.PushBool(true); }})
      .a.Trace();
  s.Call("mc", "hitTest", {Script::Num(10), Script::Num(10), [](Script& c) { c.a.PushBool(true); }})
      .a.Trace();
  s.Call("mc", "setMask", {[](Script& c) { c.a.PushNull(); }}).a.Trace();  // null removes it
  s.Call("mc", "hitTest", {Script::Num(50), Script::Num(50), [](Script& c) { c.a.PushBool(true); }})
      .a.Trace();
  EXPECT_EQ(s.Run(), "false\ntrue\nundefined\ntrue\nfalse\ntrue\ntrue\ntrue\n");
  // Unmasked again, the former mask is drawn as itself.
  Picture pic(s.player);
  EXPECT_EQ(pic.At(10, 10), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(pic.At(50, 50), (Rgba{255, 0, 0, 255}));
}

TEST(ClipDrawingScript, CopiesKeepTheDrawingAndDrawOnTheirOwn) {
  Script s;
  FilledClip(s, "mc", 1, 0x00FF00, 0, 0, 10, 10);
  s.Call("mc", "duplicateMovieClip", {Script::Str("copy"), Script::Num(5)}).Drop();
  s.Path("_root.copy");
  s.a.PushString("_y").PushNumber(50).Op(0x4F);  // copy._y = 50
  s.a.PushString("copy");
  s.Path("_root.copy");
  s.a.Op(0x1D);
  s.Call("copy", "beginFill", {Script::Num(0x0000FF)}).Drop();
  ScriptBox(s, "copy", 30, 0, 40, 10);
  s.Call("copy", "endFill").Drop();
  s.TraceMember("mc._width").TraceMember("copy._width");
  EXPECT_EQ(s.Run(), "10\n40\n");
  Picture pic(s.player);
  EXPECT_EQ(pic.At(5, 5), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(pic.At(5, 55), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(pic.At(35, 55), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(pic.At(35, 5), (Rgba{255, 255, 255, 255}));
}
