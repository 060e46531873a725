// The player: the tick rule, 1-based frames, the frame-signal layer, goto and stop scripts,
// unloading from inside a callback, and the stage drawn with known colours where expected.
#include <gtest/gtest.h>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/movie_builder.h"

using namespace flash;
using flashtest::TraceCode;

namespace {

std::shared_ptr<MovieDef> Parse(const SwfWriter& w) { return ParseMovie(w.Finish(false)); }

// The frame-signal movie: two looping frames each calling FSCommand:enterFrame.
SwfWriter SignalMovie() {
  SwfWriter w(6, 18, 18, 12);
  for (int f = 0; f < 2; ++f) {
    w.DoAction(ActionBuilder().GetUrl("FSCommand:enterFrame", "").Build());
    w.ShowFrame();
  }
  return w;
}

struct Pixel {
  uint8_t b, g, r, a;
};

std::vector<uint8_t> RenderStage(const Player& p, int w, int h, Rgba bg = {255, 255, 255, 255}) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  PaintStage(p, {px.data(), w, h, w * 4}, bg);
  return px;
}

Pixel At(const std::vector<uint8_t>& px, int w, int x, int y) {
  const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

}  // namespace

TEST(FlashPlayer, LoadShowsFrameOneAndTicksRunScriptsInOrder) {
  Player p;
  p.LoadMovie(0, Parse(flashtest::TracingMovie(3)));
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_EQ(p.TotalFrames(), 3);
  EXPECT_TRUE(p.trace_log.empty());  // loading runs no script
  p.Tick();                          // runs frame 1's script, stays on frame 1
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_EQ(p.trace_log, (std::vector<std::string>{"f1"}));
  p.Tick();
  p.Tick();
  EXPECT_EQ(p.CurrentFrame(), 3);
  p.Tick();  // loops to the first frame
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_EQ(p.trace_log, (std::vector<std::string>{"f1", "f2", "f3", "f1"}));
}

TEST(FlashPlayer, GotoFrameShowsAtOnceAndRunsScriptsOnNextTickWithoutAdvancing) {
  Player p;
  p.LoadMovie(0, Parse(flashtest::TracingMovie(5)));
  p.Tick();
  p.GotoFrame(4);
  EXPECT_EQ(p.CurrentFrame(), 4);
  EXPECT_EQ(p.trace_log.size(), 1u);
  p.Tick();
  EXPECT_EQ(p.CurrentFrame(), 4);
  EXPECT_EQ(p.trace_log.back(), "f4");
  p.Stop();
  p.Tick();
  EXPECT_EQ(p.CurrentFrame(), 4);
  EXPECT_FALSE(p.IsPlaying());
  p.GotoFrame(99);  // clamped to the last frame
  EXPECT_EQ(p.CurrentFrame(), 5);
  p.GotoFrame(0);
  EXPECT_EQ(p.CurrentFrame(), 1);
  p.Forward();
  EXPECT_EQ(p.CurrentFrame(), 2);
  p.Back();
  p.Back();
  EXPECT_EQ(p.CurrentFrame(), 1);
}

TEST(FlashPlayer, SignalLayerRaisesEnterFrameEveryTickWhileMainMovieIsStopped) {
  SwfWriter main(6, 100, 100, 12);
  main.DoAction(ActionBuilder().Stop().Build());
  main.ShowFrame();
  main.ShowFrame();
  Player p;
  p.LoadMovie(0, Parse(main));
  p.LoadMovie(88, Parse(SignalMovie()));
  int signals = 0;
  p.on_fscommand = [&](const std::string& cmd, const std::string& args) {
    EXPECT_EQ(cmd, "enterFrame");
    EXPECT_EQ(args, "");
    ++signals;
  };
  for (int i = 0; i < 7; ++i) {
    p.Tick();
    EXPECT_EQ(signals, i + 1);
  }
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_FALSE(p.IsPlaying());
}

TEST(FlashPlayer, StopAndGotoLabelScripts) {
  SwfWriter w(6, 100, 100, 12);
  w.DoAction(ActionBuilder().GotoLabel("Target").Play().Build());
  w.ShowFrame();
  w.DoAction(TraceCode("skipped"));
  w.ShowFrame();
  w.FrameLabel("target");
  w.DoAction(ActionBuilder().PushString("at target").Trace().Stop().Build());
  w.ShowFrame();
  w.DoAction(TraceCode("never"));
  w.ShowFrame();
  Player p;
  p.LoadMovie(0, Parse(w));
  for (int i = 0; i < 5; ++i) p.Tick();
  EXPECT_EQ(p.trace_log, (std::vector<std::string>{"at target"}));
  EXPECT_EQ(p.CurrentFrame(), 3);
}

TEST(FlashPlayer, UnloadFromInsideTheCallbackIsSafe) {
  SwfWriter w(6, 100, 100, 12);
  w.DoAction(ActionBuilder().GetUrl("FSCommand:quit", "now").PushString("after").Trace().Build());
  w.ShowFrame();
  w.DoAction(TraceCode("f2"));
  w.ShowFrame();
  Player p;
  p.LoadMovie(0, Parse(w));
  p.LoadMovie(88, Parse(SignalMovie()));
  int calls = 0;
  p.on_fscommand = [&](const std::string& cmd, const std::string& args) {
    ++calls;
    if (cmd == "quit") {
      EXPECT_EQ(args, "now");
      p.UnloadAll();
    }
  };
  p.Tick();
  EXPECT_EQ(p.TotalFrames(), 0);
  EXPECT_TRUE(p.trace_log.empty());  // nothing of the unloaded movie runs on
  p.Tick();
  EXPECT_EQ(calls, 1);
  // Loading again from inside a callback works too.
  p.LoadMovie(0, Parse(SignalMovie()));
  p.on_fscommand = [&](const std::string&, const std::string&) {
    p.LoadMovie(0, Parse(flashtest::TracingMovie(2)));
  };
  p.Tick();
  p.Tick();
  EXPECT_EQ(p.TotalFrames(), 2);
  EXPECT_EQ(p.trace_log, (std::vector<std::string>{"f1"}));
}

TEST(FlashPlayer, SpriteTimelinesAndExecutionOrder) {
  SwfWriter w(6, 100, 100, 12);
  TimelineWriter child;
  child.DoAction(TraceCode("child 1"));
  child.ShowFrame();
  child.DoAction(ActionBuilder().PushString("child 2").Trace().Stop().Build());
  child.ShowFrame();
  w.DefineSprite(5, child);
  w.DoAction(TraceCode("root 1"));
  w.Place(flashtest::NewPlace(1, 5, "kid"));
  w.ShowFrame();
  w.DoAction(ActionBuilder().PushString("kid:_currentframe").Op(0x1C).Trace().Build());
  w.ShowFrame();
  w.Remove(1);
  w.DoAction(ActionBuilder().PushString("kid").Op(0x1C).Op(0x44).Trace().Stop().Build());
  w.ShowFrame();
  Player p;
  p.LoadMovie(0, Parse(w));
  for (int i = 0; i < 4; ++i) p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log), "root 1\nchild 1\nchild 2\n2\nundefined\n");
}

TEST(FlashPlayer, RendersKnownColoursAndPlacesStageTopLeft) {
  SwfWriter w(8, 40, 20, 12);
  w.SetBackgroundColor({0, 0, 255, 255});
  ShapeBuilder s;
  int red = s.AddFill(FillStyleSpec::Solid({255, 0, 0, 255}));
  s.Rectangle(0, 0, 200, 200, red);  // 10x10 pixels at the stage's top-left
  w.DefineShape(1, s);
  ShapeBuilder g;
  int green = g.AddFill(FillStyleSpec::Solid({0, 255, 0, 255}));
  g.Rectangle(0, 0, 200, 200, green);
  w.DefineShape(2, g);
  w.Place(flashtest::NewPlace(1, 1));
  w.ShowFrame();
  w.Place(flashtest::MatrixPlace(1, -1, {1, 0, 0, 1, 400, 0}));  // frame 2: 20 pixels to the right
  w.Place(flashtest::MatrixPlace(2, 2, {1, 0, 0, 1, 0, 200}));
  w.ShowFrame();
  Player p;
  p.LoadMovie(0, Parse(w));
  EXPECT_EQ(p.Background(), (Rgba{0, 0, 255, 255}));
  auto px = RenderStage(p, 40, 20, p.Background());
  Pixel a = At(px, 40, 5, 5);
  EXPECT_EQ(a.r, 255);
  EXPECT_EQ(a.b, 0);
  Pixel bg = At(px, 40, 30, 15);
  EXPECT_EQ(bg.b, 255);
  EXPECT_EQ(bg.r, 0);
  p.Tick();
  p.Tick();
  px = RenderStage(p, 40, 20, p.Background());
  EXPECT_EQ(At(px, 40, 5, 5).b, 255);   // moved away
  EXPECT_EQ(At(px, 40, 25, 5).r, 255);  // to here
  EXPECT_EQ(At(px, 40, 5, 15).g, 255);  // new shape on frame 2
  // A view twice as wide as it is high for a 2:1 stage of another size: scaled, top-left.
  auto big = RenderStage(p, 80, 80, {1, 2, 3, 255});
  EXPECT_EQ(At(big, 80, 50, 10).r, 255);  // the red square now at 40..60 x 0..20
  Pixel below = At(big, 80, 40, 60);      // under the stage: the view's background
  EXPECT_EQ(below.r, 1);
  EXPECT_EQ(below.b, 3);
  // The same frame renders the same pixels every time.
  EXPECT_EQ(RenderStage(p, 80, 80), RenderStage(p, 80, 80));
}

TEST(FlashPlayer, StackMachineOperators) {
  SwfWriter w(6, 10, 10, 12);
  ActionBuilder a;
  a.PushInt(7).PushInt(2).Op(0x3F).Trace();       // modulo
  a.PushString("4").PushInt(1).Op(0x47).Trace();  // typed add with text
  a.PushInt(3).PushString("4").Op(0x0A).Trace();  // numeric add
  a.PushNumber(0.1).PushNumber(0.2).Op(0x0A).Trace();
  a.PushInt(1).PushInt(0).Op(0x0D).Trace();                    // divide by zero
  a.PushString("abc").PushInt(2).PushInt(5).Op(0x15).Trace();  // substring
  a.ConstantPool({"pooled"}).PushConstant(0).Trace();
  a.PushInt(5).StoreRegister(1).Op(0x17).PushRegister(1).Op(0x50).Trace();
  a.PushInt(-8).PushInt(1).Op(0x65).Trace();     // unsigned shift
  a.PushBool(true).PushInt(1).Op(0x66).Trace();  // strict equality across types
  a.PushNumber(1e21).Trace();
  a.PushNumber(0.000001).Trace();
  w.DoAction(a.Build());
  w.ShowFrame();
  Player p;
  p.LoadMovie(0, Parse(w));
  p.Tick();
  EXPECT_EQ(flashtest::Joined(p.trace_log),
            "1\n41\n7\n0.3\nInfinity\nbc\npooled\n6\n2147483644\nfalse\n1e+21\n1e-6\n");
}

TEST(FlashPlayer, RunawayAndMalformedScriptsStop) {
  SwfWriter w(6, 10, 10, 12);
  w.DoAction(ActionBuilder().Jump(-5).Build());    // jumps to itself forever
  w.DoAction({0x96, 0x20, 0x00, 0x00});            // push whose length runs past the code
  w.DoAction(ActionBuilder().Jump(3000).Build());  // jump outside the code
  w.DoAction(TraceCode("still running"));
  w.ShowFrame();
  Player p;
  p.LoadMovie(0, Parse(w));
  p.Tick();
  EXPECT_EQ(p.trace_log, (std::vector<std::string>{"still running"}));
}
