// The skinned combo box: colours from the style and the drop-down button,
// arrow and border drawn over the box.
#include <gtest/gtest.h>

#include "controls/sui_combo_box.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "tests/controls/sui_test_util.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiComboBox, StyleColoursIncludingCustom) {
  TForm form(nullptr);
  TsuiComboBox box(&form);
  for (auto style : suitest::kStyles) {
    box.SetUIStyle(style);
    EXPECT_EQ(box.ButtonColor(), GetThemeColor(style, 74));
    EXPECT_EQ(box.ArrowColor(), GetThemeColor(style, 8));
    EXPECT_EQ(box.BorderColor(), GetThemeColor(style, 8));
  }
  box.SetUIStyle(TsuiUIStyle::Custom);  // the Custom line is black
  EXPECT_EQ(box.ButtonColor(), clBlack);
  EXPECT_EQ(box.ArrowColor(), clBlack);
}

TEST(SuiComboBox, ButtonArrowAndBorder) {
  TForm form(nullptr);
  TsuiComboBox box(&form);
  box.SetBounds(0, 0, 120, 21);
  box.SetUIStyle(TsuiUIStyle::WinXP);
  box.SetButtonColor(clSilver);
  box.SetArrowColor(clBlue);
  box.SetBorderColor(clRed);
  box.SetColor(clWhite);
  auto bmp = lumitest::FilledBitmap(120, 21, clLime);
  const TRect button = Rect(100, 2, 118, 19);
  box.DrawButton(bmp->Canvas(), button);
  TCanvas* c = bmp->Canvas();
  const int x = button.Left + button.Width() / 2 - 4, y = button.Height() / 2;
  EXPECT_EQ(c->Pixels(x + 3, y + 1), clBlue);  // inside the arrow
  EXPECT_EQ(c->Pixels(button.Left + 1, button.Top + 1), clSilver);
  EXPECT_EQ(c->Pixels(0, 10), clRed);    // border outside...
  EXPECT_EQ(c->Pixels(1, 10), clWhite);  // ...and the box's colour inside it
  EXPECT_EQ(c->Pixels(50, 10), clLime);  // the text area is left alone

  box.SetEnabled(false);
  auto off = lumitest::FilledBitmap(120, 21, clLime);
  box.DrawButton(off->Canvas(), button);
  EXPECT_EQ(off->Canvas()->Pixels(x + 3, y + 1), static_cast<TColor>(0x00808080));
  EXPECT_EQ(off->Canvas()->Pixels(x + 4, y + 4), clWhite);  // the shadow below the arrow's tip
}

}  // namespace
