// Message dispatch of controls: window timers through WndProc, windowless
// controls fed by their parent, and events arriving from the window system.
#include <atomic>
#include <string>
#include <vector>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/control.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"

using namespace classlib;

namespace {

// A windowed control whose base handler counts the ticks it receives.
class TTickControl : public TWinControl {
 public:
  explicit TTickControl(TComponent* AOwner) : TWinControl(AOwner) {}
  int base_ticks = 0;

 protected:
  void WMTimer(TMessage& Message) override {
    ++base_ticks;
    TWinControl::WMTimer(Message);
  }
};

// A subclass that withholds the ticks while Skip is set, without calling the
// inherited handler.
class TSkippingControl : public TTickControl {
 public:
  using TTickControl::TTickControl;
  bool skip = true;
  int skipped = 0;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_TIMER && skip) {
      ++skipped;
      return;
    }
    TTickControl::WndProc(Message);
  }
};

// A windowless control that records the messages it receives.
class TRecorder : public TGraphicControl {
 public:
  explicit TRecorder(TComponent* AOwner) : TGraphicControl(AOwner) {}
  std::vector<std::string> log;

 protected:
  void WndProc(TMessage& Message) override {
    switch (Message.Msg) {
      case CM_MOUSEENTER: log.push_back("enter"); break;
      case CM_MOUSELEAVE: log.push_back("leave"); break;
      case WM_MOUSEMOVE:
        log.push_back("move " + std::to_string(Message.XPos()) + "," +
                      std::to_string(Message.YPos()));
        break;
      case WM_LBUTTONDOWN: log.push_back("down"); break;
      case WM_LBUTTONUP: log.push_back("up"); break;
      default: break;
    }
    TGraphicControl::WndProc(Message);
  }
};

}  // namespace

TEST(ControlsMessages, WithheldTimerNeverReachesTheBaseHandler) {
  TForm form(nullptr);
  auto* c = new TSkippingControl(&form);
  c->SetParent(&form);
  c->SetTimer(7, 5);
  ASSERT_TRUE(Application->WaitUntil([&] { return c->skipped >= 3; }));
  EXPECT_EQ(c->base_ticks, 0);

  // Once the subclass lets them through, the base handler sees every tick.
  c->skip = false;
  ASSERT_TRUE(Application->WaitUntil([&] { return c->base_ticks >= 2; }));
  c->KillTimer(7);
  int after_kill = c->base_ticks;
  Application->ProcessMessages();
  EXPECT_LE(c->base_ticks, after_kill + 1);
}

TEST(ControlsMessages, PerformedTimerCarriesItsIdAndIsWithheldAlike) {
  TSkippingControl c(nullptr);
  c.Perform(WM_TIMER, 3, 0);
  EXPECT_EQ(c.skipped, 1);
  EXPECT_EQ(c.base_ticks, 0);
  c.skip = false;
  c.Perform(WM_TIMER, 3, 0);
  EXPECT_EQ(c.base_ticks, 1);
}

TEST(ControlsMessages, GraphicControlGetsEnterLeaveAndClicksFromItsParent) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 150);
  auto* g = new TRecorder(&form);
  g->SetParent(&form);
  g->SetBounds(10, 20, 50, 40);
  int clicks = 0, parent_moves = 0;
  g->OnClick = [&](TObject*) { ++clicks; };
  form.OnMouseMove = [&](TObject*, TShiftState, int, int) { ++parent_moves; };

  form.Perform(WM_MOUSEMOVE, 0, MakeLParam(5, 5));
  EXPECT_TRUE(g->log.empty());
  EXPECT_EQ(parent_moves, 1);
  form.Perform(WM_MOUSEMOVE, 0, MakeLParam(15, 25));
  ASSERT_EQ(g->log.size(), 2u);
  EXPECT_EQ(g->log[0], "enter");
  EXPECT_EQ(g->log[1], "move 5,5");  // in the child's own coordinates
  form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(15, 25));
  form.Perform(WM_LBUTTONUP, 0, MakeLParam(16, 26));
  EXPECT_EQ(clicks, 1);
  form.Perform(WM_MOUSEMOVE, 0, MakeLParam(100, 100));
  EXPECT_EQ(g->log.back(), "leave");
  EXPECT_EQ(parent_moves, 2);
}

TEST(ControlsMessages, CapturedGraphicControlKeepsTheMouseUntilRelease) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 150);
  auto* g = new TRecorder(&form);
  g->SetParent(&form);
  g->SetBounds(10, 10, 20, 20);
  int clicks = 0;
  g->OnClick = [&](TObject*) { ++clicks; };
  form.Perform(WM_MOUSEMOVE, 0, MakeLParam(15, 15));
  form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(15, 15));
  EXPECT_TRUE(g->MouseCapture());
  form.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(150, 100));
  EXPECT_EQ(g->log.back(), "move 140,90");
  form.Perform(WM_LBUTTONUP, 0, MakeLParam(150, 100));
  EXPECT_EQ(g->log.back(), "up");
  EXPECT_FALSE(g->MouseCapture());
  EXPECT_EQ(clicks, 0);  // released outside: no click
  // Without capture the next move outside leaves the control.
  form.Perform(WM_MOUSEMOVE, 0, MakeLParam(150, 100));
  EXPECT_EQ(g->log.back(), "leave");
}

TEST(ControlsMessages, HiddenOrDisabledGraphicControlIsSkipped) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 100, 100);
  auto* below = new TRecorder(&form);
  below->SetParent(&form);
  below->SetBounds(0, 0, 50, 50);
  auto* above = new TRecorder(&form);
  above->SetParent(&form);
  above->SetBounds(0, 0, 50, 50);
  form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  form.Perform(WM_LBUTTONUP, 0, MakeLParam(5, 5));
  EXPECT_FALSE(above->log.empty());  // the top-most gets it
  EXPECT_TRUE(below->log.empty());
  above->log.clear();
  above->SetEnabled(false);
  form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  form.Perform(WM_LBUTTONUP, 0, MakeLParam(5, 5));
  EXPECT_TRUE(above->log.empty());
  EXPECT_FALSE(below->log.empty());
}

TEST(ControlsMessages, NativeMouseEventsBecomeMessages) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 150);
  auto* g = new TRecorder(&form);
  g->SetParent(&form);
  g->SetBounds(10, 10, 40, 40);
  std::vector<int> downs;
  form.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
    downs.push_back(X * 1000 + Y);
  };
  QWidget* client = NativeChildContainer(&form);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(70, 80), QPointF(70, 80), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(client, &press);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0], 70080);
  QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(client, &move);
  ASSERT_GE(g->log.size(), 2u);
  EXPECT_EQ(g->log[0], "enter");
  EXPECT_EQ(g->log[1], "move 10,10");
}

TEST(ControlsMessages, ExceptionInAHandlerReachesTheApplicationAndTheLoopGoesOn) {
  TScriptedDialogService service;
  TDialogServiceGuard guard(&service);
  TForm form(nullptr);
  form.SetBounds(0, 0, 100, 100);
  form.OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
    throw EInvalidOperation("handler failed");
  };
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  EXPECT_NO_THROW(QCoreApplication::sendEvent(NativeChildContainer(&form), &press));
  ASSERT_EQ(service.Messages().size(), 1u);
  EXPECT_EQ(service.Messages()[0], "handler failed");

  // A timer whose first tick throws keeps ticking afterwards.
  int ticks = 0;
  form.OnMouseDown = nullptr;
  class TThrowingTick : public TWinControl {
   public:
    using TWinControl::TWinControl;
    int* count = nullptr;

   protected:
    void WMTimer(TMessage&) override {
      if ((*count)++ == 0) throw Exception("first tick failed");
    }
  };
  auto* t = new TThrowingTick(&form);
  t->count = &ticks;
  t->SetParent(&form);
  t->SetTimer(1, 5);
  ASSERT_TRUE(Application->WaitUntil([&] { return ticks >= 3; }));
  t->KillTimer(1);
  ASSERT_EQ(service.Messages().size(), 2u);
  EXPECT_EQ(service.Messages()[1], "first tick failed");
}

TEST(ControlsMessages, OnExceptionReplacesTheMessageAndAbortIsSilent) {
  TScriptedDialogService service;
  TDialogServiceGuard guard(&service);
  std::string seen;
  Application->OnException = [&](TObject*, const std::exception& E) { seen = E.what(); };
  SafeCall(nullptr, [] { throw EConvertError("bad number"); });
  Application->OnException = nullptr;
  EXPECT_EQ(seen, "bad number");
  SafeCall(nullptr, [] { throw EAbort("quiet"); });
  EXPECT_TRUE(service.Messages().empty());
}
