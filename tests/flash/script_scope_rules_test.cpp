// Rules of names and built-ins the reference movies show: dot paths tried scope by scope, the
// bounds of empty clips before and after version 8, unloadMovie leaving its clip in place, the
// class packages of version 8, a file browse that ends cancelled and a date added to a string.
#include <gtest/gtest.h>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetMember = 0x4F, kSetVariable = 0x1D, kDefineLocal = 0x3C, kPop = 0x17,
                  kInitObject = 0x43, kAdd2 = 0x47, kTypeOf = 0x44,
                  kGetURL2 = 0x9A;

// Pushes { name: value } where the value is already on the stack under the name.
void OneMemberObject(ActionBuilder& a) { a.PushInt(1).Op(kInitObject); }

}  // namespace

TEST(ScriptScopeRules, ADotPathIsTriedScopeByScope) {
  ActionBuilder a;
  // _global.a = {b: {c: "global"}}; the timeline's a = {b: "timeline"}.
  Get(a, "_global").PushString("a").PushString("b").PushString("c").PushString("global");
  OneMemberObject(a);
  OneMemberObject(a);
  a.Op(kSetMember);
  a.PushString("a").PushString("b").PushString("timeline");
  OneMemberObject(a);
  a.Op(kSetVariable);
  // a.b.c: the timeline's a.b has no c, so the globals serve; a.b is the timeline's.
  Get(a, "a.b.c").Trace();
  Get(a, "a.b").Trace();
  // Inside a function a local a comes first.
  ActionBuilder body;
  body.PushString("a").PushString("b").PushString("local");
  OneMemberObject(body);
  body.Op(kDefineLocal);
  Get(body, "a.b").Trace();
  body.PushString("a.b").PushString("changed").Op(kSetVariable);
  Member(body, "a", "b").Trace();
  Function(a, "f", {}, body);
  CallFunction(a, "f", 0).Op(kPop);
  Get(a, "a.b").Trace();
  // An assignment takes the first scope where the way to the last name exists, although a
  // later scope has the last name itself.
  a.PushString("a").PushString("b").PushInt(0).Op(kInitObject);
  OneMemberObject(a);
  a.Op(kSetVariable);
  a.PushString("a.b.c").PushString("set").Op(kSetVariable);
  Member(a, "a", "b").PushString("c").Op(0x4E).Trace();
  Get(a, "_global").PushString("a").Op(0x4E).PushString("b").Op(0x4E).PushString("c").Op(0x4E);
  a.Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "global\ntimeline\nlocal\nchanged\ntimeline\nset\nglobal\n");
}

TEST(ScriptScopeRules, EmptyClipBoundsDependOnTheVersionEightSwitch) {
  ActionBuilder a;
  a.PushString("e").PushInt(1).PushString("e");
  CallMethod(a, "this", "createEmptyMovieClip", 2).Op(kDefineLocal);
  for (int i = 0; i < 2; ++i) {
    CallMethod(a, "e", "getBounds", 0).PushString("xMin").Op(0x4E).Trace();
    Get(a, "this");
    CallMethod(a, "e", "getBounds", 1).PushString("xMin").Op(0x4E).Trace();
  }
  // A version 7 movie sees 2^27 - 1 twips; a version 8 one 2^27 twips from the start, on the
  // way into another clip's space (in the clip's own space it stays 2^27 - 1).
  EXPECT_EQ(RunBlocks({a}, 7), "6710886.35\n6710886.35\n6710886.35\n6710886.35\n");
  EXPECT_EQ(RunBlocks({a}, 8), "6710886.35\n6710886.4\n6710886.35\n6710886.4\n");
}

TEST(ScriptScopeRules, TransformedBoundsLandOnWholeTwips) {
  ActionBuilder a;
  a.PushString("e").PushInt(1).PushString("e");
  CallMethod(a, "this", "createEmptyMovieClip", 2).Op(kDefineLocal);
  a.PushInt(0).PushInt(0xFF);
  CallMethod(a, "e", "beginFill", 2).Op(kPop);
  for (auto [x, y] : {std::pair{10, 0}, {10, 10}, {0, 10}, {0, 0}}) {
    a.PushInt(y).PushInt(x);
    CallMethod(a, "e", "lineTo", 2).Op(kPop);
  }
  Get(a, "e").PushString("_rotation").PushInt(30).Op(kSetMember);
  a.PushString("b");
  Get(a, "this");
  CallMethod(a, "e", "getBounds", 1).Op(kDefineLocal);
  for (const char* edge : {"xMin", "xMax", "yMin", "yMax"}) Member(a, "b", edge).Trace();
  // The corners of 10 x 10 turned by 30 degrees: -5, 8.660, 0, 13.660 pixels, each rounded to
  // the nearest twip.
  EXPECT_EQ(RunBlocks({a}, 8), "-5\n8.65\n0\n13.65\n");
}

TEST(ScriptScopeRules, UnloadMovieLeavesAnEmptyClipInPlace) {
  ActionBuilder a;
  a.PushString("c").PushInt(1).PushString("c");
  CallMethod(a, "this", "createEmptyMovieClip", 2).Op(kPop);
  Get(a, "c").PushString("x").PushInt(5).Op(kSetMember);
  // unloadMovie("c"): GetURL2 with an empty address, loading into a target.
  a.PushString("").PushString("c").OpWithData(kGetURL2, {0x40});
  ActionBuilder later;
  Get(later, "c").Op(kTypeOf).Trace();
  Member(later, "c", "_name").Trace();
  Member(later, "c", "x").Trace();
  flash::SwfWriter w(7, 100, 100, 12);
  w.DoAction(a.Build());
  w.ShowFrame();
  w.DoAction(later.Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "movieclip\nc\nundefined\n");
}

TEST(ScriptScopeRules, ClassPackagesCameWithVersionEight) {
  ActionBuilder a;
  Get(a, "flash").Op(kTypeOf).Trace();
  Get(a, "flash.geom.Point").Op(kTypeOf).Trace();
  Get(a, "System.IME").Op(kTypeOf).Trace();
  EXPECT_EQ(RunBlocks({a}, 7), "undefined\nundefined\nobject\n");
  EXPECT_EQ(RunBlocks({a}, 8), "object\nfunction\nobject\n");
}

TEST(ScriptScopeRules, AFileBrowseEndsCancelledAfterTheScripts) {
  ActionBuilder a;
  a.PushString("f").PushInt(0);
  Get(a, "flash.net").PushString("FileReference").Op(0x53).Op(kDefineLocal);
  // listener.onCancel = function (file) { trace("cancel " + (file == f)); }
  a.PushString("l").PushInt(0).Op(kInitObject).Op(kDefineLocal);
  ActionBuilder on_cancel;
  on_cancel.PushString("cancel ");
  Get(on_cancel, "file");
  Get(on_cancel, "f").Op(0x49).Op(kAdd2).Trace();
  Get(a, "l").PushString("onCancel");
  Function(a, "", {"file"}, on_cancel).Op(kSetMember);
  Get(a, "l");
  CallMethod(a, "f", "addListener", 1).Op(kPop);
  Member(a, "f", "name").Trace();
  CallMethod(a, "f", "browse", 0).Trace();
  // An empty type list or a download without an address is refused at once.
  a.PushInt(0).Op(0x42);  // []
  CallMethod(a, "f", "browse", 1).Trace();
  CallMethod(a, "f", "download", 0).Trace();
  a.PushString("after").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "undefined\ntrue\nfalse\nfalse\nafter\ncancel true\n");
}

TEST(ScriptScopeRules, ADateAddsThroughItsToStringAloneFromVersionSix) {
  ActionBuilder a;
  a.PushString("d").PushInt(0).PushInt(0).PushInt(2000).PushInt(3);
  a.PushString("Date").Op(0x40).Op(kDefineLocal);
  // valueOf answers, toString is undefined.
  ActionBuilder value_of;
  value_of.PushString("v").Op(0x3E);
  Get(a, "d").PushString("valueOf");
  Function(a, "", {}, value_of).Op(kSetMember);
  Get(a, "d").PushString("toString").PushUndefined().Op(kSetMember);
  a.PushString("=");
  Get(a, "d").Op(kAdd2).Trace();
  EXPECT_EQ(RunBlocks({a}, 6), "=undefined\n");
  EXPECT_EQ(RunBlocks({a}, 5), "=v\n");
}

// A function whose timeline was removed runs on the clip it is called on, or, called on an
// object, on the caller's timeline.
TEST(ScriptScopeRules, AFunctionWhoseTimelineIsGoneRunsOnTheClipItIsCalledOn) {
  ActionBuilder body;  // trace(_target)
  body.PushString("").PushInt(11).Op(0x22).Trace();
  ActionBuilder define;  // on the sprite: _root.clip1.f = _root.holder.f = function ...
  Member(define, "_root", "clip1").PushString("f");
  Function(define, "", {}, body).Op(kSetMember);
  Member(define, "_root", "holder").PushString("f");
  Member(define, "_root", "clip1").PushString("f").Op(0x4E).Op(kSetMember);
  flash::TimelineWriter sprite;
  sprite.DoAction(define.Build());
  sprite.ShowFrame();

  ActionBuilder first;
  first.PushInt(5).PushString("clip1");
  CallFunction(first, "createEmptyMovieClip", 2).Op(kPop);
  first.PushString("holder").PushInt(0).Op(kInitObject).Op(kSetVariable);
  ActionBuilder calls;
  CallMethod(calls, "clip1", "f", 0).Op(kPop);
  CallMethod(calls, "holder", "f", 0).Op(kPop);

  flash::SwfWriter w(8, 100, 100, 12);
  w.DefineSprite(1, sprite);
  w.DoAction(first.Build());
  flash::PlaceSpec place;
  place.character_id = 1;
  place.name = "definer";
  w.Place(place);
  w.ShowFrame();
  w.DoAction(calls.Build());
  w.ShowFrame();
  w.Remove(1);
  w.DoAction(calls.Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (int i = 0; i < 3; ++i) p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "/definer\n/definer\n/clip1\n/\n");
}
