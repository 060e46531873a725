// Rules of variable and target paths: a colon separates names anywhere, a dot only before the
// first slash; a variable path splits at its last colon or dot; objects held by variables on the
// way lead on; Delete2 and DefineLocal2 follow paths; a function called through a local runs on
// the locals' object.
#include <gtest/gtest.h>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetVariable = 0x1D, kSetMember = 0x4F, kPop = 0x17, kInitObject = 0x43,
                  kDefineLocal = 0x3C, kDefineLocal2 = 0x41, kDelete2 = 0x3B;

// clip1 on the root, clip2 in clip1, clip3 in clip2; each clip's `v` holds its own name.
ActionBuilder ThreeNestedClips() {
  ActionBuilder a;
  a.PushInt(1).PushString("clip1");
  CallFunction(a, "createEmptyMovieClip", 2).Op(kPop);
  a.PushInt(1).PushString("clip2");
  CallMethod(a, "clip1", "createEmptyMovieClip", 2).Op(kPop);
  a.PushInt(1).PushString("clip3");
  CallMethod(a, "clip1.clip2", "createEmptyMovieClip", 2).Op(kPop);
  for (const char* path : {"clip1", "clip1.clip2", "clip1.clip2.clip3"}) {
    Get(a, path).PushString("v").PushString(std::string(path).substr(std::string(path).rfind('.') + 1));
    a.Op(kSetMember);
  }
  return a;
}

}  // namespace

TEST(ScriptPaths, ColonsSeparateEverywhereDotsOnlyBeforeTheFirstSlash) {
  ActionBuilder a = ThreeNestedClips();
  for (const char* path : {
           "clip1:clip2.clip3",         // colon, then dots
           "clip1:clip2:clip3",         // colons only
           "clip1/clip2.clip3",         // dot after a slash splits the variable off
           "clip1/clip2.clip3:v",       // path "clip1/clip2.clip3": no child "clip2.clip3"
           "clip1.clip2/clip3:v",       // dots before the slash separate
           "clip1/clip2:clip3.v",       // a colon after a slash still separates
           "clip1.clip2/clip3",         // the variable "clip2/clip3" of clip1
           "/clip1.clip2.clip3:v",      // after the leading slash a dot belongs to the name
           "clip1:clip2/.clip3",        // the trailing slash ends clip2's path
           "clip1/clip2/../clip2/clip3",  // a ".." dot splits the variable off too
       })
    Get(a, path).Trace();
  EXPECT_EQ(RunBlocks({a}, 8),
            "_level0.clip1.clip2.clip3\n_level0.clip1.clip2.clip3\n_level0.clip1.clip2.clip3\n"
            "undefined\nclip3\nclip3\nundefined\nundefined\n_level0.clip1.clip2.clip3\n"
            "undefined\n");
}

TEST(ScriptPaths, VariablesHoldingObjectsLeadOnAlongAPath) {
  ActionBuilder a;
  // o = {c: {}}; "o:x" = 1; "/o/:y" = 2; "o:c:z" = 3; "o.c:w" = 4
  a.PushString("o").PushString("c").PushInt(0).Op(kInitObject).PushInt(1).Op(kInitObject);
  a.Op(kSetVariable);
  a.PushString("o:x").PushInt(1).Op(kSetVariable);
  a.PushString("/o/:y").PushInt(2).Op(kSetVariable);
  a.PushString("o:c:z").PushInt(3).Op(kSetVariable);
  a.PushString("o.c:w").PushInt(4).Op(kSetVariable);
  Member(a, "o", "x").Trace();
  Member(a, "o", "y").Trace();
  Get(a, "o.c.z").Trace();
  Get(a, "o:c.w").Trace();
  // A primitive on the way ends the path.
  a.PushString("s").PushString("text").Op(kSetVariable);
  a.PushString("s:length").Op(0x1C).Trace();
  // Delete2 follows the path to the object holding the name.
  a.PushString("o:x").Op(kDelete2).Trace();
  a.PushString("o:c.z").Op(kDelete2).Trace();
  a.PushString("o:missing").Op(kDelete2).Trace();
  a.PushString("nothing:x").Op(kDelete2).Trace();
  Member(a, "o", "x").Trace();
  Get(a, "o.c.z").Trace();
  EXPECT_EQ(RunBlocks({a}, 6), "1\n2\n3\n4\nundefined\ntrue\ntrue\nfalse\nfalse\nundefined\nundefined\n");
}

TEST(ScriptPaths, DeclaringAPathOnATimelineDeclaresWhereItLeads) {
  ActionBuilder a = ThreeNestedClips();
  // var /clip1/:d;  var clip1.clip2:v;  (the last keeps its value)
  a.PushString("/clip1/:d").Op(kDefineLocal2);
  a.PushString("clip1.clip2:v").Op(kDefineLocal2);
  a.PushString("/nowhere/:d").Op(kDefineLocal2);
  Get(a, "clip1").PushString("d");
  CallMethod(a, "clip1", "hasOwnProperty", 1).Trace();
  Get(a, "clip1.clip2.v").Trace();
  a.PushString("d");
  CallFunction(a, "hasOwnProperty", 1).Trace();
  EXPECT_EQ(RunBlocks({a}, 6), "true\nclip2\nfalse\n");
}

TEST(ScriptPaths, InsideAFunctionAPathNameIsAPlainLocal) {
  // function f() { var /:p = "P"; var g = g; g(); }  function g() { trace(this["/:p"]); }
  ActionBuilder g;
  g.PushString("this").Op(0x1C).PushString("/:p").Op(0x4E).Trace();
  ActionBuilder f;
  f.PushString("/:p").PushString("P").Op(kDefineLocal);
  f.PushString("g").PushString("g").Op(0x1C).Op(kDefineLocal);
  CallFunction(f, "g", 0).Op(kPop);
  ActionBuilder a;
  Function(a, "g", {}, g);
  Function(a, "f", {}, f);
  CallFunction(a, "f", 0).Op(kPop);
  a.PushString("/:p").Op(0x1C).Trace();
  EXPECT_EQ(RunBlocks({a}, 6), "P\nundefined\n");
}
