// Rules of instanceof and the cast: any object with an own plain "prototype" serves as a class,
// a primitive operand is coerced through the global constructor of its type as scripts replaced
// it, and a removed clip matches nothing.
#include <gtest/gtest.h>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetMember = 0x4F, kSetVariable = 0x1D, kInitObject = 0x43, kInstanceOf = 0x54,
                  kCast = 0x2B, kTypeOf = 0x44, kPop = 0x17;

// trace(obj instanceof klass); trace(typeof cast(obj, klass)) with both given as variables.
void Check(ActionBuilder& a, const std::string& obj, const std::string& klass) {
  Get(a, obj);
  Get(a, klass).Op(kInstanceOf).Trace();
  Get(a, klass);
  Get(a, obj).Op(kCast).Op(kTypeOf).Trace();
}

}  // namespace

TEST(ScriptInstanceOf, PlainObjectsServeAsClassesThroughTheirOwnPrototype) {
  ActionBuilder a;
  a.PushString("obj").PushInt(0).Op(kInitObject).Op(kSetVariable);
  // k = {prototype: Object.prototype}
  a.PushString("k").PushString("prototype");
  Member(a, "Object", "prototype").PushInt(1).Op(kInitObject).Op(kSetVariable);
  Check(a, "obj", "k");
  // inherited = {__proto__: k}: a prototype reached through the chain does not count.
  a.PushString("inherited").PushString("__proto__");
  Get(a, "k").PushInt(1).Op(kInitObject).Op(kSetVariable);
  Check(a, "obj", "inherited");
  // A clip with a prototype member serves too.
  a.PushInt(1).PushString("mc");
  CallFunction(a, "createEmptyMovieClip", 2).Op(kPop);
  Get(a, "mc").PushString("prototype");
  Member(a, "Object", "prototype").Op(kSetMember);
  Check(a, "obj", "mc");
  EXPECT_EQ(RunBlocks({a}, 8),
            "true\nobject\nfalse\nnull\ntrue\nobject\n");
}

TEST(ScriptInstanceOf, PrimitivesAreCoercedThroughTheReplacedGlobalConstructor) {
  // _global.String = function (v) { trace("coerce " + v); }
  ActionBuilder noisy;
  noisy.PushString("coerce ");
  Get(noisy, "v").Op(0x47).Trace();
  ActionBuilder a;
  a.PushString("obj").PushInt(0).Op(kInitObject).Op(kSetVariable);
  a.PushString("s").PushString("text").Op(kSetVariable);
  // With the built-in String nothing is called.
  Check(a, "s", "Object");
  Get(a, "_global").PushString("String");
  Function(a, "", {"v"}, noisy).Op(kSetMember);
  // A primitive object: instanceof gives false at once; the cast coerces it first.
  Check(a, "s", "Object");
  // A primitive class is coerced by both.
  Check(a, "obj", "s");
  EXPECT_EQ(RunBlocks({a}, 8),
            "false\nnull\n"
            "false\ncoerce text\nnull\n"
            "coerce text\nfalse\ncoerce text\nnull\n");
}
