// Display-list and timeline rules: occupied depths, moves that swap the character, removals of
// empty depths, stacking by depth, goto both ways rebuilding the list, labels, frame stepping at
// the ends; and how scripts meet the timeline: values carried between the scripts of a tick,
// jumps out of a block, last frames without ShowFrame, sprites that never finished loading,
// clips removed under their own script, and lenient clip-action lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"

using namespace flash;
using flashtest::Joined;
using flashtest::NewPlace;
using flashtest::TraceCode;

namespace {

const Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};

// A 40x40 stage whose shapes 1 (red) and 2 (blue) each cover the whole stage.
SwfWriter TwoColourMovie() {
  SwfWriter w(6, 40, 40, 12);
  const Rgba colours[] = {kRed, kBlue};
  for (int i = 0; i < 2; ++i) {
    ShapeBuilder s;
    s.Rectangle(0, 0, 800, 800, s.AddFill(FillStyleSpec::Solid(colours[i])));
    w.DefineShape(static_cast<uint16_t>(i + 1), s);
  }
  return w;
}

// A shape covering only the left half (id 3, green).
void AddLeftHalf(SwfWriter& w) {
  ShapeBuilder s;
  s.Rectangle(0, 0, 400, 800, s.AddFill(FillStyleSpec::Solid({0, 255, 0, 255})));
  w.DefineShape(3, s);
}

struct Loaded {
  explicit Loaded(const SwfWriter& w) { p.LoadMovie(0, ParseMovie(w.Finish(false))); }
  Rgba At(int x, int y) const {
    std::vector<uint8_t> px(40 * 40 * 4);
    PaintStage(p, {px.data(), 40, 40, 160}, kWhite);
    const uint8_t* q = &px[(static_cast<size_t>(y) * 40 + x) * 4];
    return {q[2], q[1], q[0], q[3]};
  }
  std::string Log() const { return Joined(p.trace_log); }
  Player p;
};

bool Same(Rgba a, Rgba b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

std::vector<uint8_t> Le16(uint16_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}
std::vector<uint8_t> Le32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}
void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

}  // namespace

TEST(TimelineRules, OccupiedDepthEmptyMovesAndRemovalsAndDepthStacking) {
  SwfWriter w = TwoColourMovie();
  AddLeftHalf(w);
  w.Place(NewPlace(1, 1));
  w.Place(NewPlace(1, 2));  // the depth is taken: this placement fails
  PlaceSpec nothing_there;
  nothing_there.depth = 7;
  nothing_there.move = true;
  nothing_there.has_matrix = true;
  w.Place(nothing_there);  // moving an empty depth does nothing
  w.Remove(9);             // nor does removing one
  w.ShowFrame();
  // Frame 2: a move that names another character swaps it and keeps the old placement's matrix.
  PlaceSpec shifted;
  shifted.depth = 1;
  shifted.move = true;
  shifted.has_matrix = true;
  shifted.matrix.tx = 400;  // half the stage to the right
  w.Place(shifted);
  w.ShowFrame();
  PlaceSpec swap;
  swap.depth = 1;
  swap.move = true;
  swap.character_id = 2;
  w.Place(swap);
  // A lower depth placed later still draws below.
  w.Place(NewPlace(0, 3));
  w.ShowFrame();

  Loaded m(w);
  EXPECT_TRUE(Same(m.At(20, 20), kRed));
  m.p.Tick();
  m.p.Tick();
  EXPECT_TRUE(Same(m.At(5, 20), kWhite));  // moved right
  EXPECT_TRUE(Same(m.At(25, 20), kRed));
  m.p.Tick();
  EXPECT_TRUE(Same(m.At(25, 20), kBlue));  // swapped, still moved
  EXPECT_TRUE(Same(m.At(5, 20), Rgba{0, 255, 0, 255}));
}

TEST(TimelineRules, GotoBothWaysRebuildsTheDisplayList) {
  SwfWriter w = TwoColourMovie();
  w.Place(NewPlace(1, 1));
  w.ShowFrame();
  w.Remove(1);
  w.ShowFrame();
  w.Place(NewPlace(1, 2));
  w.ShowFrame();
  w.ShowFrame();
  Loaded m(w);
  m.p.GotoFrame(2);
  EXPECT_TRUE(Same(m.At(20, 20), kWhite));
  m.p.GotoFrame(4);
  EXPECT_TRUE(Same(m.At(20, 20), kBlue));
  m.p.GotoFrame(1);  // back: the removed red object returns, the blue one goes
  EXPECT_TRUE(Same(m.At(20, 20), kRed));
  m.p.GotoFrame(3);
  EXPECT_TRUE(Same(m.At(20, 20), kBlue));
}

TEST(TimelineRules, LabelsStepsAndGotoByExpression) {
  SwfWriter w(6, 10, 10, 12);
  ActionBuilder f1;
  f1.Stop().GotoLabel("SECOND");  // labels ignore case
  w.DoAction(f1.Build());
  w.ShowFrame();
  w.FrameLabel("second");
  ActionBuilder f2;
  f2.PushString("f2").Trace().GotoLabel("no such label").PushString("still f2").Trace();
  w.DoAction(f2.Build());
  w.ShowFrame();
  w.DoAction(TraceCode("f3"));
  w.ShowFrame();
  Loaded m(w);
  m.p.Tick();  // frame 1 stops and jumps to the label; frame 2's script runs after it
  EXPECT_EQ(m.p.CurrentFrame(), 2);
  EXPECT_EQ(m.Log(), "f2\nstill f2\n");

  // Frame stepping: next at the last frame and previous at the first stay put.
  m.p.trace_log.clear();
  SwfWriter steps(6, 10, 10, 12);
  steps.DoAction(ActionBuilder().Stop().PrevFrame().Build());
  steps.ShowFrame();
  steps.DoAction(ActionBuilder().NextFrame().Build());
  steps.ShowFrame();
  Loaded s(steps);
  s.p.Tick();
  EXPECT_EQ(s.p.CurrentFrame(), 1);
  s.p.GotoFrame(2);
  s.p.Tick();
  EXPECT_EQ(s.p.CurrentFrame(), 2);

  // Goto by a computed value: a frame number as text, a label, and a frame of a named clip.
  SwfWriter expr(6, 10, 10, 12);
  TimelineWriter kid;
  kid.DoAction(ActionBuilder().Stop().Build());
  kid.ShowFrame();
  kid.DoAction(TraceCode("kid 2"));
  kid.ShowFrame();
  kid.DoAction(TraceCode("kid 3"));
  kid.ShowFrame();
  expr.DefineSprite(5, kid);
  expr.Place(NewPlace(1, 5, "kid"));
  ActionBuilder go;
  go.Stop().PushString("kid:3").OpWithData(0x9F, {0x00});  // goto and stop, in the clip
  expr.DoAction(go.Build());
  expr.ShowFrame();
  expr.FrameLabel("end");
  expr.DoAction(TraceCode("main end"));
  expr.ShowFrame();
  Loaded e(expr);
  e.p.Tick();
  EXPECT_EQ(e.Log(), "kid 3\n");
  e.p.trace_log.clear();
  ActionBuilder by_label;
  by_label.PushString("end").OpWithData(0x9F, {0x00});
  SwfWriter t(6, 10, 10, 12);
  t.DoAction(by_label.Build());
  t.ShowFrame();
  t.FrameLabel("end");
  t.DoAction(ActionBuilder().PushString("at end").Trace().Stop().Build());
  t.ShowFrame();
  Loaded l(t);
  l.p.Tick();
  EXPECT_EQ(l.Log(), "at end\n");
  EXPECT_EQ(l.p.CurrentFrame(), 2);
}

TEST(TimelineRules, ScriptsOfATickShareTheStackAndConstantPool) {
  SwfWriter w(6, 10, 10, 12);
  w.DoAction(ActionBuilder().ConstantPool({"A"}).PushConstant(0).Build());  // leaves "A" behind
  w.DoAction(ActionBuilder().PushConstant(0).Op(0x47).Trace().Build());     // the pool carries over
  w.ShowFrame();
  w.DoAction(ActionBuilder().Trace().Build());  // a new tick starts with an empty stack
  w.ShowFrame();
  Loaded m(w);
  m.p.Tick();
  m.p.Tick();
  EXPECT_EQ(m.Log(), "AA\nundefined\n");
}

TEST(TimelineRules, AJumpOutOfItsBlockRunsTheNeighbouringBlock) {
  SwfWriter w(6, 10, 10, 12);
  std::vector<uint8_t> first = TraceCode("A");  // 8 bytes, short tag header of 2
  w.DoAction(first);
  // Back over the jump itself (5 bytes), this tag's header and the whole first block.
  w.DoAction(ActionBuilder()
                 .Jump(static_cast<int16_t>(-(5 + 2 + static_cast<int>(first.size()))))
                 .Build());
  w.DoAction(ActionBuilder().Jump(-30000).Build());  // before the body: the script just stops
  w.DoAction(TraceCode("B"));
  w.ShowFrame();
  Loaded m(w);
  m.p.Tick();
  EXPECT_EQ(m.Log(), "A\nA\nB\n");
}

TEST(TimelineRules, OpenLastFramesPlayOnceAndUnfinishedSpritesStop) {
  SwfWriter w(6, 10, 10, 12);
  // Sprite 1: a frame, then tags without a closing ShowFrame.
  TimelineWriter open;
  open.DoAction(TraceCode("open 1"));
  open.ShowFrame();
  open.DoAction(TraceCode("open 2"));
  w.DefineSprite(1, open);
  // Sprite 2: two whole frames but no End tag: it never finished loading.
  TimelineWriter unfinished;
  unfinished.DoAction(TraceCode("unfinished 1"));
  unfinished.ShowFrame();
  unfinished.DoAction(TraceCode("unfinished 2"));
  unfinished.ShowFrame();
  std::vector<uint8_t> body = Le16(2);
  Append(body, Le16(2));
  Append(body, unfinished.Bytes());
  w.Tag(39, body);
  // Sprite 3: the same two frames, complete: it loops.
  w.DefineSprite(3, unfinished);
  w.Place(NewPlace(1, 1));
  w.Place(NewPlace(2, 2));
  w.Place(NewPlace(3, 3));
  w.DoAction(ActionBuilder().Stop().Build());
  w.ShowFrame();
  Loaded m(w);
  for (int i = 0; i < 4; ++i) m.p.Tick();
  EXPECT_EQ(m.Log(),
            "open 1\nunfinished 1\nunfinished 1\n"
            "unfinished 2\nunfinished 2\nopen 2\n"
            "unfinished 1\n"
            "unfinished 2\n");
}

TEST(TimelineRules, ARemovedClipsScriptReachesNoOtherClip) {
  SwfWriter w(6, 10, 10, 12);
  TimelineWriter kid;
  ActionBuilder a;
  // Sends the main timeline on (removing this clip), then tries to send it back.
  a.SetTarget("_root").GotoFrame(2).Play().SetTarget("");
  a.SetTarget("_root").GotoFrame(0).SetTarget("");
  kid.DoAction(a.Build());
  kid.ShowFrame();
  w.DefineSprite(1, kid);
  w.Place(NewPlace(1, 1));
  w.ShowFrame();
  w.Remove(1);
  w.DoAction(TraceCode("wrong"));
  w.ShowFrame();
  w.DoAction(TraceCode("frame 3"));
  w.ShowFrame();
  w.DoAction(ActionBuilder().PushString("frame 4").Trace().Stop().Build());
  w.ShowFrame();
  Loaded m(w);
  m.p.Tick();  // frame 3's script runs after the clip's; the second goto finds no main timeline
  m.p.Tick();
  EXPECT_EQ(m.Log(), "frame 3\nframe 4\n");
}

// From version 7 on, code whose clip was removed reads and acts on the root of its movie.
TEST(TimelineRules, ARemovedClipsScriptUsesTheRootFromVersion7) {
  for (int version : {6, 7}) {
    SwfWriter w(version, 10, 10, 12);
    TimelineWriter kid;
    ActionBuilder a;
    a.SetTarget("_root").GotoFrame(1).SetTarget("");  // removes this clip
    a.PushString("v").Op(0x1C).Trace();
    kid.DoAction(a.Build());
    kid.ShowFrame();
    w.DefineSprite(1, kid);
    w.DoAction(ActionBuilder().PushString("v").PushString("root var").Op(0x1D).Stop().Build());
    w.Place(NewPlace(1, 1));
    w.ShowFrame();
    w.Remove(1);
    w.DoAction(ActionBuilder().Stop().Build());
    w.ShowFrame();
    Loaded m(w);
    m.p.Tick();
    EXPECT_EQ(m.Log(), version >= 7 ? "root var\n" : "undefined\n") << "version " << version;
  }
}

// A clip the timeline removes hears no more enterFrame, not even the one of the tick that
// removes it.
TEST(TimelineRules, ARemovedClipsEnterFrameHandlerStops) {
  SwfWriter w(8, 10, 10, 12);
  TimelineWriter kid;
  ActionBuilder body, a;
  body.PushString("kid enter").Trace();
  a.PushString("this").Op(0x1C).PushString("onEnterFrame");
  scripttest::Function(a, "", {}, body);
  a.Op(0x4F);  // this.onEnterFrame = function() {...}
  kid.DoAction(a.Stop().Build());
  kid.ShowFrame();
  w.DefineSprite(1, kid);
  w.Place(NewPlace(1, 1, "kid"));
  w.ShowFrame();
  w.ShowFrame();
  w.Remove(1);
  w.DoAction(ActionBuilder().Stop().Build());
  w.ShowFrame();
  Loaded m(w);
  for (int i = 0; i < 5; ++i) m.p.Tick();
  EXPECT_EQ(m.Log(), "kid enter\n");
}

TEST(TimelineRules, ClipActionListsToleranceAndLimits) {
  auto movie = [](const std::vector<uint8_t>& clip_actions, int version) {
    SwfWriter w(version, 10, 10, 12);
    TimelineWriter empty;
    empty.ShowFrame();
    w.DefineSprite(1, empty);
    std::vector<uint8_t> place = {0x82};  // clip actions, character
    Append(place, Le16(1));
    Append(place, Le16(1));
    Append(place, clip_actions);
    w.Tag(26, place);
    w.ShowFrame();
    return w.Finish(false);
  };
  std::vector<uint8_t> on_load = TraceCode("loaded");
  std::vector<uint8_t> list = Le16(0);
  Append(list, Le32(0x01 | 0x00020000));
  Append(list, Le32(0x00020000));  // key press with neither key code nor actions
  Append(list, Le32(0));
  Append(list, Le32(0x01));  // load
  Append(list, Le32(static_cast<uint32_t>(on_load.size())));
  Append(list, on_load);
  list.push_back(0);  // the four-byte end marker cut short by the tag's end
  Player p;
  p.LoadMovie(0, ParseMovie(movie(list, 6)));
  p.Tick();
  EXPECT_EQ(Joined(p.trace_log), "loaded\n");

  // A record whose code runs past the tag is still an error.
  std::vector<uint8_t> bad = Le16(0);
  Append(bad, Le32(1));
  Append(bad, Le32(1));
  Append(bad, Le32(500));
  Append(bad, on_load);
  EXPECT_THROW(ParseMovie(movie(bad, 6)), FormatError);
}

TEST(TimelineRules, NewClipsAreAllInitialisedBeforeAnyIsConstructed) {
  // A placement of sprite 1 at `depth` with handlers (events, traced text) and the list's header.
  auto place = [](uint16_t depth, uint32_t all,
                  const std::vector<std::pair<uint32_t, std::string>>& handlers) {
    std::vector<uint8_t> body = {0x82};
    Append(body, Le16(depth));
    Append(body, Le16(1));
    Append(body, Le16(0));
    Append(body, Le32(all));
    for (const auto& [events, text] : handlers) {
      std::vector<uint8_t> code = TraceCode(text);
      Append(body, Le32(events));
      Append(body, Le32(static_cast<uint32_t>(code.size())));
      Append(body, code);
    }
    Append(body, Le32(0));
    return body;
  };
  constexpr uint32_t kLoad = 0x01, kInit = 0x0200, kConstruct = 0x040000;
  SwfWriter w(7, 10, 10, 12);
  TimelineWriter empty;
  empty.ShowFrame();
  w.DefineSprite(1, empty);
  w.Tag(26, place(1, kInit | kConstruct | kLoad,
                  {{kInit | kConstruct, "A ic"}, {kConstruct, "A c"}, {kLoad, "A load"}}));
  // B's list names only initialize: its other handlers never run.
  w.Tag(26, place(2, kInit, {{kInit | kConstruct, "B ic"}, {kLoad, "B load"}}));
  w.DoAction(ActionBuilder().PushString("root").Trace().Stop().Build());
  w.ShowFrame();
  Loaded m(w);
  m.p.Tick();
  EXPECT_EQ(m.Log(), "A ic\nB ic\nA ic\nA c\nA load\nroot\n");
}

TEST(TimelineRules, SpritesThatContainThemselvesAreNotNested) {
  // Sprite 10 places itself; sprites 11 and 12 place each other. Such movies used to nest clips
  // until the stack ran out; the self-containing placements are left out, the rest still shows.
  SwfWriter w = TwoColourMovie();
  TimelineWriter self;
  self.Place(NewPlace(1, 1));
  self.Place(NewPlace(2, 10));
  self.ShowFrame();
  w.DefineSprite(10, self);
  TimelineWriter a, b;
  a.Place(NewPlace(1, 12));
  a.ShowFrame();
  b.Place(NewPlace(1, 11));
  b.ShowFrame();
  w.DefineSprite(11, a);
  w.DefineSprite(12, b);
  w.Place(NewPlace(1, 10));
  w.Place(NewPlace(2, 11));
  w.ShowFrame();
  Player player;
  player.LoadBytes(0, w.Finish(false));
  player.Tick();
  player.Tick();
  MovieClip* root = player.LevelRoot(0);
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->children.size(), 2u);
  auto* outer = static_cast<MovieClip*>(root->children.at(1).get());
  EXPECT_EQ(outer->children.size(), 1u);  // the red shape, not another copy of itself
  auto* first = static_cast<MovieClip*>(root->children.at(2).get());
  ASSERT_EQ(first->children.size(), 1u);  // sprite 12 inside sprite 11 ...
  auto* second = static_cast<MovieClip*>(first->children.at(1).get());
  EXPECT_TRUE(second->children.empty());  // ... which may not hold sprite 11 again
}

TEST(TimelineRules, GotoBackPutsAKeptObjectWhereItsPlacementHadIt) {
  // The left-half shape is placed without a matrix, then moved right on frame 2: going back to
  // frame 1 must bring it back to the left, not leave it where the later frame moved it.
  SwfWriter w = TwoColourMovie();
  AddLeftHalf(w);
  w.Place(NewPlace(1, 3));
  w.ShowFrame();
  Matrix right;
  right.tx = 400;
  w.Place(flashtest::MatrixPlace(1, -1, right));
  w.ShowFrame();
  Loaded m(w);
  m.p.GotoFrame(2);
  EXPECT_TRUE(Same(m.At(30, 20), {0, 255, 0, 255}));
  EXPECT_TRUE(Same(m.At(10, 20), kWhite));
  m.p.GotoFrame(1);
  EXPECT_TRUE(Same(m.At(10, 20), {0, 255, 0, 255}));
  EXPECT_TRUE(Same(m.At(30, 20), kWhite));
}
