// Built-in functions reached by number, the argument conversions of Math, listener lists, and
// what the player does with exceptions and prototype loops no script handles.
#include <gtest/gtest.h>

#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kPop = 0x17, kSetVariable = 0x1D, kThrow = 0x2A, kInitObject = 0x43,
                  kSetMember = 0x4F, kCallFunction = 0x3D;

// name = {valueOf: function () { trace(label); return value; }}
void NoisyNumber(ActionBuilder& a, const std::string& name, const std::string& label, int value) {
  ActionBuilder body;
  body.PushString(label).Trace().PushInt(value).Op(0x3E);
  a.PushString(name).PushString("valueOf");
  Function(a, "", {}, body);
  a.PushInt(1).Op(kInitObject).Op(kSetVariable);
}

// Calls the function left on top of the stack with the given argument count (arguments pushed
// under it, last first), through a temporary variable.
void CallTop(ActionBuilder& a, int args) {
  a.PushString("f").Op(0x4D).Op(kSetVariable);  // StackSwap, then f = value
  a.PushInt(args).PushString("f").Op(kCallFunction);
}

}  // namespace

TEST(ScriptNatives, NativeTableGivesGlobalAndMathFunctions) {
  ActionBuilder a;
  // trace(ASnative(100, 0)("&"))  escape
  a.PushString("&").PushInt(0).PushInt(100).PushInt(2).PushString("ASnative").Op(kCallFunction);
  CallTop(a, 1);
  a.Trace();
  // ASnative(100, 2^32 + 4)("direct") traces by itself: the index wraps as a 32-bit integer.
  a.PushString("direct").PushNumber(4294967300.0).PushInt(100).PushInt(2);
  a.PushString("ASnative").Op(kCallFunction);
  CallTop(a, 1);
  a.Op(kPop);
  // ASnative(200, 17)(2, 10)  pow
  a.PushInt(10).PushInt(2).PushInt(17).PushInt(200).PushInt(2).PushString("ASnative");
  a.Op(kCallFunction);
  CallTop(a, 2);
  a.Trace();
  // A call without two numbers, or an unknown table, gives undefined.
  a.PushInt(100).PushInt(1).PushString("ASnative").Op(kCallFunction).Trace();
  a.PushInt(0).PushInt(7).PushInt(2).PushString("ASnative").Op(kCallFunction).Trace();
  // An unknown Math number still converts its two arguments, then gives NaN.
  NoisyNumber(a, "p", "p", 1);
  NoisyNumber(a, "q", "q", 2);
  Get(a, "q");
  Get(a, "p").PushInt(50).PushInt(200).PushInt(2).PushString("ASnative").Op(kCallFunction);
  CallTop(a, 2);
  a.Trace();
  EXPECT_EQ(RunBlocks({a}), "%26\ndirect\n1024\nundefined\nundefined\np\nq\nNaN\n");
}

TEST(ScriptNatives, MathConvertsTwoArgumentsInOrder) {
  ActionBuilder a;
  NoisyNumber(a, "p", "p", 3);
  NoisyNumber(a, "q", "q", 2);
  NoisyNumber(a, "r", "r", 1);
  // Math.pow(p, q, r): p then q, never r.
  Get(a, "r");
  Get(a, "q");
  Get(a, "p");
  a.PushInt(3).PushString("Math").Op(0x1C).PushString("pow").Op(0x52).Trace();
  // Math.abs(q, p) converts the argument it does not use too.
  Get(a, "p");
  Get(a, "q");
  a.PushInt(2).PushString("Math").Op(0x1C).PushString("abs").Op(0x52).Trace();
  // Math.max(p) has nothing to compare with.
  Get(a, "p");
  a.PushInt(1).PushString("Math").Op(0x1C).PushString("max").Op(0x52).Trace();
  a.PushInt(0).PushString("Math").Op(0x1C).PushString("min").Op(0x52).Trace();
  EXPECT_EQ(RunBlocks({a}), "p\nq\n9\nq\np\n2\np\nNaN\nInfinity\n");
}

TEST(ScriptNatives, ListenersAreListedOnceUnderLooseEquality) {
  ActionBuilder a;
  a.PushString("b").PushInt(0).Op(kInitObject).Op(kSetVariable);
  Get(a, "b").PushInt(1).PushString("AsBroadcaster").Op(0x1C).PushString("initialize").Op(0x52);
  a.Op(kPop);
  auto add = [&](const char* method, auto push) {
    push();
    a.PushInt(1);
    Get(a, "b").PushString(method).Op(0x52).Trace();
  };
  // addListener() lists undefined; null then replaces it, being loosely equal.
  a.PushInt(0);
  Get(a, "b").PushString("addListener").Op(0x52).Trace();
  add("addListener", [&] { a.PushNull(); });
  add("addListener", [&] { a.PushBool(false); });
  Member(a, "b", "_listeners").Trace();
  // removeListener(undefined) takes the null; a second time finds nothing.
  add("removeListener", [&] { a.PushUndefined(); });
  add("removeListener", [&] { a.PushUndefined(); });
  Member(a, "b", "_listeners").PushString("length").Op(0x4E).Trace();
  EXPECT_EQ(RunBlocks({a}), "true\ntrue\ntrue\nnull,false\ntrue\nfalse\n1\n");
}

TEST(ScriptNatives, ConversionsWithNothingToConvert) {
  ActionBuilder a;
  a.PushInt(0).PushString("Boolean").Op(kCallFunction).Trace();
  New(a, "Boolean", 0).Trace();
  a.PushString("abc").PushString("s").Op(0x4D).Op(kSetVariable);
  a.PushInt(0);
  Get(a, "s").PushString("indexOf").Op(0x52).Trace();
  a.PushInt(0);
  Get(a, "s").PushString("lastIndexOf").Op(0x52).Trace();
  EXPECT_EQ(RunBlocks({a}), "undefined\nfalse\nundefined\nundefined\n");
}

TEST(ScriptNatives, UncaughtThrowsAreLoggedAndPrototypeLoopsEndTheBlock) {
  ActionBuilder a;
  a.PushString("first").Op(kThrow);
  // o.__proto__ = o; trace("before"); o.missing; trace("not reached")
  ActionBuilder loop;
  loop.PushString("o").PushInt(0).Op(kInitObject).Op(kSetVariable);
  Get(loop, "o").PushString("__proto__");
  Get(loop, "o").Op(kSetMember);
  loop.PushString("before").Trace();
  Member(loop, "o", "missing").Trace();
  loop.PushString("not reached").Trace();
  // A thrown object is reported as its text.
  ActionBuilder error;
  error.PushString("boom").PushInt(1).PushString("Error").Op(0x40).Op(kThrow);
  ActionBuilder next;
  next.PushString("next").Trace();
  EXPECT_EQ(RunBlocks({a, loop, error, next}),
            "Warning: Uncaught exception, first\nbefore\nWarning: Uncaught exception, boom\n"
            "next\n");
}

TEST(ScriptNatives, AnAttachedBitmapGivesItsClipASize) {
  ActionBuilder a;
  // createEmptyMovieClip("mc", 1); mc.attachBitmap(new flash.display.BitmapData(10, 6), 1);
  a.PushInt(1).PushString("mc").PushInt(2).PushString("this").Op(0x1C);
  a.PushString("createEmptyMovieClip").Op(0x52).Op(kPop);
  a.PushInt(1).PushInt(6).PushInt(10).PushInt(2);
  Member(a, "flash", "display").PushString("BitmapData").Op(0x53);
  a.PushInt(2);
  Get(a, "mc").PushString("attachBitmap").Op(0x52).Op(kPop);
  Member(a, "mc", "_width").Trace();
  Member(a, "mc", "_height").Trace();
  EXPECT_EQ(RunBlocks({a}), "10\n6\n");
}

TEST(ScriptNatives, AStringObjectOwnsAHiddenLength) {
  ActionBuilder a;
  // s = new String("blah"); trace(s.hasOwnProperty("length")); s.length = "hmm";
  // for (k in s) trace(k); delete s.length; trace(s.length);
  a.PushString("s").PushString("blah");
  New(a, "String", 1).Op(kSetVariable);
  a.PushString("length").PushInt(1);
  Get(a, "s").PushString("hasOwnProperty").Op(0x52).Trace();
  Get(a, "s").PushString("length").PushString("hmm").Op(kSetMember);
  Get(a, "s").PushString("length").Op(0x3A).Op(kPop);
  Member(a, "s", "length").Trace();
  // Enumeration lists nothing: trace the count of names.
  a.PushString("n").PushInt(0).Op(kSetVariable);
  ActionBuilder count;  // the loop body: n = n + 1
  count.PushString("n");
  Get(count, "n").PushInt(1).Op(0x47).Op(kSetVariable);
  Get(a, "s").Op(0x55);  // Enumerate2
  ActionBuilder test;
  test.StoreRegister(0).PushNull().Op(0x49);  // next name == null ends it
  WhileNot(a, test, count);
  Get(a, "n").Trace();
  EXPECT_EQ(RunBlocks({a}), "true\nhmm\n0\n");
}

TEST(ScriptNatives, ASpriteCountsTheBytesOfItsOwnTags) {
  flash::SwfWriter w(8, 100, 100, 12);
  flash::TimelineWriter kid;
  kid.DoAction(ActionBuilder().Stop().Build());
  kid.ShowFrame();
  kid.ShowFrame();
  w.DefineSprite(2, kid);
  w.Place(flashtest::NewPlace(1, 2, "kid"));
  ActionBuilder a;
  a.PushInt(0);
  Get(a, "kid").PushString("getBytesTotal").Op(0x52).Trace();
  a.PushInt(0);
  Get(a, "this").PushString("getBytesTotal").Op(0x52).Trace();
  w.DoAction(a.Build());
  w.ShowFrame();
  std::vector<uint8_t> file = w.Finish(false);
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(file));
  p.Tick();
  // The sprite's tags and their end tag; the movie's whole file.
  EXPECT_EQ(flashtest::Joined(p.trace_log),
            std::to_string(kid.Bytes().size() + 2) + "\n" + std::to_string(file.size()) + "\n");
}

TEST(ScriptNatives, ArrayOfANegativeLengthHasNoElements) {
  ActionBuilder a;
  a.PushInt(-1).PushInt(1).PushString("Array").Op(kCallFunction).Trace();
  a.PushInt(-3);
  New(a, "Array", 1).Trace();
  a.PushNumber(1.5);
  New(a, "Array", 1).Trace();  // not a length: the one element
  EXPECT_EQ(RunBlocks({a}), "\n\n1.5\n");
}

TEST(ScriptNatives, SetNativeNumbersEachNameOfTheListFromTheFirst) {
  ActionBuilder a;
  // d = new Date(1234); ASSetNative(d, 103, ",t,s", 15): t is 16 (getTime), s 17 (setTime).
  a.PushString("d").PushInt(1234).PushInt(1).PushString("Date").Op(0x40).Op(kSetVariable);
  a.PushInt(15).PushString(",t,s").PushInt(103);
  Get(a, "d").PushInt(4).PushString("ASSetNative").Op(kCallFunction).Op(kPop);
  a.PushInt(0);
  Get(a, "d").PushString("t").Op(0x52).Trace();
  a.PushInt(99).PushInt(1);
  Get(a, "d").PushString("s").Op(0x52).Op(kPop);
  a.PushInt(0);
  Get(a, "d").PushString("getTime").Op(0x52).Trace();
  // An unknown table sets nothing.
  a.PushInt(0).PushString("u").PushInt(7);
  Get(a, "d").PushInt(4).PushString("ASSetNative").Op(kCallFunction).Op(kPop);
  Member(a, "d", "u").Trace();
  EXPECT_EQ(RunBlocks({a}), "1234\n99\nundefined\n");
}
