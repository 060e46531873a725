// Scripts acting on clips: target paths, tellTarget, clip properties, cloning and removal, and
// goto back in time keeping the objects that stay on the timeline.
#include <gtest/gtest.h>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"

using namespace flash;

namespace {

// A movie with a three-frame sprite placed as "kid" (it stops on its first frame).
SwfWriter MovieWithKid() {
  SwfWriter w(6, 100, 100, 12);
  TimelineWriter kid;
  kid.DoAction(ActionBuilder().Stop().Build());
  kid.ShowFrame();
  kid.FrameLabel("two");
  kid.DoAction(ActionBuilder().PushString("kid at two").Trace().Build());
  kid.ShowFrame();
  kid.ShowFrame();
  w.DefineSprite(3, kid);
  w.Place(flashtest::NewPlace(1, 3, "kid"));
  return w;
}

std::vector<std::string> RunTicks(const SwfWriter& w, int ticks) {
  Player p;
  p.LoadMovie(0, ParseMovie(w.Finish(false)));
  for (int i = 0; i < ticks; ++i) p.Tick();
  return p.trace_log;
}

}  // namespace

TEST(FlashScripts, PathsVariablesAndTellTarget) {
  SwfWriter w = MovieWithKid();
  ActionBuilder a;
  a.PushString("/kid:v").PushInt(5).Op(0x1D);           // slash path variable
  a.PushString("_root.kid.v").Op(0x1C).Trace();         // read back by dot path
  a.PushString("kid").PushInt(0).PushInt(30).Op(0x23);  // _x = 30
  a.PushString("kid").PushInt(0).Op(0x22).Trace();
  a.PushString("kid").PushInt(11).Op(0x22).Trace();   // _target
  a.SetTarget("kid").GotoLabel("two").SetTarget("");  // tellTarget
  a.PushString("kid").PushInt(4).Op(0x22).Trace();    // _currentframe
  a.SetTarget("nowhere").Stop().SetTarget("");        // a missing target does nothing
  a.PushString("missing:v").Op(0x1C).Op(0x44).Trace();
  w.DoAction(a.Build());
  w.ShowFrame();
  auto log = RunTicks(w, 1);
  // The script of the frame reached by the goto runs after the current script ends.
  EXPECT_EQ(flashtest::Joined(log), "5\n30\n/kid\n2\nundefined\nkid at two\n");
}

// From version 7 on a tellTarget whose path names no clip acts on the movie's root; before,
// it acts on nothing. Either way a property read from the told clip's path finds no clip.
TEST(FlashScripts, MissingTellTargetFallsBackToTheRootFromVersion7) {
  for (int version : {6, 7}) {
    SwfWriter w(version, 100, 100, 12);
    TimelineWriter kid;
    ActionBuilder name_of_target;  // getProperty("", _name) inside the tellTarget
    name_of_target.PushString("").PushInt(13).Op(0x22).Trace();
    kid.DoAction(ActionBuilder()
                     .SetTarget("nowhere")
                     .Raw(scripttest::Code(name_of_target))
                     .GotoFrame(2)
                     .SetTarget("")
                     .Stop()
                     .Build());
    kid.ShowFrame();
    w.DefineSprite(3, kid);
    w.DoAction(ActionBuilder().Stop().Build());
    w.Place(flashtest::NewPlace(1, 3, "kid"));
    w.ShowFrame();
    w.ShowFrame();
    w.DoAction(ActionBuilder().PushString("root at 3").Trace().Build());
    w.ShowFrame();
    EXPECT_EQ(flashtest::Joined(RunTicks(w, 2)),
              version >= 7 ? "undefined\nroot at 3\n" : "undefined\n")
        << "version " << version;
  }
}

// Up to version 6 tellTarget of a clip goes by its path, so of two clips sharing a name the
// first is told; later versions tell the clip itself. A level name reads only its digits.
TEST(FlashScripts, TellTargetOfAClipAndLevelNames) {
  for (int version : {6, 7}) {
    SwfWriter w(version, 100, 100, 12);
    auto twin = [](const char* x, bool keep) {
      TimelineWriter t;
      ActionBuilder a;
      a.PushString("x").PushString(x).Op(0x1D);
      if (keep) a.PushString("_root.second").PushString("this").Op(0x1C).Op(0x1D);
      t.DoAction(a.Stop().Build());
      t.ShowFrame();
      return t;
    };
    w.DefineSprite(3, twin("a", false));
    w.DefineSprite(4, twin("b", true));
    w.Place(flashtest::NewPlace(1, 3, "twin"));
    w.Place(flashtest::NewPlace(2, 4, "twin"));
    w.ShowFrame();
    ActionBuilder a;
    a.PushString("second").Op(0x1C).Op(0x20).PushString("x").Op(0x1C).Trace().SetTarget("");
    a.PushString("_level0tail").Op(0x1C).Trace();
    a.PushString("_levelx").Op(0x1C).Trace();
    w.DoAction(a.Stop().Build());
    w.ShowFrame();
    EXPECT_EQ(flashtest::Joined(RunTicks(w, 2)),
              std::string(version >= 7 ? "b" : "a") + "\n_level0\nundefined\n")
        << "version " << version;
  }
}

TEST(FlashScripts, CloneAndRemoveClips) {
  SwfWriter w = MovieWithKid();
  ActionBuilder a;
  a.PushString("kid").PushString("copy").PushInt(16384 + 5).Op(0x24);  // duplicate
  a.PushString("copy").PushInt(13).Op(0x22).Trace();                   // _name
  a.PushString("copy").Op(0x25);                                       // remove the copy
  a.PushString("copy").Op(0x1C).Op(0x44).Trace();
  a.PushString("kid").Op(0x25);  // placed by the timeline: stays
  a.PushString("kid").Op(0x1C).Op(0x44).Trace();
  w.DoAction(a.Build());
  w.ShowFrame();
  EXPECT_EQ(flashtest::Joined(RunTicks(w, 1)), "copy\nundefined\nmovieclip\n");
}

TEST(FlashScripts, GotoBackKeepsObjectsStillOnTheTimeline) {
  SwfWriter w(6, 100, 100, 12);
  TimelineWriter counter;  // traces each time a new instance starts
  counter.DoAction(ActionBuilder().PushString("new instance").Trace().Stop().Build());
  counter.ShowFrame();
  w.DefineSprite(2, counter);
  w.Place(flashtest::NewPlace(1, 2, "a"));
  w.ShowFrame();
  w.Place(flashtest::NewPlace(2, 2, "b"));
  w.ShowFrame();
  w.DoAction(ActionBuilder().GotoFrame(0).Play().Build());  // back to frame 1: "b" goes, "a" stays
  w.ShowFrame();
  auto log = RunTicks(w, 5);
  // a (frame 1), b (frame 2), nothing on the rewind, b again on frame 2.
  EXPECT_EQ(flashtest::Joined(log), "new instance\nnew instance\nnew instance\n");
  Player p;
  p.LoadMovie(0, ParseMovie(w.Finish(false)));
  for (int i = 0; i < 3; ++i) p.Tick();
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_TRUE(p.LevelRoot(0)->ChildByName("a"));
  EXPECT_FALSE(p.LevelRoot(0)->ChildByName("b"));
}

TEST(FlashScripts, QualityAndFsCommandArguments) {
  SwfWriter w(6, 10, 10, 12);
  w.DoAction(ActionBuilder()
                 .Op(0x08)  // ToggleQuality
                 .PushString("FSCommand:save")
                 .PushString("a,b")
                 .OpWithData(0x9A, {0})
                 .GetUrl("http://example.invalid/", "_blank")
                 .Build());
  w.ShowFrame();
  Player p;
  std::string seen, url;
  p.on_fscommand = [&](const std::string& c, const std::string& a) { seen = c + "|" + a; };
  p.on_get_url = [&](const std::string& u, const std::string& t) { url = u + "|" + t; };
  p.LoadMovie(0, ParseMovie(w.Finish(false)));
  EXPECT_EQ(p.quality, Quality::High);
  p.Tick();
  EXPECT_EQ(p.quality, Quality::Low);
  EXPECT_EQ(seen, "save|a,b");
  EXPECT_EQ(url, "http://example.invalid/|_blank");
}

// Version 4 reads variables without dot paths or clip values: a name without a colon is the
// timeline's variable whatever its text, "path:name" reads the named clip's variable, and an
// empty path or a clip names nothing.
TEST(FlashScripts, Version4VariablesAreReadByColonPathsOnly) {
  SwfWriter w(4, 100, 100, 12);
  TimelineWriter kid;
  kid.DoAction(ActionBuilder().PushString("variable").PushString("value").Op(0x1D).Build());
  kid.ShowFrame();
  w.DefineSprite(3, kid);
  w.Place(flashtest::NewPlace(1, 3, "a"));
  w.DoAction(ActionBuilder().PushString("root_var").PushInt(5).Op(0x1D).Build());
  w.ShowFrame();
  ActionBuilder reads;
  for (const char* path : {"a", "_level0", "root_var", ":root_var", "/:root_var", "a:variable",
                           "a/:variable", "a.variable", "a/variable"})
    reads.PushString(path).Op(0x1C).Op(0x44).Trace();  // trace(typeof eval(path))
  w.DoAction(reads.Build());
  w.ShowFrame();
  EXPECT_EQ(flashtest::Joined(RunTicks(w, 2)),
            "undefined\nundefined\nnumber\nundefined\nnumber\nstring\nstring\nundefined\n"
            "undefined\n");
}

// getURL asks for a new window by "_blank" whatever the case and with or without the
// underscore; other window names, "self" among them, pass as written.
TEST(FlashScripts, GetUrlNamesANewWindowOneWay) {
  SwfWriter w(7, 10, 10, 12);
  ActionBuilder a;
  for (const char* target : {"blank", "BLANK", "_bLaNk", "self", "_self", "myWindow", ""})
    a.GetUrl("http://example.invalid/", target);
  a.PushString("http://example.invalid/").PushString("Blank").OpWithData(0x9A, {0});
  w.DoAction(a.Build());
  w.ShowFrame();
  Player p;
  std::string targets;
  p.on_get_url = [&](const std::string&, const std::string& t) { targets += t + "|"; };
  p.LoadMovie(0, ParseMovie(w.Finish(false)));
  p.Tick();
  EXPECT_EQ(targets, "_blank|_blank|_blank|self|_self|myWindow||_blank|");
}
