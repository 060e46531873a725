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

namespace {

// tellTarget(path) { trace(_name); } (or another property by its index)
void TraceNameIn(ActionBuilder& a, const std::string& path, int property = 13) {
  a.PushString(path).Op(0x20);  // SetTarget2
  a.PushString("").PushInt(property).Op(0x22).Trace();
  a.SetTarget("");
}

}  // namespace

TEST(ScriptPaths, ColonsBeforeANameAreSkippedButTwoAtTheEndNameNothing) {
  ActionBuilder a = ThreeNestedClips();
  for (const char* path : {"clip1.clip2.clip3:", "clip1.clip2.clip3::", "::::clip1.:::clip2/:::clip3",
                           "clip1/clip2:::clip3", "clip1.clip2/clip3/", ":"})
    TraceNameIn(a, path);
  // The same holds for the path part of a variable path.
  Get(a, "clip1.clip2::v").Trace();
  Get(a, "clip1.clip2:::v").Trace();
  EXPECT_EQ(RunBlocks({a}, 8),
            "clip3\nundefined\nclip3\nclip3\nclip3\nundefined\nclip2\nundefined\n");
}

TEST(ScriptPaths, ThisLeadsAVariablePathButNoTarget) {
  ActionBuilder a = ThreeNestedClips();
  TraceNameIn(a, "this/clip1");
  TraceNameIn(a, "this.clip1");
  Get(a, "this/clip1:v").Trace();
  Get(a, "this.clip1.clip2").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "undefined\nundefined\nclip1\n_level0.clip1.clip2\n");
}

// A name with slashes but neither colon nor dot reads the clip it leads to, else the variable
// of that whole name; writing such a name always writes that variable.
TEST(ScriptPaths, SlashNamesWithoutAVariablePartAreVariableNamesWhenNoClipAnswers) {
  ActionBuilder a = ThreeNestedClips();
  Get(a, "_root").PushString("this/clip1").PushString("fake").Op(kSetMember);
  Get(a, "this/clip1").Trace();
  Get(a, "clip1/clip2").Trace();
  a.PushString("clip1/x").PushInt(5).Op(kSetVariable);
  Member(a, "_root", "clip1/x").Trace();
  Member(a, "clip1", "x").Trace();
  Get(a, "clip1/x").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "fake\n_level0.clip1.clip2\n5\nundefined\n5\n");
}

// Version 4 targets: only slashes separate, ".." is the parent, "_levelN" or "_flashN" starts
// the path only as its first name (the rest of that name is ignored), and "_root" or "this" are
// names like any other.
TEST(ScriptPaths, Version4TargetsKnowOnlySlashes) {
  flash::TimelineWriter inner;  // sprite 1: empty
  inner.ShowFrame();
  flash::TimelineWriter outer;  // sprite 2: holds "child", an instance of sprite 1
  outer.Place(flashtest::NewPlace(1, 1, "child"));
  outer.ShowFrame();
  flash::SwfWriter w(4, 100, 100, 12);
  w.DefineSprite(1, inner);
  w.DefineSprite(2, outer);
  w.Place(flashtest::NewPlace(1, 2, "a"));
  ActionBuilder a;
  for (const char* path : {"a/child", "a:child", "a.child", "_level0/a", "_level0:x:y",
                           "_flash0/a/child", "/_level0", "_level0/_level0", "_root/a", "this",
                           "a/child/..", "a/..:", "//a", "a/child/../../.."})
    TraceNameIn(a, path, 11);  // _target
  EXPECT_EQ(RunBlocksIn(w, {a}),
            "/a/child\nundefined\nundefined\n/a\n/\n/a/child\nundefined\nundefined\nundefined\n"
            "undefined\n/a\nundefined\nundefined\nundefined\n");
}
