// Effects set from scripts: the flash.filters classes (defaults, ranges, copies), the members of
// clips that change how they are drawn (blendMode, filters, cacheAsBitmap, opaqueBackground,
// scrollRect, scale9Grid), what the stage then shows, and the displacement map filter.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/renderer/displacement.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/script_objects_support.h"

namespace {

using flashtest::Script;

// Pushes an array literal of numbers.
Script::Emit Numbers(std::vector<double> values) {
  return [values](Script& c) {
    for (auto it = values.rbegin(); it != values.rend(); ++it) c.a.PushNumber(*it);
    c.a.PushInt(static_cast<int32_t>(values.size())).Op(0x42);
  };
}

Script::Emit NewFilter(const std::string& cls, std::vector<Script::Emit> args = {}) {
  return [cls, args](Script& c) { c.NewIn("flash.filters", cls, args); };
}

TEST(EffectsScriptFilters, ConstructorsKeepEveryValueInItsRange) {
  Script s;
  s.Var("b", NewFilter("BlurFilter", {Script::Num(300), Script::Num(-5), Script::Num(20)}));
  for (const char* m : {"b.blurX", "b.blurY", "b.quality"}) s.TraceMember(m);
  s.Var("d", NewFilter("DropShadowFilter"));
  for (const char* m :
       {"d.distance", "d.angle", "d.color", "d.alpha", "d.strength", "d.inner", "d.hideObject"})
    s.TraceMember(m);
  s.SetMember("d", "angle", Script::Num(400));
  s.SetMember("d", "alpha", Script::Num(2));
  s.SetMember("d", "color", Script::Num(0x1FF0000));
  s.SetMember("d", "strength", Script::Num(300));
  s.SetMember("d", "quality", Script::Str("x"));
  for (const char* m : {"d.angle", "d.alpha", "d.color", "d.strength", "d.quality"})
    s.TraceMember(m);
  s.Var("g", NewFilter("GlowFilter"));
  for (const char* m : {"g.color", "g.blurX", "g.strength"}) s.TraceMember(m);
  s.Var("v", NewFilter("BevelFilter"));
  s.SetMember("v", "type", Script::Str("sideways"));
  s.TraceMember("v.type");
  s.SetMember("v", "type", Script::Str("full"));
  s.TraceMember("v.type");
  const std::string want =
      "255\n0\n15\n"
      "4\n45\n0\n1\n1\nfalse\nfalse\n"
      "40\n1\n16711680\n255\n0\n"
      "16711680\n6\n2\n"
      "inner\nfull\n";
  EXPECT_EQ(s.Run(), want);
}

TEST(EffectsScriptFilters, MatricesAndGradientsFitTheirSizes) {
  Script s;
  s.Var("c",
        NewFilter("ConvolutionFilter", {Script::Num(2), Script::Num(2), Numbers({1, 2, 3, 4, 5})}));
  s.TraceMember("c.matrix");
  s.SetMember("c", "matrixX", Script::Num(3));
  s.TraceMember("c.matrix");
  s.SetMember("c", "matrixY", Script::Num(99));
  s.TraceMember("c.matrixY");
  s.Var("m", NewFilter("ColorMatrixFilter", {Numbers({2, 3})}));
  s.TraceMember("m.matrix");
  s.Var("gg", NewFilter("GradientGlowFilter",
                        {Script::Num(4), Script::Num(45), Numbers({0xFF0000, 0x00FF00}),
                         Numbers({0.5, 7}), Numbers({300})}));
  s.TraceMember("gg.alphas");
  s.TraceMember("gg.ratios");
  s.SetMember("gg", "colors", Numbers({1}));
  s.TraceMember("gg.alphas");
  EXPECT_EQ(s.Run(),
            "1,2,3,4\n1,2,3,4,0,0\n15\n2,3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\n"
            "0.5,1\n255,0\n0.5\n");
}

TEST(EffectsScriptFilters, ArraysAndClonesAreCopies) {
  Script s;
  s.Var("m", NewFilter("ColorMatrixFilter"));
  s.Var("arr", Script::Member("m", "matrix"));
  s.SetMember("arr", "0", Script::Num(5));
  s.TraceExpr([](Script& c) {
    c.Path("m.matrix");
    c.a.PushString("0").Op(0x4E);
  });
  s.Var("k", [](Script& c) { c.Call("m", "clone"); });
  s.SetMember("m", "matrix", Numbers({9}));
  s.TraceExpr([](Script& c) {
    c.Path("k.matrix");
    c.a.PushString("0").Op(0x4E);
  });
  // The clone is of the same class.
  s.TraceExpr([](Script& c) {
    c.Get("k");
    c.Path("flash.filters.ColorMatrixFilter");
    c.a.Op(0x54);
  });
  // Members read before a constructor ran are undefined.
  s.TraceMember("flash.filters.BlurFilter.prototype.blurX");
  EXPECT_EQ(s.Run(), "1\n1\ntrue\nundefined\n");
}

// A movie with a script that makes clip "c" holding a red square of 20 pixels at (10, 10).
void MakeClip(Script& s) {
  s.Call("this", "createEmptyMovieClip", {Script::Str("c"), Script::Num(1)}).Drop();
  s.Call("c", "beginFill", {Script::Num(0xFF0000)}).Drop();
  s.Call("c", "moveTo", {Script::Num(10), Script::Num(10)}).Drop();
  s.Call("c", "lineTo", {Script::Num(30), Script::Num(10)}).Drop();
  s.Call("c", "lineTo", {Script::Num(30), Script::Num(30)}).Drop();
  s.Call("c", "lineTo", {Script::Num(10), Script::Num(30)}).Drop();
  s.Call("c", "lineTo", {Script::Num(10), Script::Num(10)}).Drop();
  s.Call("c", "endFill").Drop();
}

TEST(EffectsScriptClip, BlendModesByNameAndNumber) {
  Script s;
  MakeClip(s);
  s.TraceMember("c.blendMode");
  for (Script::Emit v : {Script::Str("multiply"), Script::Str("Screen"), Script::Num(259),
                         Script::Num(-1), Script::Num(14.9), Script::Num(15)}) {
    s.SetMember("c", "blendMode", v);
    s.TraceMember("c.blendMode");
  }
  s.SetMember("c", "blendMode", [](Script& c) { c.a.PushNull(); });
  s.TraceMember("c.blendMode");
  EXPECT_EQ(s.Run(),
            "normal\nmultiply\nmultiply\nmultiply\nmultiply\nhardlight\nhardlight\n"
            "normal\n");
}

TEST(EffectsScriptClip, FiltersAreReplacedAndReadAsCopies) {
  Script s;
  MakeClip(s);
  s.TraceMember("c.filters.length");
  s.SetMember("c", "filters", [](Script& c) {
    NewFilter("DisplacementMapFilter")(c);
    c.a.PushString("not a filter");
    NewFilter("BlurFilter", {Script::Num(8), Script::Num(6), Script::Num(2)})(c);
    c.a.PushInt(3).Op(0x42);
  });
  s.TraceMember("c.filters.length");
  s.Var("f", [](Script& c) {
    c.Path("c.filters");
    c.a.PushString("0").Op(0x4E);
  });
  s.SetMember("f", "blurX", Script::Num(1));
  s.TraceExpr([](Script& c) {
    c.Path("c.filters");
    c.a.PushString("0").Op(0x4E).PushString("blurX").Op(0x4E);
  });
  s.TraceMember("c.cacheAsBitmap");
  s.SetMember("c", "filters", [](Script& c) { c.a.PushNull(); });
  s.TraceMember("c.filters.length");
  EXPECT_EQ(s.Run(), "0\n1\n8\nfalse\n0\n");
}

TEST(EffectsScriptClip, CachingBackgroundAndRectangles) {
  Script s;
  MakeClip(s);
  for (const char* m : {"c.cacheAsBitmap", "c.opaqueBackground", "c.scrollRect", "c.scale9Grid"})
    s.TraceMember(m);
  s.SetMember("c", "cacheAsBitmap", Script::Num(1));
  s.SetMember("c", "opaqueBackground", Script::Num(0x123456));
  auto rect = [](double x, double y, double w, double h) {
    return [=](Script& c) {
      c.NewIn("flash.geom", "Rectangle",
              {Script::Num(x), Script::Num(y), Script::Num(w), Script::Num(h)});
    };
  };
  s.SetMember("c", "scrollRect", rect(1, 2, 3, 4));
  s.SetMember("c", "scale9Grid", rect(5, 5, 10, 10));
  for (const char* m : {"c.cacheAsBitmap", "c.opaqueBackground", "c.scrollRect", "c.scale9Grid"})
    s.TraceMember(m);
  s.SetMember("c", "opaqueBackground", [](Script& c) { c.a.PushUndefined(); });
  s.SetMember("c", "scrollRect", [](Script& c) { c.a.PushNull(); });
  s.SetMember("c", "scale9Grid", Script::Num(3));  // no rectangle: unchanged
  for (const char* m : {"c.opaqueBackground", "c.scrollRect", "c.scale9Grid"}) s.TraceMember(m);
  EXPECT_EQ(s.Run(),
            "false\nundefined\nundefined\nundefined\n"
            "true\n1193046\n(x=1, y=2, w=3, h=4)\n(x=5, y=5, w=10, h=10)\n"
            "undefined\nundefined\n(x=5, y=5, w=10, h=10)\n");
}

flash::Rgba Pixel(const flash::Player& p, int x, int y) {
  std::vector<uint8_t> px(100 * 100 * 4);
  flash::PaintStage(p, {px.data(), 100, 100, 100 * 4}, {255, 255, 255, 255});
  const uint8_t* c = &px[(static_cast<size_t>(y) * 100 + x) * 4];
  return {c[2], c[1], c[0], c[3]};
}

TEST(EffectsScriptClip, ScrollRectShowsItsPartAtTheOrigin) {
  Script s;
  MakeClip(s);
  s.SetMember("c", "scrollRect", [](Script& c) {
    c.NewIn("flash.geom", "Rectangle",
            {Script::Num(20), Script::Num(20), Script::Num(20), Script::Num(20)});
  });
  s.Run();
  // The square's lower right quarter (20..30) now lies at 0..10; the rest of the window is empty.
  EXPECT_EQ(Pixel(s.player, 5, 5), (flash::Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(s.player, 15, 5), (flash::Rgba{255, 255, 255, 255}));
  EXPECT_EQ(Pixel(s.player, 25, 25), (flash::Rgba{255, 255, 255, 255}));
}

TEST(EffectsScriptClip, ScriptFiltersAreDrawn) {
  Script s;
  MakeClip(s);
  // A hard blue shadow 10 pixels to the right.
  s.SetMember("c", "filters", [](Script& c) {
    NewFilter("DropShadowFilter", {Script::Num(10), Script::Num(0), Script::Num(0x0000FF),
                                   Script::Num(1), Script::Num(0), Script::Num(0)})(c);
    c.a.PushInt(1).Op(0x42);
  });
  s.Run();
  EXPECT_EQ(Pixel(s.player, 20, 20), (flash::Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(s.player, 35, 20), (flash::Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Pixel(s.player, 45, 20), (flash::Rgba{255, 255, 255, 255}));
}

}  // namespace

namespace {

// Clip "c": a red 40-pixel square with a blue middle (10..30), drawn by script.
void MakeFramedClip(Script& s) {
  s.Call("this", "createEmptyMovieClip", {Script::Str("c"), Script::Num(1)}).Drop();
  auto square = [&s](double colour, double a, double b) {
    s.Call("c", "beginFill", {Script::Num(colour)}).Drop();
    s.Call("c", "moveTo", {Script::Num(a), Script::Num(a)}).Drop();
    s.Call("c", "lineTo", {Script::Num(b), Script::Num(a)}).Drop();
    s.Call("c", "lineTo", {Script::Num(b), Script::Num(b)}).Drop();
    s.Call("c", "lineTo", {Script::Num(a), Script::Num(b)}).Drop();
    s.Call("c", "lineTo", {Script::Num(a), Script::Num(a)}).Drop();
    s.Call("c", "endFill").Drop();
  };
  square(0xFF0000, 0, 40);
  square(0x0000FF, 10, 30);
}

TEST(EffectsScriptClip, Scale9GridKeepsTheFrameWidth) {
  const flash::Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 255};
  for (bool with_grid : {false, true}) {
    Script s;
    MakeFramedClip(s);
    if (with_grid) {
      s.SetMember("c", "scale9Grid", [](Script& c) {
        c.NewIn("flash.geom", "Rectangle",
                {Script::Num(10), Script::Num(10), Script::Num(20), Script::Num(20)});
      });
    }
    s.SetMember("c", "_xscale", Script::Num(200));
    s.Run();
    // Scaled twice as wide: the frame stays 10 pixels wide with the grid, 20 without.
    EXPECT_EQ(Pixel(s.player, 5, 20), red) << with_grid;
    EXPECT_EQ(Pixel(s.player, 15, 20), with_grid ? blue : red) << with_grid;
    EXPECT_EQ(Pixel(s.player, 65, 20), with_grid ? blue : red) << with_grid;
    EXPECT_EQ(Pixel(s.player, 75, 20), red) << with_grid;
    EXPECT_EQ(Pixel(s.player, 20, 5), red) << with_grid;  // the height is not scaled
    EXPECT_EQ(Pixel(s.player, 20, 15), blue) << with_grid;
  }
}

TEST(EffectsScriptClip, ScalingGridTagGivesTheSpritesGrid) {
  flash::SwfWriter w(8, 100, 100, 12);
  flash::ShapeBuilder shape;
  flash::FillStyleSpec fill;
  fill.color = {255, 0, 0, 255};
  shape.Rectangle(0, 0, 800, 800, shape.AddFill(fill));
  w.DefineShape(1, shape);
  flash::TimelineWriter sprite;
  sprite.Place(flashtest::NewPlace(1, 1));
  sprite.ShowFrame();
  w.DefineSprite(2, sprite);
  flash::BitWriter grid;
  grid.U16(2);
  grid.Rect({200, 600, 100, 700});
  w.Tag(flash::kTagDefineScalingGrid, grid.Data());
  w.Place(flashtest::NewPlace(1, 2, "s"));
  w.DoAction(Script().TraceMember("s.scale9Grid").a.Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "(x=10, y=5, w=20, h=30)\n");
}

}  // namespace

namespace {

// A row of four pixels told apart by their blue value, moved by a map whose red channel is
// `red` everywhere (128 moves nothing); the blue values after.
std::vector<int> Displaced(int red, double scale, flash::DisplacementMap::Mode mode,
                           int map_width = 4, int map_x = 0) {
  flash::FilterImage image;
  image.width = 4;
  image.height = 1;
  for (uint32_t b : {10u, 20u, 30u, 40u}) image.pixels.push_back(0xFF000000u | b);
  std::vector<uint32_t> map(static_cast<size_t>(map_width), 0xFF000000u | uint32_t(red) << 16);
  flash::DisplacementMap d;
  d.map = map.data();
  d.map_width = map_width;
  d.map_height = 1;
  d.map_x = map_x;
  d.component_x = 1;
  d.component_y = 2;  // green is 0: would move up by half the scale, which is 0 here
  d.scale_x = scale;
  d.mode = mode;
  d.color = 0xFF000063u;
  flash::ApplyDisplacementMap(image, d);
  std::vector<int> out;
  for (uint32_t p : image.pixels) out.push_back(static_cast<int>(p & 0xFF));
  return out;
}

TEST(EffectsDisplacementMap, PixelsMoveByTheMapAndTheModeFillsTheEdge) {
  using Mode = flash::DisplacementMap::Mode;
  // (192 - 128) * 4 / 256 = 1: every pixel takes its right neighbour's.
  EXPECT_EQ(Displaced(192, 4, Mode::Wrap), (std::vector<int>{20, 30, 40, 10}));
  EXPECT_EQ(Displaced(192, 4, Mode::Clamp), (std::vector<int>{20, 30, 40, 40}));
  EXPECT_EQ(Displaced(192, 4, Mode::Ignore), (std::vector<int>{20, 30, 40, 40}));
  EXPECT_EQ(Displaced(192, 4, Mode::Color), (std::vector<int>{20, 30, 40, 0x63}));
  // Moving left by two; 128 moves nothing.
  EXPECT_EQ(Displaced(0, 4, Mode::Wrap), (std::vector<int>{30, 40, 10, 20}));
  EXPECT_EQ(Displaced(128, 1000, Mode::Color), (std::vector<int>{10, 20, 30, 40}));
  // Only the pixels under the map move: a two-pixel map placed at x = 1.
  EXPECT_EQ(Displaced(192, 4, Mode::Color, 2, 1), (std::vector<int>{10, 30, 40, 40}));
  // Huge and non-finite scales stay bounded.
  EXPECT_EQ(Displaced(255, 1e300, Mode::Clamp), (std::vector<int>{40, 40, 40, 40}));
  EXPECT_EQ(Displaced(255, std::nan(""), Mode::Wrap), (std::vector<int>{10, 20, 30, 40}));
}

// Scripts hand the filter its map as a BitmapData: applyFilter moves the bitmap's pixels by it,
// a clip keeps the filter (with a copy of the map), and a filter without a map is refused.
TEST(EffectsDisplacementMap, ScriptFiltersTakeTheirMapFromABitmap) {
  auto point = [](double x, double y) {
    return [x, y](Script& c) { c.NewIn("flash.geom", "Point", {Script::Num(x), Script::Num(y)}); };
  };
  auto bitmap = [](double w, uint32_t fill) {
    return [w, fill](Script& c) {
      c.NewIn("flash.display", "BitmapData",
              {Script::Num(w), Script::Num(1), [](Script& d) { d.a.PushBool(true); },
               Script::Num(fill)});
    };
  };
  Script s;
  MakeClip(s);
  s.Var("src", bitmap(4, 0));
  for (int i = 0; i < 4; ++i)
    s.Call("src", "setPixel32", {Script::Num(i), Script::Num(0), Script::Num(0xFF000010 * (i + 1))})
        .Drop();
  s.Var("map", bitmap(4, 0xFFC00000));  // red 192: one pixel right at a scale of 4
  s.Var("f", NewFilter("DisplacementMapFilter",
                       {Script::VarRef("map"), point(0, 0), Script::Num(1), Script::Num(2),
                        Script::Num(4), Script::Num(0), Script::Str("color"), Script::Num(0x0000FF),
                        Script::Num(1)}));
  s.Var("dst", bitmap(4, 0));
  auto apply = [&](const Script::Emit& filter) {
    s.TraceExpr([&, filter](Script& c) {
      c.Call("dst", "applyFilter",
             {Script::VarRef("src"), Script::Member("src", "rectangle"), point(0, 0), filter});
    });
  };
  apply(Script::VarRef("f"));
  for (int i = 0; i < 4; ++i)
    s.TraceExpr([i](Script& c) { c.Call("dst", "getPixel", {Script::Num(i), Script::Num(0)}); });
  apply(NewFilter("DisplacementMapFilter"));  // no map
  apply(NewFilter("GlowFilter"));
  s.SetMember("c", "filters", [](Script& c) {
    c.Get("f");
    c.a.PushInt(1).Op(0x42);
  });
  s.TraceMember("c.filters.length");
  s.TraceExpr([](Script& c) {
    c.Path("c.filters");
    c.a.PushString("0").Op(0x4E).PushString("mode").Op(0x4E);
  });
  EXPECT_EQ(s.Run(), "0\n32\n48\n64\n255\n-6\n0\n1\ncolor\n");
}

}  // namespace
