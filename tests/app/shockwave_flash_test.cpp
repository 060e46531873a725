// The player control: frame-timer ticks through the message path (and withheld by a subclass),
// unloading from inside its own callback, the frame-signal layer, goto, painting with placement
// and background colours.
#include "app/shockwave_flash.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "tests/support/test_app.h"

using namespace classlib;

using namespace lumicast;

namespace {

const flash::Rgba kRed{255, 0, 0, 255};
const flash::Rgba kBlue{0, 0, 255, 255};
const flash::Rgba kGreen{0, 255, 0, 255};
const flash::Rgba kStageBg{10, 20, 30, 255};

std::vector<uint8_t> Trace(const std::string& text) {
  return flash::ActionBuilder().PushString(text).Trace().Build();
}

std::string Save(const flash::SwfWriter& w, const std::string& name) {
  static lumitest::TempDir temp_dir;
  static const std::string dir = temp_dir.Path();
  std::string path = dir + "/" + name;
  EXPECT_TRUE(w.Save(path, false));
  return path;
}

// N frames; frame n traces "fN".
std::string TracingMovie(int frames, double rate = 12, const std::string& name = "tracing.swf") {
  flash::SwfWriter w(6, 100, 100, rate);
  for (int f = 1; f <= frames; ++f) {
    w.DoAction(Trace("f" + std::to_string(f)));
    w.ShowFrame();
  }
  return Save(w, name);
}

// A 100x50 stage on a dark background: red left half, blue right half.
std::string HalvesMovie() {
  flash::SwfWriter w(6, 100, 50, 12);
  w.SetBackgroundColor(kStageBg);
  flash::ShapeBuilder left, right;
  left.Rectangle(0, 0, 1000, 1000, left.AddFill(flash::FillStyleSpec::Solid(kRed)));
  right.Rectangle(1000, 0, 2000, 1000, right.AddFill(flash::FillStyleSpec::Solid(kBlue)));
  w.DefineShape(1, left);
  w.DefineShape(2, right);
  flash::PlaceSpec a;
  a.depth = 1;
  a.character_id = 1;
  w.Place(a);
  flash::PlaceSpec b;
  b.depth = 2;
  b.character_id = 2;
  w.Place(b);
  w.ShowFrame();
  return Save(w, "halves.swf");
}

// Three frames, each covering the stage with its own colour and tracing its number.
std::string ColourFramesMovie() {
  flash::SwfWriter w(6, 40, 40, 12);
  const flash::Rgba colours[] = {kRed, kGreen, kBlue};
  for (int i = 0; i < 3; ++i) {
    flash::ShapeBuilder s;
    s.Rectangle(0, 0, 800, 800, s.AddFill(flash::FillStyleSpec::Solid(colours[i])));
    w.DefineShape(static_cast<uint16_t>(i + 1), s);
  }
  for (int i = 0; i < 3; ++i) {
    if (i > 0) w.Remove(1);
    flash::PlaceSpec p;
    p.depth = 1;
    p.character_id = i + 1;
    w.Place(p);
    w.DoAction(Trace("f" + std::to_string(i + 1)));
    w.ShowFrame();
  }
  return Save(w, "colours.swf");
}

// Frame 1 traces; frame 2 calls FSCommand "bye" and then traces "after"; frame 3 traces.
std::string ByeMovie() {
  flash::SwfWriter w(6, 100, 100, 12);
  w.DoAction(Trace("f1"));
  w.ShowFrame();
  w.DoAction(
      flash::ActionBuilder().GetUrl("FSCommand:bye", "now").PushString("after").Trace().Build());
  w.ShowFrame();
  w.DoAction(Trace("f3"));
  w.ShowFrame();
  return Save(w, "bye.swf");
}

std::string SignalMovie(const char* name) {
  std::string path = lumitest::BinDir() + "/" + name;
  EXPECT_TRUE(std::filesystem::exists(path))
      << path << " is written by the build (frame_signal_movies)";
  return path;
}

std::unique_ptr<TBitmap> Canvas24(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(w, h);
  return b;
}

TColor Rgb(flash::Rgba c) { return static_cast<TColor>(c.r | c.g << 8 | c.b << 16); }

void Tick(TShockwaveFlash& c, int n = 1) {
  for (int i = 0; i < n; ++i) c.Perform(WM_TIMER, TShockwaveFlash::FrameTimerID, 0);
}

// Counts the frame timer's messages as they enter the control; withholds them while `skip`.
class TCountingFlash : public TShockwaveFlash {
 public:
  using TShockwaveFlash::TShockwaveFlash;
  bool skip = false;
  int timer_messages = 0;
  int withheld = 0;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_TIMER && Message.TimerID() == FrameTimerID) {
      if (skip) {
        ++withheld;
        return;
      }
      ++timer_messages;
    }
    TShockwaveFlash::WndProc(Message);
  }
};

// Hands the timer message straight to the default handler, skipping the control's own handler.
class TDefaultPathFlash : public TShockwaveFlash {
 public:
  using TShockwaveFlash::TShockwaveFlash;

 protected:
  void WMTimer(TMessage& Message) override { DefaultHandler(Message); }
};

}  // namespace

TEST(ShockwaveFlash, EveryTimerMessageAdvancesTheMovieExactlyOnce) {
  TShockwaveFlash c(nullptr);
  c.SetMovie(TracingMovie(5));
  EXPECT_EQ(c.TotalFrames(), 5);
  EXPECT_EQ(c.CurrentFrame(), 1);
  EXPECT_TRUE(c.Engine().trace_log.empty());
  Tick(c);  // the loaded frame's script runs; the movie stays on frame 1
  EXPECT_EQ(c.CurrentFrame(), 1);
  Tick(c, 2);
  EXPECT_EQ(c.CurrentFrame(), 3);
  EXPECT_EQ(c.Engine().trace_log, (std::vector<std::string>{"f1", "f2", "f3"}));

  // Another timer of the window is not the frame timer.
  c.Perform(WM_TIMER, TShockwaveFlash::FrameTimerID + 1, 0);
  EXPECT_EQ(c.CurrentFrame(), 3);

  // A subclass that hands the message to the default handler still ticks once per message.
  TDefaultPathFlash d(nullptr);
  d.SetMovie(TracingMovie(5));
  Tick(d, 3);
  EXPECT_EQ(d.CurrentFrame(), 3);
  EXPECT_EQ(d.Engine().trace_log.size(), 3u);
}

TEST(ShockwaveFlash, RealFrameTimerTicksOncePerMessage) {
  TForm form(nullptr);
  auto* c = new TCountingFlash(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 50, 50);
  c->SetMovie(TracingMovie(100, 100));  // 10 ms frames
  ASSERT_TRUE(Application->WaitUntil([&] { return c->timer_messages >= 4; }));
  c->SetMovie(" ");  // stops the timer
  int messages = c->timer_messages;
  const auto& log = c->Engine().trace_log;
  ASSERT_EQ(static_cast<int>(log.size()), messages);
  for (int i = 0; i < messages; ++i)
    EXPECT_EQ(log[static_cast<size_t>(i)], "f" + std::to_string(i + 1));
  Application->ProcessMessages();
  EXPECT_EQ(c->timer_messages, messages);
}

TEST(ShockwaveFlash, WithheldTimerMessagesFreezeTheMovie) {
  TCountingFlash c(nullptr);
  c.SetMovie(TracingMovie(5));
  Tick(c, 2);
  ASSERT_EQ(c.CurrentFrame(), 2);
  c.skip = true;
  Tick(c, 10);
  EXPECT_EQ(c.withheld, 10);
  EXPECT_EQ(c.CurrentFrame(), 2);
  EXPECT_EQ(c.Engine().trace_log.size(), 2u);
  c.skip = false;
  Tick(c);
  EXPECT_EQ(c.CurrentFrame(), 3);
}

TEST(ShockwaveFlash, BlankMovieUnloadsAndCanBeSetFromInsideTheCallback) {
  TShockwaveFlash c(nullptr);
  std::vector<std::string> commands;
  c.OnFSCommand = [&](TObject* sender, const std::string& command, const std::string& args) {
    EXPECT_EQ(sender, &c);
    commands.push_back(command + ":" + args);
    c.SetMovie(" ");
  };
  std::string bye = ByeMovie();
  c.SetMovie(bye);
  EXPECT_EQ(c.Movie(), bye);  // read back to reload
  Tick(c, 2);                 // frame 2 raises the command; the handler unloads mid-script
  EXPECT_EQ(commands, (std::vector<std::string>{"bye:now"}));
  EXPECT_EQ(c.Movie(), " ");
  EXPECT_EQ(c.TotalFrames(), 0);
  EXPECT_EQ(c.CurrentFrame(), 0);
  EXPECT_EQ(c.Engine().trace_log, (std::vector<std::string>{"f1"}));  // "after" never ran
  Tick(c, 3);  // ticks of an empty player do nothing
  EXPECT_EQ(c.TotalFrames(), 0);

  // Loading another movie from inside the callback: it starts clean on its first frame.
  std::string next = TracingMovie(4, 12, "next.swf");
  c.OnFSCommand = [&](TObject*, const std::string&, const std::string&) {
    c.SetMovie(" ");
    c.SetMovie(next);
  };
  c.SetMovie(ByeMovie());
  c.Engine().trace_log.clear();
  Tick(c, 2);
  EXPECT_EQ(c.Movie(), next);
  EXPECT_EQ(c.TotalFrames(), 4);
  EXPECT_EQ(c.CurrentFrame(), 1);
  EXPECT_EQ(c.Engine().trace_log, (std::vector<std::string>{"f1"}));
  Tick(c);
  EXPECT_EQ(c.Engine().trace_log, (std::vector<std::string>{"f1", "f1"}));  // next's frame 1 ran
  Tick(c);
  EXPECT_EQ(c.CurrentFrame(), 2);

  // A file that is not a movie leaves the control empty.
  lumitest::TempDir temp_dir;
  std::string junk = temp_dir.File("junk.swf");
  {
    flash::SwfWriter w(6, 10, 10, 12);
    auto bytes = w.Finish(false);
    bytes.resize(bytes.size() / 2);
    FILE* f = std::fopen(junk.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  c.SetMovie(junk);
  EXPECT_EQ(c.TotalFrames(), 0);
  Tick(c);
}

TEST(ShockwaveFlash, SignalLayerRaisesEnterFrameOncePerTickAlsoWhileStopped) {
  for (const char* name : {"fps", "fps1"}) {
    SCOPED_TRACE(name);
    TShockwaveFlash c(nullptr);
    int enter_frames = 0;
    c.OnFSCommand = [&](TObject*, const std::string& command, const std::string&) {
      if (command == "enterFrame") ++enter_frames;
    };
    // The program's loading order for a conversion.
    c.SetBGColor(" ");
    c.SetMovie(" ");
    c.SetMovie(TracingMovie(5));
    c.StopPlay();
    c.LoadMovie(88, SignalMovie(name));
    c.GotoFrame(2);
    EXPECT_FALSE(c.IsPlaying());
    EXPECT_EQ(c.TotalFrames(), 5);  // the main movie's, not the signal layer's
    Tick(c, 5);
    EXPECT_EQ(enter_frames, 5);
    EXPECT_EQ(c.CurrentFrame(), 2);
    c.Play();
    EXPECT_TRUE(c.IsPlaying());
    Tick(c, 3);
    EXPECT_EQ(enter_frames, 8);
    EXPECT_EQ(c.CurrentFrame(), 5);
    // Unloading the layer ends the signal.
    c.LoadMovie(88, " ");
    Tick(c, 2);
    EXPECT_EQ(enter_frames, 8);
  }
}

TEST(ShockwaveFlash, GotoFrameIsShownAtOnceAndBackForwardStep) {
  TShockwaveFlash c(nullptr);
  c.SetBounds(0, 0, 40, 40);
  c.SetMovie(ColourFramesMovie());
  auto frame_colour = [&] {
    auto bmp = Canvas24(40, 40);
    c.PaintTo(bmp->Canvas(), 0, 0);
    return bmp->Canvas()->Pixels(20, 20);
  };
  EXPECT_EQ(frame_colour(), Rgb(kRed));
  c.GotoFrame(3);
  EXPECT_EQ(c.CurrentFrame(), 3);
  EXPECT_EQ(frame_colour(), Rgb(kBlue));
  EXPECT_TRUE(c.Engine().trace_log.empty());  // shown, not run
  c.StopPlay();
  Tick(c);
  EXPECT_EQ(c.Engine().trace_log, (std::vector<std::string>{"f3"}));
  c.GotoFrame(2);
  EXPECT_EQ(frame_colour(), Rgb(kGreen));
  c.GotoFrame(99);  // past the end: the last frame
  EXPECT_EQ(c.CurrentFrame(), 3);
  c.Back();
  EXPECT_EQ(c.CurrentFrame(), 2);
  EXPECT_EQ(frame_colour(), Rgb(kGreen));
  c.Back();
  c.Back();
  EXPECT_EQ(c.CurrentFrame(), 1);
  c.Forward();
  EXPECT_EQ(c.CurrentFrame(), 2);
  EXPECT_FALSE(c.IsPlaying());
}

TEST(ShockwaveFlash, PaintToFitsTheStageTopLeftWithTheBackgroundAround) {
  TShockwaveFlash c(nullptr);
  c.SetMovie(HalvesMovie());
  EXPECT_EQ(c.BackgroundColor(), 0x0A141E);

  // Taller panel: scale 3, the stage fills the top 150 rows.
  c.SetBounds(0, 0, 300, 300);
  auto tall = Canvas24(300, 300);
  c.PaintTo(tall->Canvas(), 0, 0);
  TCanvas* t = tall->Canvas();
  EXPECT_EQ(t->Pixels(2, 2), Rgb(kRed));
  EXPECT_EQ(t->Pixels(147, 147), Rgb(kRed));
  EXPECT_EQ(t->Pixels(152, 2), Rgb(kBlue));
  EXPECT_EQ(t->Pixels(297, 147), Rgb(kBlue));
  EXPECT_EQ(t->Pixels(150, 152), Rgb(kStageBg));
  EXPECT_EQ(t->Pixels(299, 299), Rgb(kStageBg));

  // Wider panel: scale 2, the stage fills the left 200 columns.
  c.SetBounds(0, 0, 400, 100);
  auto wide = Canvas24(400, 100);
  c.PaintTo(wide->Canvas(), 0, 0);
  TCanvas* w = wide->Canvas();
  EXPECT_EQ(w->Pixels(98, 50), Rgb(kRed));
  EXPECT_EQ(w->Pixels(102, 50), Rgb(kBlue));
  EXPECT_EQ(w->Pixels(198, 98), Rgb(kBlue));
  EXPECT_EQ(w->Pixels(202, 50), Rgb(kStageBg));
  EXPECT_EQ(w->Pixels(399, 0), Rgb(kStageBg));

  // Painting is deterministic.
  auto again = Canvas24(400, 100);
  c.PaintTo(again->Canvas(), 0, 0);
  for (int y = 0; y < 100; y += 7)
    for (int x = 0; x < 400; x += 13)
      ASSERT_EQ(again->Canvas()->Pixels(x, y), w->Pixels(x, y)) << x << "," << y;
}

TEST(ShockwaveFlash, BackgroundColorOverridesTheMovieUntilBGColorIsBlank) {
  TShockwaveFlash c(nullptr);
  c.SetBounds(0, 0, 100, 100);
  c.SetMovie(HalvesMovie());
  c.SetBackgroundColor(0x00FF8000);  // 0x00RRGGBB: orange
  EXPECT_EQ(c.BackgroundColor(), 0x00FF8000);
  EXPECT_EQ(c.BGColor(), "#FF8000");
  auto bmp = Canvas24(100, 100);
  c.PaintTo(bmp->Canvas(), 0, 0);
  EXPECT_EQ(bmp->Canvas()->Pixels(50, 80), static_cast<TColor>(0x0080FF));  // TColor is 0x00BBGGRR
  EXPECT_EQ(bmp->Canvas()->Pixels(25, 25), Rgb(kRed));

  // The override survives loading another movie.
  c.SetMovie(" ");
  c.SetMovie(HalvesMovie());
  EXPECT_EQ(c.BackgroundColor(), 0x00FF8000);

  c.SetBGColor(" ");
  EXPECT_EQ(c.BGColor(), " ");
  EXPECT_EQ(c.BackgroundColor(), 0x0A141E);
  c.PaintTo(bmp->Canvas(), 0, 0);
  EXPECT_EQ(bmp->Canvas()->Pixels(50, 80), Rgb(kStageBg));

  c.SetBGColor("#00FF00");
  EXPECT_EQ(c.BackgroundColor(), 0x0000FF00);
  c.PaintTo(bmp->Canvas(), 0, 0);
  EXPECT_EQ(bmp->Canvas()->Pixels(50, 80), Rgb(kGreen));
}
