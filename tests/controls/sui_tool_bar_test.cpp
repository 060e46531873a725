// The skinned tool bar: style colours, the parent shown through under MacOS,
// and buttons drawn "up" (hot, held or checked) and "down" (hot and held) in
// those colours while other buttons keep the bar's own drawing.
#include <gtest/gtest.h>

#include "controls/sui_tool_bar.h"
#include "platform/classlib/form.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/messages.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiToolBar, StyleColoursAndTransparency) {
  for (TsuiUIStyle style : suitest::kStyles) {
    TForm form(nullptr);
    TsuiToolBar bar(&form);
    bar.SetUIStyle(style);
    EXPECT_EQ(bar.ButtonBorderColor(), GetThemeColor(style, 80));
    EXPECT_EQ(bar.ButtonColor(), GetThemeColor(style, 81));
    EXPECT_EQ(bar.ButtonDownColor(), GetThemeColor(style, 82));
    EXPECT_EQ(bar.Color(), GetThemeColor(style, 83));
    EXPECT_EQ(bar.Transparent(), style == TsuiUIStyle::MacOS);
    EXPECT_FALSE(bar.Edges());
    EXPECT_TRUE(bar.Flat());
  }
  // Custom keeps what was set.
  TForm form(nullptr);
  TsuiToolBar bar(&form);
  bar.SetUIStyle(TsuiUIStyle::WinXP);
  bar.SetButtonColor(clRed);
  bar.SetUIStyle(TsuiUIStyle::Custom);
  EXPECT_EQ(bar.ButtonColor(), clRed);
  EXPECT_EQ(bar.SuiStyleRows(), srStyle);
}

TEST(SuiToolBar, HotHeldAndCheckedButtonsInTheStyleColours) {
  TForm form(nullptr);
  form.SetClientSize(300, 80);
  form.SetColor(clFuchsia);
  auto* bar = new TsuiToolBar(&form);
  bar->SetParent(&form);
  bar->SetUIStyle(TsuiUIStyle::DeepBlue);
  bar->SetButtonColor(clYellow);
  bar->SetButtonBorderColor(clBlue);
  bar->SetButtonDownColor(clGreen);
  TImageList images(&form);
  images.SetSize(16, 16);
  bar->SetImages(&images);
  TToolButton* plain = bar->AddButton("Plain");
  TToolButton* hot = bar->AddButton("Hot");
  TToolButton* checked = bar->AddButton("Checked", -1, tbsCheck);
  checked->SetDown(true);
  auto at = [&](TToolButton* b, int x, int y) {
    return suitest::Shot(bar)->PixelColor(b->Left() + x, b->Top() + y);
  };
  const int hx = hot->Left() + 4, hy = hot->Top() + 4;
  bar->Perform(WM_MOUSEMOVE, 0, MakeLParam(hx, hy));
  ASSERT_TRUE(hot->Hot());
  // "Up": filled with the button colour inside a border of the border colour.
  EXPECT_EQ(at(hot, 0, 0), clBlue);
  EXPECT_EQ(at(hot, 3, 3), clYellow);
  EXPECT_EQ(at(checked, 0, 0), clBlue);
  EXPECT_EQ(at(checked, 3, 3), clYellow);
  // A plain button keeps the bar's own flat drawing: the bar's colour.
  EXPECT_EQ(at(plain, 3, 3), bar->Color());
  // Held under the pointer: "down", the down colour to the edge.
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(hx, hy));
  EXPECT_EQ(at(hot, 0, 0), clGreen);
  EXPECT_EQ(at(hot, 3, 3), clGreen);
  // Held but dragged off: "up" again, and no longer hot.
  bar->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(plain->Left() + 2, hy));
  EXPECT_FALSE(hot->Pressed());
  bar->Perform(WM_LBUTTONUP, 0, MakeLParam(plain->Left() + 2, hy));
  bar->Perform(WM_MOUSEMOVE, 0, MakeLParam(plain->Left() + 3, hy));
  EXPECT_FALSE(hot->Hot());
  EXPECT_EQ(at(hot, 3, 3), bar->Color());

  // Transparent shows the parent's colour behind the bar.
  bar->SetTransparent(true);
  EXPECT_EQ(suitest::Shot(bar)->PixelColor(bar->Width() - 2, 2), clFuchsia);
  bar->SetTransparent(false);
  EXPECT_EQ(suitest::Shot(bar)->PixelColor(bar->Width() - 2, 2), bar->Color());
}

}  // namespace
