// Dragging rows inside the program: start by moving a pressed row, drop-target
// feedback and events, the drag image by mode, edge scrolling on its timers,
// expanding on hover, and Escape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/control_drag.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/timer.h"
#include "tests/treectl/tree_job_list.h"

using namespace lumicast;
using namespace classlib;

namespace {

struct DragFixture : ::testing::Test {
  lumitest::TreeHost host{300, 4 + 18 * 6};
  TElTree* tree = host.tree;
  std::vector<std::string> log;
  void SetUp() override {
    tree->SetLineHeight(18);
    tree->SetDragAllowed(true);
    for (int i = 0; i < 20; ++i) tree->Items()->AddLastChild(nullptr, "row" + std::to_string(i));
    tree->OnDragOver = [this](TObject*, TObject*, int, int, TDragState, bool& accept) {
      accept = true;
    };
    tree->OnDragDrop = [this](TObject*, TObject* source, int, int y) {
      log.push_back(std::string("drop ") + (source == tree ? "tree " : "other ") +
                    std::to_string(y));
    };
    tree->OnEndDrag = [this](TObject*, TObject* target, int, int) {
      log.push_back(std::string("end ") + (target ? "target" : "none"));
    };
    tree->OnDragTargetChange = [this](TObject*, TElTreeItem* item, const TRect&, int, int) {
      log.push_back("target " + (item ? item->Text() : std::string("nil")));
    };
    host.Paint();
  }
  void TearDown() override {
    if (Dragging()) EndDrag(false);
  }
  void Move(int X, int Y) { host.view()->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(X, Y)); }
  // Presses on a row and moves far enough to start the drag.
  void StartOn(int Row) {
    host.Down(40, Row * 18 + 8);
    Move(40, Row * 18 + 14);
  }
};

}  // namespace

TEST_F(DragFixture, DragDropsOnTheRowUnderThePointer) {
  StartOn(1);
  ASSERT_TRUE(Dragging());
  EXPECT_EQ(tree->Selected(), tree->Items()->Item(1));
  Move(40, 3 * 18 + 5);
  EXPECT_TRUE(host.view()->DraggingOver());
  EXPECT_EQ(host.view()->DropTarget(), tree->Items()->Item(3));
  EXPECT_TRUE(host.view()->DropAccepted());
  host.Up(40, 3 * 18 + 5);
  EXPECT_FALSE(Dragging());
  EXPECT_EQ(host.view()->DropTarget(), nullptr);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 2].substr(0, 10), "drop tree ");
  EXPECT_EQ(log.back(), "end target");
  EXPECT_NE(std::find(log.begin(), log.end(), "target row3"), log.end());
}

TEST_F(DragFixture, EscapeCancels) {
  StartOn(0);
  Move(40, 2 * 18 + 5);
  host.view()->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(Dragging());
  EXPECT_EQ(log.back(), "end none");
  EXPECT_EQ(host.view()->DropTarget(), nullptr);
}

TEST_F(DragFixture, DragImageByMode) {
  tree->SetDragImageMode(dimOne);
  tree->SelectRange(tree->Items()->Item(1), tree->Items()->Item(2), false, false);
  StartOn(1);  // a click on a selected row of two keeps both selected until release
  ASSERT_TRUE(Dragging());
  EXPECT_EQ(host.view()->DragImages(), nullptr);
  EndDrag(false);
  tree->SetDragImageMode(dimAll);
  tree->SelectRange(tree->Items()->Item(1), tree->Items()->Item(2), false, false);
  StartOn(1);
  ASSERT_NE(host.view()->DragImages(), nullptr);
  EXPECT_EQ(host.view()->DragImages()->Height(), 36);
}

TEST_F(DragFixture, EdgeScrollsAfterThreeHundredThenEveryHundredMs) {
  tree->SetTopIndex(3);
  host.Paint();
  StartOn(1);
  Move(40, 5);  // inside the first row's upper half
  ASSERT_NE(host.view()->DragScrollTimer(), nullptr);
  EXPECT_EQ(host.view()->DragScrollTimer()->Interval(), 300u);
  EXPECT_EQ(tree->TopIndex(), 3);
  host.view()->DragScrollTimer()->Fire();
  EXPECT_EQ(tree->TopIndex(), 2);
  EXPECT_EQ(host.view()->DragScrollTimer()->Interval(), 100u);
  host.view()->DragScrollTimer()->Fire();
  EXPECT_EQ(tree->TopIndex(), 1);
  // Out of the edge zone the timer stops.
  Move(40, 40);
  host.view()->DragScrollTimer()->Fire();
  EXPECT_EQ(tree->TopIndex(), 1);
  EXPECT_FALSE(host.view()->DragScrollTimer()->Enabled());
}

TEST_F(DragFixture, HoverExpandsACollapsedTarget) {
  TElTreeItem* parent = tree->Items()->Item(2);
  tree->Items()->AddLastChild(parent, "child");
  tree->SetExpandOnDragOver(true);
  tree->SetDragExpandDelay(0);
  StartOn(0);
  Move(40, 2 * 18 + 5);
  EXPECT_TRUE(parent->Expanded());
  tree->SetDragExpandDelay(500);
  parent->Collapse(false);
  Move(40, 3 * 18 + 5);
  Move(40, 2 * 18 + 5);
  EXPECT_FALSE(parent->Expanded());
  ASSERT_NE(host.view()->DragExpandTimer(), nullptr);
  host.view()->DragExpandTimer()->Fire();
  EXPECT_TRUE(parent->Expanded());
}

TEST_F(DragFixture, NoDragWithoutPermissionOrForOleOnly) {
  tree->SetDragAllowed(false);
  StartOn(1);
  EXPECT_FALSE(Dragging());
  host.Up(40, 20);
  tree->SetDragAllowed(true);
  tree->SetDragType(dtOLE);
  StartOn(1);
  EXPECT_FALSE(Dragging());
}
