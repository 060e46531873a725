// Extended player control: withheld and wrapped frame-timer ticks, the frame lock built on them,
// and the gating of mouse messages between the control's events and the player.
#include "app/shockwave_flash_ex.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classlib/messages.h"
#include "platform/flash/format/writer.h"
#include "tests/support/test_app.h"

using namespace classlib;

using namespace lumicast;
using flash::ActionBuilder;
using flash::SwfWriter;

namespace {

// Records every message that passes all handlers: what the player's window receives.
class ProbeFlash : public TShockwaveFlashEx {
 public:
  using TShockwaveFlashEx::TShockwaveFlashEx;
  std::vector<uint32_t> reached;

 protected:
  void DefaultHandler(TMessage& Message) override {
    reached.push_back(Message.Msg);
    TShockwaveFlashEx::DefaultHandler(Message);
  }
};

std::string SaveMovie(const SwfWriter& w, const std::string& name) {
  static lumitest::TempDir temp_dir;  // the callers load the movie after this returns
  std::string path = temp_dir.File(name);
  EXPECT_TRUE(w.Save(path, false));
  return path;
}

// Frames that do nothing but exist.
std::string PlainMovie(int frames) {
  SwfWriter w(6, 40, 20, 12);
  for (int f = 0; f < frames; ++f) w.ShowFrame();
  return SaveMovie(w, "plain.swf");
}

// Two frames, each raising the FSCommand "enterFrame".
std::string SignalMovie() {
  SwfWriter w(6, 18, 18, 12);
  for (int f = 0; f < 2; ++f) {
    w.DoAction(ActionBuilder().GetUrl("FSCommand:enterFrame", "").Build());
    w.ShowFrame();
  }
  return SaveMovie(w, "signal.swf");
}

void Tick(TShockwaveFlash& f) { f.Perform(WM_TIMER, TShockwaveFlash::FrameTimerID); }

TEST(ShockwaveFlashEx, WithheldTicksFreezeTheMovieAndPassedTicksAreWrapped) {
  ProbeFlash f(nullptr);
  f.SetMovie(PlainMovie(6));
  ASSERT_EQ(f.TotalFrames(), 6);
  Tick(f);  // runs frame 1's scripts
  Tick(f);  // advances to frame 2
  ASSERT_EQ(f.CurrentFrame(), 2);

  std::vector<std::string> log;
  f.OnSkipTimer = [&](TObject* s) { log.push_back(s == &f ? "skip" : "skip?"); };
  f.OnBeforeTimer = [&](TObject*) { log.push_back("before " + std::to_string(f.CurrentFrame())); };
  f.OnAfterTimer = [&](TObject*) { log.push_back("after " + std::to_string(f.CurrentFrame())); };

  f.SkipTimer = true;
  f.reached.clear();
  for (int i = 0; i < 7; ++i) Tick(f);
  EXPECT_EQ(f.CurrentFrame(), 2);
  EXPECT_EQ(log, std::vector<std::string>(7, "skip"));
  EXPECT_TRUE(f.reached.empty()) << "a withheld tick must not reach the player";

  log.clear();
  f.SkipTimer = false;
  Tick(f);
  EXPECT_EQ(f.CurrentFrame(), 3);
  EXPECT_EQ(log, (std::vector<std::string>{"before 2", "after 3"}));
  EXPECT_EQ(f.reached, std::vector<uint32_t>{WM_TIMER});

  // Unassigned events: ticks are still withheld or passed.
  f.OnSkipTimer = nullptr;
  f.OnBeforeTimer = nullptr;
  f.OnAfterTimer = nullptr;
  f.SkipTimer = true;
  Tick(f);
  EXPECT_EQ(f.CurrentFrame(), 3);
  f.SkipTimer = false;
  Tick(f);
  EXPECT_EQ(f.CurrentFrame(), 4);
}

// The conversion window's frame lock: the signal freezes the player on a frame, the first
// withheld tick after the capture releases it, so every frame is seen exactly once.
TEST(ShockwaveFlashEx, FrameLockDeliversEveryFrameOnce) {
  TShockwaveFlashEx f(nullptr);
  f.SetMovie(PlainMovie(4));
  f.LoadMovie(88, SignalMovie());
  bool frame_ready = false;
  int signals = 0;
  f.OnFSCommand = [&](TObject*, const std::string& command, const std::string&) {
    if (command != "enterFrame") return;
    ++signals;
    f.SkipTimer = true;
    frame_ready = true;
  };
  f.OnSkipTimer = [&](TObject*) {
    if (!frame_ready) f.SkipTimer = false;
  };
  std::vector<int> captured;
  for (int ticks = 0; ticks < 100 && captured.size() < 6; ++ticks) {
    Tick(f);
    if (frame_ready) {
      captured.push_back(f.CurrentFrame());
      // While the frame waits for its capture, further ticks change nothing.
      Tick(f);
      Tick(f);
      EXPECT_EQ(f.CurrentFrame(), captured.back());
      frame_ready = false;
    }
  }
  EXPECT_EQ(captured, (std::vector<int>{1, 2, 3, 4, 1, 2}));
  EXPECT_EQ(signals, 6);
}

struct MouseCase {
  uint32_t msg;
  const char* event;  // the event raised in place of the message
};

const MouseCase kGated[] = {
    {WM_LBUTTONDOWN, "down"},   {WM_LBUTTONUP, "up"},     {WM_LBUTTONDBLCLK, "down"},
    {WM_LBUTTONUP, "up"},       {WM_RBUTTONDOWN, "down"}, {WM_RBUTTONUP, "up"},
    {WM_RBUTTONDBLCLK, "down"}, {WM_RBUTTONUP, "up"},     {WM_MOUSEMOVE, "move"},
    {CM_MOUSEENTER, "enter"},   {CM_MOUSELEAVE, "leave"},
};

struct MouseLog {
  std::vector<std::string> own;        // this control's events
  std::vector<std::string> inherited;  // the class library's mouse events
};

void Watch(ProbeFlash& f, MouseLog& log) {
  f.OnMouseDown = [&](TObject*) { log.own.push_back("down"); };
  f.OnMouseUp = [&](TObject*) { log.own.push_back("up"); };
  f.OnMouseMove = [&](TObject*) { log.own.push_back("move"); };
  f.OnMouseEnter = [&](TObject*) { log.own.push_back("enter"); };
  f.OnMouseLeave = [&](TObject*) { log.own.push_back("leave"); };
  TControl& base = f;
  base.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    log.inherited.push_back("down");
  };
  base.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
    log.inherited.push_back("up");
  };
  base.OnMouseMove = [&](TObject*, TShiftState, int, int) { log.inherited.push_back("move"); };
  base.OnMouseEnter = [&](TObject*) { log.inherited.push_back("enter"); };
  base.OnMouseLeave = [&](TObject*) { log.inherited.push_back("leave"); };
}

TEST(ShockwaveFlashEx, WithoutPreviewMouseMessagesBecomeEventsAndNeverReachThePlayer) {
  ProbeFlash f(nullptr);
  f.SetBounds(0, 0, 40, 20);
  f.reached.clear();
  MouseLog log;
  Watch(f, log);
  std::vector<std::string> expected;
  for (const MouseCase& c : kGated) {
    f.Perform(c.msg, MK_LBUTTON, MakeLParam(5, 6));
    expected.push_back(c.event);
  }
  EXPECT_EQ(log.own, expected);
  EXPECT_TRUE(log.inherited.empty());
  EXPECT_TRUE(f.reached.empty());

  // Unassigned: the message is simply dropped.
  f.OnMouseDown = nullptr;
  f.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 6));
  EXPECT_TRUE(f.reached.empty());
  EXPECT_TRUE(log.inherited.empty());

  // The middle button and the wheel are not intercepted.
  f.Perform(WM_MBUTTONDOWN, MK_MBUTTON, MakeLParam(5, 6));
  f.Perform(WM_MBUTTONUP, 0, MakeLParam(5, 6));
  f.Perform(WM_MOUSEWHEEL, 120u << 16, MakeLParam(5, 6));
  EXPECT_EQ(f.reached, (std::vector<uint32_t>{WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MOUSEWHEEL}));
  EXPECT_EQ(log.inherited, (std::vector<std::string>{"down", "up"}));
  EXPECT_EQ(log.own, expected);
}

TEST(ShockwaveFlashEx, WithPreviewMouseMessagesTakeTheInheritedPathToThePlayer) {
  ProbeFlash f(nullptr);
  f.SetBounds(0, 0, 40, 20);
  f.reached.clear();
  f.PreviewMsg = true;
  MouseLog log;
  Watch(f, log);
  std::vector<uint32_t> sent;
  std::vector<std::string> expected;
  for (const MouseCase& c : kGated) {
    f.Perform(c.msg, MK_LBUTTON, MakeLParam(5, 6));
    sent.push_back(c.msg);
    expected.push_back(c.event);
  }
  EXPECT_TRUE(log.own.empty());
  EXPECT_EQ(log.inherited, expected);
  EXPECT_EQ(f.reached, sent);

  // Switching back gates the next message again.
  f.PreviewMsg = false;
  f.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 6));
  EXPECT_EQ(f.reached, sent);
  EXPECT_EQ(log.own, std::vector<std::string>{"down"});
}

}  // namespace
