// The tree's update pairs, focus and selection rules, and the view's input
// driven by messages: check boxes, clicks, keys, the wheel, line hints and the
// incremental search.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/classlib/mouse_settings.h"
#include "platform/classlib/timer.h"
#include "tests/treectl/render_control.h"
#include "tests/treectl/tree_job_list.h"
#include "treectl/line_hint_window.h"

using namespace lumicast;
using namespace classlib;
using lumitest::AddJob;

namespace {

struct JobListInput : ::testing::Test {
  lumitest::TreeHost host{500, 200};
  TElTree* tree = host.tree;
  std::vector<std::string> log;
  void SetUp() override {
    lumitest::SetUpJobList(tree);
    tree->OnItemSelectedChange = [this](TObject*, TElTreeItem* i) {
      log.push_back(std::string(i->Selected() ? "select " : "deselect ") + i->Text());
    };
    tree->OnItemChecked = [this](TObject*, TElTreeItem* i) {
      log.push_back("checked " + i->Text());
    };
    tree->OnItemChange = [this](TObject*, TElTreeItem* i, TItemChangeMode m) {
      log.push_back("change " + i->Text() + " " + std::to_string(m));
    };
  }
  void AddJobs(int n) {
    for (int i = 0; i < n; ++i) AddJob(tree, "job" + std::to_string(i));
  }
  TElTreeItem* Item(int i) { return tree->Items()->Item(i); }
  int RowY(int Row) { return Row * 18 + 8; }
};

}  // namespace

TEST_F(JobListInput, CheckBoxClickSelectsOnPressAndTogglesOnRelease) {
  AddJobs(3);
  tree->SetItemWithFocus(Item(0), false);
  host.Paint();
  log.clear();
  host.Down(10, RowY(2));
  EXPECT_EQ(log, (std::vector<std::string>{"deselect job0", "select job2"}));
  EXPECT_FALSE(Item(2)->Checked());
  host.Up(10, RowY(2));
  EXPECT_TRUE(Item(2)->Checked());
  EXPECT_EQ(tree->ItemWithFocus(), Item(2));
  EXPECT_EQ(tree->Selected(), Item(2));
  EXPECT_EQ(tree->SelectedCount(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"deselect job0", "select job2", "checked job2",
                                           "change job2 2"}));
  host.Click(10, RowY(2));
  EXPECT_FALSE(Item(2)->Checked());
  // A click on the caption selects without checking.
  host.Click(60, RowY(1));
  EXPECT_FALSE(Item(1)->Checked());
  EXPECT_EQ(tree->Selected(), Item(1));
}

TEST_F(JobListInput, ThreeStateCycleAndDisabledItems) {
  AddJobs(3);
  Item(0)->SetCheckBoxType(ect3SCheckBox);
  host.Paint();
  std::vector<TCheckBoxState> seen;
  for (int i = 0; i < 4; ++i) {
    host.Click(10, RowY(0));
    seen.push_back(Item(0)->CheckBoxState());
  }
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked, cbGrayed}));
  Item(1)->SetEnabled(false);
  Item(2)->SetCheckBoxEnabled(false);
  log.clear();
  host.Click(10, RowY(1));
  host.Click(10, RowY(2));
  EXPECT_FALSE(Item(1)->Checked());
  EXPECT_FALSE(Item(2)->Checked());
  EXPECT_NE(tree->ItemWithFocus(), Item(1));
  for (const std::string& l : log) EXPECT_EQ(l.find("checked"), std::string::npos) << l;
}

TEST_F(JobListInput, RightClickSelects) {
  AddJobs(3);
  host.RightClick(60, RowY(1));
  EXPECT_EQ(tree->Selected(), Item(1));
  tree->SetRightClickSelect(false);
  host.RightClick(60, RowY(2));
  EXPECT_EQ(tree->Selected(), Item(1));
}

TEST_F(JobListInput, ArrowPageHomeEndKeys) {
  // A view of exactly four rows.
  tree->SetBounds(0, 0, 500, 2 * 2 + 19 + 4 * 18);
  AddJobs(20);
  ASSERT_EQ(host.view()->RowCapacity(), 4);
  host.Key(VK_DOWN);  // no focus: the first item
  EXPECT_EQ(tree->ItemWithFocus(), Item(0));
  host.Key(VK_DOWN);
  host.Key(VK_DOWN);
  EXPECT_EQ(tree->ItemWithFocus(), Item(2));
  host.Key(VK_UP);
  EXPECT_EQ(tree->ItemWithFocus(), Item(1));
  host.Key(VK_NEXT);
  EXPECT_EQ(tree->ItemWithFocus(), Item(4));
  EXPECT_EQ(tree->TopIndex(), 3);
  host.Key(VK_PRIOR);
  EXPECT_EQ(tree->ItemWithFocus(), Item(1));
  EXPECT_EQ(tree->TopIndex(), 0);
  host.Key(VK_END);
  EXPECT_EQ(tree->ItemWithFocus(), Item(19));
  EXPECT_TRUE(tree->ItemInView(Item(19)));
  host.Key(VK_HOME);
  EXPECT_EQ(tree->ItemWithFocus(), Item(0));
  EXPECT_EQ(tree->TopIndex(), 0);
  // Down past the last row scrolls it into view at the bottom.
  for (int i = 0; i < 5; ++i) host.Key(VK_DOWN);
  EXPECT_EQ(tree->ItemWithFocus(), Item(5));
  EXPECT_TRUE(tree->ItemInView(Item(5)));
  EXPECT_EQ(tree->Selected(), Item(5));
}

TEST_F(JobListInput, WheelNotchMovesThreeRowsAndSmallDeltasAddUp) {
  AddJobs(30);
  SetWheelScrollLinesOverride(3);
  host.Wheel(-120);
  EXPECT_EQ(tree->TopIndex(), 3);
  for (int i = 0; i < 3; ++i) host.Wheel(-30);
  EXPECT_EQ(tree->TopIndex(), 5);  // 90 of 120: two rows of 40 each
  host.Wheel(120);
  EXPECT_EQ(tree->TopIndex(), 2);
  SetWheelScrollLinesOverride(500);  // held to 120 lines a notch
  host.Wheel(-120);
  EXPECT_GT(tree->TopIndex(), 2);
  SetWheelScrollLinesOverride(0);
}

TEST_F(JobListInput, LineHintOnlyForCutCaptionsAndHiddenByKeys) {
  AddJob(tree, "short");
  AddJob(tree, "a very long caption that the first column of 150 pixels cannot show at all");
  lumitest::RenderControl(host.view(), "hint");
  host.view()->Perform(WM_MOUSEMOVE, 0, MakeLParam(60, RowY(0)));
  ASSERT_NE(host.view()->LineHintTimer(), nullptr);
  host.view()->LineHintTimer()->Fire();
  EXPECT_EQ(host.view()->LineHintItem(), nullptr);
  host.view()->Perform(WM_MOUSEMOVE, 0, MakeLParam(60, RowY(1)));
  host.view()->LineHintTimer()->Fire();
  EXPECT_EQ(host.view()->LineHintItem(), Item(1));
  ASSERT_NE(host.view()->LineHintWindow(), nullptr);
  host.Key(VK_DOWN);
  EXPECT_EQ(host.view()->LineHintItem(), nullptr);
}

TEST_F(JobListInput, IncrementalSearchAndItsTimeOut) {
  tree->SetIncrementalSearch(true);
  for (const char* t : {"xyz", "Abc", "abd", "cab", "Cde"}) AddJob(tree, t);
  host.Char('a');
  EXPECT_EQ(tree->ItemWithFocus(), Item(1));
  host.Char('B');
  host.Char('d');
  EXPECT_EQ(tree->ItemWithFocus(), Item(2));
  EXPECT_EQ(host.view()->SearchText(), "aBd");
  // One period with a key in it keeps the text; a quiet one drops it.
  host.view()->SearchTimer()->Fire();
  EXPECT_EQ(host.view()->SearchText(), "aBd");
  host.view()->SearchTimer()->Fire();
  EXPECT_EQ(host.view()->SearchText(), "");
  host.Char('c');
  EXPECT_EQ(tree->ItemWithFocus(), Item(3));
  host.Char(8);
  EXPECT_EQ(host.view()->SearchText(), "");
  // Characters, not bytes: a two-byte letter folds with its capital.
  AddJob(tree, "Ärger");
  host.Char(U'ä');
  EXPECT_EQ(tree->ItemWithFocus(), Item(5));
}

TEST_F(JobListInput, HandlerThrowingInsideClearLeavesTheTreeWorking) {
  AddJobs(5);
  tree->SetItemWithFocus(Item(2), false);
  tree->OnItemSelectedChange = [](TObject*, TElTreeItem*) {
    throw std::runtime_error("movie vanished");
  };
  EXPECT_THROW(tree->Items()->Clear(), std::runtime_error);
  EXPECT_FALSE(tree->IsUpdating());
  tree->OnItemSelectedChange = nullptr;
  tree->Items()->Clear();
  AddJob(tree, "fresh");
  EXPECT_EQ(host.view()->Rows().Count(), 1);
  host.Click(60, RowY(0));
  EXPECT_EQ(tree->Selected(), Item(0));
}

TEST(TreeUpdate, NestedPairsLayOutOnce) {
  lumitest::TreeHost host;
  TElTree* tree = host.tree;
  int before = tree->LayoutCount();
  tree->BeginUpdate();
  tree->BeginUpdate();
  for (int i = 0; i < 50; ++i) tree->Items()->AddLastChild(nullptr, "x");
  tree->EndUpdate();
  EXPECT_EQ(tree->LayoutCount(), before);
  EXPECT_EQ(host.view()->Rows().Count(), 0);
  tree->EndUpdate();
  EXPECT_EQ(tree->LayoutCount(), before + 1);
  EXPECT_GT(host.view()->Rows().Count(), 5);
  EXPECT_FALSE(tree->IsUpdating());
}

TEST(TreeUpdate, FocusEventIsDelayedForKeyMoves) {
  lumitest::TreeHost host;
  TElTree* tree = host.tree;
  for (int i = 0; i < 5; ++i) tree->Items()->AddLastChild(nullptr, "x" + std::to_string(i));
  std::vector<TElTreeItem*> focused;
  tree->OnItemFocused = [&](TObject*) { focused.push_back(tree->ItemWithFocus()); };
  host.Key(VK_DOWN);
  host.Key(VK_DOWN);
  EXPECT_TRUE(focused.empty());
  tree->ChangeTimer()->Fire();
  ASSERT_EQ(focused.size(), 1u);
  EXPECT_EQ(focused[0], tree->Items()->Item(1));
  EXPECT_FALSE(tree->ChangeTimer()->Enabled());
  // A program's move is reported at once.
  tree->SetItemWithFocus(tree->Items()->Item(4), false);
  EXPECT_EQ(focused.size(), 2u);
  // A deleted item pending in the timer is forgotten.
  host.Key(VK_UP);
  tree->Items()->Item(3)->Delete();
  EXPECT_FALSE(tree->ChangeTimer()->Enabled());
}

TEST(TreeUpdate, VerticalBarOnlyWhenRowsOverflow) {
  lumitest::TreeHost host(200, 100);
  TElTree* tree = host.tree;
  tree->SetLineHeight(18);
  tree->Items()->AddLastChild(nullptr, "one");
  EXPECT_FALSE(tree->VertBarShown());
  tree->SetForcedScrollBars(ssVertical);
  EXPECT_TRUE(tree->VertBarShown());
  EXPECT_FALSE(tree->VertScrollBar()->Enabled());
  tree->SetForcedScrollBars(ssNone);
  for (int i = 0; i < 10; ++i) tree->Items()->AddLastChild(nullptr, "more");
  EXPECT_TRUE(tree->VertBarShown());
  EXPECT_TRUE(tree->VertScrollBar()->Enabled());
  EXPECT_EQ(tree->VertScrollBar()->Max(), 10);
}

TEST(TreeUpdate, ScrollToItemNeedsAnItem) {
  lumitest::TreeHost host;
  EXPECT_THROW(host.tree->ScrollToItem(nullptr), EElTreeError);
  host.tree->EnsureVisible(nullptr);
}

TEST(TreeSelection, MultiSelectClicksFollowAModel) {
  lumitest::TreeHost host(300, 400);
  TElTree* tree = host.tree;
  tree->SetLineHeight(18);
  for (int i = 0; i < 10; ++i) tree->Items()->AddLastChild(nullptr, "item" + std::to_string(i));
  auto selected = [&] {
    std::set<int> s;
    for (int i = 0; i < 10; ++i)
      if (tree->Items()->Item(i)->Selected()) s.insert(i);
    return s;
  };
  auto y = [](int row) { return row * 18 + 8; };
  host.Paint();
  host.Click(30, y(2));
  EXPECT_EQ(selected(), (std::set<int>{2}));
  host.Click(30, y(5), MK_SHIFT);
  EXPECT_EQ(selected(), (std::set<int>{2, 3, 4, 5}));
  host.Click(30, y(8), MK_CONTROL);
  EXPECT_EQ(selected(), (std::set<int>{2, 3, 4, 5, 8}));
  host.Click(30, y(3), MK_CONTROL);
  EXPECT_EQ(selected(), (std::set<int>{2, 4, 5, 8}));
  EXPECT_EQ(tree->SelectedCount(), 4);
  host.Click(30, y(4));  // a plain click on a selected item leaves it alone
  EXPECT_EQ(selected(), (std::set<int>{4}));
  tree->SelectAll();
  EXPECT_EQ(tree->SelectedCount(), 10);
  tree->InvertSelection();
  EXPECT_EQ(tree->SelectedCount(), 0);
  tree->SelectRange(tree->Items()->Item(1), tree->Items()->Item(3), false, false);
  EXPECT_EQ(selected(), (std::set<int>{1, 2, 3}));
  tree->SetMultiSelect(false);
  EXPECT_TRUE(selected().size() <= 1);
  EXPECT_EQ(tree->SelectedItems(), nullptr);
}
