// Classes that extend the built-in ones (super() gives the subclass object the built-in's own
// state), super following the prototype chain `this` has when it is used, primitives made objects
// through the classes _global names at the time, and the `this` of call, apply and plain calls.
#include <gtest/gtest.h>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetVariable = 0x1D, kSetMember = 0x4F, kGetMember = 0x4E, kPop = 0x17,
                  kExtends = 0x69, kInstanceOf = 0x54, kInitObject = 0x43, kTypeOf = 0x44,
                  kReturn = 0x3E, kStrictEquals = 0x66, kCallMethod = 0x52, kDelete = 0x3A;

// super(args...) on the stack: `args` pushes the arguments last first.
ActionBuilder& SuperCall(ActionBuilder& a, const ActionBuilder& args, int count) {
  return a.Raw(Code(args))
      .PushInt(count)
      .PushString("super")
      .Op(0x1C)
      .PushUndefined()
      .Op(kCallMethod);
}

// function NAME() { trace(super(args...)); }  NAME extends BASE;  VAR = new NAME();
// (`typeof super(args...)` when `type_only`)
void NewSubclassObject(ActionBuilder& a, const std::string& var, const std::string& name,
                       const std::string& base, const ActionBuilder& args, int count,
                       bool type_only = false) {
  ActionBuilder ctor;
  SuperCall(ctor, args, count);
  if (type_only) ctor.Op(kTypeOf);
  ctor.Trace();
  Function(a, name, {}, ctor);
  Get(a, name);
  Get(a, base).Op(kExtends);
  a.PushString(var);
  New(a, name, 0).Op(kSetVariable);
}

// trace(VAR.NAME())
void TraceCall(ActionBuilder& a, const std::string& var, const std::string& name) {
  CallMethod(a, var, name, 0).Trace();
}

}  // namespace

TEST(ScriptSubclasses, BuiltInSuperclassesGiveTheirStateToTheSubclassObject) {
  ActionBuilder a, args;
  // Boolean and Number: the object wraps the value; super() gives back the object.
  args.PushBool(true);
  NewSubclassObject(a, "b", "B", "Boolean", args, 1);
  Get(a, "b").Trace();
  Get(a, "b");
  Get(a, "Boolean").Op(kInstanceOf).Trace();
  args = ActionBuilder();
  args.PushNumber(12.5);
  NewSubclassObject(a, "n", "N", "Number", args, 1);
  TraceCall(a, "n", "valueOf");
  // String: the object has the string's length.
  args = ActionBuilder();
  args.PushString("hello");
  NewSubclassObject(a, "s", "S", "String", args, 1);
  Member(a, "s", "length").Trace();
  // Date: the time given.
  args = ActionBuilder();
  args.PushInt(123456);
  NewSubclassObject(a, "d", "D", "Date", args, 1, true);
  TraceCall(a, "d", "getTime");
  // NetConnection constructs like a class written in script: super() gives nothing back, the
  // object still gets its members.
  NewSubclassObject(a, "c", "C", "NetConnection", ActionBuilder(), 0);
  Member(a, "c", "isConnected").Trace();
  // Function hands back its argument and makes nothing.
  args = ActionBuilder();
  args.PushString("f");
  NewSubclassObject(a, "f", "F", "Function", args, 1);
  Get(a, "f").Op(kTypeOf).Trace();
  EXPECT_EQ(RunBlocks({a}, 8),
            "true\ntrue\ntrue\n"
            "12.5\n12.5\n"
            "hello\n5\n"
            "object\n123456\n"
            "undefined\nfalse\n"
            "f\nobject\n");
}

TEST(ScriptSubclasses, AnArraySubclassObjectHoldsItsElementsAsProperties) {
  ActionBuilder a, args;
  args.PushString("bar").PushString("foo");
  NewSubclassObject(a, "x", "X", "Array", args, 2);
  Member(a, "x", "length").Trace();
  TraceCall(a, "x", "shift");
  Member(a, "x", "length").Trace();
  Get(a, "x").Trace();
  TraceCall(a, "x", "shift");
  TraceCall(a, "x", "shift");
  Member(a, "x", "length").Trace();
  Get(a, "x");
  Get(a, "Array").Op(kInstanceOf).Trace();
  // A single number is the length, as with `new Array(n)`; joined, the missing elements of an
  // object that is not an array read as undefined.
  args = ActionBuilder();
  args.PushInt(3);
  NewSubclassObject(a, "y", "Y", "Array", args, 1);
  Member(a, "y", "length").Trace();
  EXPECT_EQ(RunBlocks({a}, 8),
            "foo,bar\n2\nfoo\n1\nbar\nbar\nundefined\n0\ntrue\n"
            "undefined,undefined,undefined\n3\n");
}

TEST(ScriptSubclasses, ShiftOnAnObjectMovesItsIndexedProperties) {
  // o = {0: "a", 2: "c", length: 3}; Array.prototype.shift.call(o)
  ActionBuilder a;
  a.PushString("o").PushString("0").PushString("a").PushString("2").PushString("c");
  a.PushString("length").PushInt(3).PushInt(3).Op(kInitObject).Op(kSetVariable);
  Get(a, "o").PushInt(1);
  Member(a, "Array", "prototype").PushString("shift").Op(kGetMember);
  a.PushString("call").Op(kCallMethod).Trace();
  Member(a, "o", "length").Trace();
  Member(a, "o", "0").Trace();
  Member(a, "o", "1").Trace();
  Member(a, "o", "2").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "a\n2\nundefined\nc\nundefined\n");
}

TEST(ScriptSubclasses, SuperFollowsTheChainThisHasWhenItIsUsed) {
  // function T() {}
  // T.prototype.become = function (cls) {
  //   this.__proto__ = {__proto__: cls.prototype, __constructor__: cls};
  //   return super(true);
  // };
  // t = new T(); trace(t.become(Boolean)); trace(t);
  ActionBuilder a, become;
  Get(become, "this").PushString("__proto__");
  become.PushString("__proto__");
  Member(become, "cls", "prototype").PushString("__constructor__");
  Get(become, "cls").PushInt(2).Op(kInitObject).Op(kSetMember);
  ActionBuilder args;
  args.PushBool(true);
  SuperCall(become, args, 1).Op(kReturn);
  Function(a, "T", {}, ActionBuilder());
  Member(a, "T", "prototype").PushString("become");
  Function(a, "", {"cls"}, become).Op(kSetMember);
  a.PushString("t");
  New(a, "T", 0).Op(kSetVariable);
  Get(a, "Boolean").PushInt(1);
  Get(a, "t").PushString("become").Op(kCallMethod).Trace();
  Get(a, "t").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "true\ntrue\n");
}

TEST(ScriptSubclasses, PrimitivesBecomeObjectsThroughTheClassGlobalNamesNow) {
  // function K(v) { trace("K " + v); super(v); }  K extends Number; K.prototype.tag = "K";
  ActionBuilder a, k;
  k.PushString("K ");
  Get(k, "v").Op(0x47).Trace();
  ActionBuilder v;
  Get(v, "v");
  SuperCall(k, v, 1).Op(kPop);
  Function(a, "K", {"v"}, k);
  Get(a, "K");
  Get(a, "Number").Op(kExtends);
  Member(a, "K", "prototype").PushString("tag").PushString("K").Op(kSetMember);
  // function show() { trace(typeof this); trace(this.tag); }
  ActionBuilder show;
  Get(show, "this").Op(kTypeOf).Trace();
  Member(show, "this", "tag").Trace();
  Function(a, "show", {}, show);
  // With the built-in Number, nothing is constructed; call still gives an object.
  a.PushInt(7).PushInt(1);
  Get(a, "show").PushString("call").Op(kCallMethod).Op(kPop);
  // _global.Number = K: each read from a number and each call on one makes a K.
  Get(a, "_global").PushString("Number");
  Get(a, "K").Op(kSetMember);
  a.PushInt(42).PushString("tag").Op(kGetMember).Trace();
  a.PushInt(5).PushInt(1);
  Get(a, "show").PushString("call").Op(kCallMethod).Op(kPop);
  // A prototype that is not an object stays the new object's __proto__ as it is.
  Get(a, "K").PushString("prototype").PushBool(true).Op(kSetMember);
  a.PushInt(3).PushString("__proto__").Op(kGetMember).Op(kTypeOf).Trace();
  // A name that holds no class: no object, and `this` of call is _global.
  Get(a, "_global").PushString("Number").PushString("text").Op(kSetMember);
  a.PushInt(1).PushString("tag").Op(kGetMember).Trace();
  ActionBuilder is_global;
  Get(is_global, "this");
  Get(is_global, "_global").Op(kStrictEquals).Trace();
  Function(a, "isGlobal", {}, is_global);
  a.PushInt(9).PushInt(1);
  Get(a, "isGlobal").PushString("call").Op(kCallMethod).Op(kPop);
  // undefined and null give _global too.
  a.PushUndefined().PushInt(1);
  Get(a, "isGlobal").PushString("call").Op(kCallMethod).Op(kPop);
  a.PushNull().PushInt(1);
  Get(a, "isGlobal").PushString("apply").Op(kCallMethod).Op(kPop);
  // Deleted: members of numbers read nothing.
  Get(a, "_global").PushString("Number").Op(kDelete).Op(kPop);
  a.PushInt(1).PushString("toString").Op(kGetMember).Op(kTypeOf).Trace();
  EXPECT_EQ(RunBlocks({a}, 8),
            "object\nundefined\n"
            "K 42\nK\n"
            "K 5\nobject\nK\n"
            "K 3\nboolean\n"
            "undefined\ntrue\ntrue\ntrue\n"
            "undefined\n");
}

TEST(ScriptSubclasses, PlainCallsOfGlobalFunctionsRunOnTheCallingTimeline) {
  // _global.where = function () { trace(this); };  where();  (version 5 to 8 alike)
  ActionBuilder a, where;
  Get(where, "this").Trace();
  Get(a, "_global").PushString("where");
  Function(a, "", {}, where).Op(kSetMember);
  CallFunction(a, "where", 0).Op(kPop);
  EXPECT_EQ(RunBlocks({a}, 6), "_level0\n");
  EXPECT_EQ(RunBlocks({a}, 8), "_level0\n");
}
