// Group boxes: the frame broken by the caption, the children's area, enabling
// passed to children; check groups: one check box per item, laid out in
// columns top to bottom, clicks reported by the group.
#include <gtest/gtest.h>

#include "controls/sui_group_box.h"
#include "platform/classlib/form.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiGroupBox, FrameCaptionAndChildArea) {
  TForm form(nullptr);
  TsuiGroupBox box(&form);
  box.SetParent(&form);
  box.SetTransparent(false);
  box.SetColor(clWhite);
  box.SetBorderColor(clRed);
  box.Font()->SetColor(clBlue);
  box.SetCaption("Options");
  EXPECT_EQ(box.Width(), 185);
  EXPECT_EQ(box.Height(), 105);
  const int fh = std::abs(box.Font()->Height());
  TRect r = Rect(0, 0, 185, 105);
  box.AdjustClientRect(r);
  EXPECT_EQ(r, Rect(3, fh, 183, 103));

  auto shot = suitest::Shot(&box);
  const int y = fh / 2 + 1;
  EXPECT_EQ(shot->PixelColor(0, 60), clRed);    // left side
  EXPECT_EQ(shot->PixelColor(90, 104), clRed);  // bottom
  EXPECT_EQ(shot->PixelColor(184, 60), clRed);  // right side
  EXPECT_EQ(shot->PixelColor(1, y), clRed);     // the stub before the caption
  EXPECT_EQ(shot->PixelColor(170, y), clRed);   // back towards the caption
  int red = 0, blue = 0;  // the gap the caption sits in holds the caption, no line
  for (int x = 5; x < 36; ++x)
    for (int yy = 0; yy < fh; ++yy) {
      TColor c = shot->PixelColor(x, yy);
      red += c == clRed;
      blue += GetBValue(c) > GetRValue(c) + 60;
    }
  EXPECT_EQ(red, 0);
  EXPECT_GT(blue, 10);

  // Enabling reaches the children; a disabled caption is grey.
  TsuiCheckBox child(&box);
  child.SetParent(&box);
  box.SetEnabled(false);
  EXPECT_FALSE(child.Enabled());
  auto grey = suitest::Shot(&box);
  EXPECT_GT(suitest::Differing(shot.get(), grey.get()), 0);
  box.SetEnabled(true);
  EXPECT_TRUE(child.Enabled());
}

TEST(SuiGroupBox, CheckGroupColumnsFillTopToBottom) {
  TForm form(nullptr);
  TsuiCheckGroup group(&form);
  group.SetParent(&form);
  EXPECT_EQ(group.Caption(), "suiCheckGroup");
  for (const char* s : {"one", "two", "three", "four", "five"}) group.Items()->Add(s);
  group.SetColumns(2);
  ASSERT_EQ(group.ButtonCount(), 5);
  EXPECT_EQ(group.Buttons(4)->Caption(), "five");
  const int column = (group.Width() - 10) / 2;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(group.Buttons(i)->Left(), 8) << i;
  for (int i = 3; i < 5; ++i) EXPECT_EQ(group.Buttons(i)->Left(), 8 + column) << i;
  EXPECT_EQ(group.Buttons(3)->Top(), group.Buttons(0)->Top());
  EXPECT_LT(group.Buttons(0)->Top(), group.Buttons(1)->Top());
  EXPECT_LT(group.Buttons(1)->Top(), group.Buttons(2)->Top());

  // Zero or negative settings are ignored.
  group.SetColumns(0);
  group.SetColumns(-3);
  group.SetTopMargin(-1);
  EXPECT_EQ(group.Columns(), 2);
  EXPECT_EQ(group.TopMargin(), 8);
  const int before = group.Buttons(0)->Top();
  group.SetTopMargin(20);
  EXPECT_GT(group.Buttons(0)->Top(), before);

  // Fewer items free buttons from the end; captions follow the items.
  group.Items()->Delete(0);
  group.Items()->Delete(0);
  ASSERT_EQ(group.ButtonCount(), 3);
  EXPECT_EQ(group.Buttons(0)->Caption(), "three");
  group.Items()->Clear();
  EXPECT_EQ(group.ButtonCount(), 0);
}

TEST(SuiGroupBox, CheckGroupClicksAndStyles) {
  TForm form(nullptr);
  TsuiCheckGroup group(&form);
  group.SetParent(&form);
  group.Items()->Add("a");
  group.Items()->Add("b");
  int clicks = 0;
  group.OnClick = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &group);
    ++clicks;
  };
  group.Buttons(1)->Click();
  EXPECT_EQ(clicks, 1);
  for (auto style : suitest::kStyles) {
    group.SetUIStyle(style);
    EXPECT_EQ(group.BorderColor(), GetThemeColor(style, 8));
    EXPECT_EQ(group.Font()->Color(), GetThemeColor(style, 10));
    EXPECT_EQ(group.Buttons(0)->UIStyle(), style);
    auto shot = suitest::Shot(&group);
    EXPECT_EQ(shot->PixelColor(0, group.Height() - 1), GetThemeColor(style, 8));  // frame corner
  }
  group.SetTransparent(true);
  EXPECT_TRUE(group.Buttons(1)->Transparent());
}

}  // namespace
