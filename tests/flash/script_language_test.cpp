// The language: functions, closures and registers, prototypes and classes, exceptions across
// functions and blocks, scope rules (with, locals, timeline variables), property flags and
// enumeration order.
#include <gtest/gtest.h>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetVariable = 0x1D, kSetMember = 0x4F, kGetMember = 0x4E, kReturn = 0x3E,
                  kAdd2 = 0x47, kMultiply = 0x0C, kLess2 = 0x48, kNot = 0x12, kThrow = 0x2A,
                  kDecrement = 0x51, kIncrement = 0x50, kDefineLocal = 0x3C, kInitObject = 0x43,
                  kInstanceOf = 0x54, kExtends = 0x69, kEnumerate2 = 0x55, kPop = 0x17,
                  kWith = 0x94, kEquals2 = 0x49;

// if (!cond) skip `then`: pushes nothing; `cond` is on the stack.
ActionBuilder& IfNot(ActionBuilder& a, const ActionBuilder& then) {
  return a.Op(kNot).If(static_cast<int16_t>(Code(then).size())).Raw(Code(then));
}

}  // namespace

TEST(ScriptFunctions, RecursionClosuresArgumentsAndRegisters) {
  // function fact(n) { if (n < 2) return 1; return n * fact(n - 1); }
  ActionBuilder fact_body, ret1;
  ret1.PushInt(1).Op(kReturn);
  Get(fact_body, "n").PushInt(2).Op(kLess2);
  IfNot(fact_body, ret1);
  Get(fact_body, "n");
  Get(fact_body, "n").PushInt(1).Op(0x0B);
  CallFunction(fact_body, "fact", 1).Op(kMultiply).Op(kReturn);
  ActionBuilder a;
  Function(a, "fact", {"n"}, fact_body);
  a.PushInt(6);
  CallFunction(a, "fact", 1).Trace();

  // function counter() { var c = 10; return function () { c = c + 1; return c; }; }
  ActionBuilder inner, outer;
  inner.PushString("c");
  Get(inner, "c").PushInt(1).Op(kAdd2).Op(kSetVariable);
  Get(inner, "c").Op(kReturn);
  outer.PushString("c").PushInt(10).Op(kDefineLocal);
  Function(outer, "", {}, inner).Op(kReturn);
  Function(a, "counter", {}, outer);
  a.PushString("f1");
  CallFunction(a, "counter", 0).Op(kSetVariable);
  a.PushString("f2");
  CallFunction(a, "counter", 0).Op(kSetVariable);
  CallFunction(a, "f1", 0).Trace();
  CallFunction(a, "f1", 0).Trace();
  CallFunction(a, "f2", 0).Trace();
  // The closure's variable is not the timeline's.
  Get(a, "c").Trace();

  // function count() { return arguments.length + ":" + arguments[1]; }
  ActionBuilder args_body;
  Get(args_body, "arguments").PushString("length").Op(kGetMember).PushString(":").Op(kAdd2);
  Get(args_body, "arguments").PushInt(1).Op(kGetMember).Op(kAdd2).Op(kReturn);
  Function(a, "count", {}, args_body);
  a.PushString("z").PushString("y").PushString("x");
  CallFunction(a, "count", 3).Trace();

  // Registers: function sq(r1) { return r1 * r1 } with the argument in register 1; `this`
  // preloaded into register 2 from a method call.
  ActionBuilder sq_body;
  sq_body.PushRegister(1).PushRegister(1).Op(kMultiply).Op(kReturn);
  Function2(a, "sq", 3, 0, {{1, "x"}}, sq_body);
  a.PushInt(7);
  CallFunction(a, "sq", 1).Trace();
  EXPECT_EQ(RunBlocks({a}), "720\n11\n12\n11\nundefined\n3:y\n49\n");
}

TEST(ScriptFunctions, PrototypesConstructorsAndSuper) {
  ActionBuilder a;
  // function A(v) { this.v = v; }  A.prototype.get = function () { return "A" + this.v; };
  ActionBuilder ctor_a, get_a;
  Get(ctor_a, "this").PushString("v");
  Get(ctor_a, "v").Op(kSetMember);
  Get(get_a, "this").PushString("v").Op(kGetMember);
  get_a.PushString("A").Op(0x4D).Op(kAdd2).Op(kReturn);
  Function(a, "A", {"v"}, ctor_a);
  Member(a, "A", "prototype").PushString("get");
  Function(a, "", {}, get_a).Op(kSetMember);
  // function B(v) { super(v * 2); }  B extends A;  B.prototype.get = function () { return "B" +
  // super.get(); };
  ActionBuilder ctor_b, get_b;
  Get(ctor_b, "v").PushInt(2).Op(kMultiply);
  ctor_b.PushInt(1).PushString("super").Op(0x1C).PushUndefined().Op(0x52).Op(kPop);
  get_b.PushInt(0).PushString("super").Op(0x1C).PushString("get").Op(0x52);
  get_b.PushString("B").Op(0x4D).Op(kAdd2).Op(kReturn);
  Function(a, "B", {"v"}, ctor_b);
  Get(a, "B");
  Get(a, "A").Op(kExtends);
  Member(a, "B", "prototype").PushString("get");
  Function(a, "", {}, get_b).Op(kSetMember);
  a.PushString("b").PushInt(5);
  New(a, "B", 1).Op(kSetVariable);
  CallMethod(a, "b", "get", 0).Trace();
  Get(a, "b");
  Get(a, "A").Op(kInstanceOf).Trace();
  Get(a, "b");
  Get(a, "B").Op(kInstanceOf).Trace();
  // b.__proto__.__proto__ == A.prototype
  Member(a, "b", "__proto__").PushString("__proto__").Op(kGetMember);
  Member(a, "A", "prototype").Op(kEquals2).Trace();
  // A method missing everywhere gives undefined.
  CallMethod(a, "b", "nothing", 0).Trace();
  EXPECT_EQ(RunBlocks({a}), "BA10\ntrue\ntrue\ntrue\nundefined\n");
}

TEST(ScriptExceptions, CatchFinallyAcrossFunctionsAndBlocks) {
  ActionBuilder a;
  // function thrower(x) { throw "boom " + x; }
  ActionBuilder thrower;
  thrower.PushString("boom ");
  Get(thrower, "x").Op(kAdd2).Op(kThrow);
  Function(a, "thrower", {"x"}, thrower);
  // try { thrower(1); trace("not here"); } catch (e) { trace("caught " + e); } finally {
  // trace("finally"); }
  ActionBuilder body, handler, last;
  body.PushInt(1);
  CallFunction(body, "thrower", 1).Op(kPop).PushString("not here").Trace();
  handler.PushString("caught ");
  Get(handler, "e").Op(kAdd2).Trace();
  last.PushString("finally").Trace();
  Try(a, "e", body, &handler, &last);
  // function early() { try { return "from try"; } finally { trace("cleanup"); } }
  ActionBuilder early, early_try, early_last;
  early_try.PushString("from try").Op(kReturn);
  early_last.PushString("cleanup").Trace();
  Try(early, "e", early_try, nullptr, &early_last);
  Function(a, "early", {}, early);
  CallFunction(a, "early", 0).Trace();
  // An uncaught exception ends this block only; the next block runs.
  a.PushInt(2);
  CallFunction(a, "thrower", 1);
  a.PushString("rest of the block").Trace();
  ActionBuilder next;
  next.PushString("next block").Trace();
  // The player logs what no script caught.
  EXPECT_EQ(RunBlocks({a, next}),
            "caught boom 1\nfinally\ncleanup\nfrom try\nWarning: Uncaught exception, boom 2\n"
            "next block\n");
}

TEST(ScriptScopes, WithLocalsTimelineAndCaseByVersion) {
  ActionBuilder a;
  // o = {x: 1}; with (o) { x = 5; y = 6; }  trace(o.x); trace(y);
  a.PushString("o").PushString("x").PushInt(1).PushInt(1).Op(kInitObject).Op(kSetVariable);
  ActionBuilder inside;
  inside.PushString("x").PushInt(5).Op(kSetVariable).PushString("y").PushInt(6).Op(kSetVariable);
  std::vector<uint8_t> size;
  PutU16(size, Code(inside).size());
  Get(a, "o").OpWithData(kWith, size).Raw(Code(inside));
  Member(a, "o", "x").Trace();
  Get(a, "y").Trace();
  // function f() { var local = 1; global_like = 2; }  f(); trace(local); trace(global_like);
  ActionBuilder f;
  f.PushString("local")
      .PushInt(1)
      .Op(kDefineLocal)
      .PushString("timeline_var")
      .PushInt(2)
      .Op(kSetVariable);
  Function(a, "f", {}, f);
  CallFunction(a, "f", 0).Op(kPop);
  Get(a, "local").Trace();
  Get(a, "timeline_var").Trace();
  // Names ignore case before version 7.
  a.PushString("Mixed").PushInt(3).Op(kSetVariable);
  Get(a, "mixed").Trace();
  EXPECT_EQ(RunBlocks({a}, 6), "5\n6\nundefined\n2\n3\n");
  EXPECT_EQ(RunBlocks({a}, 7), "5\n6\nundefined\n2\nundefined\n");
}

TEST(ScriptObjects, PropertyFlagsAccessorsAndEnumerationOrder) {
  ActionBuilder a;
  // o = {}; o.a = 1; o.b = 2; o.c = 3; ASSetPropFlags(o, "b", 1); for (k in o) trace(k);
  a.PushString("o").PushInt(0).Op(kInitObject).Op(kSetVariable);
  for (const char* name : {"a", "b", "c"}) Get(a, "o").PushString(name).PushInt(1).Op(kSetMember);
  a.PushInt(0).PushInt(1).PushString("b");
  Get(a, "o");
  CallFunction(a, "ASSetPropFlags", 4).Op(kPop);
  // for..in: Enumerate2 pushes null then the names; loop until null.
  ActionBuilder loop_body;
  loop_body.Trace();
  Get(a, "o").Op(kEnumerate2);
  // The test (11 bytes): dup, push null, equals2, if (true) jump past the loop; then the body.
  size_t body = Code(loop_body).size();
  a.Op(0x4C).PushNull().Op(kEquals2).If(static_cast<int16_t>(body + 5)).Raw(Code(loop_body));
  a.Jump(static_cast<int16_t>(-(11 + static_cast<int>(body) + 5)));  // back to the test
  a.Op(kPop);
  // Read-only (4) keeps its value.
  a.PushInt(0).PushInt(4).PushString("a");
  Get(a, "o");
  CallFunction(a, "ASSetPropFlags", 4).Op(kPop);
  Get(a, "o").PushString("a").PushInt(99).Op(kSetMember);
  Member(a, "o", "a").Trace();
  // addProperty: a getter doubling a stored value and a setter storing it.
  ActionBuilder getter, setter;
  Get(getter, "this").PushString("_v").Op(kGetMember).PushInt(2).Op(kMultiply).Op(kReturn);
  Get(setter, "this").PushString("_v");
  Get(setter, "n").Op(kSetMember);
  Function(a, "", {"n"}, setter);
  Function(a, "", {}, getter);
  a.PushString("twice").PushInt(3);
  Get(a, "o").PushString("addProperty").Op(0x52).Op(kPop);
  Get(a, "o").PushString("twice").PushInt(21).Op(kSetMember);
  Member(a, "o", "twice").Trace();
  EXPECT_EQ(RunBlocks({a}), "c\na\n1\n42\n");
}

// for..in over an object with a prototype: the prototype's names first, then the object's own,
// each newest first; a name the object shadows comes with the object's own.
TEST(ScriptObjects, EnumerationListsPrototypeNamesFirst) {
  ActionBuilder a;
  // p = {}; p.x = 1; p.y = 1; o = {}; o.__proto__ = p; o.y = 2; o.z = 2; for (k in o) trace(k);
  a.PushString("p").PushInt(0).Op(kInitObject).Op(kSetVariable);
  for (const char* name : {"x", "y"}) Get(a, "p").PushString(name).PushInt(1).Op(kSetMember);
  a.PushString("o").PushInt(0).Op(kInitObject).Op(kSetVariable);
  Get(a, "o").PushString("__proto__");
  Get(a, "p").Op(kSetMember);
  for (const char* name : {"y", "z"}) Get(a, "o").PushString(name).PushInt(2).Op(kSetMember);
  ActionBuilder loop_body;
  loop_body.Trace();
  Get(a, "o").Op(kEnumerate2);
  size_t body = Code(loop_body).size();
  a.Op(0x4C).PushNull().Op(kEquals2).If(static_cast<int16_t>(body + 5)).Raw(Code(loop_body));
  a.Jump(static_cast<int16_t>(-(11 + static_cast<int>(body) + 5)));
  a.Op(kPop);
  EXPECT_EQ(RunBlocks({a}), "x\nz\ny\n");
}

TEST(ScriptScopes, DeclaringATimelineVariableKeepsAnInheritedValue) {
  ActionBuilder a;
  // MovieClip.prototype.shared = "inherited"; var shared; var fresh;
  Member(a, "MovieClip", "prototype").PushString("shared").PushString("inherited").Op(0x4F);
  a.PushString("shared").Op(0x41).PushString("fresh").Op(0x41);
  Get(a, "shared").Trace();
  a.PushString("fresh").PushInt(1).PushString("this").Op(0x1C);
  a.PushString("hasOwnProperty").Op(0x52).Trace();
  EXPECT_EQ(RunBlocks({a}), "inherited\ntrue\n");
}

TEST(ScriptScopes, ClipNamesFoldLettersBeyondAscii) {
  // Version 6: createEmptyMovieClip("clipÄǲ", 1); trace(this["CLIPäǳ"]);
  ActionBuilder a;
  a.PushInt(1).PushString("clipÄǲ").PushInt(2).PushString("this").Op(0x1C);
  a.PushString("createEmptyMovieClip").Op(0x52).Op(0x17);
  Get(a, "this").PushString("CLIPäǳ").Op(0x4E).Trace();
  EXPECT_EQ(RunBlocks({a}, 6), "_level0.clipÄǲ\n");
  EXPECT_EQ(RunBlocks({a}, 7), "undefined\n");
}
