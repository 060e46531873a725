// A tree with lines and buttons: the hit test's parts, expand signs by mouse
// and keys, bringing nested items into view, the line height rule, and a tree
// destroyed with focus and selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/canvas.h"
#include "tests/treectl/render_control.h"
#include "tests/treectl/tree_job_list.h"

using namespace lumicast;
using namespace classlib;

namespace {

struct OutlineFixture : ::testing::Test {
  lumitest::TreeHost host{300, 200};
  TElTree* tree = host.tree;
  TElTreeItem *a = nullptr, *a1 = nullptr, *a2 = nullptr, *b = nullptr;
  void SetUp() override {
    tree->Font()->SetName("Arial");
    tree->Font()->SetSize(8);
    tree->SetLineHeight(18);
    TElTreeItems* items = tree->Items();
    a = items->AddLastChild(nullptr, "alpha");
    a1 = items->AddLastChild(a, "alpha one");
    a2 = items->AddLastChild(a, "alpha two");
    b = items->AddLastChild(nullptr, "beta");
    host.Paint();
  }
};

}  // namespace

TEST_F(OutlineFixture, HitTestPartsFollowThePaintedRow) {
  int column = -1;
  TSTItemPart part = rpBlank;
  // Root buttons: indent 17, then the sign's 17-pixel cell, then the caption.
  EXPECT_EQ(a->CaptionLeft, 17 + 17 + 5 - 1 - 1);
  EXPECT_EQ(host.view()->LocateItemPart(20, 8, column, part), a);
  EXPECT_EQ(part, rpExpandSign);
  EXPECT_EQ(column, 0);
  host.view()->LocateItemPart(a->CaptionLeft + 4, 8, column, part);
  EXPECT_EQ(part, rpCaption);
  host.view()->LocateItemPart(5, 8, column, part);
  EXPECT_EQ(part, rpBlank);
  host.view()->LocateItemPart(20, 18 + 8, column, part);  // beta has no children: no sign
  EXPECT_EQ(part, rpBlank);
  EXPECT_EQ(host.view()->LocateItemPart(20, 200, column, part), nullptr);
}

TEST_F(OutlineFixture, ExpandSignsByMouseAndKeys) {
  host.Click(20, 8);
  EXPECT_TRUE(a->Expanded());
  ASSERT_EQ(host.view()->Rows().Count(), 4);
  EXPECT_EQ(host.view()->Row(1), a1);
  // The sign is drawn: something other than the window colour in its cell.
  auto bmp = lumitest::RenderControl(host.view(), "outline");
  EXPECT_GT(
      lumitest::ColorBox(bmp->Canvas(), TRect{17, 0, 34, 18}, ColorToRGB(clWindowText)).Width(), 0);
  host.Click(20, 8);
  EXPECT_FALSE(a->Expanded());
  tree->SetItemWithFocus(a, false);
  host.Key(VK_RIGHT);
  EXPECT_TRUE(a->Expanded());
  host.Key(VK_RIGHT);
  EXPECT_EQ(tree->ItemWithFocus(), a1);
  host.Key(VK_LEFT);
  EXPECT_EQ(tree->ItemWithFocus(), a);
  host.Key(VK_LEFT);
  EXPECT_FALSE(a->Expanded());
  host.Key(VK_MULTIPLY);
  EXPECT_TRUE(a->Expanded());
  host.Key(VK_SUBTRACT);
  EXPECT_FALSE(a->Expanded());
}

TEST_F(OutlineFixture, NestedItemsAreBroughtIntoView) {
  for (int i = 0; i < 30; ++i) tree->Items()->AddLastChild(nullptr, "filler");
  TElTreeItem* deep = tree->Items()->AddLastChild(a2, "deep");
  tree->EnsureVisible(deep);
  EXPECT_TRUE(a->Expanded());
  EXPECT_TRUE(a2->Expanded());
  EXPECT_EQ(tree->TopItem(), deep);
  tree->SetTopIndex(0);
  tree->EnsureVisibleAsLastRow(tree->Items()->Item(tree->Items()->Count() - 1));
  EXPECT_TRUE(tree->ItemInView(tree->Items()->Item(tree->Items()->Count() - 1)));
  EXPECT_GT(tree->TopIndex(), 0);
}

TEST_F(OutlineFixture, LineHeightFollowsFontIndentAndLines) {
  tree->SetAutoLineHeight(true);
  EXPECT_EQ(tree->LineHeight(), 17);  // at least the indent; 8 pt text needs 15
  tree->SetHorizontalLines(true);
  EXPECT_EQ(tree->LineHeight(), 18);
  tree->Font()->SetSize(20);
  EXPECT_GT(tree->LineHeight(), 30);
  EXPECT_EQ(host.view()->RowCapacity(),
            (host.view()->ClientHeight() + tree->LineHeight() - 1) / tree->LineHeight());
}

TEST(TreeLifetime, DestroyingFiresNoSelectionEvents) {
  int events = 0;
  {
    lumitest::TreeHost host;
    host.tree->SetMultiSelect(false);
    TElTreeItem* x = host.tree->Items()->AddLastChild(nullptr, "x");
    host.tree->Items()->AddLastChild(x, "child");
    host.tree->SetItemWithFocus(x, false);
    EXPECT_EQ(host.tree->SelectedCount(), 1);
    host.tree->OnItemSelectedChange = [&](TObject*, TElTreeItem*) { ++events; };
    host.tree->OnItemFocused = [&](TObject*) { ++events; };
  }
  EXPECT_EQ(events, 0);
}

TEST_F(OutlineFixture, AssignCopiesItemsAndLook) {
  tree->SetShowLines(false);
  tree->SetBkColor(clYellow);
  lumitest::TreeHost other;
  other.tree->Assign(tree);
  ASSERT_EQ(other.tree->Items()->Count(), 4);
  EXPECT_EQ(other.tree->Items()->Item(2)->Text(), "alpha two");
  EXPECT_FALSE(other.tree->ShowLines());
  EXPECT_EQ(other.tree->BkColor(), clYellow);
  EXPECT_EQ(other.tree->LineHeight(), 18);
  EXPECT_EQ(other.view()->Rows().Count(), 2);  // alpha is collapsed
}
