// In-place editing: editors by field type, commit and cancel, where the text
// goes, the click-to-edit pause, and an item deleted while edited.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/date_time_picker.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"
#include "tests/treectl/tree_job_list.h"

using namespace lumicast;
using namespace classlib;

namespace {

struct EditFixture : ::testing::Test {
  lumitest::TreeHost host;
  TElTree* tree = host.tree;
  TElTreeItem* item = nullptr;
  std::vector<std::string> log;
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      TElHeaderSection* s = tree->HeaderSections()->AppendSection();
      s->SetWidth(100);
      s->SetFieldType(sftText);
    }
    tree->SetShowColumns(true);
    item = tree->Items()->AddLastChild(nullptr, "caption");
    tree->OnValidateInplaceEdit = [this](TObject*, TElTreeItem*, TElHeaderSection* s,
                                         std::string& text, bool& accept) {
      log.push_back((s ? std::to_string(s->ColumnIndex()) : std::string("-")) + " '" + text + "' " +
                    (accept ? "accept" : "refuse"));
    };
    host.Paint();
  }
  void Key(uint16_t Vk) { host.view()->Editor()->Perform(WM_KEYDOWN, Vk, 0); }
};

}  // namespace

TEST_F(EditFixture, CommittingAColumnAppendsMissingEntries) {
  host.view()->BeginCellEdit(item, 2);
  ASSERT_TRUE(host.view()->Editing());
  auto* edit = dynamic_cast<TEdit*>(host.view()->Editor());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Left(), 200);
  edit->SetText("typed");
  Key(VK_RETURN);
  EXPECT_FALSE(host.view()->Editing());
  ASSERT_EQ(item->ColumnText()->Count(), 2);
  EXPECT_EQ(item->ColumnText()->Strings(0), "");
  EXPECT_EQ(item->ColumnText()->Strings(1), "typed");
  EXPECT_EQ(log, (std::vector<std::string>{"2 'typed' accept"}));
  EXPECT_FALSE(host.view()->Editor()->Visible());
}

TEST_F(EditFixture, EscapeLeavesTheItemAndValidatesAnEmptyRefusal) {
  host.view()->BeginCellEdit(item, -1);
  host.view()->Editor()->SetText("changed");
  Key(VK_ESCAPE);
  EXPECT_EQ(item->Text(), "caption");
  EXPECT_EQ(log, (std::vector<std::string>{"0 '' refuse"}));
  // Enter commits into the caption; a refusing handler keeps it.
  host.view()->BeginCellEdit(item, -1);
  host.view()->Editor()->SetText("renamed");
  Key(VK_RETURN);
  EXPECT_EQ(item->Text(), "renamed");
  tree->OnValidateInplaceEdit = [](TObject*, TElTreeItem*, TElHeaderSection*, std::string&,
                                   bool& a) { a = false; };
  host.view()->BeginCellEdit(item, -1);
  host.view()->Editor()->SetText("not this");
  Key(VK_RETURN);
  EXPECT_EQ(item->Text(), "renamed");
}

TEST_F(EditFixture, EditorsFollowTheFieldType) {
  item->ColumnText()->Add("2024-03-01");
  item->ColumnText()->Add("x");
  tree->HeaderSections()->Item(1)->SetFieldType(sftDate);
  host.view()->BeginCellEdit(item, 1);
  auto* picker = dynamic_cast<TDateTimePicker*>(host.view()->Editor());
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->Text(), "2024-03-01");
  picker->SetText("2025-12-24");
  Key(VK_RETURN);
  EXPECT_EQ(item->ColumnText()->Strings(0), "2025-12-24");

  tree->HeaderSections()->Item(2)->SetFieldType(sftBool);
  host.view()->BeginCellEdit(item, 2);
  auto* box = dynamic_cast<TCheckBox*>(host.view()->Editor());
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->Checked());
  box->SetChecked(false);
  host.view()->FinishCellEdit(false);
  EXPECT_EQ(item->ColumnText()->Strings(1), "");

  int requests = 0;
  tree->OnEditRequest = [&](TObject*, TElTreeItem* i, TElHeaderSection*) {
    EXPECT_TRUE(host.view()->Editing());
    EXPECT_EQ(i, item);
    ++requests;
  };
  tree->HeaderSections()->Item(1)->SetFieldType(sftBLOB);
  host.view()->BeginCellEdit(item, 1);
  EXPECT_EQ(requests, 1);
  EXPECT_FALSE(host.view()->Editing());
  EXPECT_EQ(host.view()->EditItem(), nullptr);

  tree->OnTryEdit = [](TObject*, TElTreeItem*, TElHeaderSection*, TFieldTypes& type, bool&) {
    type = sftUndef;
  };
  host.view()->BeginCellEdit(item, 1);
  EXPECT_FALSE(host.view()->Editing());
  EXPECT_THROW(host.view()->BeginCellEdit(nullptr, 0), EElTreeError);
}

TEST_F(EditFixture, SecondClickOnACaptionEditsAfterAPause) {
  tree->HeaderSections()->Item(0)->SetEditable(true);
  int x = item->CaptionLeft + 10;
  host.Click(x, 8);
  host.Down(x, 8);
  ASSERT_NE(host.view()->EditDelayTimer(), nullptr);
  EXPECT_TRUE(host.view()->EditDelayTimer()->Enabled());
  host.view()->EditDelayTimer()->Fire();
  EXPECT_TRUE(host.view()->Editing());
  EXPECT_EQ(host.view()->EditItem(), item);
  host.view()->FinishCellEdit(true);
  // A deleted item takes its pending edit with it.
  host.Click(x, 8);
  host.Down(x, 8);
  item->Delete();
  EXPECT_FALSE(host.view()->EditDelayTimer()->Enabled());
}

TEST_F(EditFixture, DeletingTheEditedItemClosesTheEditor) {
  host.view()->BeginCellEdit(item, 1);
  ASSERT_TRUE(host.view()->Editing());
  item->Delete();
  EXPECT_FALSE(host.view()->Editing());
  EXPECT_EQ(host.view()->EditItem(), nullptr);
  EXPECT_TRUE(log.empty());
}

TEST_F(EditFixture, ScrollingCommitsAnOpenEditor) {
  host.view()->BeginCellEdit(item, -1);
  host.view()->Editor()->SetText("scrolled away");
  int pos = 0;
  bool change = true;
  tree->VertScrollBar()->OnScroll(tree->VertScrollBar(), escLineDown, pos, change);
  EXPECT_FALSE(host.view()->Editing());
  EXPECT_EQ(item->Text(), "scrolled away");
}
