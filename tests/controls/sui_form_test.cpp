// The skinned form frame: one per form, the form made frameless, sizes
// counted inside the border, the resize band, the rounded top corners and
// maximising into the work area.
#include <gtest/gtest.h>

#include "controls/sui_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/region.h"
#include "platform/classlib/system_move.h"
#include "platform/classlib/window_region.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiForm, OneFramePerFormAndFrameless) {
  TForm form(nullptr);
  ASSERT_EQ(form.BorderStyle(), bsSizeable);
  TsuiForm frame(&form);
  EXPECT_EQ(form.BorderStyle(), bsNone);
  EXPECT_EQ(frame.Parent(), &form);
  try {
    TsuiForm second(&form);
    FAIL() << "a second frame was accepted";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Sorry, You can create only one TsuiForm component in one form!");
  }
  TPanel notAForm(nullptr);
  EXPECT_THROW(TsuiForm bad(&notAForm), Exception);
}

TEST(SuiForm, SizesCountInsideTheBorderAndLayoutFollows) {
  TForm form(nullptr);
  TsuiForm frame(&form);
  frame.SetUIStyle(TsuiUIStyle::Custom);
  frame.SetFrameBorderWidth(3);
  frame.SetWidth(400);
  frame.SetHeight(300);
  EXPECT_EQ(form.Width(), 406);
  EXPECT_EQ(form.Height(), 304);
  // The panel sits inside the border: from the top with a title bar, inset
  // on every side without.
  EXPECT_EQ(frame.BoundsRect(), Rect(3, 0, form.ClientWidth() - 3, form.ClientHeight() - 3));
  frame.SetTitleBarVisible(false);
  EXPECT_EQ(frame.Top(), 3);
  EXPECT_EQ(frame.Height(), form.ClientHeight() - 6);
  form.SetWidth(500);  // resizing the form moves the frame along
  EXPECT_EQ(frame.Width(), form.ClientWidth() - 6);

  for (auto style : suitest::kStyles) {
    const int inner = form.Width() - 2 * frame.FrameBorderWidth();
    frame.SetUIStyle(style);
    EXPECT_EQ(form.Width() - 2 * frame.FrameBorderWidth(), inner);  // the inside keeps its size
    EXPECT_EQ(frame.BorderColor(), GetThemeColor(style, 2));
    EXPECT_EQ(frame.FrameBorderWidth(), GetThemeInt(style, 4));
    EXPECT_EQ(frame.Color(), GetThemeColor(style, 3));
    EXPECT_EQ(form.Color(), frame.BorderColor());
  }
}

TEST(SuiForm, ResizeBandAndManualResizing) {
  TForm form(nullptr);
  TsuiForm frame(&form);
  form.SetBounds(10, 10, 300, 200);
  EXPECT_EQ(frame.HitTest(0, 0), HTTOPLEFT);
  EXPECT_EQ(frame.HitTest(299, 4), HTTOPRIGHT);
  EXPECT_EQ(frame.HitTest(2, 199), HTBOTTOMLEFT);
  EXPECT_EQ(frame.HitTest(296, 196), HTBOTTOMRIGHT);
  EXPECT_EQ(frame.HitTest(4, 100), HTLEFT);
  EXPECT_EQ(frame.HitTest(5, 100), HTCLIENT);
  EXPECT_EQ(frame.HitTest(295, 100), HTRIGHT);
  EXPECT_EQ(frame.HitTest(294, 100), HTCLIENT);
  EXPECT_EQ(frame.HitTest(150, 4), HTTOP);
  EXPECT_EQ(frame.HitTest(150, 195), HTBOTTOM);

  frame.ResizeFrom(HTBOTTOMRIGHT, 40, 30);
  EXPECT_EQ(form.BoundsRect(), Rect(10, 10, 350, 240));
  frame.ResizeFrom(HTLEFT, -10, 99);
  EXPECT_EQ(form.BoundsRect(), Rect(0, 10, 350, 240));
  frame.ResizeFrom(HTTOP, 0, 1000);  // never below the smallest frame
  EXPECT_EQ(form.Height(), 50);
  frame.ResizeFrom(HTCLIENT, 50, 50);
  EXPECT_EQ(form.Height(), 50);

  // A form that was not sizeable has no band.
  TForm fixed(nullptr);
  fixed.SetBorderStyle(bsSingle);
  TsuiForm fixedFrame(&fixed);
  EXPECT_EQ(fixedFrame.HitTest(0, 0), HTCLIENT);
}

TEST(SuiForm, PressesInTheBandResizeByHandWhereTheWindowSystemRefuses) {
  TForm form(nullptr);
  TsuiForm frame(&form);
  form.SetBounds(10, 10, 300, 200);
  // The offscreen platform has no window system to resize the window: the
  // frame follows the pointer itself while the button is down.
  form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 100));
  EXPECT_TRUE(frame.ResizingByHand());
  form.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(-9, 100));
  EXPECT_EQ(form.BoundsRect(), Rect(0, 10, 310, 210));
  form.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(1, 120));  // the same place on screen
  EXPECT_EQ(form.BoundsRect(), Rect(0, 10, 310, 210));
  form.Perform(WM_LBUTTONUP, 0, MakeLParam(1, 120));
  EXPECT_FALSE(frame.ResizingByHand());
  form.Perform(WM_MOUSEMOVE, 0, MakeLParam(40, 40));
  EXPECT_EQ(form.BoundsRect(), Rect(0, 10, 310, 210));

  // The title bar's top five pixels are the top edge; below them a press moves.
  TsuiTitleBar* bar = frame.TitleBar();
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(100, 2));
  EXPECT_TRUE(frame.ResizingByHand());
  bar->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(100, -18));
  EXPECT_EQ(form.BoundsRect(), Rect(0, -10, 310, 210));
  bar->Perform(WM_LBUTTONUP, 0, MakeLParam(100, -18));
  EXPECT_FALSE(frame.ResizingByHand());
  const int moves = SystemMoveCount();
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(100, 10));
  bar->Perform(WM_LBUTTONUP, 0, MakeLParam(100, 10));
  EXPECT_FALSE(frame.ResizingByHand());
  EXPECT_EQ(SystemMoveCount(), moves + 1);
  EXPECT_FALSE(StartSystemResize(&form, HTLEFT));
}

TEST(SuiForm, RoundedTopCornersAndMaximising) {
  TForm form(nullptr);
  TsuiForm frame(&form);
  frame.SetUIStyle(TsuiUIStyle::WinXP);
  form.SetBounds(20, 30, 200, 120);
  TRegion rgn;
  ASSERT_NE(GetWindowRgn(&form, rgn), 0);
  const int W = form.ClientWidth(), H = form.ClientHeight();
  if (frame.RegionRadius() > 1) {
    EXPECT_FALSE(rgn.Contains(0, 0));  // top corners cut
    EXPECT_FALSE(rgn.Contains(W - 1, 0));
  }
  EXPECT_TRUE(rgn.Contains(0, H - 1));  // bottom corners square
  EXPECT_TRUE(rgn.Contains(W - 1, H - 1));
  EXPECT_TRUE(rgn.Contains(W / 2, 0));

  const TScreenRect wa = Screen->WorkAreaRect();
  frame.ToggleMaximized();
  EXPECT_TRUE(frame.Maximized());
  EXPECT_EQ(form.BoundsRect(), Rect(wa.Left, wa.Top, wa.Right, wa.Bottom));
  EXPECT_EQ(frame.HitTest(0, 0), HTCLIENT);  // no resizing while maximised
  frame.ToggleMaximized();
  EXPECT_EQ(form.BoundsRect(), Rect(20, 30, 220, 150));
}

}  // namespace
