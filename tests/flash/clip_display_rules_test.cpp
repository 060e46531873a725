// How scripts and the timeline share a clip's display list: transforms a script set survive the
// timeline's moves, swapDepths' arguments, what going back rebuilds at the timeline's depths,
// clips compared by their paths, and hitTest's coordinates and target paths.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <string>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"

using namespace scripttest;
using flash::ActionBuilder;
using flash::Matrix;
using flash::SwfWriter;
using flashtest::NewPlace;

namespace {

constexpr uint8_t kSetMember = 0x4F, kPop = 0x17, kStrictEquals = 0x66;

// A 20 x 20 pixel square (shape 1) inside a one-frame sprite (2).
void DefineSquareClip(SwfWriter& w) {
  flash::ShapeBuilder s;
  s.Rectangle(0, 0, 400, 400, s.AddFill(flash::FillStyleSpec::Solid({255, 0, 0, 255})));
  w.DefineShape(1, s);
  flash::TimelineWriter sprite;
  sprite.Place(NewPlace(1, 1));
  sprite.ShowFrame();
  w.DefineSprite(2, sprite);
}

std::string Played(const SwfWriter& w, int ticks) {
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (int i = 0; i < ticks; ++i) p.Tick();
  return flashtest::Joined(p.trace_log);
}

void SetMember(ActionBuilder& a, const std::string& object, const std::string& name, double v) {
  Get(a, object).PushString(name).PushNumber(v).Op(kSetMember);
}

}  // namespace

TEST(ClipDisplayRules, TransformsSetByScriptsSurviveTimelineMoves) {
  SwfWriter w(8, 100, 100, 12);
  DefineSquareClip(w);
  for (uint16_t depth : {1, 2, 3, 4}) w.Place(NewPlace(depth, 2, "c" + std::to_string(depth)));
  ActionBuilder first;
  SetMember(first, "c1", "_x", 10);      // moved by the script
  SetMember(first, "c2", "_alpha", 50);  // faded: the colour transform is the script's too
  first.PushInt(4 - 16384);              // c3 swaps with c4: both change places
  CallMethod(first, "c3", "swapDepths", 1).Op(kPop);
  w.DoAction(first.Build());
  w.ShowFrame();
  // Frame 2 moves every timeline depth to x = 30 and halves its alpha.
  for (uint16_t depth : {1, 2, 3, 4}) {
    flash::PlaceSpec move = flashtest::MatrixPlace(depth, -1, Matrix{1, 0, 0, 1, 600, 0});
    move.has_color_transform = true;
    move.color_transform.a_mult = 64;
    w.Place(move);
  }
  ActionBuilder second;
  for (const char* name : {"c1", "c2", "c3", "c4"}) {
    Member(second, name, "_x").Trace();
    Member(second, name, "_alpha").Trace();
  }
  second.Stop();
  w.DoAction(second.Build());
  w.ShowFrame();
  // c4, moved into c3's depth by the other clip's swap, still follows the timeline.
  EXPECT_EQ(Played(w, 2), "10\n100\n0\n50\n0\n100\n30\n25\n");
}

TEST(ClipDisplayRules, SwapDepthsTakesClipsPathsAndNumbersButNotUndefined) {
  ActionBuilder a;
  for (auto [name, depth] : {std::pair{"a", 1}, {"b", 2}}) {
    a.PushString(name).PushInt(depth).PushString(name);
    CallMethod(a, "this", "createEmptyMovieClip", 2).Op(kPop);
  }
  a.PushUndefined();
  CallMethod(a, "a", "swapDepths", 1).Op(kPop);
  CallMethod(a, "a", "getDepth", 0).Trace();  // undefined moves nothing
  a.PushString("../b");                      // a path from the clip itself
  CallMethod(a, "a", "swapDepths", 1).Op(kPop);
  CallMethod(a, "a", "getDepth", 0).Trace();
  CallMethod(a, "b", "getDepth", 0).Trace();
  a.PushString("nothing");  // a text naming no clip is a number: NaN, depth 0
  CallMethod(a, "a", "swapDepths", 1).Op(kPop);
  CallMethod(a, "a", "getDepth", 0).Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "1\n2\n1\n0\n");
}

TEST(ClipDisplayRules, GoingBackClearsScriptClipsFromTimelineDepthsAndSameNamesCompareEqual) {
  SwfWriter w(8, 100, 100, 12);
  DefineSquareClip(w);
  w.Place(NewPlace(1, 2, "kid"));
  auto trace_depths = [](ActionBuilder& a) {
    for (int depth : {-16383, -100, 5}) {
      a.PushInt(depth);
      CallMethod(a, "this", "getInstanceAtDepth", 1).Trace();
    }
  };
  ActionBuilder first;
  trace_depths(first);
  for (int depth : {5, -16383}) {
    first.PushInt(depth);
    CallMethod(first, "this", "getInstanceAtDepth", 1);
  }
  first.Op(kStrictEquals).Trace();
  w.DoAction(first.Build());
  w.ShowFrame();
  // Two clips of the script, one among the timeline's depths and one above them; the timeline's
  // clip trades places with the upper one.
  ActionBuilder second;
  for (auto [name, depth] : {std::pair{"low", -100}, {"high", 5}}) {
    second.PushString(name).PushInt(depth).PushString(name);
    CallMethod(second, "this", "createEmptyMovieClip", 2).Op(kPop);
  }
  Get(second, "high");
  CallMethod(second, "kid", "swapDepths", 1).Op(kPop);
  w.DoAction(second.Build());
  w.ShowFrame();
  // Back to frame 1: the timeline's depths are rebuilt (a new kid), the upper ones stay, and
  // the two clips named kid are one to scripts.
  ActionBuilder third;
  trace_depths(third);
  third.GotoFrame(0).Stop();
  w.DoAction(third.Build());
  w.ShowFrame();
  EXPECT_EQ(Played(w, 4),
            "_level0.kid\nundefined\nundefined\nfalse\n"
            "_level0.high\n_level0.low\n_level0.kid\n"
            "_level0.kid\nundefined\n_level0.kid\ntrue\n");
}

TEST(ClipDisplayRules, HitTestPointsAreInRootCoordinatesAndPathsStartAtTheClip) {
  SwfWriter w(8, 100, 100, 12);
  DefineSquareClip(w);
  w.Place(NewPlace(1, 2, "sq"));
  w.Place(flashtest::MatrixPlace(2, 2, Matrix{1, 0, 0, 1, 200, 200}));
  ActionBuilder a;
  // Named later so that the placement above stays simple.
  a.PushInt(-16382);
  CallMethod(a, "this", "getInstanceAtDepth", 1).PushString("_name").PushString("other");
  a.Op(kSetMember);
  auto hit_point = [&](double x, double y) {
    a.PushNumber(y).PushNumber(x);
    CallMethod(a, "sq", "hitTest", 2).Trace();
  };
  hit_point(-5, 10);  // left of the square: outside
  SetMember(a, "_root", "_rotation", 45);
  // With the root turned, the square's box on the stage is wider than the square: a point of
  // the root left of the square lies inside that box.
  hit_point(-5, 10);
  for (const char* path : {"../other", "", "other"}) {
    a.PushString(path);
    CallMethod(a, "sq", "hitTest", 1).Trace();
  }
  w.DoAction(a.Build());
  w.ShowFrame();
  EXPECT_EQ(Played(w, 1), "false\ntrue\ntrue\nfalse\nfalse\n");
}

TEST(ClipDisplayRules, StaticTextsOfAdvancedAntiAliasingAreHitInTheirStageBox) {
  // A text without glyphs, 100 x 20 pixels, turned by 45 degrees: hit only when drawn with
  // advanced anti-aliasing, and then anywhere in the box it takes on the stage.
  for (bool advanced : {false, true}) {
    SwfWriter w(8, 400, 400, 12);
    flash::StaticTextSpec text;
    text.bounds = {0, 2000, 0, 400};
    w.DefineText(1, text);
    if (advanced) {
      std::vector<uint8_t> settings = {1, 0, 0x40};  // text 1, advanced
      settings.resize(12, 0);
      w.Tag(74, settings);
    }
    flash::TimelineWriter sprite;
    const double r = std::sqrt(0.5);
    sprite.Place(flashtest::MatrixPlace(1, 1, Matrix{r, r, -r, r, 0, 0}));
    sprite.ShowFrame();
    w.DefineSprite(2, sprite);
    flash::PlaceSpec place = flashtest::MatrixPlace(1, 2, Matrix{1, 0, 0, 1, 4000, 1000});
    place.name = "t";
    w.Place(place);
    ActionBuilder a;
    // On the text's middle; then inside its box on the stage but off the turned text.
    for (auto [x, y] : {std::pair{200 + 28, 50 + 42}, {200 + 60, 50 + 5}}) {
      a.PushBool(true).PushNumber(y).PushNumber(x);
      CallMethod(a, "t", "hitTest", 3).Trace();
    }
    w.DoAction(a.Build());
    w.ShowFrame();
    EXPECT_EQ(Played(w, 1), advanced ? "true\ntrue\n" : "false\nfalse\n") << advanced;
  }
}

TEST(ClipDisplayRules, NewClipsRunOnConstructAndTimelineClipsFindAnOnLoadOfTheirPrototype) {
  SwfWriter w(8, 100, 100, 12);
  DefineSquareClip(w);
  ActionBuilder first;
  // MovieClip.prototype.onConstruct traces the new clip's name and throws; the maker goes on.
  ActionBuilder construct;
  Get(construct, "this").PushString("_name").Op(0x4E).Trace();
  construct.PushString("thrown").Op(0x2A);
  Get(first, "MovieClip").PushString("prototype").Op(0x4E).PushString("onConstruct");
  Function(first, "", {}, construct).Op(kSetMember);
  first.PushString("made").PushInt(3).PushString("made");
  CallMethod(first, "this", "createEmptyMovieClip", 2).Op(kPop);
  first.PushString("after").Trace();
  ActionBuilder load;
  load.PushString("load ");
  Get(load, "this").PushString("_name").Op(0x4E).Op(0x47).Trace();
  Get(first, "MovieClip").PushString("prototype").Op(0x4E).PushString("onLoad");
  Function(first, "", {}, load).Op(kSetMember);
  w.DoAction(first.Build());
  w.ShowFrame();
  w.Place(NewPlace(1, 2, "placed"));  // a timeline clip of frame 2
  w.ShowFrame();
  const std::string log = Played(w, 2);
  EXPECT_EQ(log.substr(0, log.find("after")), "made\nWarning: Uncaught exception, thrown\n");
  EXPECT_NE(log.find("load placed\n"), std::string::npos) << log;
}

TEST(ClipDisplayRules, TimelineRemovalWaitsForUnloadHandlersOfAClipOrItsChildren) {
  SwfWriter w(8, 100, 100, 12);
  DefineSquareClip(w);
  flash::TimelineWriter holder;  // sprite 3 holds a square clip named kid
  holder.Place(NewPlace(1, 2, "kid"));
  holder.ShowFrame();
  w.DefineSprite(3, holder);
  w.Place(NewPlace(1, 2, "a"));
  w.Place(NewPlace(2, 2, "b"));
  w.Place(NewPlace(3, 3, "c"));
  ActionBuilder first;
  ActionBuilder handler;
  handler.PushString("unload").Trace();
  Get(first, "a").PushString("onUnload");
  Function(first, "", {}, handler).Op(kSetMember);
  Member(first, "c", "kid").PushString("onUnload");
  Function(first, "", {}, handler).Op(kSetMember);
  w.DoAction(first.Build());
  w.ShowFrame();
  for (uint16_t depth : {1, 2, 3}) w.Remove(depth);
  ActionBuilder second;  // the removed clips with handlers stay below the depths in use
  for (const char* name : {"a", "b", "c"}) Get(second, name).Trace();
  CallMethod(second, "a", "getDepth", 0).Trace();
  CallMethod(second, "c", "getDepth", 0).Trace();
  w.DoAction(second.Build());
  w.ShowFrame();
  ActionBuilder third;  // and are gone a tick later
  for (const char* name : {"a", "c"}) Get(third, name).Trace();
  third.Stop();
  w.DoAction(third.Build());
  w.ShowFrame();
  // Both handlers run (before or after the frame's script); the clips stay for that script.
  std::string log = Played(w, 3), rest;
  int unloads = 0;
  for (size_t at = 0, end; at < log.size(); at = end + 1) {
    end = log.find('\n', at);
    const std::string line = log.substr(at, end - at);
    if (line == "unload")
      ++unloads;
    else
      rest += line + "\n";
  }
  EXPECT_EQ(unloads, 2);
  EXPECT_EQ(rest, "_level0.a\nundefined\n_level0.c\n-16386\n-16388\nundefined\nundefined\n");
}

TEST(ClipDisplayRules, LocalToGlobalTakesOwnNumbersAndCountsTheRootsTransform) {
  ActionBuilder a;
  a.PushString("c").PushInt(1).PushString("c");
  CallMethod(a, "this", "createEmptyMovieClip", 2).Op(kPop);
  SetMember(a, "c", "_x", 10);
  SetMember(a, "_root", "_x", 100);
  // {x: 1, y: 2} goes through the clip and the root: (111, 2).
  auto point = [&](auto&& push_y) {
    a.PushString("p").PushString("x").PushInt(1).PushString("y");
    push_y();
    a.PushInt(2).Op(0x43).Op(0x3C);  // var p = {x: 1, y: ...}
    Get(a, "p");
    CallMethod(a, "c", "localToGlobal", 1).Op(kPop);
    Member(a, "p", "x").Trace();
  };
  point([&] { a.PushInt(2); });
  point([&] { a.PushString("2"); });  // a text is not a number: the point stays
  // A y only inherited from Object.prototype does not count either.
  a.PushString("q").PushString("x").PushInt(1).PushInt(1).Op(0x43).Op(0x3C);
  Get(a, "Object").PushString("prototype").Op(0x4E).PushString("y").PushInt(2).Op(kSetMember);
  Get(a, "q");
  CallMethod(a, "c", "localToGlobal", 1).Op(kPop);
  Member(a, "q", "x").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "111\n1\n1\n");
}

// Points go through matrices whose translations are whole twips at every step up to the stage,
// and the inverse's translation is whole twips too: a child 2 twips across inside a clip scaled
// to 20% sits at 0.4 twips, held as 0; a clip scaled to 30% at 1 twip maps the stage's 1.08 twips
// back through a translation of -3 twips, not -3.33.
TEST(ClipDisplayRules, PointsMapThroughWholeTwipTranslations) {
  ActionBuilder a;
  a.PushString("c").PushInt(1).PushString("c");
  CallMethod(a, "this", "createEmptyMovieClip", 2).Op(kPop);
  a.PushString("d").PushInt(1).PushString("d");
  CallMethod(a, "c", "createEmptyMovieClip", 2).Op(0x3C);  // var d = c.createEmptyMovieClip(...)
  SetMember(a, "c", "_xscale", 20);
  SetMember(a, "d", "_x", 0.1);
  a.PushString("p").PushString("x").PushNumber(0.075).PushString("y").PushInt(0);
  a.PushInt(2).Op(0x43).Op(0x3C);  // var p = {x: 0.075, y: 0}: 1.5 twips
  Get(a, "p");
  CallMethod(a, "d", "localToGlobal", 1).Op(kPop);
  Member(a, "p", "x").Trace();
  SetMember(a, "c", "_xscale", 30);
  SetMember(a, "c", "_x", 0.05);
  a.PushString("q").PushString("x").PushNumber(0.054).PushString("y").PushInt(0);
  a.PushInt(2).Op(0x43).Op(0x3C);
  Get(a, "q");
  CallMethod(a, "c", "globalToLocal", 1).Op(kPop);
  Member(a, "q", "x").Trace();
  EXPECT_EQ(RunBlocks({a}, 8), "0\n0.05\n");
}

TEST(ClipDisplayRules, ForInOverAClipListsItsNamedChildrenOfEveryKind) {
  SwfWriter w(8, 100, 100, 12);
  DefineSquareClip(w);  // shape 1, sprite 2
  w.Place(NewPlace(1, 1, "shape"));
  w.Place(NewPlace(2, 2, "sprite"));
  w.Place(NewPlace(3, 1));  // unnamed shapes are not listed
  ActionBuilder a;
  // for (k in this) trace(k);
  Get(a, "this").Op(0x55);
  ActionBuilder test, body;
  test.StoreRegister(0).PushNull().Op(0x49);  // r0 = name; name == null ends it
  body.PushRegister(0).Trace();
  WhileNot(a, test, body);
  w.DoAction(a.Build());
  w.ShowFrame();
  EXPECT_EQ(Played(w, 1), "sprite\nshape\n");
}

TEST(ClipDisplayRules, PlacedVideosAreNamedByTheirPathAndPlacedBitmapsByTheirClip) {
  SwfWriter w(8, 100, 100, 12);
  // Video 1: no frames, 16 x 16; bitmap 2: 2 x 2 pixels of 32 bits.
  w.Tag(60, {1, 0, 0, 0, 16, 0, 16, 0, 0, 2});
  std::vector<uint8_t> pixels(16, 255), packed(compressBound(pixels.size()));
  uLongf packed_size = packed.size();
  compress2(packed.data(), &packed_size, pixels.data(), pixels.size(), Z_DEFAULT_COMPRESSION);
  std::vector<uint8_t> bitmap = {2, 0, 5, 2, 0, 2, 0};
  for (uLongf i = 0; i < packed_size; ++i) bitmap.push_back(packed[i]);
  w.Tag(36, bitmap);
  w.Place(NewPlace(1, 1, "vid"));
  w.Place(NewPlace(2, 2, "pic"));
  ActionBuilder a;
  Get(a, "vid").Trace();
  a.PushString("as text: ");
  Get(a, "vid").Op(0x47).Trace();  // + converts it by its path too
  Get(a, "pic").Trace();
  w.DoAction(a.Build());
  w.ShowFrame();
  EXPECT_EQ(Played(w, 1), "_level0.vid\nas text: _level0.vid\n_level0\n");
}

// A new placement at a depth the timeline already filled fails and says so in the log; the
// object there stays, and a move at that depth still applies.
TEST(ClipDisplayRules, PlacingAtAnOccupiedDepthFailsWithAWarning) {
  SwfWriter w(8, 100, 100, 12);
  DefineSquareClip(w);
  w.Place(NewPlace(3, 2, "first"));
  w.Place(NewPlace(3, 2, "second"));
  Matrix right;
  right.tx = 100;  // twips
  w.Place(flashtest::MatrixPlace(3, -1, right));
  ActionBuilder a;
  Get(a, "first").PushString("_x").Op(0x4E).Trace();
  Get(a, "second").Op(0x44).Trace();  // typeof
  w.DoAction(a.Build());
  w.ShowFrame();
  EXPECT_EQ(Played(w, 1), "Warning: Failed to place object at depth 3.\n5\nundefined\n");
}
