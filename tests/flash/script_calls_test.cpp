// Rules of calls and scopes: the `this` of plain calls, the `this` name in functions that moved
// it to a register, registers past a function's own count, preloaded registers, with blocks on
// primitives, DefineLocal inside with, the end marker of enumerations, and property flags that
// hide a property from some versions.
#include <gtest/gtest.h>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetVariable = 0x1D, kSetMember = 0x4F, kGetMember = 0x4E, kAdd2 = 0x47,
                  kDefineLocal = 0x3C, kInitObject = 0x43, kPop = 0x17, kWith = 0x94,
                  kEnumerate2 = 0x55, kTypeOf = 0x44, kStrictEquals = 0x66;

ActionBuilder& With(ActionBuilder& a, const ActionBuilder& inside) {
  std::vector<uint8_t> size;
  PutU16(size, Code(inside).size());
  return a.OpWithData(kWith, size).Raw(Code(inside));
}

// o = {}; o.name = value
void ObjectWith(ActionBuilder& a, const std::string& o, const std::string& name,
                const std::string& value) {
  a.PushString(o).PushInt(0).Op(kInitObject).Op(kSetVariable);
  Get(a, o).PushString(name).PushString(value).Op(kSetMember);
}

}  // namespace

TEST(ScriptCalls, PlainCallsRunOnTheObjectOrClipTheFunctionWasFoundOn) {
  // function show() { trace(this.tag); }  o = {tag: "object"}; o.show = show; tag = "timeline"
  ActionBuilder show;
  Member(show, "this", "tag").Trace();
  ActionBuilder a;
  Function(a, "show", {}, show);
  ObjectWith(a, "o", "tag", "object");
  Get(a, "o").PushString("show");
  Get(a, "show").Op(kSetMember);
  a.PushString("tag").PushString("timeline").Op(kSetVariable);
  // with (o) show();  -> the with object
  ActionBuilder inside;
  CallFunction(inside, "show", 0).Op(kPop);
  Get(a, "o");
  With(a, inside);
  // show();  -> the timeline it was found on
  CallFunction(a, "show", 0).Op(kPop);
  // "o.show"() -> the object holding it by path
  CallFunction(a, "o.show", 0).Op(kPop);
  EXPECT_EQ(RunBlocks({a}, 7), "object\ntimeline\nobject\n");
  EXPECT_EQ(RunBlocks({a}, 6), "object\ntimeline\nobject\n");

  // A function that is a local runs on the locals' object, not on the timeline.
  ActionBuilder outer;
  Function(outer, "inner", {}, show);
  CallFunction(outer, "inner", 0).Op(kPop);
  outer.PushString("tag").PushString("local").Op(kDefineLocal);
  CallFunction(outer, "inner", 0).Op(kPop);
  ActionBuilder b;
  b.PushString("tag").PushString("timeline").Op(kSetVariable);
  Function(b, "outer", {}, outer);
  CallFunction(b, "outer", 0).Op(kPop);
  EXPECT_EQ(RunBlocks({b}, 7), "undefined\nlocal\n");
  EXPECT_EQ(RunBlocks({b}, 6), "undefined\nlocal\n");
}

TEST(ScriptCalls, ThisNameFollowsCaseRulesAndRegisterPreloads) {
  // Version 7 compares names with case: only `this` is this.
  ActionBuilder a;
  Get(a, "this").Trace();
  Get(a, "THIS").Trace();
  EXPECT_EQ(RunBlocks({a}, 7), "_level0\nundefined\n");
  EXPECT_EQ(RunBlocks({a}, 6), "_level0\n_level0\n");

  // new f() where f put `this` in register 1: the name `this` inside is the timeline's.
  ActionBuilder body;
  body.PushRegister(1).Trace();
  Get(body, "this").Op(kTypeOf).Trace();
  ActionBuilder b;
  Function2(b, "f", 2, 0x01, {}, body);
  New(b, "f", 0).Op(kPop);
  EXPECT_EQ(RunBlocks({b}, 6), "[object Object]\nmovieclip\n");

  // Preloading _parent on a level's timeline takes no register: _global moves up to it.
  ActionBuilder regs;
  regs.PushRegister(1).Op(kTypeOf).Trace();
  regs.PushRegister(2).Op(kTypeOf).Trace();
  regs.PushRegister(3).Op(kTypeOf).Trace();
  ActionBuilder c;
  Function2(c, "g", 4, 0x02 | 0x08 | 0x20 | 0x40 | 0x80 | 0x100, {}, regs);
  CallFunction(c, "g", 0).Op(kPop);
  EXPECT_EQ(RunBlocks({c}, 8), "movieclip\nobject\nundefined\n");

  // Preloaded and suppressed at once: this and super keep their registers, empty; arguments is
  // loaded all the same.
  ActionBuilder both;
  Function2(both, "h", 4, 0x01 | 0x02 | 0x04 | 0x08 | 0x10 | 0x20, {}, regs);
  CallFunction(both, "h", 0).Op(kPop);
  EXPECT_EQ(RunBlocks({both}, 8), "undefined\nobject\nundefined\n");
}

TEST(ScriptCalls, RegistersPastAFunctionsCountAreTheTimelines) {
  // Timeline r3 = 3; function f (one register) reads r3 and sets it to 9.
  ActionBuilder body;
  body.PushRegister(3).Trace();
  body.PushInt(9).StoreRegister(3).Op(kPop);
  body.PushInt(7).StoreRegister(0).Op(kPop);
  ActionBuilder a;
  a.PushInt(3).StoreRegister(3).Op(kPop);
  a.PushInt(0).StoreRegister(0).Op(kPop);
  Function2(a, "f", 1, 0, {}, body);
  CallFunction(a, "f", 0).Op(kPop);
  a.PushRegister(3).Trace();
  // Register 0 is the function's own.
  a.PushRegister(0).Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "3\n9\n0\n");
}

TEST(ScriptCalls, WithBlocksDefineLocalAndEnumerationEnd) {
  // with ("STRING") trace(length);
  ActionBuilder inside;
  Get(inside, "length").Trace();
  ActionBuilder a;
  a.PushString("STRING");
  With(a, inside);
  // proto = {d: 20}; n = {b: 1}; n.__proto__ = proto; with (n) { var b = 10; var d = 10; }
  ObjectWith(a, "proto", "d", "20");
  ObjectWith(a, "n", "b", "1");
  Get(a, "n").PushString("__proto__");
  Get(a, "proto").Op(kSetMember);
  ActionBuilder locals;
  locals.PushString("b").PushString("10").Op(kDefineLocal);
  locals.PushString("d").PushString("10").Op(kDefineLocal);
  Get(a, "n");
  With(a, locals);
  Member(a, "n", "b").Trace();
  Member(a, "n", "d").Trace();
  Get(a, "d").Trace();
  // Enumerating a primitive pushes only the end marker, which is undefined.
  a.PushInt(10).Op(kEnumerate2).Trace();
  a.PushInt(0).Op(kInitObject).Op(kEnumerate2).PushUndefined().Op(kStrictEquals).Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "6\n10\n20\n10\nundefined\ntrue\n");
}

TEST(ScriptCalls, VersionFlagsHideAPropertyFromOlderMovies) {
  // o = {p: "v"}; ASSetPropFlags(o, "p", flags); trace(o.p); trace(o.hasOwnProperty("p"))
  auto run = [](int flags, int version) {
    ActionBuilder a;
    ObjectWith(a, "o", "p", "v");
    a.PushInt(flags).PushString("p");
    Get(a, "o");
    CallFunction(a, "ASSetPropFlags", 3).Op(kPop);
    Member(a, "o", "p").Trace();
    if (version >= 6) {
      a.PushString("p");
      CallMethod(a, "o", "hasOwnProperty", 1).Trace();
    }
    // An assignment replaces the hidden property with a visible one.
    Get(a, "o").PushString("p").PushString("w").Op(kSetMember);
    Member(a, "o", "p").Trace();
    return RunBlocks({a}, version);
  };
  EXPECT_EQ(run(0x80, 5), "undefined\nw\n");
  EXPECT_EQ(run(0x80, 6), "v\ntrue\nw\n");
  EXPECT_EQ(run(0x100, 6), "undefined\ntrue\nw\n");
  EXPECT_EQ(run(0x100, 7), "v\ntrue\nw\n");
  EXPECT_EQ(run(0x400, 6), "undefined\ntrue\nw\n");
  EXPECT_EQ(run(0x1000, 7), "undefined\ntrue\nw\n");
  EXPECT_EQ(run(0x1000, 8), "v\ntrue\nw\n");
  EXPECT_EQ(run(0x4000, 9), "undefined\ntrue\nw\n");
  EXPECT_EQ(run(0x4000, 10), "v\ntrue\nw\n");
}

// A version 5 function called on an object finds names on the timeline that defined it, not
// on the caller's; version 5 scripts do not see getDepth.
TEST(ScriptCalls, VersionFiveFunctionsRunOnTheTimelineThatDefinedThem) {
  ActionBuilder body;  // trace(_target); trace(typeof getDepth); trace(tag)
  body.PushString("").PushInt(11).Op(0x22).Trace();
  Get(body, "getDepth").Op(kTypeOf).Trace();
  Get(body, "tag").Trace();
  ActionBuilder define;  // on the sprite: tag = "kid"; _root.o.f = function ...
  define.PushString("tag").PushString("kid").Op(kSetVariable);
  Member(define, "_root", "o").PushString("f");
  Function(define, "", {}, body).Op(kSetMember);
  flash::TimelineWriter sprite;
  sprite.DoAction(define.Build());
  sprite.ShowFrame();
  ActionBuilder first;
  first.PushString("tag").PushString("root").Op(kSetVariable);
  first.PushString("o").PushInt(0).Op(kInitObject).Op(kSetVariable);
  ActionBuilder call;
  CallMethod(call, "o", "f", 0).Op(kPop);
  for (int version : {5, 6}) {
    flash::SwfWriter w(version, 100, 100, 12);
    w.DefineSprite(1, sprite);
    w.DoAction(first.Build());
    w.Place(flashtest::NewPlace(1, 1, "kid"));
    w.ShowFrame();
    w.DoAction(call.Build());
    w.ShowFrame();
    flash::Player p;
    p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
    for (int i = 0; i < 2; ++i) p.Tick();
    EXPECT_EQ(flashtest::Joined(p.trace_log),
              version == 5 ? "/kid\nundefined\nkid\n" : "/kid\nfunction\nkid\n")
        << "version " << version;
  }
}

// A clip removed while its script runs still reaches the root of its level by `_root`.
TEST(ScriptCalls, ARemovedClipsScriptStillNamesItsRoot) {
  ActionBuilder kid;  // tellTarget("/") gotoAndStop(2) removes this clip; then _root.foo
  kid.SetTarget("/").GotoFrame(1).SetTarget("");
  kid.PushString("").PushInt(11).Op(0x22).Trace();
  Member(kid, "_root", "foo").Trace();
  Get(kid, "_root").PushString("bar").PushString("set").Op(kSetMember);
  flash::TimelineWriter sprite;
  sprite.DoAction(kid.Build());
  sprite.ShowFrame();
  flash::SwfWriter w(5, 100, 100, 12);
  w.DefineSprite(1, sprite);
  w.DoAction(ActionBuilder().PushString("foo").PushString("root foo").Op(kSetVariable).Build());
  w.Place(flashtest::NewPlace(1, 1, "kid"));
  w.ShowFrame();
  w.Remove(1);
  ActionBuilder later;
  Get(later, "bar").Trace();
  w.DoAction(later.Stop().Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (int i = 0; i < 2; ++i) p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "undefined\nroot foo\nset\n");
}
