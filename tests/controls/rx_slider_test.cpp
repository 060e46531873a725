// The ruler slider driven through messages: clamping, range and increment
// rules, snapping drags, keys in both orientations, page stepping on the
// timer, the events at the end of an action, the hand cursor and ticks.
#include <gtest/gtest.h>

#include "controls/rx_slider.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/messages.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

namespace {

struct Harness {
  Harness() {
    slider.SetMinValue(1);
    slider.OnChange = [this](TObject*) { log += "c"; };
    slider.OnChanged = [this](TObject*) { log += "C"; };
    slider.OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { log += "U"; };
  }
  void Down(int x, int y) { slider.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y)); }
  void Move(int x, int y) { slider.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x, y)); }
  void Up(int x, int y) { slider.Perform(WM_LBUTTONUP, 0, MakeLParam(x, y)); }
  TRxSlider slider{nullptr};
  std::string log;
};

TEST(RxSlider, ValueClampsAndRangeRules) {
  Harness h;
  EXPECT_EQ(h.slider.Width(), 150);
  h.slider.SetValue(0);
  EXPECT_EQ(h.slider.Value(), 1);
  h.slider.SetValue(101);
  EXPECT_EQ(h.slider.Value(), 100);
  EXPECT_EQ(h.log, "c");  // 1 was already stored; 100 changed it
  EXPECT_EQ(h.slider.ThumbRect().Left,
            6 + h.slider.RulerRect().Width() - h.slider.ThumbRect().Width());

  h.slider.SetMaxValue(1);  // a one-frame movie: no range
  EXPECT_EQ(h.slider.MaxValue(), 100);
  h.slider.SetMaxValue(5);
  EXPECT_EQ(h.slider.Increment(), 4);
  EXPECT_EQ(h.slider.Value(), 5);
  try {
    h.slider.SetIncrement(0);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Value must be between 1 and 4");
  }
  EXPECT_THROW(h.slider.SetIncrement(5), Exception);
}

TEST(RxSlider, DragSnapsWithoutSmoothAndReportsAtTheEnd) {
  Harness h;
  h.slider.SetMinValue(0);
  h.slider.SetOptions(soShowPoints);
  const TRect t = h.slider.ThumbRect();
  const int cx = t.Left + t.Width() / 2, cy = t.Top + t.Height() / 2;
  h.Down(cx, cy);
  EXPECT_TRUE(h.slider.Dragging());
  for (int dx = 1; dx < 130; dx += 7) {
    h.Move(cx + dx, cy);
    EXPECT_EQ(h.slider.Value() % 10, 0) << dx;
  }
  EXPECT_EQ(h.slider.Value(), 100);
  EXPECT_EQ(h.log.find('C'), std::string::npos);
  h.Up(cx + 130, cy);
  EXPECT_FALSE(h.slider.Dragging());
  EXPECT_EQ(h.log.substr(h.log.size() - 2), "CU");
  h.slider.Perform(WM_MOUSEMOVE, 0, MakeLParam(2, 2));
  EXPECT_EQ(h.slider.Cursor(), crDefault);
  h.slider.Perform(WM_MOUSEMOVE, 0, MakeLParam(h.slider.ThumbRect().Left + 1, cy));
  EXPECT_EQ(h.slider.Cursor(), kHandCursor);
  h.slider.Perform(WM_MOUSEMOVE, 0, MakeLParam(2, 2));
  EXPECT_EQ(h.slider.Cursor(), crDefault);
}

TEST(RxSlider, KeysStepByIncrementInBothOrientations) {
  Harness h;
  h.slider.SetValue(14);
  h.slider.Perform(WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(h.slider.Value(), 20);  // 10 * round(1.4) + 10
  h.slider.Perform(WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(h.slider.Value(), 10);
  h.slider.Perform(WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(h.slider.Value(), 100);
  h.slider.Perform(WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(h.slider.Value(), 1);
  EXPECT_EQ(h.log,
            "c"
            "cC"
            "cC"
            "cC"
            "cC");

  h.slider.SetOrientation(soVertical);
  h.slider.SetBounds(0, 0, 40, 150);
  h.slider.SetValue(1);
  const int bottom = h.slider.ThumbRect().Bottom;
  h.slider.Perform(WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(h.slider.Value(), 10);
  EXPECT_LT(h.slider.ThumbRect().Bottom, bottom);  // the minimum is at the bottom
  EXPECT_EQ(bottom, 150 - 6);
  h.slider.Perform(WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(h.slider.Value(), 1);
}

TEST(RxSlider, PageSteppingRepeatsUntilTheThumbPasses) {
  Harness h;
  h.slider.SetValue(1);
  const TRect r = h.slider.RulerRect();
  const int x = r.Left + r.Width() * 45 / 100, y = r.Top + r.Height() / 2;
  h.Down(x, y);
  EXPECT_TRUE(h.slider.TimerRunning());
  EXPECT_EQ(h.slider.Value(), 10);
  int ticks = 0;
  while (h.slider.ThumbRect().Right <= x && ticks < 20) {
    h.slider.Perform(WM_TIMER, 1, 0);
    ++ticks;
  }
  const int reached = h.slider.Value();
  EXPECT_GT(reached, 10);
  EXPECT_LT(reached, 60);
  h.slider.Perform(WM_TIMER, 1, 0);  // past the pointer: no more steps
  EXPECT_EQ(h.slider.Value(), reached);
  EXPECT_EQ(h.log.find('C'), std::string::npos);
  h.Up(x, y);
  EXPECT_FALSE(h.slider.TimerRunning());
  EXPECT_EQ(h.log.substr(h.log.size() - 2), "CU");
}

TEST(RxSlider, NoTravelAndOddImagesStayCalm) {
  Harness h;
  h.slider.SetWidth(8);  // no room for the ruler
  h.slider.SetValue(50);
  EXPECT_EQ(h.slider.ThumbRect().Left, 6);
  h.Down(7, 10);
  h.Move(60, 10);
  h.Up(60, 10);
  TBitmap empty;
  h.slider.SetImage(0, &empty);
  h.slider.SetImage(1, &empty);
  h.slider.SetWidth(150);
  auto tiny = lumitest::FilledBitmap(1, 1, clRed);
  h.slider.SetImage(1, tiny.get());
  h.slider.SetValue(30);
  auto canvas = lumitest::FilledBitmap(150, 40, clWhite);
  h.slider.PaintTo(canvas->Canvas(), 0, 0);
  EXPECT_EQ(h.slider.UserImages(), 3);
  h.slider.SetImage(0, nullptr);
  EXPECT_EQ(h.slider.UserImages(), 2);
}

TEST(RxSlider, TicksAtMinimumAndMaximum) {
  Harness h;
  auto canvas = lumitest::FilledBitmap(150, 40, clWhite);
  h.slider.PaintTo(canvas->Canvas(), 0, 0);
  const TRect t = h.slider.ThumbRect();
  const int top = std::max(t.Height(), h.slider.RulerRect().Height()) + 7;
  const int x_min = t.Left + t.Width() / 2;
  const TColor ink = ColorToRGB(clWindowText);
  EXPECT_EQ(canvas->Canvas()->Pixels(x_min, top), ink);
  EXPECT_EQ(canvas->Canvas()->Pixels(x_min, top + 4), ink);  // 5 long at the ends
  EXPECT_NE(canvas->Canvas()->Pixels(x_min, top + 5), ink);
  const int x_max = 6 + h.slider.RulerRect().Width() - t.Width() + t.Width() / 2;
  EXPECT_EQ(canvas->Canvas()->Pixels(x_max, top + 4), ink);
}

}  // namespace
