// The built-in objects as scripts use them: Array methods and orders, Object reflection and
// watchers, the interval timers on the player's clock, clip methods and handler methods, and the
// conversions that differ between movie versions.
#include <gtest/gtest.h>

#include <functional>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

using Expr = std::function<void(ActionBuilder&)>;

Expr Int(int v) {
  return [v](ActionBuilder& a) { a.PushInt(v); };
}
Expr Str(const std::string& s) {
  return [s](ActionBuilder& a) { a.PushString(s); };
}
Expr Var(const std::string& name) {
  return [name](ActionBuilder& a) { Get(a, name); };
}

// object.name(args...), leaving the result on the stack.
ActionBuilder& Call(ActionBuilder& a, const Expr& object, const std::string& name,
                    const std::vector<Expr>& args) {
  for (auto it = args.rbegin(); it != args.rend(); ++it) (*it)(a);
  a.PushInt(static_cast<int>(args.size()));
  object(a);
  return a.PushString(name).Op(0x52);
}

// trace(object.name(args...))
void TraceCall(ActionBuilder& a, const Expr& object, const std::string& name,
               const std::vector<Expr>& args) {
  Call(a, object, name, args).Trace();
}

// name = [items...]
void MakeArray(ActionBuilder& a, const std::string& name, const std::vector<Expr>& items) {
  a.PushString(name);
  for (auto it = items.rbegin(); it != items.rend(); ++it) (*it)(a);
  a.PushInt(static_cast<int>(items.size())).Op(0x42).Op(0x1D);
}

}  // namespace

TEST(ScriptBuiltins, ArrayMethodsAndOrders) {
  ActionBuilder a;
  MakeArray(a, "a", {Int(3), Int(1), Int(2)});
  TraceCall(a, Var("a"), "push", {Int(10)});
  TraceCall(a, Var("a"), "sort", {});             // as text
  TraceCall(a, Var("a"), "sort", {Int(16)});      // NUMERIC
  TraceCall(a, Var("a"), "sort", {Int(16 | 2)});  // NUMERIC | DESCENDING
  TraceCall(a, Var("a"), "join", {Str("-")});
  TraceCall(a, Var("a"), "slice", {Int(1), Int(-1)});
  TraceCall(a, Var("a"), "splice", {Int(1), Int(2), Str("x")});
  Get(a, "a").Trace();
  TraceCall(a, Var("a"), "pop", {});
  TraceCall(a, Var("a"), "unshift", {Int(0)});
  TraceCall(a, Var("a"), "reverse", {});
  MakeArray(a, "b", {Int(7)});
  TraceCall(a, Var("a"), "concat", {Var("b"), Int(8)});
  // A unique sort of equal elements fails with 0 and leaves the array alone.
  MakeArray(a, "d", {Int(1), Int(1)});
  TraceCall(a, Var("d"), "sort", {Int(4)});
  // A comparator function sorts descending.
  ActionBuilder cmp;
  Get(cmp, "y");
  Get(cmp, "x").Op(0x0B).Op(0x3E);
  MakeArray(a, "e", {Int(5), Int(9), Int(1)});
  Function(a, "", {"x", "y"}, cmp);
  a.PushInt(1);
  Get(a, "e").PushString("sort").Op(0x52).Trace();
  // Length: writing it cuts the array.
  Get(a, "e").PushString("length").PushInt(1).Op(0x4F);
  Get(a, "e").Trace();
  EXPECT_EQ(RunBlocks({a}),
            "4\n1,10,2,3\n1,2,3,10\n10,3,2,1\n10-3-2-1\n3,2\n3,2\n10,x,1\n1\n3\nx,10,0\nx,10,0,7,"
            "8\n0\n9,5,1\n9\n");
}

// An array's length is a signed 32-bit count: an index names the element it wraps to (a
// negative or far index stays a plain member), so indexes from 2^31 - 1 on turn the length
// negative, and a shorter length drops the elements in between. new Array(-n) keeps -n.
TEST(ScriptBuiltins, ArrayLengthsWrapAsThirtyTwoBitCounts) {
  auto set = [](ActionBuilder& a, const std::string& index, const Expr& v) {
    Get(a, "a").PushString(index);
    v(a);
    a.Op(0x4F);
  };
  auto trace_member = [](ActionBuilder& a, const std::string& name) {
    Member(a, "a", name).Trace();
  };
  ActionBuilder a;
  MakeArray(a, "a", {});
  set(a, "3", Str("three"));
  set(a, "-5", Str("minus five"));  // wraps to 4294967291: below the length, no change
  trace_member(a, "length");
  set(a, "2147483647", Str("far"));  // the length wraps to -2^31; elements 0-3 go
  trace_member(a, "length");
  trace_member(a, "3");
  trace_member(a, "2147483647");
  trace_member(a, "-5");
  set(a, "4294967297", Str("one"));  // wraps to 1, above the negative length
  trace_member(a, "length");
  trace_member(a, "1");  // the member keeps its own name: element 1 is a hole
  set(a, "0", Str("zero"));
  Get(a, "a").Trace();
  // Setting the length cuts again, far members included.
  set(a, "2000", Str("x"));
  trace_member(a, "length");
  Get(a, "a").PushString("length").PushInt(1).Op(0x4F);
  trace_member(a, "length");
  trace_member(a, "2000");
  a.PushString("n").PushInt(-3).PushInt(1).PushString("Array").Op(0x40).Op(0x1D);
  Member(a, "n", "length").Trace();
  Get(a, "n").Trace();
  TraceCall(a, Var("n"), "push", {Int(7)});  // a method that changes it counts its elements
  EXPECT_EQ(RunBlocks({a}),
            "4\n-2147483648\nundefined\nfar\nminus five\n2\nundefined\nzero,undefined\n2001\n1\n"
            "undefined\n-3\n\n1\n");
}

// Every array element keeps when it was added and its attributes, as a named property does:
// for..in lists elements and names newest first, attributes hide, guard or freeze an element.
namespace {

// ASSetPropFlags(name, "index", flags, 0)
void SetFlags(ActionBuilder& a, const std::string& name, const std::string& index, int flags) {
  a.PushInt(0).PushInt(flags).PushString(index);
  Get(a, name);
  CallFunction(a, "ASSetPropFlags", 4).Op(0x17);
}

void SetElement(ActionBuilder& a, const std::string& name, const std::string& index,
                const Expr& v) {
  Get(a, name).PushString(index);
  v(a);
  a.Op(0x4F);
}

// trace(the array, then the names for..in gives, each followed by a comma)
void TraceWithKeys(ActionBuilder& a, const std::string& name) {
  Get(a, name).Trace();
  a.PushString("keys").PushString("").Op(0x1D);
  Get(a, name).Op(0x55);
  ActionBuilder test, body;
  test.StoreRegister(0).PushNull().Op(0x49);
  body.PushString("keys");
  Get(body, "keys").PushRegister(0).Op(0x47).PushString(",").Op(0x47).Op(0x1D);
  WhileNot(a, test, body);
  Get(a, "keys").Trace();
}

}  // namespace

TEST(ScriptBuiltins, ElementsEnumerateByWhenTheyWereAdded) {
  ActionBuilder a;
  // a = []; a[5] = 5; a.x = 1; a[2] = 2; then a DontEnum element, and push after pop.
  MakeArray(a, "a", {});
  SetElement(a, "a", "5", Int(5));
  SetElement(a, "a", "x", Int(1));
  SetElement(a, "a", "2", Int(2));
  TraceWithKeys(a, "a");
  SetFlags(a, "a", "5", 1);
  TraceWithKeys(a, "a");
  TraceCall(a, Var("a"), "pop", {});
  TraceCall(a, Var("a"), "push", {Int(7)});
  TraceWithKeys(a, "a");  // the pushed element is new, without the old attributes
  // A literal's elements count as added in index order; overwriting one keeps its place.
  MakeArray(a, "b", {Int(1), Int(2), Int(3)});
  SetElement(a, "b", "0", Int(9));
  TraceWithKeys(a, "b");
  EXPECT_EQ(RunBlocks({a}),
            "undefined,undefined,2,undefined,undefined,5\n2,x,5,\n"
            "undefined,undefined,2,undefined,undefined,5\n2,x,\n5\n6\n"
            "undefined,undefined,2,undefined,undefined,7\n5,2,x,\n"
            "9,2,3\n2,1,0,\n");
}

TEST(ScriptBuiltins, ElementAttributesGuardDeletingAndWriting) {
  ActionBuilder a;
  MakeArray(a, "a", {Int(1), Int(2), Int(3)});
  SetFlags(a, "a", "0", 2);  // DontDelete
  SetFlags(a, "a", "1", 4);  // ReadOnly
  Get(a, "a").PushString("0").Op(0x3A).Trace();  // delete a[0]
  Get(a, "a").PushString("1").Op(0x3A).Trace();
  SetElement(a, "a", "0", Int(10));
  SetElement(a, "a", "2", Int(30));
  TraceWithKeys(a, "a");
  SetFlags(a, "a", "0", 4);
  SetElement(a, "a", "0", Int(11));  // now frozen too
  Get(a, "a").Trace();
  SetFlags(a, "a", "2", 1);
  TraceCall(a, Var("a"), "isPropertyEnumerable", {Str("0")});
  TraceCall(a, Var("a"), "isPropertyEnumerable", {Str("1")});  // a hole
  TraceCall(a, Var("a"), "isPropertyEnumerable", {Str("2")});
  EXPECT_EQ(RunBlocks({a}),
            "false\ntrue\n10,undefined,30\n2,0,\n10,undefined,30\ntrue\nfalse\nfalse\n");
}

// reverse swaps pairs from the ends, deleting both and writing them back: the pair becomes the
// newest, holes become undefined, attributes go unless the element could not be deleted.
TEST(ScriptBuiltins, ReverseWritesEachPairAnew) {
  ActionBuilder a;
  MakeArray(a, "a", {});
  SetElement(a, "a", "6", Int(4));
  TraceCall(a, Var("a"), "reverse", {});
  TraceWithKeys(a, "a");
  MakeArray(a, "b", {Int(1), Int(2), Int(3), Int(4), Int(5)});
  SetFlags(a, "b", "0", 1);  // DontEnum: lost with the delete
  SetFlags(a, "b", "2", 1);  // the middle is left alone
  TraceCall(a, Var("b"), "reverse", {});
  TraceWithKeys(a, "b");
  MakeArray(a, "c", {Int(1), Int(2), Int(3), Int(4), Int(5)});
  SetFlags(a, "c", "1", 2);  // DontDelete: keeps its place, takes the value
  TraceCall(a, Var("c"), "reverse", {});
  TraceWithKeys(a, "c");
  MakeArray(a, "d", {Int(1), Int(2), Int(3), Int(4), Int(5)});
  SetFlags(a, "d", "3", 6);  // DontDelete | ReadOnly: keeps its value too
  TraceCall(a, Var("d"), "reverse", {});
  TraceWithKeys(a, "d");
  EXPECT_EQ(RunBlocks({a}),
            "4,undefined,undefined,undefined,undefined,undefined,undefined\n"
            "4,undefined,undefined,undefined,undefined,undefined,undefined\n4,2,5,1,6,0,\n"
            "5,4,3,2,1\n5,4,3,2,1\n3,1,4,0,\n"
            "5,4,3,2,1\n5,4,3,2,1\n3,4,0,2,1,\n"
            "5,4,3,4,1\n5,4,3,4,1\n1,4,0,3,2,\n");
}

// unshift moves each element up from the last, writing it anew and deleting it where it was,
// then writes the new ones in front; unshift() with nothing to add leaves the array alone.
TEST(ScriptBuiltins, UnshiftMovesElementsUpOneByOne) {
  ActionBuilder a;
  MakeArray(a, "a", {});
  SetElement(a, "a", "1", Int(4));
  TraceCall(a, Var("a"), "unshift", {Int(42), Int(43)});
  TraceWithKeys(a, "a");
  MakeArray(a, "b", {Int(1), Int(2), Int(3)});
  SetFlags(a, "b", "1", 6);  // DontDelete | ReadOnly: keeps its place and value
  TraceCall(a, Var("b"), "unshift", {Int(42), Int(43), Int(44)});
  TraceWithKeys(a, "b");
  MakeArray(a, "c", {Int(1)});
  SetFlags(a, "c", "0", 1);
  TraceCall(a, Var("c"), "unshift", {});
  TraceWithKeys(a, "c");
  EXPECT_EQ(RunBlocks({a}),
            "4\n42,43,undefined,4\n1,0,2,3,\n"
            "6\n42,2,44,1,2,3\n2,0,3,4,5,1,\n"
            "1\n1\n\n");
}

// An object whose prototype is an array reads the array's elements; Array's join and toString
// on an object that is no array count its length and take only its own stored values.
TEST(ScriptBuiltins, ArraysAsPrototypesAndArrayMethodsOnObjects) {
  ActionBuilder a;
  a.PushString("o").PushInt(0).Op(0x43).Op(0x1D);
  MakeArray(a, "base", {Str("p"), Str("q")});
  Get(a, "o").PushString("__proto__");
  Get(a, "base").Op(0x4F);
  Member(a, "o", "1").Trace();
  Get(a, "o").PushString("length").PushInt(3).Op(0x4F);
  Get(a, "o").PushString("2").PushString("own").Op(0x4F);
  Get(a, "o").Trace();  // Array.prototype.toString, found through the array
  TraceCall(a, Var("o"), "join", {Str("+")});
  EXPECT_EQ(RunBlocks({a}), "q\nundefined,undefined,own\nundefined+undefined+own\n");
}

// Arguments that are neither comparator nor flags: sort gives undefined and leaves the array;
// of two flags the second counts. splice with an undefined start or count, or a negative count,
// does nothing and gives undefined.
TEST(ScriptBuiltins, SortAndSpliceRefuseBadArguments) {
  Expr undef = [](ActionBuilder& a) { a.PushUndefined(); };
  Expr yes = [](ActionBuilder& a) { a.PushBool(true); };
  Expr null = [](ActionBuilder& a) { a.PushNull(); };
  ActionBuilder a;
  MakeArray(a, "a", {Int(2), Int(10), Int(1)});
  TraceCall(a, Var("a"), "sort", {undef});
  TraceCall(a, Var("a"), "sort", {yes, Int(0)});
  TraceCall(a, Var("a"), "sort", {null, Int(16)});
  Get(a, "a").Trace();
  TraceCall(a, Var("a"), "sort", {Int(2), Int(16)});  // DESCENDING, then NUMERIC: numeric
  TraceCall(a, Var("a"), "sort", {Int(18), undef});   // the undefined second is no flags
  TraceCall(a, Var("a"), "splice", {undef});
  TraceCall(a, Var("a"), "splice", {Int(1), undef});
  TraceCall(a, Var("a"), "splice", {Int(1), Int(-1)});
  Get(a, "a").Trace();
  TraceCall(a, Var("a"), "splice", {Int(1), Int(1)});
  EXPECT_EQ(RunBlocks({a}),
            "undefined\nundefined\nundefined\n2,10,1\n1,2,10\n10,2,1\nundefined\nundefined\n"
            "undefined\n10,2,1\n2\n");
}

// sortOn reads each element's own stored field: an inherited one or a getter is no key.
TEST(ScriptBuiltins, SortOnReadsOwnStoredFields) {
  ActionBuilder a;
  // p = {k: 1}; x = {name: "x", k: 2}; y = {name: "y"}; y.__proto__ = p; [x, y].sortOn("k", 16)
  a.PushString("p").PushString("k").PushInt(1).PushInt(1).Op(0x43).Op(0x1D);
  a.PushString("x")
      .PushString("name")
      .PushString("x")
      .PushString("k")
      .PushInt(2)
      .PushInt(2)
      .Op(0x43)
      .Op(0x1D);
  a.PushString("y").PushString("name").PushString("y").PushInt(1).Op(0x43).Op(0x1D);
  Get(a, "y").PushString("__proto__");
  Get(a, "p").Op(0x4F);
  MakeArray(a, "list", {Var("x"), Var("y")});
  Call(a, Var("list"), "sortOn", {Str("k"), Int(16)}).Op(0x17);
  Get(a, "list").PushInt(0).Op(0x4E).PushString("name").Op(0x4E).Trace();
  EXPECT_EQ(RunBlocks({a}), "x\n");
}

// An object adds through its valueOf; without one it is undefined and its toString is not
// asked; toString follows only a valueOf that gave an object. From version 6 a date adds as text.
TEST(ScriptBuiltins, AddingObjectsAsksValueOfFirst) {
  auto build = [](ActionBuilder& a, const char* var, bool value_of_gives_object) {
    ActionBuilder text, object;
    text.PushString("T").Op(0x3E);
    object.PushInt(0).Op(0x43).Op(0x3E);
    a.PushString(var).PushInt(0).Op(0x43).Op(0x1D);
    Get(a, var).PushString("toString");
    Function(a, "", {}, text).Op(0x4F);
    Get(a, var).PushString("valueOf");
    if (value_of_gives_object)
      Function(a, "", {}, object);
    else
      a.PushUndefined();
    a.Op(0x4F);
    a.PushString("<");
    Get(a, var).Op(0x47).Trace();
  };
  ActionBuilder a;
  build(a, "plain", false);
  build(a, "boxed", true);
  // d = new Date(0); d.valueOf = undefined; "<" + d
  a.PushString("d").PushInt(0).PushInt(1).PushString("Date").Op(0x40).Op(0x1D);
  Get(a, "d").PushString("valueOf").PushUndefined().Op(0x4F);
  a.PushString("<");
  Get(a, "d").Op(0x47).PushString("length").Op(0x4E).PushInt(1).Op(0x67).Trace();
  EXPECT_EQ(RunBlocks({a}, 5), "<\n<T\nfalse\n");
  EXPECT_EQ(RunBlocks({a}, 6), "<\n<T\ntrue\n");
}

// An object whose valueOf gives an object adds as its toString beside a string and as NaN
// beside a number or another such object.
TEST(ScriptBuiltins, AddingAnObjectLeftByValueOf) {
  ActionBuilder a, text;
  text.PushString("T").Op(0x3E);
  a.PushString("o").PushString("toString");
  Function(a, "", {}, text);
  a.PushInt(1).Op(0x43).Op(0x1D);
  Get(a, "o").PushString("s").Op(0x47).Trace();
  Get(a, "o");
  Get(a, "o").Op(0x47).Trace();
  a.PushInt(1);
  Get(a, "o").Op(0x47).Trace();
  EXPECT_EQ(RunBlocks({a}, 7), "Ts\nNaN\nNaN\n");
}

// The untyped arithmetic converts the left operand first for + and *, the right one first for
// - and /.
TEST(ScriptBuiltins, UntypedArithmeticConversionOrder) {
  ActionBuilder a;
  for (const char* name : {"l", "r"}) {
    ActionBuilder body;
    body.PushString(name).Trace().PushInt(1).Op(0x3E);
    a.PushString(name).PushString("valueOf");
    Function(a, "", {}, body);
    a.PushInt(1).Op(0x43).Op(0x1D);
  }
  for (uint8_t op : {0x0A, 0x0B, 0x0C, 0x0D}) {
    Get(a, "l");
    Get(a, "r").Op(op).Op(0x17);
  }
  EXPECT_EQ(RunBlocks({a}, 5), "l\nr\nr\nl\nl\nr\nr\nl\n");
}

// broadcastMessage("") calls each listener itself, as a call of a method with no name does.
TEST(ScriptBuiltins, BroadcastOfAnEmptyNameCallsTheListener) {
  ActionBuilder a, body;
  body.PushString("called").Trace();
  a.PushString("b").PushInt(0).Op(0x43).Op(0x1D);
  Call(a, [](ActionBuilder& b) { Get(b, "AsBroadcaster"); }, "initialize", {Var("b")}).Op(0x17);
  a.PushString("f");
  Function(a, "", {}, body).Op(0x1D);
  Call(a, Var("b"), "addListener", {Var("f")}).Op(0x17);
  TraceCall(a, Var("b"), "broadcastMessage", {Str("")});
  EXPECT_EQ(RunBlocks({a}), "called\ntrue\n");
}

TEST(ScriptBuiltins, ObjectReflectionAndWatchers) {
  ActionBuilder a;
  a.PushString("o").PushString("k").PushInt(1).PushInt(1).Op(0x43).Op(0x1D);
  TraceCall(a, Var("o"), "hasOwnProperty", {Str("k")});
  TraceCall(a, Var("o"), "hasOwnProperty", {Str("toString")});
  Call(a, [](ActionBuilder& b) { Member(b, "Object", "prototype"); }, "isPrototypeOf", {Var("o")})
      .Trace();
  // o.watch("k", function (name, old, value) { return old + value; });  o.k = 5;
  ActionBuilder watcher;
  Get(watcher, "old");
  Get(watcher, "value").Op(0x47).Op(0x3E);
  Function(a, "", {"name", "old", "value"}, watcher);
  a.PushString("k").PushInt(2);
  Get(a, "o").PushString("watch").Op(0x52).Op(0x17);
  Get(a, "o").PushString("k").PushInt(5).Op(0x4F);
  Member(a, "o", "k").Trace();
  TraceCall(a, Var("o"), "unwatch", {Str("k")});
  Get(a, "o").PushString("k").PushInt(5).Op(0x4F);
  Member(a, "o", "k").Trace();
  // Boxed primitives and their classes.
  Call(a, Str("abc"), "toUpperCase", {}).Trace();
  Call(a, Int(255), "toString", {Int(16)}).Trace();
  a.PushString("s").PushString("x");
  New(a, "String", 1).Op(0x1D);
  Member(a, "s", "length").Trace();
  Get(a, "s").Op(0x44).Trace();
  EXPECT_EQ(RunBlocks({a}), "true\nfalse\ntrue\n6\ntrue\n5\nABC\nff\n1\nobject\n");
}

TEST(ScriptBuiltins, IntervalsAndTimeFollowThePlayerClock) {
  // At 10 frames a second every tick is 100 ms, and the first frame's scripts run at time 0: an
  // interval of 200 ms fires every other tick, a timeout once (reading its own due time from the
  // clock); clearInterval from inside the function stops it after three calls.
  ActionBuilder a, tick;
  a.PushString("n").PushInt(0).Op(0x1D);
  tick.PushString("n");
  Get(tick, "n").Op(0x50).Op(0x1D);
  tick.PushString("interval ");
  Get(tick, "n").Op(0x47).Trace();
  ActionBuilder stop;
  Get(stop, "id");
  CallFunction(stop, "clearInterval", 1).Op(0x17);
  Get(tick, "n")
      .PushInt(3)
      .Op(0x49)
      .Op(0x12)
      .If(static_cast<int16_t>(Code(stop).size()))
      .Raw(Code(stop));
  a.PushString("id").PushInt(200);
  Function(a, "", {}, tick);
  CallFunction(a, "setInterval", 2).Op(0x1D);
  ActionBuilder once;
  once.PushString("timeout at ");
  CallFunction(once, "getTimer", 0).Op(0x47).Trace();
  a.PushInt(300);
  Function(a, "", {}, once);
  CallFunction(a, "setTimeout", 2).Op(0x17);
  flash::SwfWriter w(8, 100, 100, 10);
  w.DoAction(a.Build());
  w.ShowFrame();
  w.DoAction(ActionBuilder().Stop().Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (int i = 0; i < 12; ++i) p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "interval 1\ntimeout at 300\ninterval 2\ninterval 3\n");
}

// An interval shorter than the frame runs several times within the tick, after the frame's
// scripts, each call at its own time; the first-frame script of a clip attached in one call runs
// before the next call. A timeout set inside a call comes due within the same tick, in time order.
TEST(ScriptBuiltins, ShortIntervalsRunSeveralTimesWithinOneTick) {
  ActionBuilder tick;
  tick.PushString("n");
  Get(tick, "n").Op(0x50).Op(0x1D);
  tick.PushString("call ");
  Get(tick, "n").Op(0x47).PushString(" at ").Op(0x47);
  CallFunction(tick, "getTimer", 0).Op(0x47).Trace();
  ActionBuilder attach;
  attach.PushInt(1).PushString("m").PushString("sym");
  CallFunction(attach, "attachMovie", 3).Op(0x17);
  ActionBuilder later;
  later.PushString("timeout at ");
  CallFunction(later, "getTimer", 0).Op(0x47).Trace();
  attach.PushInt(25);
  Function(attach, "", {}, later);
  CallFunction(attach, "setTimeout", 2).Op(0x17);
  Get(tick, "n").PushInt(1).Op(0x49).Op(0x12).If(static_cast<int16_t>(Code(attach).size()))
      .Raw(Code(attach));
  ActionBuilder stop;
  Get(stop, "id");
  CallFunction(stop, "clearInterval", 1).Op(0x17);
  Get(tick, "n").PushInt(3).Op(0x49).Op(0x12).If(static_cast<int16_t>(Code(stop).size()))
      .Raw(Code(stop));
  ActionBuilder a;
  a.PushString("n").PushInt(0).Op(0x1D);
  a.PushString("id").PushInt(30);
  Function(a, "", {}, tick);
  CallFunction(a, "setInterval", 2).Op(0x1D);
  a.PushString("frame at ");
  CallFunction(a, "getTimer", 0).Op(0x47).Trace();

  flash::TimelineWriter sprite;
  sprite.DoAction(ActionBuilder().PushString("attached frame").Trace().Build());
  sprite.ShowFrame();
  std::vector<uint8_t> exports;
  PutU16(exports, 1);
  PutU16(exports, 1);
  PutString(exports, "sym");
  flash::SwfWriter w(8, 100, 100, 10);
  w.DefineSprite(1, sprite);
  w.Tag(56, exports);  // ExportAssets
  w.DoAction(a.Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log),
            "frame at 0\ncall 1 at 30\nattached frame\ntimeout at 55\ncall 2 at 60\n"
            "call 3 at 90\n");
  p.trace_log.clear();
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "");
}

// A clip removed by a script while it has an unload handler moves to depth -32769 - depth, its
// depth free at once, and goes at the end of the tick after the handler ran.
TEST(ScriptBuiltins, ARemovedClipWithAnUnloadHandlerWaitsForTheTicksEnd) {
  ActionBuilder a, unload;
  Call(a, Var("this"), "createEmptyMovieClip", {Str("k"), Int(7)}).Op(0x17);
  unload.PushString("gone").Trace();
  Get(a, "k").PushString("onUnload");
  Function(a, "", {}, unload).Op(0x4F);
  Call(a, Var("k"), "removeMovieClip", {}).Op(0x17);
  TraceCall(a, Var("k"), "getDepth", {});
  Call(a, Var("this"), "getInstanceAtDepth", {Int(7)}).Trace();
  flash::SwfWriter w(8, 100, 100, 12);
  w.DoAction(a.Build());
  w.ShowFrame();
  ActionBuilder later;
  Get(later, "k").Trace();
  w.DoAction(later.Stop().Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "-32776\nundefined\ngone\nundefined\n");
}

TEST(ScriptBuiltins, ClipMethodsDepthsAndHandlerMethods) {
  ActionBuilder a;
  Call(a, Var("this"), "createEmptyMovieClip", {Str("one"), Int(5)}).Op(0x17);
  Call(a, Var("this"), "createEmptyMovieClip", {Str("two"), Int(9)}).Op(0x17);
  TraceCall(a, Var("one"), "getDepth", {});
  TraceCall(a, Var("this"), "getNextHighestDepth", {});
  TraceCall(a, Var("one"), "swapDepths", {Var("two")});
  TraceCall(a, Var("one"), "getDepth", {});
  Call(a, Var("this"), "getInstanceAtDepth", {Int(5)}).Trace();
  Call(a, Var("two"), "duplicateMovieClip", {Str("three"), Int(20)}).Trace();
  // one.onEnterFrame counts ticks; two.onUnload reports its removal.
  ActionBuilder counter, unload;
  counter.PushString("frame");
  Get(counter, "this").Op(0x47).Trace();
  unload.PushString("unloaded").Trace();
  Get(a, "one").PushString("onEnterFrame");
  Function(a, "", {}, counter).Op(0x4F);
  Get(a, "three").PushString("onUnload");
  Function(a, "", {}, unload).Op(0x4F);
  // A clip with an unload handler stays reachable until the end of the tick.
  Call(a, Var("three"), "removeMovieClip", {}).Op(0x17);
  Get(a, "three").Trace();
  flash::SwfWriter w(8, 100, 100, 12);
  w.DoAction(a.Build());
  w.DoAction(ActionBuilder().Stop().Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.Tick();
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log),
            "5\n10\nundefined\n9\n_level0.two\n_level0.three\n_level0.three\nunloaded\n"
            "frame_level0.one\nframe_level0.one\n");
}

TEST(ScriptConversions, RulesThatDependOnTheMovieVersion) {
  // Per version: "" + undefined, Number("0x10"), Number(" 5"), !"abc", typeof of a boolean
  // result, and the case of names.
  ActionBuilder a;
  a.PushString("[").PushUndefined().Op(0x21).PushString("]").Op(0x21).Trace();
  a.PushString("0x10").Op(0x4A).Trace();
  a.PushString("12abc").Op(0x4A).Trace();
  a.PushString("abc").Op(0x12).Trace();
  a.PushInt(1).PushInt(2).Op(0x0F).Trace();
  const std::pair<int, const char*> table[] = {
      {4, "[]\n0\n12\n1\n1\n"},
      {5, "[]\nNaN\nNaN\ntrue\ntrue\n"},
      {6, "[]\n16\nNaN\ntrue\ntrue\n"},
      {7, "[undefined]\n16\nNaN\nfalse\ntrue\n"},
  };
  for (const auto& [version, expected] : table) {
    SCOPED_TRACE(version);
    EXPECT_EQ(RunBlocks({a}, version), expected);
  }
}
