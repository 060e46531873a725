// The job list's pixels and the view's row geometry.
#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "tests/treectl/render_control.h"
#include "tests/treectl/tree_job_list.h"

using namespace lumicast;
using namespace classlib;
using lumitest::AddJob;
using lumitest::ColorBox;

namespace {

TColor Sys(TColor c) { return ColorToRGB(c); }

struct JobListPaint : ::testing::Test {
  lumitest::TreeHost host{500, 200};
  TElTree* tree = host.tree;
  void SetUp() override { lumitest::SetUpJobList(tree); }
  std::unique_ptr<TBitmap> Render() { return lumitest::RenderControl(host.view(), "joblist"); }
  // Pixels of R that are not the window colour.
  TRect Ink(TBitmap* b, const TRect& R) {
    TRect box{R.Right, R.Bottom, R.Left, R.Top};
    for (int y = R.Top; y < R.Bottom; ++y)
      for (int x = R.Left; x < R.Right; ++x)
        if (b->Canvas()->Pixels(x, y) != Sys(clWindow)) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box;
  }
};

}  // namespace

TEST_F(JobListPaint, RowAndHeaderHeights) {
  EXPECT_EQ(tree->LineHeight(), 18);
  EXPECT_EQ(tree->HeaderHeight(), 19);
  EXPECT_EQ(host.view()->Top(), 2 + 19);
  EXPECT_FALSE(tree->AutoLineHeight());
}

TEST_F(JobListPaint, CheckBoxSitsAtTheLeftOfItsCell) {
  TElTreeItem* a = AddJob(tree, "W first");
  TElTreeItem* b = AddJob(tree, "W second");
  b->SetChecked(true);
  auto bmp = Render();
  // Row 0, unchecked: the 13 x 13 box at x 5-17, y 2-14 (its lit bottom and
  // right edges are white like the window), white inside.
  EXPECT_EQ(Ink(bmp.get(), TRect{0, 0, 22, 17}), (TRect{5, 2, 17, 14}));
  EXPECT_EQ(bmp->Canvas()->Pixels(17, 14), Sys(clBtnHighlight));
  EXPECT_LE(ColorBox(bmp->Canvas(), TRect{7, 4, 16, 13}, Sys(clWindowText)).Width(), 0);
  // Row 1, checked: same place one row lower, with a mark inside.
  EXPECT_EQ(Ink(bmp.get(), TRect{0, 18, 22, 35}), (TRect{5, 20, 17, 32}));
  EXPECT_GT(ColorBox(bmp->Canvas(), TRect{7, 22, 16, 31}, Sys(clWindowText)).Width(), 3);
  EXPECT_EQ(a->CaptionLeft, 23);
  // No caption ink before x 25.
  EXPECT_LE(Ink(bmp.get(), TRect{18, 0, 25, 17}).Width(), 0);
  EXPECT_EQ(Ink(bmp.get(), TRect{18, 0, 40, 17}).Left, 25);
}

TEST_F(JobListPaint, GridLinesAndColumnTexts) {
  for (int i = 0; i < 4; ++i) AddJob(tree, "job", "Waudio", "Wexport");
  auto bmp = Render();
  const TColor line = Sys(clBtnFace);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(bmp->Canvas()->Pixels(100, 17 + 18 * k), line) << k;
    EXPECT_EQ(bmp->Canvas()->Pixels(100, 16 + 18 * k), Sys(clWindow)) << k;
  }
  for (int x : {149, 287, 435}) {
    EXPECT_EQ(bmp->Canvas()->Pixels(x, 5), line) << x;
    EXPECT_NE(bmp->Canvas()->Pixels(x + 1, 5), line) << x;
  }
  // Column texts start at the cell's left + 3 (the glyph's own side bearing aside).
  TRect audio = Ink(bmp.get(), TRect{150, 0, 287, 17});
  EXPECT_GE(audio.Left, 153);
  EXPECT_LE(audio.Left, 155);
  TRect exported = Ink(bmp.get(), TRect{288, 0, 435, 17});
  EXPECT_GE(exported.Left, 291);
  EXPECT_LE(exported.Left, 293);
}

TEST_F(JobListPaint, SelectedRowIsHighlightedWithADottedFocusFrame) {
  AddJob(tree, "one");
  TElTreeItem* b = AddJob(tree, "two");
  tree->SetItemWithFocus(b, false);
  EXPECT_TRUE(b->Selected());
  auto bmp = Render();
  const TColor hl = Sys(clHighlight);
  EXPECT_EQ(bmp->Canvas()->Pixels(200, 18 + 9), hl);
  EXPECT_EQ(bmp->Canvas()->Pixels(400, 18 + 9), hl);
  // The focus frame inverts every other pixel of its outline.
  const TColor inverted = hl ^ 0xFFFFFF;
  TColor a0 = bmp->Canvas()->Pixels(60, 18), a1 = bmp->Canvas()->Pixels(61, 18);
  EXPECT_TRUE((a0 == inverted && a1 == hl) || (a0 == hl && a1 == inverted))
      << std::hex << a0 << " " << a1;
  // The row above stays unselected.
  EXPECT_EQ(bmp->Canvas()->Pixels(200, 9), Sys(clWindow));
}

TEST_F(JobListPaint, EmptyTreePaintsOnlyBackground) {
  auto bmp = Render();
  EXPECT_LE(Ink(bmp.get(), TRect{0, 0, bmp->Width(), bmp->Height()}).Width(), 0);
  EXPECT_EQ(tree->TopIndex(), 0);
  EXPECT_EQ(host.view()->LastRowIndex(), 0);
}

TEST_F(JobListPaint, PasswordSectionShowsStars) {
  AddJob(tree, "job", "******", "x");
  TElTreeItem* b = AddJob(tree, "job", "secret", "x");
  TElTreeItem* c = AddJob(tree, "job", "", "x");
  (void)b;
  (void)c;
  tree->HeaderSections()->Item(1)->SetPassword(true);
  auto bmp = Render();
  for (int row = 1; row < 3; ++row)
    for (int y = 0; y < 17; ++y)
      for (int x = 150; x < 287; ++x)
        ASSERT_EQ(bmp->Canvas()->Pixels(x, y), bmp->Canvas()->Pixels(x, y + 18 * row)) << row;
}

TEST_F(JobListPaint, MainTreeColumnInTheMiddle) {
  AddJob(tree, "CAPTION", "first", "second");
  tree->SetMainTreeColumn(1);
  auto bmp = Render();
  TElTreeItem* item = tree->Items()->Item(0);
  // The caption (with its check box) paints in the second column.
  EXPECT_EQ(item->CaptionLeft, 150 + 23);
  EXPECT_EQ(Ink(bmp.get(), TRect{150, 0, 287, 17}).Left, 155);
  // The first column shows entry 0, the third entry 1.
  EXPECT_LE(Ink(bmp.get(), TRect{0, 0, 149, 17}).Left, 5);
  EXPECT_GT(Ink(bmp.get(), TRect{288, 0, 435, 17}).Width(), 10);
}

TEST_F(JobListPaint, HorizontalScrollReachesTheSectionsEnd) {
  lumitest::TreeHost narrow(304, 200);
  lumitest::SetUpJobList(narrow.tree);
  AddJob(narrow.tree, "a");
  ASSERT_EQ(narrow.view()->Width(), 300);
  EXPECT_TRUE(narrow.tree->HorzBarShown());
  narrow.tree->SetLeftPosition(1000);
  EXPECT_EQ(narrow.tree->LeftPosition(), 136);
  EXPECT_EQ(narrow.tree->Header()->ScrollOffset(), 136);
  EXPECT_EQ(narrow.tree->HorzScrollBar()->Position(), 136);
  narrow.tree->SetLeftPosition(-5);
  EXPECT_EQ(narrow.tree->LeftPosition(), 0);
}

TEST(TreeGeometry, TopIndexIsClampedToTheLastFullPage) {
  lumitest::TreeHost host(200, 67);
  host.tree->SetLineHeight(18);
  for (int i = 0; i < 10; ++i)
    host.tree->Items()->AddLastChild(nullptr, "item " + std::to_string(i));
  TElTreeView* v = host.view();
  ASSERT_EQ(v->ClientHeight(), 63);
  EXPECT_EQ(v->RowCapacity(), 4);
  int rows = 0, rest = 0;
  v->FullRows(rows, rest);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(rest, 9);
  host.tree->SetTopIndex(100);
  EXPECT_EQ(host.tree->TopIndex(), 7);
  ASSERT_EQ(v->Rows().Count(), 3);
  EXPECT_EQ(v->Row(0)->Text(), "item 7");
  EXPECT_EQ(v->Row(2)->Text(), "item 9");
  EXPECT_EQ(v->LastRowIndex(), 9);
  EXPECT_EQ(v->RowAtY(54), nullptr);
  EXPECT_EQ(v->RowRect(1), (TRect{0, 18, v->ClientWidth(), 35}));
  EXPECT_EQ(v->RowRect(5), TRect{});
}

TEST(TreeGeometry, CollapsedAndHiddenSubtreesAreSkipped) {
  lumitest::TreeHost host(200, 200);
  TElTreeItems* items = host.tree->Items();
  TElTreeItem* a = items->AddLastChild(nullptr, "a");
  items->AddLastChild(a, "a1");
  TElTreeItem* b = items->AddLastChild(nullptr, "b");
  TElTreeItem* b1 = items->AddLastChild(b, "b1");
  items->AddLastChild(b1, "b11");
  b->Expand(false);
  EXPECT_EQ(host.tree->VisibleRowCount(), 3);  // a and b1 are collapsed: a, b, b1
  host.tree->SetFilteredVisibility(true);
  b1->SetHidden(true);
  EXPECT_EQ(host.tree->VisibleRowCount(), 2);
  EXPECT_EQ(host.tree->VisibleItemAt(1), b);
  EXPECT_EQ(host.tree->VisibleIndexOf(b1), -1);
}

TEST(TreePaintWhole, FrameHeaderBarsAndCorner) {
  lumitest::TreeHost host(304, 120);
  lumitest::SetUpJobList(host.tree);
  for (int i = 0; i < 12; ++i)
    lumitest::AddJob(host.tree, "/movies/long-movie-name-" + std::to_string(i) + ".swf", "a.wav",
                     "b.avi");
  host.tree->Items()->Item(2)->SetChecked(true);
  host.tree->SetItemWithFocus(host.tree->Items()->Item(1), false);
  ASSERT_TRUE(host.tree->HorzBarShown());
  ASSERT_TRUE(host.tree->VertBarShown());
  auto b = lumitest::RenderControl(host.tree, "whole");
  // The unfocused flat frame: a sunken outer line, then the window colour.
  EXPECT_EQ(b->Canvas()->Pixels(0, 50), ColorToRGB(clBtnShadow));
  EXPECT_EQ(b->Canvas()->Pixels(303, 50), ColorToRGB(clBtnHighlight));
  // Nothing is left unpainted, the corner between the bars included.
  EXPECT_LE(lumitest::ColorBox(b->Canvas(), TRect{0, 0, 304, 120}, clFuchsia).Width(), 0);
  TElScrollBar* v = host.tree->VertScrollBar();
  TElScrollBar* h = host.tree->HorzScrollBar();
  EXPECT_EQ(v->Left() + v->Width(), 302);
  EXPECT_EQ(h->Top() + h->Height(), 118);
  EXPECT_EQ(v->Top() + v->Height(), h->Top() - 1);
  EXPECT_EQ(host.tree->Header()->BoundsRect(), (TRect{2, 2, v->Left(), 21}));
  EXPECT_EQ(host.view()->BoundsRect(), (TRect{2, 21, v->Left(), h->Top()}));
}
