// The skinned check list box, list view and tree view: the form's border
// colour framing them in every style, the style rows they answer, and the
// check list's fixed single one-pixel border.
#include <gtest/gtest.h>

#include "controls/sui_form.h"
#include "controls/sui_item_views.h"
#include "platform/classlib/form.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiItemViews, FramedInTheFormsBorderColourInEveryStyle) {
  for (TsuiUIStyle style : suitest::kStyles) {
    TForm form(nullptr);
    form.SetClientSize(400, 200);
    TsuiForm frame(&form);
    frame.SetUIStyle(style);
    auto* checks = new TsuiCheckListBox(&frame);
    auto* list = new TsuiListView(&frame);
    auto* tree = new TsuiTreeView(&frame);
    int x = 5;
    for (TWinControl* c : {static_cast<TWinControl*>(checks), static_cast<TWinControl*>(list),
                           static_cast<TWinControl*>(tree)}) {
      c->SetParent(&frame);
      c->SetBounds(x, 40, 120, 90);
      x += 125;
    }
    checks->Items()->Add("checked");
    checks->Items()->Add("plain");
    checks->SetChecked(0, true);
    list->AddItem("row");
    const int root = tree->AddChild(-1, "root");
    tree->AddChild(root, "leaf");
    tree->SetExpanded(root, true);
    const TColor border = FindFormBorderColor(&frame);
    for (auto* framed : {static_cast<TWinControl*>(checks), static_cast<TWinControl*>(list),
                         static_cast<TWinControl*>(tree)}) {
      auto shot = suitest::Shot(framed);
      EXPECT_EQ(shot->PixelColor(0, 0), border) << framed->ClassName() << " " << int(style);
      EXPECT_EQ(shot->PixelColor(framed->Width() - 1, framed->Height() / 2), border);
      EXPECT_EQ(shot->PixelColor(1, framed->Height() / 2), ColorToRGB(framed->Color()));
    }
    EXPECT_EQ(checks->BorderColor(), border);
    EXPECT_EQ(list->BorderColor(), border);
    EXPECT_EQ(tree->BorderColor(), border);
  }
}

TEST(SuiItemViews, BorderColourSetterStyleRowsAndTheCheckListsBorder) {
  TForm form(nullptr);
  form.SetClientSize(200, 200);
  TsuiTreeView tree(&form);
  tree.SetParent(&form);
  EXPECT_EQ(tree.SuiStyleRows(), srBorderColor);
  tree.SuiSetBorderColor(clRed);
  EXPECT_EQ(tree.BorderColor(), clRed);
  EXPECT_EQ(suitest::Shot(&tree)->PixelColor(0, 5), clRed);

  // A style pushed to the container reaches the border colour.
  TsuiCheckListBox checks(&form);
  checks.SetParent(&form);
  checks.SetBorderColor(clLime);
  ApplyUIStyleToChildren(&form, TsuiUIStyle::WinXP);
  EXPECT_EQ(checks.BorderColor(), GetThemeColor(TsuiUIStyle::WinXP, 8));
  EXPECT_EQ(checks.BorderStyle(), bsSingle);
  checks.SetBorderStyle(bsNone);
  EXPECT_EQ(checks.BorderStyle(), bsSingle);
  checks.SetBorderWidth(7);
  EXPECT_EQ(checks.BorderWidth(), 1);
}

}  // namespace
