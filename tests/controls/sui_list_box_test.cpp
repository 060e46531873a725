// The skinned list box's attached scroll bar: shown only while the list's own
// bar is needed, as long a thumb as the system's, moving it scrolls the list;
// and the thin list box under it.
#include <gtest/gtest.h>

#include <string>

#include "controls/sui_list_box.h"
#include "controls/sui_track_bar.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/scroll_state.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiListBox, BarShownOnlyWhenNeeded) {
  TForm form(nullptr);
  form.SetClientSize(300, 300);
  auto* list = new TsuiListBox(&form);
  list->SetParent(&form);
  list->SetBounds(10, 10, 150, 100);
  auto* bar = new TsuiScrollBar(&form);
  bar->SetParent(&form);
  list->SetVScrollBar(bar);
  EXPECT_EQ(bar->Left(), 10 + 150 - bar->Width() - 2);
  EXPECT_EQ(bar->Top(), 11);
  EXPECT_EQ(bar->Height(), 98);
  EXPECT_FALSE(bar->Visible());  // no items, nothing to scroll

  list->Items()->Add("first");
  list->Items()->Add("second");
  EXPECT_FALSE(bar->Visible());
  const int fit = 100 / std::max(1, list->ItemHeight());
  int added = 2;
  while (!bar->Visible() && added < fit + 5) {
    list->Items()->Add("item " + std::to_string(added++));
  }
  ASSERT_TRUE(bar->Visible()) << "items: " << added;
  EXPECT_GE(added, fit - 1);  // not before the items overflow
  TScrollBarState state;
  ASSERT_TRUE(GetControlScrollBar(list, SB_VERT, state));
  EXPECT_EQ(bar->LineButton(), state.ThumbBottom - state.ThumbTop);
  EXPECT_GT(bar->LineButton(), 0);
  EXPECT_EQ(bar->Max(), state.Max - state.Page + 1);

  for (int i = 0; i < 40; ++i) list->Items()->Add("more " + std::to_string(i));
  bar->SetPosition(7);
  ASSERT_TRUE(GetControlScrollBar(list, SB_VERT, state));
  EXPECT_EQ(state.Position, 7);

  // Clearing hides the bar again; a batch of adds syncs once at the end.
  list->Clear();
  EXPECT_FALSE(bar->Visible());
  list->Items()->BeginUpdate();
  for (int i = 0; i < 100; ++i) list->Items()->Add(std::to_string(i));
  EXPECT_FALSE(bar->Visible());
  list->Items()->EndUpdate();
  EXPECT_TRUE(bar->Visible());

  list->SetVScrollBar(nullptr);
  EXPECT_TRUE(bar->Enabled());
  EXPECT_EQ(bar->Max(), 100);
  EXPECT_EQ(bar->LineButton(), 0);
}

TEST(SuiListBox, ItemsObjectsAndSelection) {
  TForm form(nullptr);
  TsuiListBox list(&form);
  list.SetParent(&form);
  TObject tag;
  list.Items()->AddObject("a", &tag);
  list.Items()->Insert(0, "b");
  ASSERT_EQ(list.Items()->Count(), 2);
  EXPECT_EQ(list.Items()->Strings(0), "b");
  EXPECT_EQ(list.Items()->Objects(1), &tag);
  EXPECT_EQ(list.ItemIndex(), -1);
  list.SetItemIndex(1);
  EXPECT_EQ(list.ItemIndex(), 1);
  list.SetItemIndex(5);  // out of range selects nothing
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_THROW(list.Items()->Delete(2), EStringListError);
  list.Items()->Delete(0);
  EXPECT_EQ(list.Items()->Strings(0), "a");
  EXPECT_EQ(list.BorderColor(), FindFormBorderColor(&form));
}

}  // namespace
