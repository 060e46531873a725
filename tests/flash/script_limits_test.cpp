// Hostile scripts end their own block, never the player: endless loops and recursion run into
// the tick's action budget or the call depth, strings and arrays into their size limits, jumps
// into operands decode what they find within bounds. Script objects nothing reaches are freed,
// reference cycles included, and clips come and go in bulk without slowing the player down.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <random>

#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;

namespace {

constexpr uint8_t kSetVariable = 0x1D, kSetMember = 0x4F, kAdd2 = 0x47, kPop = 0x17,
                  kInitObject = 0x43, kInitArray = 0x42, kNewObject = 0x40, kIncrement = 0x50,
                  kLess2 = 0x48;

ActionBuilder Trace(const std::string& text) {
  ActionBuilder a;
  a.PushString(text).Trace();
  return a;
}

}  // namespace

TEST(ScriptLimits, RunawayCodeEndsItsBlockOnly) {
  // Endless recursion: function f() { f(); } f();
  ActionBuilder recursion, body;
  CallFunction(body, "f", 0);
  Function(recursion, "f", {}, body);
  CallFunction(recursion, "f", 0);
  recursion.PushString("after recursion").Trace();

  // A string doubling itself forever: s = "x"; loop { s = s + s; }
  ActionBuilder bomb;
  bomb.PushString("s").PushString("x").Op(kSetVariable);
  ActionBuilder step;
  step.PushString("s");
  Get(step, "s");
  Get(step, "s").Op(kAdd2).Op(kSetVariable);
  bomb.Raw(Code(step)).Jump(static_cast<int16_t>(-(static_cast<int>(Code(step).size()) + 5)));

  // An array length far beyond the size limit: a = []; a.length = 1e9; (a far index is a plain
  // member that costs nothing).
  ActionBuilder huge;
  huge.PushString("a").PushInt(0).Op(kInitArray).Op(kSetVariable);
  Get(huge, "a").PushString("length").PushNumber(1e9).Op(kSetMember);
  huge.PushString("not reached").Trace();
  // new Array(4294967295) likewise.
  ActionBuilder huge_ctor;
  huge_ctor.PushNumber(4294967295.0).PushInt(1).PushString("Array").Op(kNewObject).Op(kPop);
  huge_ctor.PushString("not reached either").Trace();

  // The frame calls itself (the Call action) without end.
  ActionBuilder calls;
  calls.PushInt(1).Op(0x9E);

  EXPECT_EQ(RunBlocks({recursion, bomb, huge, huge_ctor, Trace("still running")}),
            "still running\n");
  EXPECT_EQ(RunBlocks({calls, Trace("still running")}), "still running\n");
}

TEST(ScriptLimits, CopiesOfALongStringEndTheScriptBeforeMemoryRunsOut) {
  // s = a 1 MB string (within the limit of one string); then loop { push s; } without popping:
  // each push copies the string, so only the tick's string budget stops it.
  ActionBuilder copies;
  copies.PushString("s").PushString("x").Op(kSetVariable);
  for (int i = 0; i < 20; ++i) {
    ActionBuilder step;
    step.PushString("s");
    Get(step, "s");
    Get(step, "s").Op(kAdd2).Op(kSetVariable);
    copies.Raw(Code(step));
  }
  ActionBuilder push;
  Get(push, "s");
  copies.Raw(Code(push)).Jump(static_cast<int16_t>(-(static_cast<int>(Code(push).size()) + 5)));
  EXPECT_EQ(RunBlocks({copies, Trace("still running")}), "still running\n");
}

TEST(ScriptLimits, OneBudgetBoundsEveryScriptOfATick) {
  // Twenty blocks each looping forever: the tick ends (each block is cut off), and the next tick
  // runs again.
  std::vector<ActionBuilder> blocks;
  for (int i = 0; i < 20; ++i) {
    ActionBuilder loop;
    loop.Jump(-5);
    blocks.push_back(loop);
  }
  blocks.push_back(Trace("end of frame"));
  flash::SwfWriter w(8, 100, 100, 12);
  for (const auto& b : blocks) w.DoAction(b.Build());
  w.ShowFrame();
  w.DoAction(Trace("second frame").Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.Tick();
  // The budget of the first tick ran out before its last block: the movie goes on regardless.
  EXPECT_EQ(p.trace_log, (std::vector<std::string>{"second frame"}));
}

TEST(ScriptLimits, JumpsIntoOperandsStayInBounds) {
  // A push whose string operand holds the bytes of "Trace", jumped into from the block's end;
  // and a jump to the last byte of the block.
  ActionBuilder a;
  a.PushString(std::string("\x26", 1)).Op(kPop);  // push type 0 at offset 3, the string at offset 4
  a.Jump(static_cast<int16_t>(-(3 + 2 + 1 + 5 - 4)));  // to offset 4: the 0x26 byte
  ActionBuilder edge;
  edge.Jump(0x7FFF).Jump(-32768).PushString("edge").Trace();
  std::string out = RunBlocks({a, edge, Trace("next")});
  EXPECT_EQ(out.substr(out.size() - 5), "next\n");
}

TEST(ScriptMemory, UnreachableObjectsAndCyclesAreFreed) {
  // Every frame: 500 objects, each in a cycle with another through a closure's prototype:
  // o = {}; o.self = o; f = function () {}; f.prototype.owner = f; o.f = f;
  ActionBuilder frame;
  frame.PushString("i").PushInt(0).Op(kSetVariable);
  ActionBuilder body;
  body.PushString("o").PushInt(0).Op(kInitObject).Op(kSetVariable);
  Get(body, "o").PushString("self");
  Get(body, "o").Op(kSetMember);
  body.PushString("f");
  Function(body, "", {}, ActionBuilder()).Op(kSetVariable);
  Member(body, "f", "prototype").PushString("owner");
  Get(body, "f").Op(kSetMember);
  Get(body, "o").PushString("f");
  Get(body, "f").Op(kSetMember);
  body.PushString("i");
  Get(body, "i").Op(kIncrement).Op(kSetVariable);
  // while (i < 500) body
  ActionBuilder test;
  Get(test, "i").PushInt(500).Op(kLess2).Op(0x12);
  WhileNot(frame, test, body);
  flash::SwfWriter w(8, 100, 100, 12);
  w.DoAction(frame.Build());
  w.ShowFrame();
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.CollectGarbage();
  size_t after_one = p.ScriptObjectCount();
  for (int i = 0; i < 300; ++i) p.Tick();
  p.CollectGarbage();
  // 300 frames made 450,000 objects; what is left is what the last frame's variables reach.
  EXPECT_LE(p.ScriptObjectCount(), after_one + 50);
  EXPECT_GT(after_one, 3u);
}

TEST(ScriptClips, ThousandsOfClipsComeAndGo) {
  // for (i = 0; i < 3000; i++) createEmptyMovieClip("c" + i, i);  then remove every other one.
  ActionBuilder make, body;
  make.PushString("i").PushInt(0).Op(kSetVariable);
  Get(body, "i");
  body.PushString("c");
  Get(body, "i").Op(kAdd2).PushInt(2);
  Get(body, "this").PushString("createEmptyMovieClip").Op(0x52).Op(kPop);
  body.PushString("i");
  Get(body, "i").Op(kIncrement).Op(kSetVariable);
  ActionBuilder test;
  Get(test, "i").PushInt(3000).Op(kLess2).Op(0x12);
  WhileNot(make, test, body);
  ActionBuilder check;
  Member(check, "c2999", "_name").Trace();
  check.PushInt(0);
  CallMethod(check, "c10", "removeMovieClip", 0).Op(kPop);
  Member(check, "c10", "_name").Trace();
  check.PushInt(0);
  CallMethod(check, "this", "getNextHighestDepth", 0).Trace();
  EXPECT_EQ(RunBlocks({make, check}), "c2999\nundefined\n3000\n");
}

TEST(ScriptClips, HeldChildOutlivesItsRemovedParent) {
  // createEmptyMovieClip("a", 1); a.createEmptyMovieClip("b", 1); keep = a.b; a.b.onUnload = f;
  // a.removeMovieClip();  The parent is freed once its unload event has run while the variable
  // (and b's own queued event) still hold b; the next frame asks b for its path and its parent.
  ActionBuilder make;
  make.PushInt(1).PushString("a").PushInt(2);
  Get(make, "this").PushString("createEmptyMovieClip").Op(0x52).Op(kPop);
  make.PushInt(1).PushString("b").PushInt(2);
  Get(make, "a").PushString("createEmptyMovieClip").Op(0x52).Op(kPop);
  make.PushString("keep");
  Member(make, "a", "b").Op(kSetVariable);
  ActionBuilder handler;
  handler.PushString("unloaded").Trace();
  Get(make, "keep").PushString("onUnload");
  Function(make, "", {}, handler);
  make.Op(kSetMember);
  make.PushInt(0);
  CallMethod(make, "a", "removeMovieClip", 0).Op(kPop);

  ActionBuilder later;
  Get(later, "keep").Trace();
  Member(later, "keep", "_parent").Trace();
  Member(later, "keep", "_name").Trace();

  flash::SwfWriter w(8, 100, 100, 12);
  w.DoAction(make.Build());
  w.ShowFrame();
  w.DoAction(later.Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  p.CollectGarbage();
  p.Tick();
  // b's unload handler ran after its parent was freed; the stale reference reads as a removed
  // clip (and a sanitizer build sees no access to the freed parent).
  EXPECT_EQ(flashtest::Joined(p.trace_log), "unloaded\n\nundefined\nundefined\n");
}

TEST(ScriptClips, CopyOntoTheSourcesOwnDepthReplacesIt) {
  // createEmptyMovieClip("a", 1); a._x = 7; a.duplicateMovieClip("b", 1);
  // trace(b._name); trace(b._x); trace(a);
  ActionBuilder a;
  a.PushInt(1).PushString("a").PushInt(2);
  Get(a, "this").PushString("createEmptyMovieClip").Op(0x52).Op(kPop);
  Get(a, "a").PushString("_x").PushInt(7).Op(kSetMember);
  a.PushInt(1).PushString("b").PushInt(2);
  Get(a, "a").PushString("duplicateMovieClip").Op(0x52).Op(kPop);
  Member(a, "b", "_name").Trace();
  Member(a, "b", "_x").Trace();
  Get(a, "a").Trace();
  EXPECT_EQ(RunBlocks({a}), "b\n7\nundefined\n");
}

TEST(ScriptLoading, LevelLoadsWaitForTheNextTickAndNeverUseTheNetwork) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("lumitest-levels-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  struct Cleanup {
    fs::path d;
    ~Cleanup() { fs::remove_all(d); }
  } cleanup{dir};
  flash::SwfWriter child(8, 100, 100, 12);
  child.DoAction(Trace("child loaded").Build());
  child.ShowFrame();
  ASSERT_TRUE(child.Save((dir / "child.swf").string(), false));
  // loadMovieNum("child.swf", 1); loadMovieNum("http://example.com/x.swf", 2); trace(_level1);
  ActionBuilder a;
  a.GetUrl("child.swf", "_level1").GetUrl("http://example.com/x.swf", "_level2");
  Get(a, "_level1").Trace();
  flash::SwfWriter w(8, 100, 100, 12);
  w.DoAction(a.Build());
  w.ShowFrame();
  w.DoAction(ActionBuilder().Stop().Build());
  w.ShowFrame();
  ASSERT_TRUE(w.Save((dir / "main.swf").string(), false));
  flash::Player p;
  p.LoadFile(0, (dir / "main.swf").string());
  p.Tick();
  EXPECT_FALSE(p.HasLevel(1));
  p.Tick();
  EXPECT_TRUE(p.HasLevel(1));
  EXPECT_FALSE(p.HasLevel(2));
  EXPECT_EQ(flashtest::Joined(p.trace_log), "undefined\nchild loaded\n");
}

TEST(ScriptLimits, RandomByteCodeNeverTakesThePlayerDown) {
  // Blocks of random actions with random operands (mostly well-formed lengths, some not), each
  // run for two ticks next to a block that must still print.
  std::mt19937 rng(20261209);
  const uint8_t ops[] = {
      0x04, 0x05, 0x06, 0x07, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14,
      0x15, 0x17, 0x18, 0x1C, 0x1D, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x29, 0x2A, 0x2B,
      0x2C, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40,
      0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
      0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x60, 0x63, 0x65, 0x66, 0x67, 0x69, 0x81, 0x87, 0x88,
      0x8B, 0x8C, 0x8E, 0x8F, 0x94, 0x96, 0x99, 0x9A, 0x9B, 0x9D, 0x9E, 0x9F};
  for (int round = 0; round < 40; ++round) {
    std::vector<uint8_t> code;
    int actions = 5 + static_cast<int>(rng() % 40);
    for (int i = 0; i < actions; ++i) {
      uint8_t op = ops[rng() % sizeof ops];
      code.push_back(op);
      if (op < 0x80) continue;
      size_t len = rng() % 12;
      code.push_back(static_cast<uint8_t>(len));
      code.push_back(rng() % 16 == 0 ? 0xFF : 0);
      for (size_t k = 0; k < len; ++k)
        code.push_back(static_cast<uint8_t>(rng() % 4 == 0 ? 0 : rng()));
    }
    code.push_back(0);
    flash::SwfWriter w(static_cast<int>(4 + rng() % 5), 100, 100, 12);
    w.DoAction(code);
    w.DoAction(Trace("alive").Build());
    w.ShowFrame();
    w.ShowFrame();
    flash::Player p;
    p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
    p.Tick();
    p.Tick();
    p.CollectGarbage();
    ASSERT_FALSE(p.trace_log.empty()) << "round " << round;
    EXPECT_EQ(p.trace_log.back(), "alive") << "round " << round;
  }
}

// call() takes a frame number modulo 2^32: 4294967297 is frame 1, here the calling frame itself.
TEST(ScriptLimits, CallWrapsTheFrameNumberTo32Bits) {
  ActionBuilder a, call;
  call.PushNumber(4294967297.0).OpWithData(0x9E, {});
  a.PushString("n");
  Get(a, "n").PushInt(1).Op(kAdd2).Op(kSetVariable);
  Get(a, "n").Trace();
  Get(a, "n").PushInt(2).Op(0x48).Op(0x12).If(static_cast<int16_t>(Code(call).size()));
  a.Raw(Code(call));
  EXPECT_EQ(RunBlocks({a}, 6), "1\n2\n");
}

// Under a tellTarget of a clip that does not exist, call() runs the script's own timeline frame.
TEST(ScriptLimits, CallUnderAMissingTargetRunsTheOwnTimeline) {
  ActionBuilder a, call;
  call.SetTarget("NoSuchClip").PushInt(1).OpWithData(0x9E, {}).SetTarget("");
  a.PushString("n");
  Get(a, "n").PushInt(1).Op(kAdd2).Op(kSetVariable);
  Get(a, "n").Trace();
  Get(a, "n").PushInt(2).Op(0x48).Op(0x12).If(static_cast<int16_t>(Code(call).size()));
  a.Raw(Code(call));
  EXPECT_EQ(RunBlocks({a}, 6), "1\n2\n");
}
