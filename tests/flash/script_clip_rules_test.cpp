// Clip rules scripts see: bounds of clips holding shapes, drawings and text fields (the same for
// _width and getBounds), the depths where clips may be made and removed, the wrapping of frame
// and depth numbers, and code that stops once its clip is removed.
#include <gtest/gtest.h>

#include "platform/flash/format/button.h"
#include "platform/flash/format/tag_codes.h"
#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetMember = 0x4F, kGetMember = 0x4E, kSubtract = 0x0B, kDefineLocal = 0x3C,
                  kPop = 0x17;

// var name = parent.createEmptyMovieClip(name, depth)
void EmptyClip(ActionBuilder& a, const std::string& parent, const std::string& name, int depth) {
  a.PushString(name).PushInt(depth).PushString(name);
  CallMethod(a, parent, "createEmptyMovieClip", 2).Op(kDefineLocal);
}

}  // namespace

TEST(ScriptClipRules, WidthAndGetBoundsAgreeOverDrawingsChildrenAndTextFields) {
  ActionBuilder a;
  EmptyClip(a, "this", "outer", 1);
  EmptyClip(a, "outer", "inner", 1);
  // inner draws a 40 x 10 rectangle and is narrowed to half at x = 100.
  a.PushInt(0).PushInt(0xFF0000);
  CallMethod(a, "inner", "beginFill", 2).Op(kPop);
  for (auto [x, y] : {std::pair{40, 0}, {40, 10}, {0, 10}, {0, 0}}) {
    a.PushInt(y).PushInt(x);
    CallMethod(a, "inner", "lineTo", 2).Op(kPop);
  }
  Get(a, "inner").PushString("_xscale").PushInt(50).Op(kSetMember);
  Get(a, "inner").PushString("_x").PushInt(100).Op(kSetMember);
  Member(a, "outer", "_width").Trace();
  Member(a, "outer", "_height").Trace();
  // A text field counts too, from its own rectangle.
  a.PushInt(50).PushInt(100).PushInt(20).PushInt(10).PushInt(2).PushString("field");
  CallMethod(a, "outer", "createTextField", 6).Op(kPop);
  Member(a, "outer", "_width").Trace();
  Member(a, "outer", "_height").Trace();
  a.PushString("b");
  Get(a, "outer");
  CallMethod(a, "outer", "getBounds", 1).Op(kDefineLocal);
  Member(a, "b", "xMax");
  Member(a, "b", "xMin").Op(kSubtract).Trace();
  Member(a, "b", "yMax");
  Member(a, "b", "yMin").Op(kSubtract).Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "20\n10\n110\n70\n110\n70\n");
}

TEST(ScriptClipRules, ClipsAreMadeAndRemovedOnlyAtScriptDepths) {
  ActionBuilder a;
  // Made at the lowest and highest depths, refused beyond them.
  EmptyClip(a, "this", "low", -16384);
  Get(a, "low").Trace();
  EmptyClip(a, "this", "top", 2130690044);
  Get(a, "top").Trace();
  EmptyClip(a, "this", "beyond", 2130690045);
  Get(a, "beyond").Trace();
  // Removed only at depths 0 .. 2130690031.
  CallMethod(a, "low", "removeMovieClip", 0).Op(kPop);
  CallMethod(a, "top", "removeMovieClip", 0).Op(kPop);
  EmptyClip(a, "this", "zero", 0);
  CallMethod(a, "zero", "removeMovieClip", 0).Op(kPop);
  Get(a, "low").Trace();
  Get(a, "top").Trace();
  a.PushInt(0);
  CallMethod(a, "this", "getInstanceAtDepth", 1).Trace();
  // swapDepths wraps its number to 32 bits and refuses depths beyond the range.
  EmptyClip(a, "this", "s", 5);
  a.PushNumber(4294967297.0);
  CallMethod(a, "s", "swapDepths", 1).Op(kPop);
  CallMethod(a, "s", "getDepth", 0).Trace();
  a.PushNumber(2130690045.0);
  CallMethod(a, "s", "swapDepths", 1).Op(kPop);
  CallMethod(a, "s", "getDepth", 0).Trace();
  EXPECT_EQ(RunBlocks({a}, 8),
            "_level0.low\n_level0.top\nundefined\n_level0.low\n_level0.top\nundefined\n1\n1\n");
}

TEST(ScriptClipRules, FrameNumbersWrapAndAScriptThatRemovesItsClipStops) {
  // A clip of three frames; gotoAndStop with numbers that wrap.
  flash::TimelineWriter sprite;
  for (int i = 0; i < 3; ++i) sprite.ShowFrame();
  flash::SwfWriter w(8, 100, 100, 12);
  w.DefineSprite(1, sprite);
  w.Place(flashtest::NewPlace(1, 1, "clip"));
  ActionBuilder a;
  auto go = [&](double frame) {
    a.PushNumber(frame);
    CallMethod(a, "clip", "gotoAndStop", 1).Op(kPop);
    Member(a, "clip", "_currentframe").Trace();
  };
  go(2);
  go(0);              // ignored
  go(4294967299.0);   // wraps to 3
  go(-5);             // ignored
  go(-2147483648.0);  // wraps past the last frame
  a.PushString("root goes on").Trace();
  w.DoAction(a.Build());
  // A clip whose own frame script removes it: the rest of that script is not run.
  flash::TimelineWriter self_removing;
  ActionBuilder own;
  own.PushInt(0);
  CallMethod(own, "this", "swapDepths", 1).Op(kPop);
  CallMethod(own, "this", "removeMovieClip", 0).Op(kPop);
  own.PushString("not printed").Trace();
  self_removing.DoAction(own.Build());
  self_removing.ShowFrame();
  w.DefineSprite(2, self_removing);
  w.Place(flashtest::NewPlace(2, 2, "gone"));
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "2\n2\n3\n3\n3\nroot goes on\n");
  EXPECT_EQ(p.LevelRoot(0)->children.count(2), 0u);
}

TEST(ScriptClipRules, PathsToShapesRootsAndVersionFourNames) {
  auto run = [](int version, const ActionBuilder& a) {
    flash::SwfWriter w(version, 100, 100, 12);
    flash::ShapeBuilder s;
    s.Rectangle(0, 0, 200, 200, s.AddFill(flash::FillStyleSpec::Solid({255, 0, 0, 255})));
    w.DefineShape(1, s);
    flash::TimelineWriter holder;
    holder.Place(flashtest::NewPlace(1, 1, "box"));
    holder.ShowFrame();
    w.DefineSprite(2, holder);
    w.Place(flashtest::NewPlace(1, 1, "shape0"));
    w.Place(flashtest::NewPlace(2, 2, "clip"));
    w.DoAction(a.Build());
    w.ShowFrame();
    flash::Player p;
    p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
    p.Tick();
    return flashtest::Joined(p.trace_log);
  };
  // A named shape stands for the clip holding it; "a." names nothing.
  ActionBuilder a;
  Get(a, "shape0").Trace();
  Get(a, "clip.box").Trace();
  Get(a, "clip.").Trace();
  // _root is the nearest clip above whose _lockroot is set.
  Get(a, "clip").PushString("_lockroot").PushBool(true).Op(kSetMember);
  ActionBuilder in_clip;
  in_clip.PushString("r");
  Get(in_clip, "_root").Op(0x1D);
  a.SetTarget("clip").Raw(scripttest::Code(in_clip)).SetTarget("");
  Member(a, "clip", "r").Trace();
  EXPECT_EQ(run(8, a), "_level0\n_level0.clip\nundefined\n_level0.clip\n");
  // Version 4 names are variables only, never children.
  ActionBuilder b;
  Get(b, "clip").Trace();
  EXPECT_EQ(run(4, b), "undefined\n");
}

// attachMovie of a button symbol places a plain button, whatever class the name was registered
// with; a registered clip's constructor runs once the children of its first frame are in place.
TEST(ScriptClipRules, AttachedButtonsAndTheConstructorOfAnAttachedClip) {
  flash::ButtonDef button(1);
  button.version = 2;
  flash::TimelineWriter sprite;  // symbol 3 holds an empty clip named box (symbol 2)
  flash::PlaceSpec box;
  box.character_id = 2;
  box.name = "box";
  sprite.Place(box);
  sprite.ShowFrame();
  std::vector<uint8_t> exports;
  PutU16(exports, 2);
  PutU16(exports, 1);
  PutString(exports, "btn");
  PutU16(exports, 3);
  PutString(exports, "clipSym");

  ActionBuilder ctor;  // function C() { trace(typeof this.box); }
  Member(ctor, "this", "box").Op(0x44).Trace();
  ActionBuilder a;
  Function(a, "C", {}, ctor);
  for (const char* symbol : {"btn", "clipSym"}) {
    Get(a, "C").PushString(symbol);
    CallMethod(a, "Object", "registerClass", 2).Op(kPop);
  }
  a.PushString("b").PushInt(1).PushString("b1").PushString("btn");
  CallFunction(a, "attachMovie", 3).Op(kDefineLocal);
  Get(a, "b").Op(0x44).Trace();
  Member(a, "b", "__proto__");
  Member(a, "Button", "prototype").Op(0x66).Trace();
  a.PushInt(2).PushString("m1").PushString("clipSym");
  CallFunction(a, "attachMovie", 3).Op(kPop);

  flash::SwfWriter w(8, 100, 100, 12);
  w.Tag(flash::kTagDefineButton2, flash::EncodeButton(button));
  flash::TimelineWriter empty;
  empty.ShowFrame();
  w.DefineSprite(2, empty);
  w.DefineSprite(3, sprite);
  w.Tag(56, exports);  // ExportAssets
  EXPECT_EQ(RunBlocksIn(w, {a}), "object\ntrue\nmovieclip\n");
}

// attachMovie copies the init object's properties once the first frame's children are in place:
// a size given there scales what the symbol shows, and the size setters of a clip that shows
// nothing yet flatten it, so what it draws later stays invisible.
TEST(ScriptClipRules, AttachedInitSizesScaleTheFirstFrameAndEmptyClipsFlatten) {
  flash::ShapeBuilder square;  // 20 x 20 pixels
  square.Rectangle(0, 0, 400, 400, square.AddFill(flash::FillStyleSpec::Solid({255, 0, 0, 255})));
  flash::TimelineWriter sprite;
  sprite.Place(flashtest::NewPlace(1, 1));
  sprite.ShowFrame();
  std::vector<uint8_t> exports;
  PutU16(exports, 1);
  PutU16(exports, 2);
  PutString(exports, "icon");

  ActionBuilder a;
  // var icon = attachMovie("icon", "i", 1, {_y: 5, _width: 40});
  a.PushString("_y").PushInt(5).PushString("_width").PushInt(40).PushInt(2).Op(0x43);
  a.PushInt(1).PushString("i").PushString("icon");
  CallFunction(a, "attachMovie", 4).Op(kPop);
  Member(a, "i", "_width").Trace();
  Member(a, "i", "_height").Trace();
  Member(a, "i", "_y").Trace();
  // An empty clip given a width: both scales go to 0, and a drawing made later measures 0.
  EmptyClip(a, "this", "e", 2);
  Get(a, "e").PushString("_width").PushInt(20).Op(kSetMember);
  Member(a, "e", "_xscale").Trace();
  Member(a, "e", "_yscale").Trace();
  a.PushInt(0).PushInt(0xFF0000);
  CallMethod(a, "e", "beginFill", 2).Op(kPop);
  for (auto [x, y] : {std::pair{40, 0}, {40, 10}, {0, 10}, {0, 0}}) {
    a.PushInt(y).PushInt(x);
    CallMethod(a, "e", "lineTo", 2).Op(kPop);
  }
  Member(a, "e", "_width").Trace();
  Member(a, "e", "_height").Trace();

  flash::SwfWriter w(8, 100, 100, 12);
  w.DefineShape(1, square);
  w.DefineSprite(2, sprite);
  w.Tag(56, exports);  // ExportAssets
  EXPECT_EQ(RunBlocksIn(w, {a}), "40\n20\n5\n0\n0\n0\n0\n");
}
