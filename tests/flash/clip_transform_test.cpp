// Clip properties as scripts read and write them: scale and rotation that read back as set,
// positions and alpha kept as whole numbers, values that are no number, the size setters, the
// player-wide properties, and bounds measured into other clips' spaces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/flash/player/clip_transform.h"
#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetMember = 0x4F, kSetProperty = 0x23, kGetProperty = 0x22,
                  kDefineLocal = 0x3C, kPop = 0x17;
constexpr double kInf = std::numeric_limits<double>::infinity();

flash::MovieClip EmptyClip() {
  static const flash::Timeline kNoFrames;
  return flash::MovieClip(nullptr, &kNoFrames, nullptr);
}

// var name = parent.createEmptyMovieClip(name, depth)
void Empty(ActionBuilder& a, const std::string& parent, const std::string& name, int depth) {
  a.PushString(name).PushInt(depth).PushString(name);
  CallMethod(a, parent, "createEmptyMovieClip", 2).Op(kDefineLocal);
}

// The same clip filled with a w x h rectangle at its origin.
void Box(ActionBuilder& a, const std::string& parent, const std::string& name, int depth, int w,
         int h) {
  Empty(a, parent, name, depth);
  a.PushInt(0).PushInt(0xFF0000);
  CallMethod(a, name, "beginFill", 2).Op(kPop);
  for (auto [x, y] : {std::pair{w, 0}, {w, h}, {0, h}, {0, 0}}) {
    a.PushInt(y).PushInt(x);
    CallMethod(a, name, "lineTo", 2).Op(kPop);
  }
}

// setProperty("/", index, value pushed by `push`); trace(getProperty("/", index)).
template <typename Push>
void SetAndTrace(ActionBuilder& a, int index, Push push) {
  a.PushString("/").PushInt(index);
  push(a);
  a.Op(kSetProperty);
  a.PushString("/").PushInt(index).Op(kGetProperty).Trace();
}

}  // namespace

TEST(ClipTransform, ScaleAndRotationReadBackAsSetUntilTheMatrixIsReplaced) {
  flash::MovieClip clip = EmptyClip();
  flash::ScaleRotation sr = flash::ScaleRotationOf(clip);
  sr.x_scale = -100;
  flash::SetScaleRotation(clip, sr);
  EXPECT_DOUBLE_EQ(clip.matrix.a, -1);
  sr = flash::ScaleRotationOf(clip);
  EXPECT_EQ(sr.x_scale, -100);
  EXPECT_EQ(sr.rotation, 0);
  // A new matrix (the timeline's) is read through its own decomposition: the flip becomes a half
  // turn.
  clip.matrix = flash::Matrix{-1, 0, 0, 1.0000001, 0, 0};
  sr = flash::ScaleRotationOf(clip);
  EXPECT_NEAR(sr.x_scale, 100, 1e-9);
  EXPECT_NEAR(std::fabs(sr.rotation), 180, 1e-9);
  // An infinite scale leaves no NaN where the sine is zero, and reads back infinite.
  sr = flash::ScaleRotation{kInf, 100, 0, 0};
  flash::SetScaleRotation(clip, sr);
  EXPECT_EQ(clip.matrix.b, 0);
  EXPECT_EQ(flash::ScaleRotationOf(clip).x_scale, kInf);
}

TEST(ClipTransform, TurningKeepsTheSkewBetweenTheAxes) {
  flash::MovieClip clip = EmptyClip();
  clip.matrix = flash::Matrix{1, 0, 0.5, 1, 40, 60};  // the y axis leans
  flash::ScaleRotation sr = flash::ScaleRotationOf(clip);
  const double skew = sr.skew;
  sr.rotation = 90;
  flash::SetScaleRotation(clip, sr);
  EXPECT_NEAR(clip.matrix.a, 0, 1e-12);
  EXPECT_NEAR(clip.matrix.b, 1, 1e-12);
  EXPECT_EQ(clip.matrix.tx, 40);
  clip.script_scale.reset();
  EXPECT_NEAR(flash::ScaleRotationOf(clip).skew, skew, 1e-9);
}

TEST(ClipTransform, RotationsAndStoredIntegers) {
  EXPECT_EQ(flash::NormalRotation(540), 180);
  EXPECT_EQ(flash::NormalRotation(-180), -180);
  EXPECT_EQ(flash::NormalRotation(-181), 179);
  EXPECT_EQ(flash::NormalRotation(181), -179);
  EXPECT_EQ(flash::NormalRotation(-720), 0);
  EXPECT_TRUE(std::isnan(flash::NormalRotation(kInf)));
  EXPECT_EQ(flash::StoredInt(1.95), 1);
  EXPECT_EQ(flash::StoredInt(-1.95), -1);
  EXPECT_EQ(flash::StoredInt(2147483647.5), 2147483647);
  EXPECT_EQ(flash::StoredInt(2147483648.0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(flash::StoredInt(-kInf), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(flash::StoredInt(std::nan("")), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(flash::PixelsToTwips(10.03), 200);
}

TEST(ClipTransform, NumericPropertiesIgnoreValuesThatAreNoNumber) {
  ActionBuilder a;
  SetAndTrace(a, 0, [](ActionBuilder& b) { b.PushInt(7); });
  SetAndTrace(a, 0, [](ActionBuilder& b) { b.PushUndefined(); });  // stays 7
  SetAndTrace(a, 0, [](ActionBuilder& b) { b.PushString("10x"); });
  SetAndTrace(a, 0, [](ActionBuilder& b) { b.PushNumber(kInf); });  // out of range
  SetAndTrace(a, 2, [](ActionBuilder& b) { b.PushInt(-50); });      // reads back negative
  SetAndTrace(a, 2, [](ActionBuilder& b) { b.PushNull(); });
  SetAndTrace(a, 10, [](ActionBuilder& b) { b.PushInt(370); });
  SetAndTrace(a, 6, [](ActionBuilder& b) { b.PushNumber(1.5); });  // whole 256ths
  SetAndTrace(a, 6, [](ActionBuilder& b) { b.PushNumber(kInf); });
  // _visible takes a number too: text that is no number leaves it shown.
  SetAndTrace(a, 7, [](ActionBuilder& b) { b.PushString("false"); });
  SetAndTrace(a, 7, [](ActionBuilder& b) { b.PushBool(false); });
  // An object without a valueOf of its own gives no number.
  SetAndTrace(a, 1, [](ActionBuilder& b) { b.PushInt(3); });
  SetAndTrace(a, 1, [](ActionBuilder& b) { New(b, "Object", 0); });
  EXPECT_EQ(RunBlocks({a}, 6),
            "7\n7\n7\n-107374182.4\n-50\n-50\n10\n1.171875\n0\ntrue\nfalse\n3\n3\n");
}

// The old-style property actions convert what they are given even where nothing is set: the
// target by its text (an object by its toString), and the value as the property takes it, unless
// the property is text a script cannot set.
TEST(ClipTransform, PropertyActionsConvertTargetsAndValuesEvenWhenNothingIsSet) {
  ActionBuilder to_string;  // trace("toString"); return "/";
  to_string.PushString("toString").Trace().PushString("/").Op(0x3E);
  ActionBuilder value_of;  // trace("valueOf"); return 5;
  value_of.PushString("valueOf").Trace().PushInt(5).Op(0x3E);
  ActionBuilder a;
  Function(a, "T", {}, to_string);
  Function(a, "V", {}, value_of);
  a.PushString("o");
  New(a, "Object", 0).Op(kDefineLocal);
  Get(a, "o").PushString("toString");
  Get(a, "T").Op(kSetMember);
  Get(a, "o").PushString("valueOf");
  Get(a, "V").Op(kSetMember);
  auto set = [&](auto push_target, int index) {
    push_target(a);
    a.PushInt(index);
    Get(a, "o").Op(kSetProperty);
    a.PushString("-").Trace();
  };
  auto object = [](ActionBuilder& b) { Get(b, "o"); };
  auto nowhere = [](ActionBuilder& b) { b.PushString("nowhere"); };
  auto root = [](ActionBuilder& b) { b.PushString("/"); };
  set(object, 0);    // toString, valueOf: _x = 5
  set(nowhere, 1);   // valueOf
  set(nowhere, 13);  // toString (_name)
  set(root, 5);      // valueOf (_totalframes, read-only)
  set(root, 15);     // nothing (_url)
  Get(a, "o").PushInt(0).Op(kGetProperty).Trace();
  Get(a, "o").OpWithData(0x8D, {0});  // ifFrameLoaded(o): the frame by its text
  EXPECT_EQ(RunBlocks({a}, 6),
            "toString\nvalueOf\n-\nvalueOf\n-\ntoString\n-\nvalueOf\n-\n-\ntoString\n5\n"
            "toString\n");
}

TEST(ClipTransform, QualityFocusFrameAndSoundBufferArePlayerWide) {
  ActionBuilder a;
  SetAndTrace(a, 19, [](ActionBuilder& b) { b.PushString("best"); });
  a.PushString("/").PushInt(16).Op(kGetProperty).Trace();
  SetAndTrace(a, 19, [](ActionBuilder& b) { b.PushString("bogus"); });  // ignored
  SetAndTrace(a, 16, [](ActionBuilder& b) { b.PushInt(0); });
  a.PushString("/").PushInt(19).Op(kGetProperty).Trace();
  SetAndTrace(a, 16, [](ActionBuilder& b) { b.PushInt(-5); });
  SetAndTrace(a, 18, [](ActionBuilder& b) { b.PushNumber(1.5); });
  SetAndTrace(a, 17, [](ActionBuilder& b) { b.PushInt(0); });
  SetAndTrace(a, 17, [](ActionBuilder& b) { b.PushString("abc"); });  // no number: stays off
  SetAndTrace(a, 17, [](ActionBuilder& b) { b.PushInt(2); });
  SetAndTrace(a, 17, [](ActionBuilder& b) { New(b, "Object", 0); });  // an object turns it off
  EXPECT_EQ(RunBlocks({a}, 6), "BEST\n2\nBEST\n0\nLOW\n1\n1\nfalse\nfalse\ntrue\nfalse\n");
}

TEST(ClipTransform, SizeSettersScaleTheTurnedBoxAndKeepTheOtherSide) {
  ActionBuilder a;
  Box(a, "this", "b", 1, 40, 20);
  // Unturned: the width alone changes.
  Get(a, "b").PushString("_width").PushInt(80).Op(kSetMember);
  Member(a, "b", "_xscale").Trace();
  Member(a, "b", "_yscale").Trace();
  // A quarter turn: the box turned with the clip is 20 wide, so a width of 10 halves the x scale
  // while the height (40, the turned box's) is kept through the y scale.
  Get(a, "b").PushString("_xscale").PushInt(100).Op(kSetMember);
  Get(a, "b").PushString("_rotation").PushInt(90).Op(kSetMember);
  Get(a, "b").PushString("_width").PushInt(10).Op(kSetMember);
  Member(a, "b", "_xscale").Trace();
  Member(a, "b", "_yscale").Trace();
  Member(a, "b", "_rotation").Trace();
  // A flipped clip stays flipped.
  Get(a, "b").PushString("_rotation").PushInt(0).Op(kSetMember);
  Get(a, "b").PushString("_xscale").PushInt(-100).Op(kSetMember);
  Get(a, "b").PushString("_width").PushInt(20).Op(kSetMember);
  Member(a, "b", "_xscale").Trace();
  Member(a, "b", "_width").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "200\n100\n50\n100\n90\n-50\n20\n");
}

TEST(ClipTransform, BoundsGoThroughEveryMatrixAndTargetsAreFoundByPath) {
  ActionBuilder a;
  Empty(a, "this", "outer", 1);
  Empty(a, "outer", "mid", 1);
  Box(a, "mid", "inner", 1, 20, 20);
  // Two eighth turns make a quarter turn: the square measured through both matrices stays 20
  // wide in the outer clip, where a box around the turned box would grow it to 40.
  Get(a, "inner").PushString("_rotation").PushInt(45).Op(kSetMember);
  Get(a, "mid").PushString("_rotation").PushInt(45).Op(kSetMember);
  a.PushString("r");
  CallMethod(a, "outer", "getBounds", 0).Op(kDefineLocal);
  Member(a, "r", "xMin").Trace();
  Member(a, "r", "xMax").Trace();
  // A path from the clip names the space (corners land on whole twips); a path to no clip gives
  // nothing.
  a.PushString("r").PushString("mid");
  CallMethod(a, "outer", "getBounds", 1).Op(kDefineLocal);
  Member(a, "r", "xMax").Trace();
  a.PushString("");
  CallMethod(a, "outer", "getBounds", 1).Trace();
  a.PushString("nothing/here");
  CallMethod(a, "outer", "getBounds", 1).Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "-20\n0\n14.15\nundefined\nundefined\n");
}

TEST(ClipTransform, AnEmptyClipCountsOneFrameUntilItsContentIsUnloaded) {
  ActionBuilder a;
  Empty(a, "this", "e", 1);
  Member(a, "e", "_totalframes").Trace();
  Member(a, "e", "_framesloaded").Trace();
  CallMethod(a, "e", "getBytesTotal", 0).Trace();
  Member(a, "e", "_lockroot").Trace();
  CallMethod(a, "e", "unloadMovie", 0).Op(kPop);
  Member(a, "e", "_totalframes").Trace();  // unloaded only when the tick's loads complete
  EXPECT_EQ(RunBlocks({a}, 8), "1\n1\n0\nfalse\n1\n");
}

// A load that fails leaves the clip without frames, bytes or version; unloading it then gives
// it back to the movie that holds it. Both show from the next frame on.
TEST(ClipTransform, FailedLoadsAndUnloadsShowOnTheNextFrame) {
  ActionBuilder first, second, third;
  Empty(first, "this", "e", 1);
  first.PushString("missing.swf");
  CallMethod(first, "e", "loadMovie", 1).Op(kPop);
  Member(first, "e", "_framesloaded").Trace();
  for (ActionBuilder* a : {&second, &third}) {
    Member(*a, "e", "_framesloaded").Trace();
    Member(*a, "e", "_totalframes").Trace();
    CallMethod(*a, "e", "getBytesTotal", 0).Trace();
    CallMethod(*a, "e", "getSWFVersion", 0).Trace();
  }
  CallMethod(second, "e", "unloadMovie", 0).Op(kPop);
  Member(second, "e", "_framesloaded").Trace();
  third.Stop();
  flash::SwfWriter w(8, 100, 100, 12);
  for (const ActionBuilder* a : {&first, &second, &third}) {
    w.DoAction(a->Build());
    w.ShowFrame();
  }
  flash::Player p;  // a movie from memory has no folder: every load fails
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (int i = 0; i < 3; ++i) p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "1\n-1\n0\n-1\n-1\n-1\n0\n0\n0\n8\n");
}
