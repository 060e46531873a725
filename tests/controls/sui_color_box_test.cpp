// The colour box: which colours each style lists, their names, choosing a
// colour and the custom entry, and how an item is painted.
#include <gtest/gtest.h>

#include "controls/sui_color_box.h"
#include "platform/classlib/color_table.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/form.h"
#include "platform/classlib/string_list.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiColorBox, PrettyNames) {
  EXPECT_EQ(PrettyColorName("clBtnFace"), "Btn Face");
  EXPECT_EQ(PrettyColorName("clWhite"), "White");
  EXPECT_EQ(PrettyColorName("cl3DDkShadow"), "3 D Dk Shadow");  // every capital after the first
  EXPECT_EQ(PrettyColorName("Custom..."), "Custom...");
  EXPECT_EQ(PrettyColorName("c"), "c");
}

TEST(SuiColorBox, StylesChooseTheListedColours) {
  ASSERT_EQ(ColorNameTable().size(), 42u);
  TForm form(nullptr);
  TsuiColorBox box(&form);
  // Standard, extended and system colours by default; no "none".
  ASSERT_EQ(box.ColorCount(), 41);
  EXPECT_EQ(box.Items()->Strings(0), "clBlack");
  EXPECT_EQ(box.Colors(16), clScrollBar);
  EXPECT_EQ(box.Colors(40), clInfoBk);

  box.SetStyle(cbStandardColors);
  ASSERT_EQ(box.ColorCount(), 16);
  EXPECT_EQ(box.Colors(15), clWhite);
  EXPECT_TRUE(box.Enabled());

  box.SetStyle(cbExtendedColors | cbIncludeNone | cbPrettyNames);
  ASSERT_EQ(box.ColorCount(), 4);  // the none entry sits among the system colours
  EXPECT_EQ(box.Items()->Strings(0), "Scroll Bar");

  box.SetStyle(cbSystemColors | cbIncludeNone | cbPrettyNames);
  EXPECT_EQ(box.Colors(box.ColorCount() - 1), clNone);
  EXPECT_EQ(box.Items()->Strings(box.ColorCount() - 1), "None");
  EXPECT_NE(box.Items()->IndexOf("Btn Face"), -1);

  box.SetStyle(cbIncludeNone);
  EXPECT_FALSE(box.Enabled());  // nothing to pick from but "none"
}

TEST(SuiColorBox, SelectingAndTheCustomEntry) {
  TForm form(nullptr);
  TsuiColorBox box(&form);
  EXPECT_EQ(box.Selected(), clBlack);
  box.SetSelected(clRed);
  EXPECT_EQ(box.Selected(), clRed);
  EXPECT_EQ(box.ItemIndex(), 9);

  // An unlisted colour without a custom entry selects nothing.
  box.SetSelected(RGB(1, 2, 3));
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(box.Selected(), static_cast<TColor>(0xFF000000u));

  // With one it goes into item 0, and stays there across a rebuild.
  box.SetStyle(cbStandardColors | cbCustomColor);
  ASSERT_EQ(box.ColorCount(), 17);
  EXPECT_EQ(box.Items()->Strings(0), "Custom...");
  box.SetSelected(RGB(1, 2, 3));
  EXPECT_EQ(box.ItemIndex(), 0);
  EXPECT_EQ(box.Colors(0), RGB(1, 2, 3));
  box.SetStyle(cbStandardColors | cbCustomColor | cbPrettyNames);
  EXPECT_EQ(box.Colors(0), RGB(1, 2, 3));
  EXPECT_EQ(box.Selected(), RGB(1, 2, 3));
  EXPECT_EQ(box.Colors(99), static_cast<TColor>(0xFF000000u));
}

TEST(SuiColorBox, ItemSwatchAndFrame) {
  TForm form(nullptr);
  TsuiColorBox box(&form);
  box.SetStyle(cbStandardColors | cbIncludeNone | cbSystemColors);
  box.SetNoneColorColor(clLime);
  auto bmp = lumitest::FilledBitmap(140, 16 * 3, clWindow);
  const int white = box.Items()->IndexOf("clWhite"), navy = box.Items()->IndexOf("clNavy");
  const int none = box.ColorCount() - 1;
  box.DrawItem(bmp->Canvas(), white, Rect(0, 0, 140, 16), false);
  box.DrawItem(bmp->Canvas(), navy, Rect(0, 16, 140, 32), true);
  box.DrawItem(bmp->Canvas(), none, Rect(0, 32, 140, 48), false);
  box.DrawItem(bmp->Canvas(), 500, Rect(0, 0, 140, 48), false);  // out of range: nothing
  TCanvas* c = bmp->Canvas();
  EXPECT_EQ(c->Pixels(1, 1), clBlack);  // light swatch: black frame
  EXPECT_EQ(c->Pixels(7, 7), clWhite);
  EXPECT_EQ(c->Pixels(1, 17), clWhite);  // dark swatch, selected: white frame
  EXPECT_EQ(c->Pixels(7, 23), clNavy);
  EXPECT_EQ(c->Pixels(7, 39), clLime);  // "none" shows its stand-in colour
}

// The box as the user drives it: picking an item fires Change, closing the
// list or Enter reaches the box's own handlers.
struct UserColorBox : TsuiColorBox {
  using TsuiColorBox::TsuiColorBox;
  using TsuiCustomColorBox::Change;
  void PressEnter() {
    uint16_t key = VK_RETURN;
    KeyDown(key, 0);
  }
};

TEST(SuiColorBox, CustomEntryAsksTheColourDialog) {
  TScriptedDialogService dialogs;
  TDialogServiceGuard guard(&dialogs);
  TForm form(nullptr);
  UserColorBox box(&form);
  box.SetStyle(cbStandardColors | cbCustomColor);
  box.SetSelected(RGB(0x12, 0x34, 0x56));
  int changes = 0;
  box.OnChange = [&](TObject*) { ++changes; };

  // Closing the list on the custom entry offers its colour, also as custom
  // colour A; OK stores the answer in the entry.
  dialogs.ColorAnswers.push_back(RGB(200, 100, 50));
  box.DoCloseUp();
  ASSERT_EQ(dialogs.Calls.size(), 1u);
  EXPECT_EQ(dialogs.Calls[0].Kind, "color");
  EXPECT_EQ(dialogs.Calls[0].Color, RGB(0x12, 0x34, 0x56));
  ASSERT_EQ(dialogs.Calls[0].CustomColors.size(), 1u);
  EXPECT_EQ(dialogs.Calls[0].CustomColors[0], "ColorA=00563412");
  EXPECT_EQ(box.Colors(0), RGB(200, 100, 50));
  EXPECT_EQ(box.Selected(), RGB(200, 100, 50));
  box.Change();
  EXPECT_EQ(changes, 1);

  // A cancelled dialog keeps the colour and swallows the change that follows.
  dialogs.ColorAnswers.push_back(clNone);
  box.DoCloseUp();
  EXPECT_EQ(box.Colors(0), RGB(200, 100, 50));
  box.Change();
  EXPECT_EQ(changes, 1);
  box.Change();  // only the one
  EXPECT_EQ(changes, 2);

  // Enter on the custom entry asks too; a key press clears the cancelled
  // state. Closing on another entry asks nothing.
  dialogs.ColorAnswers.push_back(clNone);
  box.PressEnter();
  EXPECT_EQ(dialogs.Calls.size(), 3u);
  uint16_t key = 'A';
  box.Perform(WM_KEYDOWN, key, 0);
  box.Change();
  EXPECT_EQ(changes, 3);
  box.SetItemIndex(3);
  box.DoCloseUp();
  box.PressEnter();
  EXPECT_EQ(dialogs.Calls.size(), 3u);

  // Without the custom style no dialog opens at all.
  box.SetStyle(cbStandardColors);
  box.SetItemIndex(0);
  box.DoCloseUp();
  EXPECT_EQ(dialogs.Calls.size(), 3u);
}

}  // namespace
