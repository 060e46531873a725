// The player control: frame-timer ticks through the message path (and withheld by a subclass),
// unloading from inside its own callback, the frame-signal layer, goto, painting with placement
// and background colours.
#include "app/shockwave_flash.h"

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/flash/format/button.h"
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

TEST(ShockwaveFlash, LivePreviewShowsTheNewestCapturedPictureWhilePaintToStaysExact) {
  TForm form(nullptr);
  form.SetClientSize(60, 60);
  auto* c = new TShockwaveFlash(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 40, 40);
  c->SetMovie(ColourFramesMovie());
  form.Show();
  c->SetLivePreview(true);
  ASSERT_NE(c->LivePreview(), nullptr);
  for (int f = 1; f <= 3; ++f) {
    c->GotoFrame(f);
    ASSERT_NE(c->Picture(), nullptr);  // what a capture asks for
  }
  // The screen side gets the newest captured picture, whole and opaque (0xRRGGBB, -1 if not).
  auto shown_centre = [&] {
    const TLivePreview::TPicture& p = c->LivePreview()->ShownPicture();
    if (p.width != 40 || p.height != 40) return -1;
    const uint8_t* px = &p.pixels[(20 * 40 + 20) * 4];
    return px[3] == 255 ? px[2] << 16 | px[1] << 8 | px[0] : -1;
  };
  while (shown_centre() != 0x0000FF) {
    Application->ProcessMessages();
    std::this_thread::yield();
  }
  // A canvas is painted with the current frame, captured or not.
  c->GotoFrame(2);
  auto bmp = Canvas24(40, 40);
  c->PaintTo(bmp->Canvas(), 0, 0);
  EXPECT_EQ(bmp->Canvas()->Pixels(20, 20), Rgb(kGreen));
  // Switched off, the preview is gone and the control paints from a picture of its own.
  c->SetLivePreview(false);
  EXPECT_EQ(c->LivePreview(), nullptr);
  auto after = Canvas24(40, 40);
  c->PaintTo(after->Canvas(), 0, 0);
  EXPECT_EQ(after->Canvas()->Pixels(20, 20), Rgb(kGreen));
  form.Hide();
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

namespace {

flash::ButtonAction Signal(uint16_t conditions, const std::string& command, uint8_t key = 0) {
  flash::ButtonAction a;
  a.conditions = conditions;
  a.key_code = key;
  a.actions = std::make_shared<const std::vector<uint8_t>>(
      flash::ActionBuilder().GetUrl("FSCommand:" + command, "").Build());
  return a;
}

flash::PlaceSpec PlacedAt(uint16_t depth, int character, double x, double y) {
  flash::PlaceSpec p;
  p.depth = depth;
  p.character_id = character;
  p.has_matrix = true;
  p.matrix.tx = x * 20;
  p.matrix.ty = y * 20;
  return p;
}

// A 200x100 stage: a 20-pixel button at (50, 40) that signals its transitions and the key "a",
// and an input field at (100, 10)-(190, 30) named "field".
std::string InputMovie() {
  flash::SwfWriter w(8, 200, 100, 12);
  flash::ShapeBuilder square;
  square.Rectangle(0, 0, 400, 400, square.AddFill(flash::FillStyleSpec::Solid(kRed)));
  w.DefineShape(1, square);
  flash::ButtonDef b(2);
  b.version = 2;
  flash::ButtonRecord r;
  r.states = flash::kButtonUp | flash::kButtonOver | flash::kButtonDown | flash::kButtonHit;
  r.character_id = 1;
  r.depth = 1;
  b.records = {r};
  b.actions = {Signal(flash::kCondIdleToOverUp, "over"), Signal(flash::kCondOverUpToIdle, "out"),
               Signal(flash::kCondOverUpToOverDown, "press"),
               Signal(flash::kCondOverDownToOverUp, "release"), Signal(0, "key a", 'a')};
  w.Tag(flash::kTagDefineButton2, flash::EncodeButton(b));
  w.Place(PlacedAt(1, 2, 50, 40));
  flash::EditTextSpec field;
  field.bounds = {0, 1800, 0, 400};
  field.text = "";
  w.DefineEditText(3, field);
  flash::PlaceSpec f = PlacedAt(2, 3, 100, 10);
  f.name = "field";
  w.Place(f);
  w.ShowFrame();
  return Save(w, "input.swf");
}

struct InputControl {
  TShockwaveFlash flash{nullptr};
  std::vector<std::string> signals;
  InputControl() {
    // Twice the stage size: client points are twice the stage points.
    flash.SetBounds(0, 0, 400, 200);
    flash.SetMovie(InputMovie());
    flash.OnFSCommand = [this](TObject*, const std::string& command, const std::string&) {
      signals.push_back(command);
    };
    flash.Perform(WM_TIMER, TShockwaveFlash::FrameTimerID);
  }
  void Mouse(uint32_t msg, int x, int y) { flash.Perform(msg, 0, MakeLParam(x, y)); }
  void Key(uint32_t msg, uint16_t key, TShiftState shift = 0) {
    flash.Perform(msg, key, static_cast<intptr_t>(static_cast<uint64_t>(shift) << 32));
  }
  std::vector<std::string> Take() { return std::exchange(signals, {}); }
  std::string FieldText() { return flash.Engine().input.focus.expired() ? "<no focus>" : Typed(); }
  std::string Typed() {
    for (const auto& [depth, child] : flash.Engine().LevelRoot(0)->children)
      if (child->type == flash::DisplayObject::Type::EditText)
        return static_cast<flash::TextFieldObject*>(child.get())->field.Text();
    return "<no field>";
  }
};

}  // namespace

TEST(ShockwaveFlash, MouseMessagesPressButtonsAtTheStagePointThroughThePlacement) {
  InputControl c;
  // Client (55, 45) is stage (27.5, 22.5): beside the button, although it would be on it unscaled.
  c.Mouse(WM_MOUSEMOVE, 55, 45);
  c.Mouse(WM_LBUTTONDOWN, 55, 45);
  c.Mouse(WM_LBUTTONUP, 55, 45);
  EXPECT_TRUE(c.Take().empty());
  EXPECT_DOUBLE_EQ(c.flash.Engine().input.mouse_x, 27.5);

  c.Mouse(WM_MOUSEMOVE, 110, 90);
  c.Mouse(WM_LBUTTONDOWN, 110, 90);
  c.Mouse(WM_LBUTTONUP, 112, 92);
  c.Mouse(WM_MOUSEMOVE, 10, 10);
  EXPECT_EQ(c.Take(), (std::vector<std::string>{"over", "press", "release", "out"}));

  // The right button reaches the mouse listeners only; a double click presses again.
  c.Mouse(WM_MOUSEMOVE, 110, 90);
  c.Mouse(WM_RBUTTONDOWN, 110, 90);
  c.Mouse(WM_RBUTTONUP, 110, 90);
  c.Mouse(WM_LBUTTONDBLCLK, 110, 90);
  c.Mouse(WM_LBUTTONUP, 110, 90);
  EXPECT_EQ(c.Take(), (std::vector<std::string>{"over", "press", "release"}));
}

TEST(ShockwaveFlash, KeysAndTypedTextReachTheMovieAndItsFocusedField) {
  InputControl c;
  EXPECT_NE(c.flash.Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
  // A key's condition runs on the character the key types, which the desktop sends after it.
  c.Key(WM_KEYDOWN, 'A');
  EXPECT_TRUE(c.Take().empty());
  c.flash.Perform(WM_CHAR, 'a', 0);
  c.Key(WM_KEYUP, 'A');
  // Shifted, the key types "A": the button waits for "a".
  c.Key(WM_KEYDOWN, 'A', ssShift);
  c.flash.Perform(WM_CHAR, 'A', 0);
  EXPECT_EQ(c.Take(), std::vector<std::string>{"key a"});
  EXPECT_TRUE(c.flash.Engine().input.keys_down['A']);
  c.Key(WM_KEYUP, 'A', ssShift);
  EXPECT_FALSE(c.flash.Engine().input.keys_down['A']);

  // Typed text goes nowhere until a click puts the focus in the field.
  c.flash.Perform(WM_CHAR, 'x', 0);
  EXPECT_EQ(c.FieldText(), "<no focus>");
  c.Mouse(WM_LBUTTONDOWN, 250, 40);
  c.Mouse(WM_LBUTTONUP, 250, 40);
  for (char32_t ch : std::u32string(U"h\u00e9llo")) c.flash.Perform(WM_CHAR, ch, 0);
  EXPECT_EQ(c.FieldText(), "h\xc3\xa9llo");
  c.Key(WM_KEYDOWN, VK_BACK);
  c.Key(WM_KEYDOWN, VK_HOME);
  c.Key(WM_KEYDOWN, VK_DELETE);
  c.Key(WM_KEYDOWN, VK_RIGHT);
  c.flash.Perform(WM_CHAR, '-', 0);
  EXPECT_EQ(c.FieldText(), "\xc3\xa9-ll");

  // Copy and paste go through the desktop's clipboard.
  c.Key(WM_KEYDOWN, 'A', ssCtrl);
  c.Key(WM_KEYDOWN, 'C', ssCtrl);
  EXPECT_EQ(Clipboard()->AsText(), "\xc3\xa9-ll");
  Clipboard()->SetAsText("new");
  c.Key(WM_KEYDOWN, 'V', ssCtrl);
  EXPECT_EQ(c.FieldText(), "new");
  EXPECT_TRUE(c.Take().empty()) << "control keys type nothing a button waits for";

  // Keys held while the control loses the focus are not left pressed.
  c.Key(WM_KEYDOWN, VK_SHIFT);
  c.flash.Perform(WM_KILLFOCUS, 0, 0);
  EXPECT_FALSE(c.flash.Engine().input.keys_down[VK_SHIFT]);
}
