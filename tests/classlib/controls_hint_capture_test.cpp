// Hint windows (size, CM_HINTSHOW), the guide line over a window, the
// capture-changed notice and the fixed system metrics.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/guide_line.h"
#include "platform/classlib/hint_window.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/system_metrics.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;

namespace {

// A panel that edits or refuses its hint, and records capture notices.
class THintPanel : public TPanel {
 public:
  using TPanel::TPanel;
  bool refuse = false;
  std::string replace;
  std::vector<intptr_t> capture_changes;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == CM_HINTSHOW) {
      auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
      if (!replace.empty()) info->HintStr = replace;
      Message.Result = refuse ? 1 : 0;
      return;
    }
    if (Message.Msg == WM_CAPTURECHANGED) capture_changes.push_back(Message.LParam);
    TPanel::WndProc(Message);
  }
};

}  // namespace

TEST(ClasslibHints, CalcHintRectIsTheWrappedTextBoxWithAMargin) {
  THintWindow hint(nullptr);
  const std::string text = "one two three four five six seven eight nine ten";
  TRect r = hint.CalcHintRect(60, text);
  TRect box = Rect(0, 0, 60, 0);
  hint.Canvas()->Font()->Assign(hint.Font());
  hint.Canvas()->DrawText(text, box, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  EXPECT_EQ(r.Width(), box.Width() + 6);
  EXPECT_EQ(r.Height(), box.Height() + 2);
  EXPECT_GT(r.Height(), hint.CalcHintRect(10000, text).Height());  // wrapped
  // "&" is shown, not taken as a prefix.
  EXPECT_GT(hint.CalcHintRect(10000, "a&&b").Width(), hint.CalcHintRect(10000, "ab").Width());
}

TEST(ClasslibHints, ControlHintsGoThroughHintShow) {
  TForm form(nullptr);
  auto* panel = new THintPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 100, 50);
  panel->SetHint("short|long text for the status bar");
  panel->SetShowHint(true);
  ASSERT_TRUE(ShowControlHint(panel, Point(5, 5)));
  ASSERT_NE(ApplicationHintWindow(), nullptr);
  EXPECT_TRUE(ApplicationHintWindow()->Active());
  EXPECT_EQ(ApplicationHintWindow()->Caption(), "short");

  panel->replace = "changed";
  ASSERT_TRUE(ShowControlHint(panel, Point(5, 5)));
  EXPECT_EQ(ApplicationHintWindow()->Caption(), "changed");

  panel->refuse = true;
  EXPECT_FALSE(ShowControlHint(panel, Point(5, 5)));
  EXPECT_FALSE(ApplicationHintWindow()->Active());

  panel->refuse = false;
  panel->SetShowHint(false);
  EXPECT_FALSE(ShowControlHint(panel, Point(5, 5)));
  Application->CancelHint();
}

TEST(ClasslibGuideLine, InvertsThePixelsBeneathInPaintTo) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 80, 40);
  panel->SetColor(clRed);
  TGuideLine line(nullptr);
  line.Place(panel, 30, 5, 20);
  EXPECT_EQ(panel->Controls(panel->ControlCount() - 1), &line);  // above every sibling
  auto b = lumitest::FilledBitmap(80, 40, clBlack, pf32bit);
  panel->PaintTo(b->Canvas(), 0, 0);
  EXPECT_EQ(b->Canvas()->Pixels(30, 10), RGB(0, 255, 255));  // red inverted
  EXPECT_EQ(b->Canvas()->Pixels(30, 4), clRed);              // above the line
  EXPECT_EQ(b->Canvas()->Pixels(31, 10), clRed);
  line.Hide();
  panel->PaintTo(b->Canvas(), 0, 0);
  EXPECT_EQ(b->Canvas()->Pixels(30, 10), clRed);
  line.SetParent(nullptr);
}

TEST(ClasslibCapture, TheLoserIsToldWhenCaptureMovesOrEnds) {
  TForm form(nullptr);
  auto* a = new THintPanel(&form);
  auto* b = new THintPanel(&form);
  a->SetParent(&form);
  b->SetParent(&form);
  a->SetMouseCapture(true);
  b->SetMouseCapture(true);
  ASSERT_EQ(a->capture_changes.size(), 1u);
  EXPECT_EQ(a->capture_changes[0], reinterpret_cast<intptr_t>(b));
  EXPECT_FALSE(a->MouseCapture());
  EXPECT_TRUE(b->MouseCapture());
  // Releasing one's own capture is no notice.
  b->SetMouseCapture(false);
  EXPECT_TRUE(b->capture_changes.empty());
  // Hiding the holder (or its parent) ends the capture with a notice.
  b->SetMouseCapture(true);
  b->Hide();
  EXPECT_FALSE(b->MouseCapture());
  ASSERT_EQ(b->capture_changes.size(), 1u);
  EXPECT_EQ(b->capture_changes[0], 0);
  a->SetMouseCapture(true);
  EndCaptureWithin(&form);
  EXPECT_EQ(GetCaptureControl(), nullptr);
  EXPECT_EQ(a->capture_changes.size(), 2u);
}

TEST(ClasslibMetrics, FixedValues) {
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), kScrollBarThickness);
  EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), kScrollBarThickness);
  EXPECT_EQ(GetSystemMetrics(SM_CXHSCROLL), kScrollBarThickness);
  EXPECT_EQ(GetSystemMetrics(SM_CYVTHUMB), kScrollBarThickness);
  EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CYEDGE), 2);
  EXPECT_EQ(GetSystemMetrics(9999), 0);
}
